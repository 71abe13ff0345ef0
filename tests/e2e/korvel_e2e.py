#!/usr/bin/env python3
"""Korvel end to end, as a person uses it: the real Korvel.exe under Wine on a
virtual X display, real key presses and mouse clicks (xdotool), the real
clipboard (xclip on the X side, korvel_probe.exe on the Windows side).

    korvel_e2e.py                       run the scenarios (CTest does)
    korvel_e2e.py --screenshot FILE     save a picture of Korvel with Cyrillic typed in it

KORVEL_BIN_DIR names the folder with Korvel.exe and korvel_probe.exe; on a
failed step the screenshot and the Wine output of that moment are saved under
KORVEL_E2E_ARTIFACTS and named in the failure message.
"""
import os
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

BIN_DIR = Path(os.environ.get("KORVEL_BIN_DIR", Path(__file__).resolve().parents[2] / "build/mingw64/bin"))
ARTIFACTS = Path(os.environ.get("KORVEL_E2E_ARTIFACTS", BIN_DIR.parent / "e2e-artifacts"))
HOME_HOST = os.environ.get("KORVEL_HOME_HOST", "korvel.example")
KORVEL = BIN_DIR / "Korvel.exe"
PROBE = BIN_DIR / "korvel_probe.exe"
WINE_RUN = Path(__file__).resolve().parents[2] / "cmake/wine-run.sh"
TITLE = "German to Russian"
DEFAULT_TIMEOUT = 15


def run(command, timeout=60, **kwargs):
    return subprocess.run(command, stdin=subprocess.DEVNULL, timeout=timeout, check=False, **kwargs)


def eventually(fetch, accept, timeout=DEFAULT_TIMEOUT, interval=0.2):
    """Polls fetch() until accept(value) holds or the deadline passes."""
    deadline = time.monotonic() + timeout
    while True:
        value = fetch()
        if accept(value) or time.monotonic() > deadline:
            return accept(value), value
        time.sleep(interval)


class Desktop:
    """A virtual X display and a fresh Wine prefix, this driver's own."""

    def start(self, keymap=None):
        """`keymap`: an XKB keymap's text to load, kept for the display's life."""
        number = 95
        while True:
            while Path(f"/tmp/.X11-unix/X{number}").exists() or Path(f"/tmp/.X{number}-lock").exists():
                number += 1
            # -noreset: a loaded keymap would go when the last client leaves.
            self.xvfb = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1280x900x24", "-nolisten", "tcp",
                                          *(["-noreset"] if keymap else [])],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.environ["DISPLAY"] = f":{number}"
            ok, _ = eventually(lambda: self.xvfb.poll() is not None or run(
                ["xdpyinfo"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0, bool, timeout=20)
            # A server that no file here shows (one outside a chroot, say) may hold the number:
            # ours then ends within moments, and the display answering is not ours.
            time.sleep(0.5)
            if self.xvfb.poll() is None:
                break
            number += 1
        if not ok:
            raise RuntimeError("Xvfb did not start")
        if keymap:
            subprocess.run(["xkbcomp", "-w0", "-", os.environ["DISPLAY"]], input=keymap.encode(), check=True,
                           stdout=subprocess.DEVNULL, timeout=60)
        self.prefix = Path(tempfile.mkdtemp(prefix="korvel-e2e-wine."))
        os.environ.update(WINEPREFIX=str(self.prefix), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d")
        run(["wineboot", "-i"], timeout=300, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # "Home site" opens the address with the browser Wine is told to use:
        # a script that writes down what it was asked to open.
        self.browser_log = self.prefix / "browser.log"
        browser = self.prefix / "record-browser.sh"
        browser.write_text(f"#!/bin/sh\nprintf '%s\\n' \"$@\" >> '{self.browser_log}'\n")
        browser.chmod(0o755)
        run(["wine", "reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers", "/d", str(browser), "/f"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.Popen(["wineserver", "-p"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)

    def stop(self):
        run(["wineserver", "-k"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        run(["rm", "-rf", str(self.prefix)])
        self.xvfb.terminate()
        self.xvfb.wait(10)


DESKTOP = Desktop()


def wine_did_not_start(exit_code):
    """The rule of cmake/wine-run.sh: Wine's fatal start-up errors exit with 1,
    and a Unix signal kills it (Python reports -n). Korvel itself ends only with 2."""
    return exit_code == 1 or exit_code < 0


def report_restart(notice):
    """Kept where the whole test run reports it (scripts/test-all.sh), beside cmake/wine-run.sh's notices."""
    if os.environ.get("KORVEL_WINE_RUN_LOG"):
        with open(os.environ["KORVEL_WINE_RUN_LOG"], "a") as log:
            log.write(f"korvel_e2e: {notice}\n")


def decode(hex_units):
    return bytes.fromhex(hex_units).decode("utf-16-be", "surrogatepass")


class Korvel:
    """One running Korvel.exe and the ways a person reaches it."""

    def __init__(self, name):
        ARTIFACTS.mkdir(parents=True, exist_ok=True)
        self.name = name
        self.wine_log_path = ARTIFACTS / f"{name}.wine.log"
        self.wine_log = open(self.wine_log_path, "wb")
        for attempt in range(3):
            self.process = subprocess.Popen(["wine", str(KORVEL)], stdin=subprocess.DEVNULL, stdout=self.wine_log,
                                            stderr=subprocess.STDOUT,
                                            env=dict(os.environ, WINEDEBUG="err+all,fixme-all"))
            ok, windows = eventually(lambda: self.find_windows() or self.process.poll(), bool, timeout=60)
            # Korvel itself only ends with 2; 1 or a signal before any window
            # is Wine failing to start it, so it is started again.
            if ok and isinstance(windows, int) and wine_did_not_start(windows) and attempt < 2:
                notice = f"Wine did not start Korvel (exit {windows}); starting it again"
                self.wine_log.write(f"[e2e] {notice}\n".encode())
                report_restart(notice)
                continue
            break
        if not ok or isinstance(windows, int):
            raise AssertionError(self.failure(f"no window titled {TITLE!r} appeared (exit code {self.process.poll()})"))
        self.window = windows[0]
        self.focus()

    def find_windows(self):
        found = run(["xdotool", "search", "--name", f"^{TITLE}$"], capture_output=True, timeout=10)
        return found.stdout.decode().split()

    def focus(self):
        run(["xdotool", "windowactivate", "--sync", self.window], timeout=10, stderr=subprocess.DEVNULL)
        run(["xdotool", "windowfocus", "--sync", self.window], timeout=10)

    def probe(self, *queries):
        # Through the runner of the Windows tests, which starts the probe again
        # when Wine fails to start it. The probe answers 0, 2 (unknown query)
        # or 3 (no Korvel dialog).
        result = run(["sh", str(WINE_RUN), str(PROBE), *queries], capture_output=True, timeout=200)
        if result.returncode != 0:
            said = (result.stdout + result.stderr).decode("utf-8", "replace").strip()
            raise AssertionError(self.failure(f"korvel_probe {' '.join(queries)} failed with {result.returncode}"
                                              f"{': ' + said if said else ''}"))
        return result.stdout.decode().splitlines()

    def text(self, query):
        return decode(self.probe(query)[0])

    def type(self, text):
        run(["xdotool", "type", "--delay", "60", text], timeout=60)

    def key(self, *keys):
        run(["xdotool", "key", "--delay", "60", *keys], timeout=60)

    def click(self, control_id):
        x, y = self.probe(f"rect:{control_id}")[0].split()
        run(["xdotool", "mousemove", x, y, "sleep", "0.2", "click", "1"], timeout=10)

    def command(self, control_id):
        self.probe(f"command:{control_id}")

    def x_clipboard(self):
        found = run(["xclip", "-o", "-selection", "clipboard"], capture_output=True, timeout=10)
        # Wine hands X the whole clipboard block; CF_UNICODETEXT ends at its
        # terminator, and whatever the block holds after it is no text.
        return found.stdout.decode("utf-8", "replace").split("\x00", 1)[0]

    def wait_exit(self, timeout=30):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

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
        self.wine_log.flush()
        return f"{message}\n  screenshot: {picture}\n  Wine output: {self.wine_log_path}"

    def close(self):
        if self.process.poll() is None:
            run(["wine", str(PROBE), "command:2"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if self.wait_exit(10) is None:
                self.process.kill()
                self.process.wait(10)
                run(["wineserver", "-k"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                subprocess.Popen(["wineserver", "-p"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        self.wine_log.close()


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
        k.probe("mark-clipboard")
        k.key("ctrl+c")
        self.expect(k.x_clipboard, expected, "X clipboard after Ctrl+C")
        self.expect(lambda: k.text("clipboard"), expected, "Windows clipboard after Ctrl+C")
        self.expect(lambda: k.text("label"), expected, "result label after Ctrl+C")

    def test_ok_click_exports_the_whole_text(self):
        k = self.korvel
        k.type("Dobryj den, Qzhik")
        expected = "Добрый ден, Ёзхик"
        self.expect_editor(expected)
        k.probe("mark-clipboard")
        k.click(2000)
        self.expect(lambda: k.text("clipboard"), expected, "clipboard after clicking OK")
        self.expect(lambda: k.text("label"), expected, "result label after clicking OK")
        self.expect(k.x_clipboard, expected, "X clipboard after clicking OK")

    def test_enter_makes_a_line_break_and_does_not_press_ok(self):
        k = self.korvel
        k.probe("mark-clipboard")
        k.type("da")
        k.key("Return")
        k.type("net")
        self.expect_editor("да\r\nнет", "text after Enter")
        self.expect(lambda: k.text("label"), "", "label after Enter (OK must not be pressed)", timeout=0)
        self.expect(lambda: k.text("clipboard"), "korvel-e2e-marker", "clipboard after Enter", timeout=0)

    def test_top_pos_check_box_switches_top_most(self):
        k = self.korvel
        self.expect(lambda: k.probe("topmost")[0], "1", "top-most at start")
        k.click(3000)
        self.expect(lambda: k.probe("topmost")[0], "0", "top-most after unticking Top pos")
        k.click(3000)
        self.expect(lambda: k.probe("topmost")[0], "1", "top-most after ticking Top pos again")

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
        time.sleep(1)
        korvel.click(2000)
        korvel.key("ctrl+End")
        time.sleep(1)
        korvel.screenshot(path)
    finally:
        korvel.close()


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--screenshot":
        DESKTOP.start()
        try:
            take_screenshot(Path(sys.argv[2]).resolve())
        finally:
            DESKTOP.stop()
        return 0
    for tool in (KORVEL, PROBE):
        if not tool.exists():
            print(f"missing {tool}: build the mingw64 preset first", file=sys.stderr)
            return 1
    DESKTOP.start()
    try:
        result = unittest.main(argv=[sys.argv[0], "-v"], exit=False).result
    finally:
        DESKTOP.stop()
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
