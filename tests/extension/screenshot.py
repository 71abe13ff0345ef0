#!/usr/bin/env python3
"""Draws the README's picture of the extension at work: our own test page,
with Korvel switched on for its host and Russian typed into its fields.

    /usr/bin/python3 tests/extension/screenshot.py build/web/extension PICTURE.png
"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from extension_test import HERE, STRICT_POLICY, ServiceWorker, SiteServer, start_with_extension  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402


def main():
    picture = Path(sys.argv[2])
    server = SiteServer(HERE / "site", headers={"Content-Security-Policy": STRICT_POLICY})
    driver = start_with_extension(760, 700)
    try:
        worker = ServiceWorker(driver)
        WebDriverWait(driver, 30).until(lambda d: worker.url())
        worker.evaluate("chrome.storage.sync.set({sites: '127.0.0.1'})")
        driver.get(server.url)
        for element_id, text in (("subject", "Privet iz Berlina"), ("message", "Dorogaq Anna, kak u tebq dela?"),
                                 ("password", "secret")):
            driver.find_element(By.ID, element_id).send_keys(text)
        driver.save_screenshot(str(picture))
    finally:
        driver.quit()
        server.close()


if __name__ == "__main__":
    main()
