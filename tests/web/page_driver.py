"""Korvel's page in a real browser: the built site served on 127.0.0.1 and
Debian's Chromium, headless, driven through Selenium. Shared by the browser
tests, the typing benchmark and the README's screenshot.

    /usr/bin/python3 tests/web/page_driver.py SITE --screenshot PICTURE.png
"""
import argparse
import functools
import http.server
import tempfile
import threading
import urllib.parse
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait


class SiteServer:
    """Serves a folder on 127.0.0.1 at a free port, in a thread, with `headers` on every response;
    remembers every path asked for. Set `failing` to 503 and every answer is that error; to "hang"
    and no answer comes until the server is closed."""

    def __init__(self, folder, headers=None, port=0):
        self.requested = []
        self.failing = None
        self.closing = threading.Event()
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def do_GET(self):
                server.requested.append(self.path)
                if server.failing == "hang":
                    server.closing.wait()
                elif server.failing:
                    self.send_error(server.failing)
                else:
                    super().do_GET()

            def end_headers(self):
                for name, value in (headers or {}).items():
                    self.send_header(name, value)
                super().end_headers()

            def log_message(self, *args):
                pass

        class Server(http.server.ThreadingHTTPServer):
            daemon_threads = True

            def handle_error(self, request, client_address):
                pass  # a browser that hangs up early is no failure of the page

        self.httpd = Server(("127.0.0.1", port), functools.partial(Handler, directory=str(folder)))
        self.port = self.httpd.server_address[1]
        self.url = f"http://127.0.0.1:{self.port}/"
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.closing.set()
        self.httpd.shutdown()
        self.httpd.server_close()


def start_chromium(width=1100, height=900, phone=False, arguments=(), language="en-US"):
    """Headless Chromium that reaches for nothing of its own on the network;
    with `phone`, a touch screen of `width` by `height` CSS pixels; pages are
    told that the browser's language is `language`."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    profile = tempfile.mkdtemp(prefix="korvel-chromium-")
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--disable-default-apps", f"--lang={language}", f"--user-data-dir={profile}",
                     f"--window-size={width},{height}", *arguments):
        options.add_argument(argument)
    if phone:
        options.add_experimental_option("mobileEmulation", {
            "deviceMetrics": {"width": width, "height": height, "pixelRatio": 2, "touch": True},
            "userAgent": "Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) "
                         "Chrome/156.0 Mobile Safari/537.36"})
    options.add_experimental_option("prefs", {"intl.accept_languages": language})
    options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def open_page(driver, url):
    """Loads the page and waits until the core is loaded (or has failed to)
    and the editor is ready."""
    driver.get(url)
    WebDriverWait(driver, 30).until(lambda d: d.execute_script("return document.documentElement.dataset.ready"))
    if url.startswith("http"):
        address = urllib.parse.urlsplit(url)
        driver.execute_cdp_cmd("Browser.grantPermissions", {
            "origin": f"{address.scheme}://{address.netloc}",
            "permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
    return driver.find_element(By.ID, "editor")


def compose(driver, *steps, commit, reopening=None):
    """An input method's composition, as Android keyboards send it: a key of 229, each step the text
    composed so far, then the committed text. `reopening` (start, end): the first step replaces that
    range of the field, as a keyboard re-opens the word the caret is put into."""
    driver.execute_cdp_cmd("Input.dispatchKeyEvent", {"type": "rawKeyDown", "windowsVirtualKeyCode": 229,
                                                      "key": "Unidentified"})
    for number, step in enumerate(steps):
        replacing = {"replacementStart": reopening[0], "replacementEnd": reopening[1]} if reopening and not number else {}
        driver.execute_cdp_cmd("Input.imeSetComposition", {"text": step, "selectionStart": len(step),
                                                           "selectionEnd": len(step), **replacing})
    driver.execute_cdp_cmd("Input.insertText", {"text": commit})


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("site", type=Path)
    parser.add_argument("--screenshot", type=Path, required=True)
    parser.add_argument("--phone", action="store_true", help="a 412 x 915 touch screen, with the on-screen keyboard")
    args = parser.parse_args()
    server = SiteServer(args.site)
    driver = start_chromium(412, 915, phone=True) if args.phone else start_chromium(1000, 820)
    try:
        editor = open_page(driver, server.url)
        driver.execute_script("document.getElementById('clear').click()")
        editor.send_keys("Privet, mir! Kak dela?")
        if args.phone:
            driver.execute_script("document.querySelector('#keyboard [data-key=\"Shift\"]').click()")
        else:
            driver.find_element(By.ID, "copy").click()
        driver.save_screenshot(str(args.screenshot))
    finally:
        driver.quit()
        server.close()


if __name__ == "__main__":
    main()
