#!/usr/bin/env python3
"""Korvel everywhere in the user's display language: under Wine, which takes
it from the locale, the icon menu's items and the program's texts as the
program itself loads them (KorvelEverywhere.exe --write-texts), in German
(Germany and Austria), Russian, and English for a language it has none of.

    languages_test.py path/to/KorvelEverywhere.exe
"""
import subprocess
import sys
import tempfile
import unittest
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness import wine  # noqa: E402

EVERYWHERE = Path(sys.argv.pop(1) if len(sys.argv) > 1 else "build/mingw64/bin/KorvelEverywhere.exe")
MENUS = {
    "en": ["Type Cyrillic", "Fix the alphabet by itself",
           "Pause or Win+Shift+Backspace: the word or selection in the other alphabet",
           "Shift+Pause or Win+Ctrl+Shift+Backspace: in the Latin transcription", "Not in this program",
           "Open Korvel", "Start with Windows", "Exit"],
    "de": ["Kyrillisch tippen", "Alphabet von selbst korrigieren",
           "Pause oder Win+Umschalt+Rücktaste: Wort oder Auswahl im anderen Alphabet",
           "Umschalt+Pause oder Win+Strg+Umschalt+Rücktaste: in lateinischer Umschrift", "Nicht in diesem Programm",
           "Korvel öffnen", "Mit Windows starten", "Beenden"],
    "ru": ["Печатать кириллицей", "Исправлять алфавит самостоятельно",
           "Pause или Win+Shift+Backspace: слово или выделение в другом алфавите",
           "Shift+Pause или Win+Ctrl+Shift+Backspace: в латинской транскрипции", "Не печатать в этой программе",
           "Открыть Korvel", "Запускать вместе с Windows", "Выход"],
}


class LanguagesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # glibc's locales of these languages, which Wine needs to run in them; the machine may have none.
        cls.locales = tempfile.TemporaryDirectory()
        for name in ("de_DE", "de_AT", "ru_RU", "fr_FR"):
            subprocess.run(["localedef", "-i", name, "-f", "UTF-8", f"{cls.locales.name}/{name}.UTF-8"], check=True)

    @classmethod
    def tearDownClass(cls):
        cls.locales.cleanup()

    def texts_in(self, locale):
        environment = wine.wine_environment(LOCPATH=self.locales.name, LC_ALL=locale, LANG=locale)
        status, written = wine.run([EVERYWHERE, "--write-texts"], environment, timeout=200)
        self.assertEqual(status, 0, written)
        return written.decode("utf-8").splitlines()

    def test_the_menu_and_the_tips_speak_the_users_language(self):
        # Each language a Wine process of its own, all at once.
        locales = {"fr_FR.UTF-8": "en", "de_DE.UTF-8": "de", "de_AT.UTF-8": "de", "ru_RU.UTF-8": "ru"}
        with ThreadPoolExecutor(len(locales)) as pool:
            texts_of = dict(zip(locales, pool.map(self.texts_in, locales)))
        english = texts_of["fr_FR.UTF-8"]  # no French: English
        self.assertEqual(english[:8], MENUS["en"])
        for locale, language in locales.items():
            if language == "en":
                continue
            with self.subTest(locale=locale):
                texts = texts_of[locale]
                self.assertEqual(texts[:8], MENUS[language])
                # Every other text of its own, none left out nor English.
                self.assertEqual(len(texts), len(english))
                for text, in_english in zip(texts[8:], english[8:]):
                    self.assertTrue(text and text != in_english, f"{locale}: {text!r} for {in_english!r}")


if __name__ == "__main__":
    unittest.main(verbosity=2)
