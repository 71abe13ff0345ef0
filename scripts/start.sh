#!/usr/bin/env bash
# Builds Korvel.exe and starts it under Wine on your display. Without a
# display (DISPLAY unset) it starts a virtual one and says how to look at it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64 --target Korvel

. scripts/wine-env.sh
if [ -z "${DISPLAY:-}" ]; then
  trap stop_wine_and_display EXIT
  start_virtual_display
  echo "No DISPLAY: Korvel runs on the virtual display $DISPLAY" \
    "(screenshot: DISPLAY=$DISPLAY import -window root korvel.png)."
fi
export WINEDEBUG=-all
echo "Starting build/mingw64/bin/Korvel.exe; it ends when you close it."
status=0
wine build/mingw64/bin/Korvel.exe || status=$?
echo "Korvel exited with code $status."
