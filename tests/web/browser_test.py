#!/usr/bin/env python3
"""Korvel's page in headless Chromium, driven with real key events: live
transcription, the copy button and Ctrl+A / Ctrl+C with the clipboard read
back, the switch, both conversions, undo and redo, paste, leaving the editor
by keyboard, no request beyond the site's own files, the page opened as a
local file, and axe-core's accessibility rules; in a German and a Russian
browser, the page in that language.

    /usr/bin/python3 tests/web/browser_test.py build/web/site
"""
import json
import sys
import unittest
from pathlib import Path

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness.browser import SiteServer, start_chromium  # noqa: E402
from page_driver import open_page  # noqa: E402

SITE = Path(sys.argv.pop(1) if len(sys.argv) > 1 else "build/web/site").resolve()
# Installed by scripts/install-deps.sh at the version tests/web/package-lock.json pins.
AXE_SCRIPT = Path(__file__).resolve().parents[2] / "build/test-tools/node_modules/axe-core/axe.min.js"


def axe_source():
    if not AXE_SCRIPT.exists():
        raise FileNotFoundError(f"{AXE_SCRIPT} is missing: run scripts/install-deps.sh")
    return AXE_SCRIPT.read_text()


def serious_accessibility_violations(test, driver):
    driver.execute_script(axe_source())
    result = driver.execute_async_script("axe.run(document).then(arguments[0])")
    test.assertGreater(len(result["passes"]), 10, "axe checked the page")
    return [f"{v['id']} ({v['impact']}): {v['help']}" for v in result["violations"]
            if v["impact"] in ("serious", "critical")]


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = SiteServer(SITE)
        cls.driver = start_chromium()

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.close()

    def setUp(self):
        self.editor = open_page(self.driver, self.server.url)
        self.driver.execute_script("document.getElementById('clear').click()")  # what an earlier test kept

    def value(self):
        return self.driver.execute_script("return document.getElementById('editor').value")

    def clipboard(self):
        return self.driver.execute_async_script(
            "navigator.clipboard.readText().then(arguments[0], (e) => arguments[0]('failed: ' + e))")

    def put_on_clipboard(self, text):
        self.driver.execute_async_script("navigator.clipboard.writeText(arguments[0]).then(arguments[1])", text)

    def chord(self, *keys):
        actions = ActionChains(self.driver)
        for key in keys[:-1]:
            actions.key_down(key)
        actions.send_keys(keys[-1])
        for key in reversed(keys[:-1]):
            actions.key_up(key)
        actions.perform()

    def text_of(self, element_id):
        return self.driver.find_element(By.ID, element_id).text

    def test_typing_transcribes_every_key_live(self):
        self.editor.send_keys("Privet")
        self.assertEqual(self.value(), "Привет")
        self.editor.send_keys(" ÄÖÜäöüß#'+*QWX", Keys.ENTER, "qwx 1?")
        self.assertEqual(self.value(), "Привет ЧШЭчшэьжЖщЩЁЮЯ\nёюя 1?")

    def test_copy_button_and_ctrl_keys_put_the_whole_text_on_the_clipboard(self):
        long_text = "Щ&" + "д" * 97 + "Ё"  # 100 units: the label keeps 98, the & as it stands
        self.driver.execute_script("document.getElementById('editor').value = arguments[0]", long_text)
        self.put_on_clipboard("kept")
        self.driver.find_element(By.ID, "copy").click()
        self.assertEqual(self.clipboard(), long_text)
        self.assertEqual(self.driver.execute_script("return document.getElementById('label').textContent"),
                         long_text[:98])
        self.assertEqual(self.driver.execute_script(
            "const e = document.getElementById('editor'); return [e.selectionStart, e.selectionEnd]"), [0, 100])
        for key in ("a", "c"):
            self.driver.execute_script("document.getElementById('editor').setSelectionRange(1, 1)")
            self.editor.send_keys(f"{key}x")
            self.put_on_clipboard("kept")
            self.chord(Keys.CONTROL, key)
            expected = self.value()
            self.assertEqual(self.clipboard(), expected, f"Ctrl+{key.upper()}")
            self.assertEqual(self.text_of("label"), expected[:98])

    def test_switch_types_the_keyboards_own_characters_and_back(self):
        switch = self.driver.find_element(By.ID, "transcribe")
        self.assertEqual(self.text_of("heading"), "German to Russian")
        switch.click()
        self.assertEqual(self.text_of("heading"), "Váš nastavený jazyk na klávesnici")
        self.editor.send_keys("x#")
        switch.click()
        self.assertEqual(self.text_of("heading"), "German to Russian")
        self.editor.send_keys("x#")
        self.assertEqual(self.value(), "x#яж")

    def test_conversions_both_ways_undo_and_redo(self):
        self.editor.send_keys("Sxuka i qz")
        self.driver.execute_script("document.getElementById('editor').setSelectionRange(0, 2)")
        self.editor.send_keys("*")
        self.assertEqual(self.value(), "Щука и ёз")
        self.driver.find_element(By.ID, "to-latin").click()
        self.assertEqual(self.value(), "Ščuka  i  jez")
        self.driver.find_element(By.ID, "to-cyrillic").click()
        self.assertEqual(self.value(), "Шчука    и    йез")
        self.chord(Keys.CONTROL, "z")
        self.assertEqual(self.value(), "Ščuka  i  jez", "a conversion is undone")
        self.chord(Keys.CONTROL, "z")
        self.assertEqual(self.value(), "Щука и ёз")
        self.chord(Keys.CONTROL, Keys.SHIFT, "z")
        self.assertEqual(self.value(), "Ščuka  i  jez", "and redone")
        self.chord(Keys.CONTROL, "z")
        self.chord(Keys.CONTROL, "z")
        self.assertEqual(self.value(), "Сяука и ёз", "a typed letter is undone")
        self.chord(Keys.CONTROL, "y")
        self.assertEqual(self.value(), "Щука и ёз", "and redone")

    def wait_for_value(self, expected, what):
        WebDriverWait(self.driver, 10).until(lambda driver: self.value() == expected, f"{what}: {self.value()!r}")

    def test_a_run_typed_in_the_wrong_alphabet_is_fixed_by_itself_until_taken_back_or_switched_off(self):
        switch = self.driver.find_element(By.ID, "transcribe")
        fixing = self.driver.find_element(By.ID, "fix-by-itself")
        self.assertTrue(fixing.is_selected(), "on at first")
        switch.click()  # off: Russian typed with the keys' own letters
        self.editor.send_keys("Privet kak dela u tebx ")
        self.wait_for_value("Привет как дела у тебя ", "fixed by itself")
        self.assertTrue(switch.is_selected(), "typing goes on in Cyrillic")
        self.chord(Keys.CONTROL, "z")
        self.wait_for_value("Privet kak dela u tebx ", "one undo takes the fix back")
        self.editor.send_keys(Keys.END, Keys.ENTER, "Ich liebe dich ")  # with Korvel on: Cyrillic, then fixed
        first = "Privet kak dela u tebx \n"
        self.wait_for_value(first + "Ich liebe dich ", "German typed with Korvel on")
        self.assertFalse(switch.is_selected(), "typing goes on in Latin")
        self.editor.send_keys(Keys.PAUSE)
        self.wait_for_value(first + "Ицх лиебе дицх ", "Pause at once takes it back")
        self.assertTrue(switch.is_selected(), "and the switch with it")
        self.editor.send_keys("Ich liebe dich x")
        self.wait_for_value(first + "Ицх лиебе дицх Ицх лиебе дицх я", "words taken back are left alone")
        fixing.click()
        self.editor.send_keys(Keys.ENTER, "Guten Tag wie geht x")
        self.wait_for_value(first + "Ицх лиебе дицх Ицх лиебе дицх я\nГутен Таг юие гехт я", "switched off")

    def test_pause_rewrites_the_word_or_the_selection_and_the_buttons_take_a_selection(self):
        switch = self.driver.find_element(By.ID, "transcribe")
        switch.click()  # off: Latin typed by mistake
        self.editor.send_keys("Da Privet")
        self.editor.send_keys(Keys.PAUSE)
        self.assertEqual(self.value(), "Da Привет")
        self.assertTrue(switch.is_selected(), "typing goes on in Cyrillic")
        self.editor.send_keys(Keys.PAUSE)
        self.assertEqual((self.value(), switch.is_selected()), ("Da Privet", False), "Pause again undoes it all")
        self.editor.send_keys(Keys.PAUSE, " mir")
        self.assertEqual(self.value(), "Da Привет мир")
        self.chord(Keys.CONTROL, "z")
        self.chord(Keys.CONTROL, "z")
        self.assertEqual(self.value(), "Da Privet", "undo takes the rewriting back")
        self.driver.execute_script("document.getElementById('editor').setSelectionRange(0, 9)")
        self.chord(Keys.SHIFT, Keys.PAUSE)
        self.assertEqual(self.value(), "Да  Привет", "Shift+Pause: the transcription")
        self.assertEqual(self.driver.execute_script(
            "const e = document.getElementById('editor'); return [e.selectionStart, e.selectionEnd]"), [0, 10])
        self.driver.execute_script("document.getElementById('editor').setSelectionRange(4, 10)")
        self.driver.find_element(By.ID, "to-latin").click()
        self.assertEqual(self.value(), "Да  Privet", "Ru do Cz on the selection alone")

    def test_pasted_text_arrives_unchanged(self):
        self.put_on_clipboard("Privet #")
        self.chord(Keys.CONTROL, "v")
        self.assertEqual(self.value(), "Privet #")
        self.editor.send_keys("a")
        self.assertEqual(self.value(), "Privet #а")

    def test_tab_types_a_tab_and_escape_then_tab_leaves_the_editor(self):
        self.editor.send_keys("a", Keys.TAB, "b")
        self.assertEqual(self.value(), "а\tб")
        active = "return document.activeElement.id"
        self.assertEqual(self.driver.execute_script(active), "editor")
        self.editor.send_keys(Keys.ESCAPE, Keys.TAB)
        self.assertEqual(self.driver.execute_script(active), "copy")
        self.assertEqual(self.value(), "а\tб")

    def test_no_request_goes_beyond_the_sites_own_files(self):
        self.driver.get_log("performance")  # what earlier tests left
        self.editor = open_page(self.driver, self.server.url)
        self.editor.send_keys("Privet")
        self.driver.find_element(By.ID, "copy").click()
        self.driver.find_element(By.ID, "to-latin").click()
        requested = set()
        for entry in self.driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message["method"] == "Network.requestWillBeSent":
                requested.add(message["params"]["request"]["url"])
        self.assertTrue(requested)
        foreign = [url for url in requested if not url.startswith((self.server.url, "data:"))]
        self.assertEqual(foreign, [])
        files = {path.name for path in SITE.iterdir()}
        self.assertTrue({path.lstrip("/") or "index.html" for path in self.server.requested} <= files)

    def test_works_opened_as_a_local_file(self):
        self.editor = open_page(self.driver, (SITE / "index.html").as_uri())
        self.editor.send_keys("Privet")
        self.assertEqual(self.value(), "Привет")

    def test_the_key_map_offers_the_system_layouts_for_download(self):
        fetched = self.driver.execute_async_script(
            "const done = arguments[0]; const links = [...document.querySelectorAll('#key-map a[download]')];"
            "Promise.all(links.map((a) => fetch(a.href).then((r) => [a.getAttribute('href'), r.ok]))).then(done)")
        self.assertEqual(sorted(fetched), [["Korvel.keylayout", True], ["Korvel.klc", True], ["korvel", True]])

    def test_the_whole_site_weighs_under_350_kb(self):
        self.assertLess(sum(path.stat().st_size for path in SITE.iterdir()), 350_000)

    def test_screen_keyboard_shows_what_each_key_types_and_lights_the_pressed_key(self):
        toggle = self.driver.find_element(By.ID, "keyboard-toggle")
        shown = "return !document.getElementById('keyboard').hidden"
        self.assertFalse(self.driver.execute_script(shown), "hidden where the pointer is fine")
        toggle.click()
        self.assertTrue(self.driver.execute_script(shown))
        self.assertEqual(toggle.get_attribute("aria-pressed"), "true")
        labels = "return [...document.querySelectorAll('#keyboard [data-key]')].map((k) => k.textContent).join('|')"
        self.assertEqual(self.driver.execute_script(labels),
                         "1 1|2 2|3 3|4 4|5 5|6 6|7 7|8 8|9 9|0 0|ь ß|⌫|ё q|ю w|е e|р r|т t|з z|у u|и i|о o|п p|"
                         "э ü|щ +|а a|с s|д d|ф f|г g|х h|й j|к k|л l|ш ö|ч ä|ж #|⇧|ы y|я x|ц c|в v|б b|н n|м m|"
                         ", ,|. .|- -|↵|space")
        self.driver.find_element(By.CSS_SELECTOR, '#keyboard [data-key="Shift"]').click()
        self.assertIn("|Ё Q|Ю W|", self.driver.execute_script(labels))
        self.assertIn("|Ж '|", self.driver.execute_script(labels))
        lit = ("return new Promise((done) => { const key = document.querySelector('#keyboard [data-key=\"ö\"]');"
               "new MutationObserver(() => key.classList.contains('lit') && done(true))"
               ".observe(key, {attributes: true}); setTimeout(() => done(false), 2000); "
               "document.getElementById('editor').dispatchEvent(new KeyboardEvent('keydown', "
               "{key: 'ö', code: 'Semicolon', bubbles: true})); })")
        self.assertTrue(self.driver.execute_script(lit), "the pressed key lights")
        self.driver.find_element(By.ID, "transcribe").click()
        self.assertIn("|Q Q|W W|", self.driver.execute_script(labels), "with the switch off, keys type their own")

    def test_no_serious_accessibility_violation(self):
        self.driver.find_element(By.ID, "keyboard-toggle").click()  # with the on-screen keyboard
        self.assertEqual(serious_accessibility_violations(self, self.driver), [])


# Every English text that the page shows or names a control by, and that
# the language has a text of its own for, found anywhere on the page.
ENGLISH_LEFT = """
const [language] = arguments;
const { en } = KorvelPageTexts.TEXTS;
const own = KorvelPageTexts.TEXTS[language];
const shown = [document.title, document.body.innerText];
for (const element of document.querySelectorAll('*')) {
  for (const name of ['aria-label', 'alt', 'title', 'placeholder']) shown.push(element.getAttribute(name) || '');
}
return Object.keys(en).filter((key) => own[key] !== en[key] && !key.startsWith('manifest') &&
  shown.some((text) => text.includes(en[key].replace('{detail}', ''))));
"""


class PageLanguageTest(unittest.TestCase):
    def test_a_german_and_a_russian_browser_get_the_page_in_their_language(self):
        server = SiteServer(SITE)
        self.addCleanup(server.close)
        for language, typed in (("de", "Privet"), ("ru", "Mir")):
            with self.subTest(language=language):
                driver = start_chromium(language=f"{language}-DE,{language}")
                self.addCleanup(driver.quit)
                editor = open_page(driver, server.url)
                driver.find_element(By.ID, "keyboard-toggle").click()  # its keys' names too
                self.assertEqual(driver.find_element(By.ID, "language").get_attribute("value"), language)
                self.assertEqual(driver.execute_script("return document.documentElement.lang"), language)
                self.assertTrue(driver.execute_script(
                    "return document.querySelector('link[rel=manifest]').href.endsWith(arguments[0])",
                    f"manifest.{language}.webmanifest"))
                self.assertEqual(driver.execute_script(ENGLISH_LEFT, language), [], "English left on the page")
                self.assertEqual(serious_accessibility_violations(self, driver), [])
                editor.send_keys(typed)
                self.assertEqual(driver.execute_script("return document.getElementById('editor').value"),
                                 {"Privet": "Привет", "Mir": "Мир"}[typed])

                # The page's chooser wins over the browser, and is kept.
                chooser = driver.find_element(By.ID, "language")
                chooser.click()
                chooser.find_element(By.CSS_SELECTOR, "option[value=en]").click()
                open_page(driver, server.url)
                self.assertEqual(driver.execute_script("return document.documentElement.lang"), "en")
                self.assertEqual(driver.find_element(By.ID, "heading").text, "German to Russian")


if __name__ == "__main__":
    unittest.main(verbosity=2)
