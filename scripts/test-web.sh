#!/usr/bin/env bash
# Builds Korvel's web page and tests it: the WebAssembly core against the
# native core on every UTF-16 unit and on random texts, and the page in
# headless Chromium (tests/web/browser_test.py).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target korvel_core_reference
build/native/bin/korvel_core_reference >build/core-reference.bin
bash scripts/build-web.sh -DKORVEL_CORE_REFERENCE="$PWD/build/core-reference.bin"
echo "page weight: $(cat build/web/site/* | wc -c) bytes in $(ls build/web/site | wc -l) files"
ctest --preset web
