#!/usr/bin/env bash
# Measures the Windows program under Wine on a virtual display: typing,
# conversion, export and start-up, each beside its floor, and memory; and
# Korvel everywhere typing into another program against no Korvel.
# Prints a Markdown table (the one in docs/performance.md).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64 --target korvel_wine_bench KorvelEverywhere desktop_helper

python3 tests/harness/display.py --wine -- python3 tests/harness/wine.py build/mingw64/bin/korvel_wine_bench.exe
# Korvel everywhere against no Korvel, typing into another program; it
# starts a display with a German keymap and a Wine prefix of its own.
KORVEL_BIN_DIR=build/mingw64/bin python3 bench/win32/everywhere_typing.py
