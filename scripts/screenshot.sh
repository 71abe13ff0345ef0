#!/usr/bin/env bash
# Regenerates docs/korvel.png (Korvel under Wine on a virtual display, with
# Cyrillic typed on the virtual German keyboard) and docs/korvel-everywhere.png
# (Korvel everywhere typing into Wine's notepad).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64 --target Korvel KorvelEverywhere desktop_helper
python3 tests/e2e/korvel_e2e.py --screenshot docs/korvel.png
python3 tests/everywhere/everywhere_e2e.py --screenshot docs/korvel-everywhere.png
echo "Wrote docs/korvel.png and docs/korvel-everywhere.png"
