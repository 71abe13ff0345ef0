#!/usr/bin/env python3
"""Korvel's page in headless Chromium: typing 2,000 keys through the page's
own handler against the same text box with transcription off, in the same
browser run; and the page's weight and its time from navigation to ready.

    /usr/bin/python3 bench/web_typing.py [build/web/site]

Each key is an input event as the browser sends it for a typed character.
With transcription on, the page's handler replaces it with the core's output
and inserts that through the browser's editing; with it off, the handler
lets the key through and the browser's own insertion (the same editing
command) types it: that is the floor. A second floor types the Cyrillic
output itself with transcription off: the browser's own cost of inserting
Cyrillic rather than Latin letters, which the handler cannot avoid. Runs
alternate; medians of 7.
"""
import statistics
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "web"))
from page_driver import SiteServer, open_page, start_chromium  # noqa: E402

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
        server.close()

    on_ms, off_ms, output_ms = statistics.median(on), statistics.median(off), statistics.median(output)
    print(f"Headless Chromium {version}, {RUNS} alternating runs of {KEYS} keys each, medians.\n")
    print("| measurement | time | floor | floor time | ratio | goal |")
    print("|---|---:|---|---:|---:|---|")
    print(f"| Typing {KEYS} keys, transcription on | {on_ms:.1f} ms | the same keys, transcription off "
          f"| {off_ms:.1f} ms | {on_ms / off_ms:.2f} | <= 1.3 |")
    print(f"| Typing {KEYS} keys, transcription on | {on_ms:.1f} ms | their Cyrillic output typed with transcription "
          f"off | {output_ms:.1f} ms | {on_ms / output_ms:.2f} | (reported only) |")
    print()
    print(f"- Per key: {1000 * on_ms / KEYS:.1f} us with transcription, {1000 * off_ms / KEYS:.1f} us without.")
    print(f"- Page weight: {weight} bytes ({weight / 1024:.1f} KiB) in {len(list(SITE.iterdir()))} files "
          "(goal: under 200 KB).")
    print(f"- Navigation to ready (core loaded, editor enabled), 127.0.0.1: median {statistics.median(ready):.1f} ms "
          f"of {RUNS} loads.")


if __name__ == "__main__":
    main()
