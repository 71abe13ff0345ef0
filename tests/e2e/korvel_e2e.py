#!/usr/bin/env python3
"""Korvel end to end, as a person uses it: the real Korvel.exe under Wine on a
virtual X display, real key presses and mouse clicks (xdotool), the real
clipboard (xclip on the X side, desktop_helper.exe on the Windows side).

    korvel_e2e.py                       run the scenarios (CTest does)
    korvel_e2e.py --screenshot FILE     save a picture of Korvel with Cyrillic typed in it

KORVEL_BIN_DIR names the folder with Korvel.exe and desktop_helper.exe; on a
failed step the screenshot and the Wine output of that moment are saved under
KORVEL_E2E_ARTIFACTS and named in the failure message.
"""
import os
import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness.display import GERMAN_KEYMAP, Display  # noqa: E402
from harness.wine import Helper, Prefix, Program, eventually  # noqa: E402

BIN_DIR = Path(os.environ.get("KORVEL_BIN_DIR", Path(__file__).resolve().parents[2] / "build/mingw64/bin"))
ARTIFACTS = Path(os.environ.get("KORVEL_E2E_ARTIFACTS", BIN_DIR.parent / "e2e-artifacts"))
HOME_HOST = os.environ.get("KORVEL_HOME_HOST", "korvel.example")
KORVEL = BIN_DIR / "Korvel.exe"
HELPER = BIN_DIR / "desktop_helper.exe"
TITLE = "German to Russian"
DEFAULT_TIMEOUT = 15


def run(command, timeout=60, **kwargs):
    return subprocess.run(command, stdin=subprocess.DEVNULL, timeout=timeout, check=False, **kwargs)


class Desktop:
    """A virtual X display, a Wine prefix and the Windows helper, this driver's own."""

    def start(self, keymap=None):
        """`keymap`: an XKB keymap's text to load, kept for the display's life."""
        self.display = Display(keymap=keymap)
        os.environ["DISPLAY"] = self.display.name
        self.prefix = Prefix()
        os.environ.update(self.prefix.environment)
        # "Home site" opens the address with the browser Wine is told to use:
        # a script that writes down what it was asked to open.
        self.browser_log = self.prefix.path / "browser.log"
        browser = self.prefix.path / "record-browser.sh"
        browser.write_text(f"#!/bin/sh\nprintf '%s\\n' \"$@\" >> '{self.browser_log}'\n")
        browser.chmod(0o755)
        run(["wine", "reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers", "/d", str(browser), "/f"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.helper = Helper(HELPER)

    def restart_wine(self, keymap):
        """Wine again on `keymap`, which it reads as it starts: every program of the prefix ends."""
        self.helper.stop()
        self.prefix.restart()
        self.display.load_keymap(keymap)
        self.helper = Helper(HELPER)

    def stop(self):
        self.helper.stop()
        self.prefix.stop()
        self.display.stop()


DESKTOP = Desktop()


def helper(query):
    return DESKTOP.helper.ask(query)


def text(query):
    return DESKTOP.helper.text(query)


class Korvel:
    """One running Korvel.exe and the ways a person reaches it."""

    def __init__(self, name):
        self.name = name
        self.wine_log_path = ARTIFACTS / f"{name}.wine.log"
        self.program = Program([KORVEL], self.wine_log_path, self.find_windows,
                               environment={**os.environ, "WINEDEBUG": "err+all,fixme-all"})
        windows = self.find_windows()
        if not self.program.up or not windows:
            raise AssertionError(self.failure(f"no window titled {TITLE!r} appeared "
                                              f"(exit code {self.program.process.poll()})"))
        self.window = windows[0]
        self.focus()

    def find_windows(self):
        found = run(["xdotool", "search", "--name", f"^{TITLE}$"], capture_output=True, timeout=10)
        return found.stdout.decode().split()

    def focus(self):
        run(["xdotool", "windowactivate", "--sync", self.window], timeout=10, stderr=subprocess.DEVNULL)
        run(["xdotool", "windowfocus", "--sync", self.window], timeout=10)

    def text(self, query):
        return text(f"dialog-{query}")

    def type(self, typed):
        run(["xdotool", "type", "--delay", "60", typed], timeout=60)

    def key(self, *keys):
        run(["xdotool", "key", "--delay", "60", *keys], timeout=60)

    def click(self, control_id):
        x, y = helper(f"dialog-rect:{control_id}").split()
        # The click once the pointer is there (mousemove --sync waits for ever where it is there already).
        run(["xdotool", "mousemove", x, y], timeout=10)
        eventually(lambda: run(["xdotool", "getmouselocation", "--shell"], capture_output=True).stdout.decode(),
                   lambda where: f"X={x}\nY={y}\n" in where)
        run(["xdotool", "click", "1"], timeout=10)

    def command(self, control_id):
        helper(f"dialog-command:{control_id}")

    def x_clipboard(self):
        found = run(["xclip", "-o", "-selection", "clipboard"], capture_output=True, timeout=10)
        # Wine hands X the whole clipboard block; CF_UNICODETEXT ends at its
        # terminator, and whatever the block holds after it is no text.
        return found.stdout.decode("utf-8", "replace").split("\x00", 1)[0]

    def wait_exit(self, timeout=30):
        return self.program.wait(timeout)

    def screenshot(self, path):
        geometry = run(["xdotool", "getwindowgeometry", "--shell", self.window], capture_output=True, timeout=10)
        values = dict(line.split("=", 1) for line in geometry.stdout.decode().split())
        crop = f"{values['WIDTH']}x{values['HEIGHT']}+{values['X']}+{values['Y']}"
        run(["import", "-window", "root", "-crop", crop, "+repage", str(path)], timeout=30)

    def failure(self, message):
        """Saves what the screen and Wine showed at this moment; returns the message naming them."""
        stamp = time.strftime("%H%M%S")
        picture = ARTIFACTS / f"{self.name}-{stamp}.png"
        run(["import", "-window", "root", str(picture)], timeout=30)
        return f"{message}\n  screenshot: {picture}\n  Wine output: {self.wine_log_path}"

    def close(self):
        if self.program.process.poll() is None:
            helper("dialog-command:2")
            if self.wait_exit(30) is None:
                self.program.stop()
                return
        self.program.stop()


class KorvelEndToEnd(unittest.TestCase):
    def setUp(self):
        self.korvel = Korvel(self.id().rsplit(".", 1)[-1])
        self.addCleanup(self.korvel.close)

    def expect(self, fetch, expected, what, timeout=DEFAULT_TIMEOUT):
        ok, value = eventually(fetch, lambda v: v == expected, timeout)
        if not ok:
            self.fail(self.korvel.failure(f"{what}: expected {expected!r}, saw {value!r}"))

    def expect_editor(self, expected, what="editor text"):
        # WM_GETTEXT reports a paragraph break as \r\n.
        self.expect(lambda: self.korvel.text("text"), expected, what)

    def test_german_keys_type_cyrillic_and_ctrl_c_copies_it(self):
        k = self.korvel
        k.type("Privet ")
        k.key("shift+Udiaeresis", "udiaeresis", "shift+Odiaeresis", "odiaeresis", "shift+Adiaeresis",
              "adiaeresis", "ssharp")
        k.type("#'+* 1,2.?!%&")
        expected = "Привет ЭэШшЧчьжЖщЩ 1,2.?!%&"
        self.expect_editor(expected, "typed text")
        helper("mark-clipboard")
        k.key("ctrl+c")
        self.expect(k.x_clipboard, expected, "X clipboard after Ctrl+C")
        self.expect(lambda: text("clipboard"), expected, "Windows clipboard after Ctrl+C")
        self.expect(lambda: k.text("label"), expected, "result label after Ctrl+C")

    def test_ok_click_exports_the_whole_text(self):
        k = self.korvel
        k.type("Dobryj den, Qzhik")
        expected = "Добрый ден, Ёзхик"
        self.expect_editor(expected)
        helper("mark-clipboard")
        k.click(2000)
        self.expect(lambda: text("clipboard"), expected, "clipboard after clicking OK")
        self.expect(lambda: k.text("label"), expected, "result label after clicking OK")
        self.expect(k.x_clipboard, expected, "X clipboard after clicking OK")

    def test_enter_makes_a_line_break_and_does_not_press_ok(self):
        k = self.korvel
        helper("mark-clipboard")
        k.type("da")
        k.key("Return")
        k.type("net")
        self.expect_editor("да\r\nнет", "text after Enter")
        self.expect(lambda: k.text("label"), "", "label after Enter (OK must not be pressed)", timeout=0)
        self.expect(lambda: text("clipboard"), "korvel-e2e-marker", "clipboard after Enter", timeout=0)

    def test_top_pos_check_box_switches_top_most(self):
        k = self.korvel
        self.expect(lambda: helper("dialog-topmost"), "1", "top-most at start")
        k.click(3000)
        self.expect(lambda: helper("dialog-topmost"), "0", "top-most after unticking Top pos")
        k.click(3000)
        self.expect(lambda: helper("dialog-topmost"), "1", "top-most after ticking Top pos again")

    def test_hidden_commands_switch_modes_and_convert(self):
        k = self.korvel
        self.expect(lambda: k.text("title"), TITLE, "title at start")
        k.command(2001)
        self.expect(lambda: k.text("title"), "Váš nastavený jazyk na klávesnici", "title in keyboard mode")
        k.type("x")
        self.expect_editor("x", "keyboard mode types the key itself")
        k.command(1002)
        self.expect(lambda: k.text("title"), "Russian alphabet", "title after Psát rusky")
        k.type("x")
        self.expect_editor("xя", "transcription back on")
        k.command(1005)
        self.expect(lambda: k.text("title"), "Ukrainian alphabet", "title after Psát ukrajinsky")
        k.type("i h")
        self.expect_editor("xяи х")
        k.command(2002)
        self.expect_editor("xjai  ch", "Ru do Cz")
        k.command(2003)
        self.expect_editor("xйаи    х", "Cz do Ru")

    def test_home_site_opens_the_home_page(self):
        log = DESKTOP.browser_log
        log.unlink(missing_ok=True)
        self.korvel.click(1001)
        expected = f"http://{HOME_HOST}/korvel_latin.php"
        self.expect(lambda: log.read_text().split() if log.exists() else [], [expected], "browser asked to open")

    def test_close_box_exits_with_two(self):
        self.korvel.key("alt+F4")
        self.expect(self.korvel.wait_exit, 2, "exit code after the close box", timeout=0)

    def test_cancel_exits_with_two(self):
        self.korvel.click(2)
        self.expect(self.korvel.wait_exit, 2, "exit code after Cancel", timeout=0)


def take_screenshot(path):
    korvel = Korvel("screenshot")
    try:
        korvel.type("Privet! Kak dela? Segodnx horo")
        korvel.key("odiaeresis")
        korvel.type("ax pogoda.")
        korvel.key("Return")
        korvel.type("X pi")
        korvel.key("odiaeresis")
        korvel.type("u po-russki na nemeckoj klaviature.")
        shown = "Привет! Как дела? Сегодня хорошая погода.\r\nЯ пишу по-русски на немецкой клавиатуре."
        eventually(lambda: korvel.text("text"), lambda value: value == shown)
        korvel.click(2000)
        eventually(lambda: korvel.text("label"), bool)
        korvel.key("ctrl+End")
        korvel.screenshot(path)
    finally:
        korvel.close()


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--screenshot":
        DESKTOP.start(keymap=GERMAN_KEYMAP)
        try:
            take_screenshot(Path(sys.argv[2]).resolve())
        finally:
            DESKTOP.stop()
        return 0
    for tool in (KORVEL, HELPER):
        if not tool.exists():
            print(f"missing {tool}: build the mingw64 preset first", file=sys.stderr)
            return 1
    # The German keymap: xdotool then presses each German letter's own key. On a keymap without them it
    # binds them to a spare key one at a time, and on a busy machine Wine reads that key's new letter late.
    DESKTOP.start(keymap=GERMAN_KEYMAP)
    try:
        result = unittest.main(argv=[sys.argv[0], "-v"], exit=False).result
    finally:
        DESKTOP.stop()
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
