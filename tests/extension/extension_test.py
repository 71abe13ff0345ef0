#!/usr/bin/env python3
"""Korvel's browser extension, loaded unpacked into headless Chromium (the
build with the test server's hosts granted at install, since headless
Chromium answers no permission prompt), on a page of ours served with a
strict Content-Security-Policy: off by default, also where its host is
granted; on through the options page for the page's host, and only for that name;
typing and composition in a text area, a text input whose own handler keeps
its value, a search input, a contenteditable box and a same-origin frame;
never in a password (nor one shown as text), a one-time code, an e-mail
address, a phone number or a web address; undo; the toolbar button's and the
shortcut's handler, run in the extension's service worker, and the badge.

    /usr/bin/python3 tests/extension/extension_test.py build/web/extension-test build/web/extension
"""
import json
import sys
import unittest
import urllib.request
from pathlib import Path

import trio
import trio_websocket
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "web"))
sys.path.insert(0, str(HERE.parent))
from harness.browser import SiteServer, start_chromium  # noqa: E402
from page_driver import compose  # noqa: E402

EXTENSION = Path(sys.argv[1] if len(sys.argv) > 1 else "build/web/extension-test").resolve()
SHIPPED = Path(sys.argv[2] if len(sys.argv) > 2 else "build/web/extension").resolve()
STRICT_POLICY = "default-src 'self'; script-src 'self'; object-src 'none'; base-uri 'none'"


def start_with_extension(width=1000, height=900):
    return start_chromium(width, height, arguments=(f"--load-extension={EXTENSION}",
                                                    f"--disable-extensions-except={EXTENSION}"))


class ServiceWorker:
    """The extension's service worker, reached through the browser's DevTools endpoint."""

    def __init__(self, driver):
        self.address = driver.capabilities["goog:chromeOptions"]["debuggerAddress"]

    def url(self):
        with urllib.request.urlopen(f"http://{self.address}/json/list") as listing:
            targets = json.load(listing)
        return next((t["webSocketDebuggerUrl"] for t in targets
                     if t["type"] == "service_worker" and t["url"].endswith("/background.js")), None)

    def evaluate(self, expression):
        async def run(url):
            async with trio_websocket.open_websocket_url(url) as socket:
                await socket.send_message(json.dumps({"id": 1, "method": "Runtime.evaluate", "params": {
                    "expression": expression, "awaitPromise": True, "returnByValue": True}}))
                while True:
                    answer = json.loads(await socket.get_message())
                    if answer.get("id") == 1:
                        return answer["result"]
        result = trio.run(run, self.url())
        if "exceptionDetails" in result:
            raise AssertionError(result["exceptionDetails"])
        return result["result"].get("value")

    def evaluate_once_ready(self, expression):
        """What `expression` gives, or None while the extension's worker is not there to give it."""
        if not self.url():
            return None
        try:
            return self.evaluate(expression)
        except (AssertionError, OSError, trio_websocket.HandshakeError, trio_websocket.ConnectionClosed):
            return None


class ExtensionTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = SiteServer(HERE / "site", headers={"Content-Security-Policy": STRICT_POLICY})
        cls.port = cls.server.url.rsplit(":", 1)[1].strip("/")
        cls.driver = start_with_extension()
        cls.worker = ServiceWorker(cls.driver)
        # The worker is listed before it runs the extension's code.
        cls.extension_id = WebDriverWait(cls.driver, 30).until(
            lambda d: cls.worker.evaluate_once_ready("chrome.runtime.id"))

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.close()

    def open(self, host):
        self.driver.get(f"http://{host}:{self.port}/")
        WebDriverWait(self.driver, 10).until(lambda d: d.execute_script(
            "const f = document.getElementById('frame'); return f.contentDocument && "
            "f.contentDocument.readyState === 'complete'"))

    def field(self, element_id):
        return self.driver.find_element(By.ID, element_id)

    def value(self, element_id):
        return self.driver.execute_script(
            "const e = document.getElementById(arguments[0]); return e.isContentEditable ? e.textContent : e.value",
            element_id)

    def type_everywhere(self, text):
        """Types `text` into every field of the page and of its frame; what each then holds."""
        values = {}
        self.driver.execute_script(
            "const p = document.getElementById('new-password'); p.type = 'password'; p.value = ''")
        self.field("new-password").click()
        self.field("show-password").click()  # a password field, now shown as text
        for element_id in ("message", "subject", "to", "password", "code", "notes", "search", "phone", "site",
                           "new-password"):
            self.field(element_id).click()
            self.field(element_id).send_keys(text)
            values[element_id] = self.value(element_id)
        self.driver.switch_to.frame("frame")
        self.field("reply").send_keys(text)
        values["reply"] = self.value("reply")
        self.driver.switch_to.default_content()
        return values

    def badge(self):
        return self.worker.evaluate("chrome.tabs.query({active: true, lastFocusedWindow: true})"
                                    ".then(([tab]) => chrome.action.getBadgeText({tabId: tab.id}))")

    def set_sites(self, sites):
        self.driver.get(f"chrome-extension://{self.extension_id}/options.html")
        WebDriverWait(self.driver, 10).until(
            lambda d: d.execute_script("return document.documentElement.dataset.ready"))
        field = self.field("sites")
        field.send_keys(Keys.CONTROL, "a")
        field.send_keys(Keys.DELETE, sites)
        WebDriverWait(self.driver, 10).until(lambda d: self.worker.evaluate(
            "chrome.storage.sync.get('sites').then((stored) => stored.sites || '')") == sites)

    def test_off_by_default_then_on_for_a_listed_host_only(self):
        self.set_sites("")
        self.open("127.0.0.1")
        self.assertEqual(set(self.type_everywhere("Privet#").values()), {"Privet#"})
        self.assertEqual(self.badge(), "")

        self.set_sites("mail.example.org\n127.0.0.1")
        self.open("127.0.0.1")
        self.assertEqual(self.badge(), "ON")
        typed = self.type_everywhere("+49 Privet #ÄöüßQ")
        cyrillic = "щ49 Привет жЧшэьЁ"  # + is щ where Korvel types: a phone number keeps it
        latin = "+49 Privet #ÄöüßQ"
        self.assertEqual(typed, {"message": cyrillic, "subject": cyrillic, "notes": cyrillic, "reply": cyrillic,
                                 "search": cyrillic, "to": latin, "password": latin, "code": latin, "phone": latin,
                                 "site": latin, "new-password": latin})
        self.assertEqual(self.driver.find_element(By.ID, "subject-state").text, cyrillic,
                         "the page's own input handler saw the typed text")

        # An Android keyboard's composition, in the text area.
        self.driver.execute_script("const m = document.getElementById('message'); m.value = ''; m.focus()")
        compose(self.driver, "P", "Pr", "Pri", "Priv", commit="Priv")
        self.assertEqual(self.value("message"), "Прив")
        self.field("message").send_keys(Keys.CONTROL, "z")
        self.assertEqual(self.value("message"), "Priv", "the replacement is undone in one step")

        self.open("localhost")
        self.assertEqual(self.type_everywhere("x")["message"], "x", "localhost is another name")

    def test_button_and_shortcut_switch_the_tab(self):
        self.set_sites("")
        self.open("localhost")
        toggle = "chrome.tabs.query({active: true, lastFocusedWindow: true}).then(([tab]) => %s)"
        self.assertTrue(self.worker.evaluate(toggle % "onToolbarButton(tab)"))
        self.assertEqual(self.badge(), "ON")
        self.field("message").send_keys("Da")
        self.assertEqual(self.value("message"), "Да")
        self.field("message").send_keys(Keys.CONTROL, "z")
        self.assertTrue(self.value("message") != "Да" and "Да".startswith(self.value("message")), "undone as typing is")
        self.field("message").send_keys(Keys.CONTROL, "y")
        self.assertEqual(self.value("message"), "Да")
        self.assertFalse(self.worker.evaluate(toggle % "onCommand('toggle-korvel', tab)"))
        self.assertEqual(self.badge(), "")
        self.field("message").send_keys("x")
        self.assertEqual(self.value("message"), "Даx")

    def test_manifest_asks_for_no_more_than_it_needs(self):
        manifest = json.loads((SHIPPED / "manifest.json").read_text())
        self.assertEqual(manifest["manifest_version"], 3)
        self.assertLessEqual(set(manifest.get("permissions", [])),
                             {"storage", "activeTab", "scripting", "contextMenus"})
        for asked_at_install in ("host_permissions", "content_scripts", "externally_connectable"):
            self.assertNotIn(asked_at_install, manifest)
        sources = " ".join(path.read_text() for path in SHIPPED.glob("*.js"))
        for request in ("fetch(", "XMLHttpRequest", "WebSocket", "sendBeacon", "importScripts", "eval("):
            self.assertNotIn(request, sources)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
