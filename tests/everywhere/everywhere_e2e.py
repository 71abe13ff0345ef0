#!/usr/bin/env python3
"""Korvel everywhere end to end, as a person uses it: the real
KorvelEverywhere.exe under Wine on a virtual X display with a German keymap,
real key presses (xdotool) into Wine's notepad and wordpad and a window of
our own (everywhere_helper.exe fields), read back through the helper.

    everywhere_e2e.py                     run the scenarios (CTest does)
    everywhere_e2e.py --screenshot FILE   a picture of Korvel typing into notepad

What cannot be tried under Wine is left out: dead keys (Wine's input method
composes them before any hook sees them), elevated windows, the secure
desktop and per-window layouts.
"""
import os
import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from korvel_e2e import ARTIFACTS, BIN_DIR, WINE_RUN, Desktop, decode, eventually, run  # noqa: E402

EVERYWHERE = BIN_DIR / "KorvelEverywhere.exe"
HELPER = BIN_DIR / "everywhere_helper.exe"
FIELDS = "Korvel test fields"
PLAIN, PASSWORD, PASSWORD_MIRROR, TIMING = 1, 2, 3, 4
OPEN_KORVEL, START_WITH_WINDOWS = 4102, 4103  # the icon menu's commands
PHRASE = "Privet, mir! #Üäöß'+*xQW"
CYRILLIC = "Привет, мир! жЭчшьЖщЩяЁЮ"
DESKTOP = Desktop()


# The German layout, with Scroll Lock a lock key as on a real keyboard (Wine fakes a second press of a
# Scroll Lock that is no lock).
GERMAN_KEYMAP = """xkb_keymap {
    xkb_keycodes { include "evdev+aliases(qwertz)" };
    xkb_types { include "complete" };
    xkb_compat { include "complete" };
    xkb_symbols { include "pc+de+inet(evdev)" modifier_map Mod3 { <SCLK> }; };
};
"""


def helper(*queries):
    """Answers of everywhere_helper.exe, through the Windows tests' runner, which starts it again when
    Wine fails to start it."""
    result = run(["sh", str(WINE_RUN), str(HELPER), *queries], capture_output=True, timeout=200)
    if result.returncode != 0:
        raise AssertionError(f"everywhere_helper {' '.join(queries)} failed with {result.returncode}")
    return result.stdout.decode().splitlines()


def text(query):
    return decode(helper(query)[0])


def key(*keys):
    run(["xdotool", "key", "--delay", "40", *keys], timeout=120)


def type_text(typed, delay=40):
    run(["xdotool", "type", "--delay", str(delay), typed], timeout=300)


class Program:
    """A Wine program of the test's, with its output kept for the report."""

    def __init__(self, name, *command):
        ARTIFACTS.mkdir(parents=True, exist_ok=True)
        self.log = open(ARTIFACTS / f"everywhere-{name}.wine.log", "wb")
        self.process = subprocess.Popen(["wine", *command], stdin=subprocess.DEVNULL, stdout=self.log,
                                        stderr=subprocess.STDOUT)

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)
        self.log.close()


def focus(title, control=None):
    """Keys to `title`: the X focus (xdotool) and Wine's foreground window (the helper), which without a
    window manager do not follow each other."""
    ok, windows = eventually(lambda: run(["xdotool", "search", "--onlyvisible", "--name", title],
                                         capture_output=True).stdout.split(), bool, timeout=60)
    assert ok, f"no window {title!r}"
    ok, _ = eventually(lambda: run(["xdotool", "windowfocus", "--sync", windows[0]], capture_output=True,
                                   timeout=10).returncode, lambda code: code == 0)
    assert ok, f"no X focus for {title!r}"
    in_front = helper(f"front:{title}" + (f":{control}" if control else ""))
    assert in_front == ["1"], f"{title!r} not in front"


class EverywhereEndToEnd(unittest.TestCase):
    def setUp(self):
        self.everywhere = self.start_everywhere()
        self.addCleanup(self.stop_everywhere)
        self.fields = Program("fields", str(HELPER), "fields")
        self.addCleanup(self.fields.stop)
        focus(FIELDS, PLAIN)

    def start_everywhere(self):
        program = Program(self.id().rsplit(".", 1)[-1], str(EVERYWHERE))
        ok, _ = eventually(lambda: helper("count:KorvelEverywhere"), lambda count: count == ["1"], timeout=60)
        self.assertTrue(ok, "Korvel everywhere's window did not appear")
        return program

    def stop_everywhere(self):
        helper("close:KorvelEverywhere")
        eventually(self.everywhere.process.poll, lambda code: code is not None, timeout=20)
        self.everywhere.stop()

    def expect(self, query, expected, what, timeout=15):
        ok, value = eventually(lambda: text(query), lambda v: v == expected, timeout)
        self.assertTrue(ok, f"{what}: expected {expected!r}, saw {value!r}")

    def test_notepad_and_wordpad_get_cyrillic_while_shortcuts_and_altgr_pass(self):
        notepad = Program("notepad", "notepad")
        self.addCleanup(notepad.stop)
        focus("Notepad")
        type_text(PHRASE)
        self.expect("text:Notepad:Edit", CYRILLIC, "notepad")
        # AltGr+q, e, 8, 9, 7, 0, ß, +, <, m: physical keys (evdev codes), AltGr being 108.
        key(*(f"108+{code}" for code in (24, 26, 17, 18, 16, 19, 20, 35, 94, 58)))
        self.expect("text:Notepad:Edit", CYRILLIC + "@€[]{}\\~|µ", "AltGr characters")
        key("ctrl+a", "ctrl+c")
        self.expect("clipboard", CYRILLIC + "@€[]{}\\~|µ", "clipboard after Ctrl+A, Ctrl+C")

        wordpad = Program("wordpad", r"C:\Program Files\Windows NT\Accessories\wordpad.exe")
        self.addCleanup(wordpad.stop)
        focus("Wine Wordpad")
        type_text(PHRASE)
        self.expect("text:Wine Wordpad:RichEdit20W", CYRILLIC, "wordpad")

    def test_scroll_lock_the_icon_and_win_shift_k_switch_typing(self):
        field = f"item:{FIELDS}:{PLAIN}"
        type_text("Da")
        key("Scroll_Lock")
        type_text("Da")
        key("Scroll_Lock")
        type_text("Da")
        self.expect(field, "ДаDaДа", "Scroll Lock off and on")
        # A click on the icon in Wine's notification area, at its left end.
        tray = run(["xdotool", "search", "--name", "Wine System Tray"], capture_output=True).stdout.split()[0]
        geometry = dict(line.split("=") for line in run(["xdotool", "getwindowgeometry", "--shell", tray],
                                                        capture_output=True).stdout.decode().split())
        for _ in range(2):
            run(["xdotool", "mousemove", str(int(geometry["X"]) + 10), str(int(geometry["Y"]) + 10), "click", "1"])
            focus(FIELDS, PLAIN)
            type_text("Da")
        key("super+shift+k")
        type_text("Da")
        key("super+shift+k")
        type_text("Da")
        self.expect(field, "ДаDaДаDaДаDaДа", "the icon, then Win+Shift+K, off and on")

    def test_a_thousand_quick_keys_arrive_whole_and_in_order(self):
        typed = ("Privet mir kak dela xorosho " * 40)[:1000]
        type_text(typed, delay=1)
        self.expect(f"item:{FIELDS}:{PLAIN}", ("Привет мир как дела яоросхо " * 40)[:1000], "1,000 keys", timeout=90)

    def test_a_password_box_is_left_alone(self):
        type_text("Privet#")
        self.expect(f"item:{FIELDS}:{PLAIN}", "Приветж", "the field beside it")
        focus(FIELDS, PASSWORD)
        type_text("Privet#")
        self.expect(f"item:{FIELDS}:{PASSWORD_MIRROR}", "Privet#", "password box")

    def test_a_second_start_makes_no_second_icon_and_switches_typing_on(self):
        key("Scroll_Lock")
        second = subprocess.run(["wine", str(EVERYWHERE)], stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
        self.assertEqual(second.returncode, 0)
        self.assertEqual(helper("count:KorvelEverywhere"), ["1"])
        self.assertIsNone(self.everywhere.process.poll(), "the first one runs on")
        focus(FIELDS, PLAIN)
        type_text("Da")
        self.expect(f"item:{FIELDS}:{PLAIN}", "Да", "typing after the second start")

    def test_the_menu_opens_korvel_and_starts_it_with_windows(self):
        run_key = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"

        def starts_with_windows():
            return run(["wine", "reg", "query", run_key, "/v", "Korvel everywhere"], capture_output=True).stdout

        self.assertNotIn(b"KorvelEverywhere.exe", starts_with_windows(), "off at first")
        helper(f"command:KorvelEverywhere:{START_WITH_WINDOWS}")
        ok, value = eventually(starts_with_windows, lambda out: b"KorvelEverywhere.exe" in out)
        self.assertTrue(ok, value)
        helper(f"command:KorvelEverywhere:{START_WITH_WINDOWS}")
        ok, value = eventually(starts_with_windows, lambda out: b"KorvelEverywhere.exe" not in out)
        self.assertTrue(ok, value)
        helper(f"command:KorvelEverywhere:{OPEN_KORVEL}")
        ok, _ = eventually(lambda: run(["xdotool", "search", "--onlyvisible", "--name", "^German to Russian$"],
                                       capture_output=True).stdout.split(), bool, timeout=60)
        self.assertTrue(ok, "Korvel.exe's dialog did not appear")
        run(["sh", str(WINE_RUN), str(BIN_DIR / "korvel_probe.exe"), "command:2"], capture_output=True, timeout=200)

    def test_wm_close_ends_it_and_typing_is_the_keyboards_own_again(self):
        type_text("Da")
        self.expect(f"item:{FIELDS}:{PLAIN}", "Да", "typing before WM_CLOSE")
        helper("close:KorvelEverywhere")
        ok, _ = eventually(self.everywhere.process.poll, lambda code: code is not None, timeout=20)
        self.assertTrue(ok, "still running after WM_CLOSE")
        self.assertEqual(helper("count:KorvelEverywhere"), ["0"])
        focus(FIELDS, PLAIN)
        type_text("Da")
        self.expect(f"item:{FIELDS}:{PLAIN}", "ДаDa", "typing after WM_CLOSE")


def take_screenshot(path):
    everywhere = Program("screenshot", str(EVERYWHERE))
    notepad = Program("screenshot-notepad", "notepad")
    try:
        eventually(lambda: helper("count:KorvelEverywhere"), lambda count: count == ["1"], timeout=60)
        # Notepad below Wine's notification area, whose icon shows too.
        window = run(["xdotool", "search", "--onlyvisible", "--name", "Notepad"], capture_output=True).stdout.split()[0]
        run(["xdotool", "windowsize", window, "620", "240", "windowmove", window, "8", "56"])
        focus("Notepad")
        type_text("Privet! Korvel pi")
        key("odiaeresis")
        type_text("et po-russki v lwbom okne: v pis")
        key("ssharp")
        type_text("me, v ")
        key("adiaeresis")
        type_text("ate, v dokumente.")
        time.sleep(1)
        run(["import", "-window", "root", "-crop", "640x310+0+0", "+repage", str(path)], timeout=30)
    finally:
        helper("close:KorvelEverywhere")
        notepad.stop()
        everywhere.stop()


def main():
    for tool in (EVERYWHERE, HELPER):
        if not tool.exists():
            print(f"missing {tool}: build the mingw64 preset first", file=sys.stderr)
            return 1
    DESKTOP.start(keymap=GERMAN_KEYMAP)
    try:
        if len(sys.argv) == 3 and sys.argv[1] == "--screenshot":
            take_screenshot(Path(sys.argv[2]).resolve())
            return 0
        result = unittest.main(argv=[sys.argv[0], "-v"], exit=False).result
    finally:
        DESKTOP.stop()
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
