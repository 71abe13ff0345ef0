#!/usr/bin/env python3
"""Korvel's XKB layout loaded for real: a virtual display of its own with the
German layout, then with Korvel's symbols over it, every character key
pressed by its physical key code (XTest) alone, with Shift, with AltGr and
with Caps Lock, into a Tk text widget. Korvel's layout must give what the
keyboard table makes of what the German layout gives (the table read
through korvel-convert; with Caps Lock in capitals, as X makes every
letter), and AltGr what the German layout gives.

    /usr/bin/python3 tests/layouts/xkb_layout_test.py LAYOUTS_DIR KORVEL_LAYOUTS KORVEL_CONVERT
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import tkinter
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness.display import Display  # noqa: E402

LAYOUTS, LAYOUT_PROGRAM, CONVERT = (Path(argument).resolve() for argument in sys.argv[1:4])
del sys.argv[1:4]
LEVELS = {"plain": "{}", "shift": "shift+{}", "altgr": "{altgr}+{}", "caps": "{}"}


def keyboard_table(characters):
    """What typing each character into Korvel gives, through korvel-convert --keyboard."""
    typed = subprocess.run([str(CONVERT), "--keyboard"], input="\n".join(characters).encode(),
                           capture_output=True, check=True).stdout.decode()
    return typed.split("\n")


class XkbLayoutTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.xvfb = Display(size="800x600x24")
        cls.display = cls.xvfb.name
        os.environ["DISPLAY"] = cls.display
        cls.include = tempfile.mkdtemp(prefix="korvel-xkb-")
        os.makedirs(f"{cls.include}/symbols")
        shutil.copy(LAYOUTS / "korvel", f"{cls.include}/symbols/korvel")
        cls.keys = json.loads(subprocess.run([str(LAYOUT_PROGRAM), "--describe"], capture_output=True,
                                             check=True).stdout)
        cls.root = tkinter.Tk()
        cls.text = tkinter.Text(cls.root)
        cls.text.pack()

    @classmethod
    def tearDownClass(cls):
        cls.root.destroy()
        cls.xvfb.stop()
        shutil.rmtree(cls.include)

    def load(self, layout):
        keymap = subprocess.run(["setxkbmap", "-I", self.include, "-layout", layout, "-print"],
                                capture_output=True, text=True, check=True).stdout
        subprocess.run(["xkbcomp", "-w0", "-I" + self.include, "-", self.display], input=keymap, text=True,
                       capture_output=True, check=True)
        dump = subprocess.run(["xkbcomp", "-xkb", self.display, "-"], capture_output=True, text=True).stdout
        return {name: code for name, code in re.findall(r"<(\w+)>\s*=\s*(\d+);", dump)}

    def typed(self, layout):
        """What each key gives at each level under `layout`: {(code, level): text}."""
        keycodes = self.load(layout)
        results = {}
        for level, chord in LEVELS.items():
            self.text.delete("1.0", "end")
            self.root.focus_force()
            self.text.focus_force()
            self.root.update()
            presses = [keycodes["CAPS"]] if level == "caps" else []
            for key in self.keys:
                # A key, then a space (which also ends a dead key's wait), then a new line.
                presses += [chord.format(keycodes[key["xkb"]], altgr=keycodes["RALT"]), keycodes["SPCE"],
                            keycodes["RTRN"]]
            if level == "caps":
                presses.append(keycodes["CAPS"])
            subprocess.run(["xdotool", "key", "--delay", "2", *map(str, presses)], check=True)
            # Until the widget has taken every key: a line for each, and one after the last.
            deadline = time.monotonic() + 60
            while self.text.get("1.0", "end-1c").count("\n") < len(self.keys) and time.monotonic() < deadline:
                self.root.update()
                time.sleep(0.01)
            self.root.update()
            lines = self.text.get("1.0", "end-1c").split("\n")
            self.assertEqual(len(lines), len(self.keys) + 1, f"{layout}, {level}: {lines}")
            for key, line in zip(self.keys, lines):
                # A dead key and the space give the accent alone; any other key its character and the space.
                results[key["code"], level] = line[:-1] if line.endswith(" ") else line
        return results

    def test_korvel_types_the_table_over_the_german_layout_and_keeps_altgr(self):
        german = self.typed("de")
        korvel = self.typed("korvel")
        order = sorted(german)
        expected = dict(zip(order, keyboard_table([german[place] for place in order])))
        changed = 0
        dead = {(key["code"], level) for key in self.keys for level in LEVELS
                if key["shifted_dead" if level == "shift" else "plain_dead"]}
        for place in order:
            code, level = place
            if place in dead:  # what the accent and a space give: the German layout's own
                self.assertEqual(korvel[place], german[place], f"{code} {level}")
                continue
            # X's Caps Lock capitalises any letter whose key does not shift with it (+ and # too).
            want = german[place] if level == "altgr" else expected[place].upper() if level == "caps" else \
                expected[place]
            self.assertEqual(korvel[place], want, f"{code} {level}: German gives {german[place]!r}")
            changed += want != german[place]
        self.assertEqual(german["KeyQ", "altgr"], "@")
        self.assertEqual(korvel["Backslash", "plain"], "ж")
        self.assertEqual(korvel["KeyQ", "caps"], "Ё")
        self.assertGreaterEqual(changed, 90, "the checks that the plain German layout fails")


if __name__ == "__main__":
    unittest.main(verbosity=2)
