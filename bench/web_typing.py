#!/usr/bin/env python3
"""Korvel's page in headless Chromium: typing 2,000 keys through the page's
own handler against the same text box with transcription off, in the same
browser run; taps on the on-screen keyboard of an emulated phone against a
bare button that inserts the same letter; and the page's weight and its
time from navigation to ready.

    /usr/bin/python3 bench/web_typing.py [build/web/site]

Each key is an input event as the browser sends it for a typed character.
With transcription on, the page's handler replaces it with the core's output
and inserts that through the browser's editing; with it off, the handler
lets the key through and the browser's own insertion (the same editing
command) types it: that is the floor. A second floor types the Cyrillic
output itself with transcription off: the browser's own cost of inserting
Cyrillic rather than Latin letters, which the handler cannot avoid. Runs
alternate; medians of 7.

A tap is a touch start and end sent through the DevTools protocol to a
412 x 915 touch screen; its time runs from the page's touchend event to the
text box's input event that the inserted letter causes. The floor is the
same tap on a bare button, added by this script, whose click handler
inserts the letter itself through the same editing command.
"""
import statistics
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "web"))
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests"))
from harness.browser import SiteServer, start_chromium  # noqa: E402
from page_driver import open_page  # noqa: E402

SITE = Path(sys.argv[1] if len(sys.argv) > 1 else "build/web/site").resolve()
KEYS = 2000
RUNS = 7
TYPED = "Privet, mir! Kak dela? Q W X ÄÖÜ äöü ß#'+* "

TYPE_KEYS = """
const [count, transcribing, keys] = arguments;
const editor = document.getElementById('editor');
const toggle = document.getElementById('transcribe');
if (toggle.checked !== transcribing) toggle.click();
editor.focus();
editor.select();
document.execCommand('delete');
const start = performance.now();
for (let i = 0; i < count; i++) {
  const key = keys[i % keys.length];
  const typed = new InputEvent('beforeinput', {inputType: 'insertText', data: key, cancelable: true, bubbles: true});
  // Not taken by the page: the browser's own insertion of the key.
  if (editor.dispatchEvent(typed)) document.execCommand('insertText', false, key);
}
const elapsed = performance.now() - start;
return [elapsed, editor.value];
"""


TAPS = 200

WATCH_TAPS = """
window.tapTimes = [];
let touched = 0;
document.addEventListener('touchend', (event) => { touched = event.timeStamp; }, true);
document.getElementById('editor').addEventListener('input', () => {
  if (touched) window.tapTimes.push(performance.now() - touched);
  touched = 0;
});
const bare = document.createElement('button');
bare.id = 'bare';
bare.textContent = 'x';
bare.style = 'position: fixed; top: 0; left: 0; width: 40px; height: 40px; z-index: 2';
bare.addEventListener('pointerdown', (event) => event.preventDefault());
bare.addEventListener('click', () => document.execCommand('insertText', false, '\u044f'));
document.body.append(bare);
"""


def tap_times(driver, selector):
    """Milliseconds from touch end to the inserted letter, for TAPS taps on `selector`."""
    x, y = driver.execute_script("const r = document.querySelector(arguments[0]).getBoundingClientRect();"
                                 "return [r.x + r.width / 2, r.y + r.height / 2]", selector)
    driver.execute_script("window.tapTimes = []; const e = document.getElementById('editor'); e.focus();")
    for _ in range(TAPS):
        driver.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": [{"x": x, "y": y}]})
        driver.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})
    times = driver.execute_script("return window.tapTimes")
    assert len(times) == TAPS, f"{len(times)} of {TAPS} taps inserted a letter"
    return times


def measure_taps(server):
    driver = start_chromium(412, 915, phone=True)
    try:
        open_page(driver, server.url)
        driver.execute_script(WATCH_TAPS)
        keyboard, bare = [], []
        for _ in range(3):  # alternating rounds
            keyboard += tap_times(driver, '#keyboard [data-key="x"]')
            bare += tap_times(driver, "#bare")
        assert driver.execute_script("return document.getElementById('editor').value").count("я") == 6 * TAPS
    finally:
        driver.quit()
    return statistics.median(keyboard), statistics.median(bare)


def main():
    server = SiteServer(SITE)
    driver = start_chromium()
    try:
        open_page(driver, server.url)
        keys = (TYPED * (KEYS // len(TYPED) + 1))[:KEYS]
        _, cyrillic = driver.execute_script(TYPE_KEYS, KEYS, True, keys)
        on, off, output = [], [], []
        for _ in range(RUNS + 1):  # the first round warms up
            for transcribing, typed, times in ((True, keys, on), (False, keys, off), (False, cyrillic, output)):
                elapsed, value = driver.execute_script(TYPE_KEYS, KEYS, transcribing, typed)
                assert value == (cyrillic if transcribing else typed), value[:40]
                times.append(elapsed)
        on, off, output = on[1:], off[1:], output[1:]
        ready = []
        for _ in range(RUNS):
            open_page(driver, server.url)
            ready.append(driver.execute_script("return window.korvelReadyAt"))
        weight = sum(path.stat().st_size for path in SITE.iterdir())
        version = driver.capabilities.get("browserVersion", "?")
    finally:
        driver.quit()
    try:
        tap_ms, bare_ms = measure_taps(server)
    finally:
        server.close()

    on_ms, off_ms, output_ms = statistics.median(on), statistics.median(off), statistics.median(output)
    print(f"Headless Chromium {version}, {RUNS} alternating runs of {KEYS} keys each, medians.\n")
    print("| measurement | time | floor | floor time | ratio | goal |")
    print("|---|---:|---|---:|---:|---|")
    print(f"| Typing {KEYS} keys, transcription on | {on_ms:.1f} ms | the same keys, transcription off "
          f"| {off_ms:.1f} ms | {on_ms / off_ms:.2f} | <= 1.3 |")
    print(f"| Typing {KEYS} keys, transcription on | {on_ms:.1f} ms | their Cyrillic output typed with transcription "
          f"off | {output_ms:.1f} ms | {on_ms / output_ms:.2f} | (reported only) |")
    print(f"| A tap on the on-screen keyboard to the inserted letter, median of {3 * TAPS} | {tap_ms:.2f} ms "
          f"| a tap on a bare button inserting the letter | {bare_ms:.2f} ms | {tap_ms / bare_ms:.2f} | <= 1.5 |")
    print()
    print(f"- Per key: {1000 * on_ms / KEYS:.1f} us with transcription, {1000 * off_ms / KEYS:.1f} us without.")
    print(f"- Page weight: {weight} bytes ({weight / 1024:.1f} KiB) in {len(list(SITE.iterdir()))} files "
          "(goal: under 200 KB).")
    print(f"- Navigation to ready (core loaded, editor enabled), 127.0.0.1: median {statistics.median(ready):.1f} ms "
          f"of {RUNS} loads.")


if __name__ == "__main__":
    main()
