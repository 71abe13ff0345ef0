#!/usr/bin/env bash
# Rewrites docs/korvel-web.png: the page in headless Chromium with a few
# words typed and copied.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-web.sh
/usr/bin/python3 tests/web/page_driver.py build/web/site --screenshot docs/korvel-web.png
