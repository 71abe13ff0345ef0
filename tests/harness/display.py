"""A virtual X display of a test's own: Xvfb on a display number it picks
itself (-displayfd), ready once it has written that number, so no number is
guessed and no moment waited for. Used by every test that needs a display,
and by the scripts that start the Windows programs without one.

    python3 tests/harness/display.py [--keymap FILE] [--wine] -- COMMAND...

runs COMMAND with DISPLAY set, and with --wine in a Wine prefix of its own
(WINEPREFIX; a copy of KORVEL_WINE_TEMPLATE where that names a booted one).
"""
import argparse
import os
import subprocess
import sys

# The German layout, with Scroll Lock a lock key as on a real keyboard (Wine fakes a second press of a
# Scroll Lock that is no lock).
GERMAN_KEYMAP = """xkb_keymap {
    xkb_keycodes { include "evdev+aliases(qwertz)" };
    xkb_types { include "complete" };
    xkb_compat { include "complete" };
    xkb_symbols { include "pc+de+inet(evdev)" modifier_map Mod3 { <SCLK> }; };
};
"""


def keymap_of(layout):
    """Another layout, in the same keymap."""
    return GERMAN_KEYMAP.replace("pc+de+", f"pc+{layout}+")


class Display:
    """Xvfb, started at once; `name` is what DISPLAY takes. With `keymap` (an XKB keymap's text) the
    display keeps that keymap for its whole life (-noreset: Xvfb drops a loaded keymap when its last
    client leaves)."""

    def __init__(self, size="1280x900x24", keymap=None):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", size, "-nolisten", "tcp", "-noreset"],
            pass_fds=(write,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as number:
            written = number.readline().strip()
        if not written:
            self.process.wait(10)
            raise RuntimeError(f"Xvfb did not start (exit code {self.process.returncode})")
        self.name = f":{written}"
        if keymap:
            self.load_keymap(keymap)

    def load_keymap(self, keymap):
        subprocess.run(["xkbcomp", "-w0", "-", self.name], input=keymap.encode(), check=True,
                       stdout=subprocess.DEVNULL, timeout=120)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(10)


def main():
    parser = argparse.ArgumentParser(description="Runs a command on a virtual display of its own.")
    parser.add_argument("--keymap", help="an XKB keymap file to load, or 'german'")
    parser.add_argument("--wine", action="store_true", help="in a Wine prefix of its own")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    keymap = None
    if args.keymap:
        keymap = GERMAN_KEYMAP if args.keymap == "german" else open(args.keymap).read()
    display = Display(keymap=keymap)
    environment = {**os.environ, "DISPLAY": display.name}
    prefix = None
    try:
        if args.wine:
            sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
            from harness.wine import Prefix
            prefix = Prefix()
            environment.update(prefix.environment, DISPLAY=display.name)
        return subprocess.run(command, env=environment).returncode
    finally:
        if prefix:
            prefix.stop()
        display.stop()


if __name__ == "__main__":
    sys.exit(main())
