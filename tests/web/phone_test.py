#!/usr/bin/env python3
"""Korvel's page on a phone, in headless Chromium as a 412 x 915 touch
screen: words composed as Android keyboards compose them, dead keys and the
iOS keyboard's stream of characters; taps on the on-screen keyboard; the
text kept across a reload; installed and used offline; no sideways
scrolling on small screens; and the page without its core.

    /usr/bin/python3 tests/web/phone_test.py build/web/site
"""
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness.browser import SiteServer, start_chromium  # noqa: E402
from page_driver import compose, open_page  # noqa: E402

SITE = Path(sys.argv.pop(1) if len(sys.argv) > 1 else "build/web/site").resolve()


class PhoneTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = SiteServer(SITE)
        cls.driver = start_chromium(412, 915, phone=True)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.close()

    def setUp(self):
        self.open(self.server.url)
        self.js("document.getElementById('clear').click()")

    def open(self, url):
        self.editor = open_page(self.driver, url)

    def js(self, script, *arguments):
        return self.driver.execute_script(script, *arguments)

    def cdp(self, command, **parameters):
        return self.driver.execute_cdp_cmd(command, parameters)

    def value(self):
        return self.js("return document.getElementById('editor').value")

    def set_text(self, text, caret):
        self.js("const e = document.getElementById('editor'); e.value = arguments[0]; e.focus();"
                "e.setSelectionRange(arguments[1], arguments[1])", text, caret)

    def caret(self):
        return self.js("const e = document.getElementById('editor'); return [e.selectionStart, e.selectionEnd]")

    def tap(self, key):
        """A finger on the on-screen key whose data-key is `key`, and off again."""
        x, y = self.js("const r = document.querySelector(`#keyboard [data-key=\"${arguments[0]}\"]`)"
                       ".getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]", key)
        self.cdp("Input.dispatchTouchEvent", type="touchStart", touchPoints=[{"x": x, "y": y}])
        self.cdp("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])

    def test_composed_words_are_transcribed_in_place_as_one_undo_step(self):
        # Gboard: letter by letter, a backspace inside, a German letter from a long press.
        self.set_text("Да  мир", 3)
        compose(self.driver, "P", "Pr", "Pri", "Prx", "Pr", "Pri", "Priv", "Privä", commit="Privä")
        self.assertEqual(self.value(), "Да Привч мир")
        self.assertEqual(self.caret(), [8, 8])
        self.js("document.execCommand('undo')")
        self.assertEqual(self.value(), "Да Privä мир", "the replacement is undone in one step")
        # Samsung: the whole word at once; iOS: one cancellable character at a time.
        self.set_text("", 0)
        compose(self.driver, "Privet", commit="Privet")
        for character in " #Q":
            self.cdp("Input.insertText", text=character)
        self.assertEqual(self.value(), "Привет жЁ")
        # A desktop dead key: ^ waits, then p commits both.
        compose(self.driver, "^", commit="^p")
        self.assertEqual(self.value(), "Привет жЁ^п")
        # An autocorrected word and other scripts pass unchanged.
        replaced = self.js("return document.getElementById('editor').dispatchEvent(new InputEvent('beforeinput', "
                           "{inputType: 'insertReplacementText', data: 'Privet', cancelable: true}))")
        self.assertTrue(replaced, "autocorrection is not cancelled")
        compose(self.driver, "\u05d0", commit="\u05d0")
        self.assertTrue(self.value().endswith("^п\u05d0"))
        # A pasted word that the keyboard re-opens stays as it was; only what is added is typed.
        self.set_text("Berlin ", 6)
        compose(self.driver, "Berlin", "Berlinx", commit="Berlinx", reopening=(0, 6))
        self.assertEqual(self.value(), "Berlinя ")

    def test_switch_off_leaves_composition_alone(self):
        self.js("document.getElementById('transcribe').click(); document.getElementById('editor').focus()")
        compose(self.driver, "P", "Pr", commit="Pr")
        self.assertEqual(self.value(), "Pr")

    def test_taps_on_the_screen_keyboard_type_at_the_caret_and_keep_the_focus(self):
        self.assertFalse(self.js("return document.getElementById('keyboard').hidden"), "shown on a touch screen")
        self.assertEqual(self.js("return document.getElementById('editor').inputMode"), "none")
        self.set_text("[]", 1)
        scrolled = self.js("return window.scrollY")
        for key in ("p", "Shift", "r", "i", "Backspace", "#", " ", "ß", "Shift", "Shift", "ü", "q", "Shift"):
            self.tap(key)
        self.assertEqual(self.value(), "[пРж ьЭЁ]")
        self.assertEqual(self.caret(), [8, 8])
        self.assertEqual(self.js("return document.activeElement.id"), "editor")
        self.assertEqual(self.js("return window.scrollY"), scrolled, "a tap never scrolls the page")
        self.assertEqual(self.js("return document.querySelector('[data-key=\"q\"] .typed').textContent"), "ё")
        self.js("document.execCommand('undo')")
        undone = self.value()
        self.js("document.execCommand('redo')")
        self.assertTrue(undone != "[пРж ьЭЁ]" and self.value() == "[пРж ьЭЁ]", "taps are undone as typing is")
        self.js("document.getElementById('keyboard-toggle').click()")
        self.assertTrue(self.js("return document.getElementById('keyboard').hidden"))
        self.assertFalse(self.js("return document.getElementById('editor').hasAttribute('inputmode')"),
                         "the system keyboard is back")

    def test_the_text_is_kept_across_a_reload_until_new_text(self):
        self.editor.send_keys("Privet")
        self.open(self.server.url)
        self.assertEqual(self.value(), "Привет")
        self.js("document.getElementById('clear').click()")
        self.assertEqual(self.value(), "")
        self.js("document.execCommand('undo')")
        self.assertEqual(self.value(), "Привет", "New text is undoable")
        self.js("document.getElementById('clear').click()")
        self.open(self.server.url)
        self.assertEqual(self.value(), "")
        # Where the browser refuses storage, the page says so and still types.
        refusal = self.cdp("Page.addScriptToEvaluateOnNewDocument", source=(
            "Object.defineProperty(window, 'localStorage',"
            " {get() { throw new DOMException('no', 'SecurityError'); }})"))
        try:
            self.open(self.server.url)
            self.assertIn("does not let the page keep your text", self.js(
                "return document.getElementById('storage-note').textContent"))
            self.editor.send_keys("Da")
            self.assertEqual(self.value(), "Да")
        finally:
            self.cdp("Page.removeScriptToEvaluateOnNewDocument", identifier=refusal["identifier"])

    def storage_note(self):
        return self.js("return document.getElementById('storage-note').textContent")

    def test_an_idle_second_window_never_writes_its_old_text_over_the_newest(self):
        self.editor.send_keys("Kot")
        first = self.driver.current_window_handle
        self.driver.switch_to.new_window("window")
        try:
            self.open(self.server.url)
            self.assertEqual(self.value(), "Кот")
            self.editor.send_keys(" i pes")
            WebDriverWait(self.driver, 5).until(lambda d: d.execute_script(
                "return localStorage.getItem('korvel.text')") == "Кот и пес")
        finally:
            self.driver.close()
            self.driver.switch_to.window(first)
        # The idle window is hidden, then closed.
        self.js("Object.defineProperty(document, 'visibilityState', {value: 'hidden', configurable: true});"
                "document.dispatchEvent(new Event('visibilitychange')); window.dispatchEvent(new Event('pagehide'))")
        self.open(self.server.url)
        self.assertEqual(self.value(), "Кот и пес")

    def test_a_text_too_long_to_keep_is_never_shown_later_as_the_current_one(self):
        self.editor.send_keys("Kot")
        usual = self.storage_note()
        # The origin's storage filled to its quota, all but some 500 characters.
        self.js("localStorage.setItem('filler-room', 'x'.repeat(500));"
                "let chunk = 'x'.repeat(1 << 20), number = 0;"
                "while (chunk.length) { try { localStorage.setItem('filler-' + number++, chunk); }"
                "  catch (full) { chunk = chunk.slice(0, chunk.length >> 1); } }"
                "localStorage.removeItem('filler-room')")
        try:
            self.cdp("Input.insertText", text=" i pes" * 1000)  # a dictated text, committed at once
            WebDriverWait(self.driver, 5).until(lambda d: "older copy" in self.storage_note())
            self.open(self.server.url)
            self.assertTrue(self.value() == "" or "older copy" in self.storage_note(),
                            f"{self.value()!r} shown with {self.storage_note()!r}")
        finally:
            self.js("Object.keys(localStorage).filter((key) => key.startsWith('filler-'))"
                    ".forEach((key) => localStorage.removeItem(key))")
        self.editor.send_keys("!")
        WebDriverWait(self.driver, 5).until(lambda d: self.storage_note() == usual)
        self.open(self.server.url)
        self.assertEqual(self.storage_note(), usual, "kept again, and no longer called older")

    def test_installable_and_working_offline(self):
        self.assertEqual(self.cdp("Page.getInstallabilityErrors")["installabilityErrors"], [])
        server = SiteServer(SITE)
        try:
            self.open(server.url)
            WebDriverWait(self.driver, 30).until(lambda d: d.execute_script(
                "return navigator.serviceWorker.controller !== null"))
        finally:
            server.close()
        self.cdp("Network.enable")
        self.cdp("Network.setCacheDisabled", cacheDisabled=True)
        try:
            self.open(server.url)
            self.editor.send_keys("Privet")
            self.assertEqual(self.value(), "Привет")
            # A server that answers with errors, or never: the kept copy (open() waits for it, boundedly).
            server = SiteServer(SITE, port=server.port)
            for failing in (503, "hang"):
                server.failing = failing
                self.open(server.url)
                self.assertEqual(self.js("return document.documentElement.dataset.ready"), "true", failing)
        finally:
            server.close()
            self.cdp("Network.setCacheDisabled", cacheDisabled=False)

    def test_small_screens_scroll_only_up_and_down(self):
        for width in (320, 360):
            driver = start_chromium(width, 720, phone=True)
            try:
                open_page(driver, self.server.url)
                self.assertEqual(driver.execute_script("return document.documentElement.scrollWidth"), width)
                key = driver.execute_script("const r = document.querySelector('[data-key=\"q\"]')"
                                            ".getBoundingClientRect(); return [r.width, r.height]")
                if width == 360:
                    self.assertGreaterEqual(key[0], 26)
                self.assertGreaterEqual(key[1], 40)
                # Each control can be brought into view above the keyboard and tapped there.
                for control in ("copy", "to-latin", "to-cyrillic", "clear", "keyboard-toggle"):
                    hit = driver.execute_script(
                        "const c = document.getElementById(arguments[0]); c.scrollIntoView({block: 'nearest'});"
                        "const r = c.getBoundingClientRect();"
                        "return document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2) === c", control)
                    self.assertTrue(hit, f"{control} at {width} px")
                self.assertTrue(driver.execute_script(
                    "return document.querySelector('#key-map summary').offsetHeight > 0"),
                    "the key map can be unfolded")
            finally:
                driver.quit()

    def test_without_its_core_the_page_says_so_and_still_copies(self):
        with tempfile.TemporaryDirectory() as folder:
            site = Path(folder) / "site"
            shutil.copytree(SITE, site, ignore=shutil.ignore_patterns("korvel-core.js"))
            server = SiteServer(site)
            try:
                self.open(server.url + "index.html")
                self.assertEqual(self.js("return document.documentElement.dataset.ready"), "no-core")
                failure = self.js("const f = document.getElementById('core-failure'); return f.hidden ? '' : "
                                  "f.textContent")
                self.assertIn("could not start", failure)
                self.editor.send_keys("Privet")
                self.assertEqual(self.value(), "Privet")
                self.js("document.getElementById('copy').click()")
                self.assertEqual(self.js("return document.getElementById('label').textContent"), "Privet")
            finally:
                server.close()

    def test_a_start_that_fails_says_why_and_leaves_a_text_box(self):
        with tempfile.TemporaryDirectory() as folder:
            site = Path(folder) / "site"
            shutil.copytree(SITE, site)
            (site / "screen_keyboard.js").write_text(
                "const KorvelScreenKeyboard = { create() { throw new Error('no keyboard'); } };\n")
            server = SiteServer(site)
            try:
                self.open(server.url + "index.html")
                self.assertEqual(self.js("return document.documentElement.dataset.ready"), "no-core")
                self.assertIn("no keyboard", self.js("return document.getElementById('core-failure').textContent"))
                self.editor.send_keys("Privet")
                self.assertEqual(self.value(), "Privet")
            finally:
                server.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
