#!/usr/bin/env python3
"""Korvel's Mac and Windows layouts, read as those systems read them, since
neither can be installed here: the .keylayout's modifier map and key maps
by Mac key code, the .klc's LAYOUT rows by scan code and shift state, and
both files' dead keys. Every key must type what the keyboard table (through
korvel-convert) makes of its German character, and Option and AltGr the
German layout's own characters.

    /usr/bin/python3 tests/layouts/layout_files_test.py LAYOUTS_DIR KORVEL_LAYOUTS KORVEL_CONVERT
"""
import json
import re
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ElementTree
from pathlib import Path

LAYOUTS, LAYOUT_PROGRAM, CONVERT = (Path(argument).resolve() for argument in sys.argv[1:4])
del sys.argv[1:4]
KEYS = json.loads(subprocess.run([str(LAYOUT_PROGRAM), "--describe"], capture_output=True, check=True).stdout)
DEAD = {"^": "a\u00e2e\u00eaA\u00c2", "\u00b4": "e\u00e9y\u00fdE\u00c9", "`": "a\u00e0u\u00f9U\u00d9"}  # samples


def typed(character):
    """What typing `character` into Korvel gives, through korvel-convert --keyboard."""
    return subprocess.run([str(CONVERT), "--keyboard"], input=character.encode(), capture_output=True,
                          check=True).stdout.decode()


def is_letter(key):
    return key["plain"].islower() and key["shifted"] == key["plain"].upper()


class KeylayoutTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        text = (LAYOUTS / "Korvel.keylayout").read_text(encoding="utf-8")
        # XML 1.1, as the Mac reads it, allows control characters that Python's XML 1.0 parser refuses:
        # they stand for themselves, moved into a private range for the parse.
        text = re.sub(r"&#x00([01][0-9a-f]);", lambda m: f"&#xE0{m.group(1)};", text)
        cls.root = ElementTree.fromstring(text)
        cls.actions = {action.get("id"): action for action in cls.root.iter("action")}

    def map_for(self, *pressed):
        """The key map the modifier map chooses with `pressed` held, as the system picks it: the first
        selection whose required modifiers are all held and whose others are optional."""
        for select in self.root.find("modifierMap"):
            for modifier in select:
                tokens = modifier.get("keys").split()
                required = {token.replace("any", "").lower() for token in tokens if not token.endswith("?")}
                allowed = {token.rstrip("?").replace("any", "").lower() for token in tokens}
                if required <= set(pressed) <= allowed:
                    return self.root.find(f"keyMapSet/keyMap[@index='{select.get('mapIndex')}']")
        self.fail(f"no key map for {pressed}")

    def output(self, key_map, code, state="none"):
        """What a key gives in a dead key's state ("none" without one); a dead key gives its next state."""
        key = key_map.find(f"key[@code='{code}']")
        self.assertIsNotNone(key, f"key code {code}")
        if key.get("output") is not None:
            return key.get("output") if state == "none" else None
        when = self.actions[key.get("action")].find(f"when[@state='{state}']")
        return None if when is None else when.get("output") or ("dead", when.get("next"))

    def test_every_key_in_each_modifier_state(self):
        maps = {name: self.map_for(*pressed) for name, pressed in (
            ("plain", ()), ("shift", ("shift",)), ("caps", ("caps",)), ("option", ("option",)),
            ("shift_option", ("shift", "option")), ("command", ("command",)), ("control", ("control", "shift")))}
        states = {}
        for key in KEYS:
            code = key["mac"]
            caps = key["shifted"] if is_letter(key) else key["plain"]
            for name, german, dead in (("plain", key["plain"], key["plain_dead"]),
                                       ("shift", key["shifted"], key["shifted_dead"]),
                                       ("caps", caps, key["plain_dead"] and not is_letter(key))):
                given = self.output(maps[name], code)
                if dead:
                    self.assertEqual(given[0], "dead", f"{key['code']} {name}")
                    states[german] = given[1]
                else:
                    self.assertEqual(given, typed(german), f"{key['code']} {name}")
            self.assertEqual(self.output(maps["option"], code), key["option"], key["code"])
            self.assertEqual(self.output(maps["shift_option"], code), key["shift_option"], key["code"])
            self.assertEqual(self.output(maps["command"], code), key["plain"], "shortcuts keep the German keys")
            self.assertEqual(self.output(maps["control"], code), key["plain"])
        self.assertEqual(self.output(maps["option"], 37), "@")
        # A dead key, then a key: the German accented letter from the key of its base letter.
        codes = {key["plain"]: key["mac"] for key in KEYS} | {key["shifted"]: key["mac"] for key in KEYS}
        for accent, pairs in DEAD.items():
            terminator = self.root.find(f"terminators/when[@state='{states[accent]}']")
            self.assertEqual(terminator.get("output"), accent)
            self.assertEqual(self.output(maps["plain"], 49, states[accent]), accent, "a space gives the accent")
            for base, composed in zip(pairs[::2], pairs[1::2]):
                key_map = maps["shift" if base.isupper() else "plain"]
                self.assertEqual(self.output(key_map, codes[base], states[accent]), composed, f"{accent} {base}")


class KlcTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        data = (LAYOUTS / "Korvel.klc").read_bytes()
        assert data[:2] == b"\xff\xfe", "UTF-16 with a byte-order mark, as the layout creator writes it"
        cls.lines = data[2:].decode("utf-16-le").split("\r\n")
        sections = {}
        for line in cls.lines:
            word = line.split("\t")[0]
            if re.fullmatch(r"[A-Z_]+", word):
                section = sections.setdefault(word if word != "DEADKEY" else f"DEADKEY {line.split()[1]}", [])
            elif line and not line.startswith("//") and sections:
                section.append(line.split("//")[0].split())
        cls.sections = sections
        cls.states = [int(row[0]) for row in sections["SHIFTSTATE"]]
        cls.rows = {int(row[0], 16): row for row in sections["LAYOUT"]}

    @staticmethod
    def cell(text):
        if text == "-1":
            return None
        dead = text.endswith("@")
        text = text.rstrip("@")
        character = text if len(text) == 1 else chr(int(text, 16))
        return ("dead", character) if dead else character

    def test_every_key_by_scan_code_and_shift_state(self):
        self.assertTrue(self.lines[0].startswith("KBD\t") and "ENDKBD" in self.lines)
        for key in KEYS:
            row = self.rows[key["scan"]]
            given = {state: self.cell(value) for state, value in zip(self.states, row[3:])}
            self.assertEqual(row[2], "1" if is_letter(key) else "0",
                             f"{key['code']}: Caps Lock as on the German layout")
            for state, german, dead in ((0, key["plain"], key["plain_dead"]), (1, key["shifted"], key["shifted_dead"])):
                self.assertEqual(given[state], ("dead", german) if dead else typed(german), f"{key['code']} {state}")
            self.assertEqual(given[6], key["altgr"] or None, f"{key['code']}: AltGr as on the German layout")
        for altgr in "@€{[]}\\~|µ²³":
            self.assertIn(altgr, [self.cell(row[6]) for row in self.rows.values()])

    def test_dead_keys_make_the_german_letters_from_the_keys_of_their_base_letters(self):
        for accent, pairs in DEAD.items():
            table = {chr(int(base, 16)): chr(int(composed, 16))
                     for base, composed in self.sections[f"DEADKEY {ord(accent):04x}"]}
            self.assertEqual(table[" "], accent)
            for base, composed in zip(pairs[::2], pairs[1::2]):
                self.assertEqual(table[typed(base)], composed, f"{accent} {base}")


if __name__ == "__main__":
    unittest.main(verbosity=2)
