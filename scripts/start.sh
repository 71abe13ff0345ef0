#!/usr/bin/env bash
# Builds Korvel.exe and starts it under Wine on your display. Without a
# display (DISPLAY unset) it starts a virtual one and says how to look at it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
if [ -z "${DISPLAY:-}" ]; then
  exec python3 tests/harness/display.py -- env KORVEL_VIRTUAL_DISPLAY=1 bash scripts/start.sh
fi
cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64 --target Korvel

if [ -n "${KORVEL_VIRTUAL_DISPLAY:-}" ]; then
  echo "No DISPLAY: Korvel runs on the virtual display $DISPLAY" \
    "(screenshot: DISPLAY=$DISPLAY import -window root korvel.png)."
fi
export WINEDEBUG=-all
echo "Starting build/mingw64/bin/Korvel.exe; it ends when you close it."
status=0
wine build/mingw64/bin/Korvel.exe || status=$?
echo "Korvel exited with code $status."
