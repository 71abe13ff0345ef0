"""Korvel's page in a real browser (tests/harness/browser.py serves it and
starts the browser): loading it, and an input method's composition. Shared by
the browser tests, the typing benchmark and the README's screenshot.

    /usr/bin/python3 tests/web/page_driver.py SITE --screenshot PICTURE.png
"""
import argparse
import sys
import urllib.parse
from pathlib import Path

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from harness.browser import SiteServer, start_chromium  # noqa: E402


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
        replacing = {}
        if reopening and not number:
            replacing = {"replacementStart": reopening[0], "replacementEnd": reopening[1]}
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
