#!/usr/bin/env bash
# Redraws the README's pictures of the browser surfaces: the page in headless
# Chromium with a few words typed and copied (docs/korvel-web.png), the page
# on a phone with its on-screen keyboard (docs/korvel-phone.png), and the
# extension typing in a page of ours (docs/korvel-extension.png).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-web.sh
/usr/bin/python3 tests/web/page_driver.py build/web/site --screenshot docs/korvel-web.png
/usr/bin/python3 tests/web/page_driver.py build/web/site --phone --screenshot docs/korvel-phone.png
/usr/bin/python3 tests/extension/screenshot.py build/web/extension docs/korvel-extension.png
