#!/usr/bin/env bash
# Builds everything and runs every test: the core and korvel-convert natively
# (plain and under AddressSanitizer/UndefinedBehaviorSanitizer), the fuzzers
# for a bounded time, the Windows program for x86_64 with its tests under Wine
# on a virtual display (once more built with UndefinedBehaviorSanitizer), and
# the i686 build (compiled and linked, not run). Exits non-zero when anything
# fails.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

echo "== layout: clang-format"
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

echo "== icon: res/korvel.ico is what res/make_icon.py draws"
python3 res/make_icon.py /tmp/korvel-icon-check.ico
cmp res/korvel.ico /tmp/korvel-icon-check.ico
rm -f /tmp/korvel-icon-check.ico

echo "== key map: docs/keyboard-map.svg and .png are what the keyboard table draws"
drawn=$(mktemp -d)
bash scripts/keyboard-map.sh "$drawn"
cmp docs/keyboard-map.svg "$drawn/keyboard-map.svg"
[ "$(compare -metric AE docs/keyboard-map.png "$drawn/keyboard-map.png" null: 2>&1)" = 0 ] || {
  echo "docs/keyboard-map.png differs from what scripts/keyboard-map.sh draws" >&2
  exit 1
}
rm -rf "$drawn"

for preset in native sanitize mingw64 mingw32 mingw64-ubsan; do
  echo "== $preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

echo "== i686: ASLR and DEP on, only KnownDLLs imported (built, not run)"
python3 tests/win32/check_executables.py build/mingw32/bin/Korvel.exe build/mingw32/bin/korvel-convert.exe

echo "== release: built twice from the committed tree, in two fresh folders, byte for byte the same"
rm -rf build/release-first build/release-second
bash scripts/release.sh build/release-first
bash scripts/release.sh build/release-second
diff -r build/release-first build/release-second
cat build/release-first/SHA256SUMS

for preset in native sanitize; do
  echo "== $preset: test"
  ctest --preset "$preset"
done

echo "== web page: the WebAssembly core against the native one, the page in headless Chromium"
bash scripts/test-web.sh

echo "== fuzzing, bounded"
bash scripts/fuzz.sh "${KORVEL_FUZZ_SECONDS:-60}"

echo "== mingw64: test under Wine"
. scripts/wine-env.sh
trap stop_wine_and_display EXIT
start_virtual_display
start_wine_prefix
export KORVEL_WINE_RUN_LOG="$PWD/build/wine-restarts.log"
rm -f "$KORVEL_WINE_RUN_LOG"
status=0
KORVEL_RELEASE_DIR=build/release-first /usr/bin/python3 tests/release/release_test.py || status=$?
ctest --preset mingw64-ubsan || status=$?
ctest --preset mingw64 || status=$?
if [ -s "$KORVEL_WINE_RUN_LOG" ]; then
  echo "== programs that ended under Wine before writing anything (exit 1 or a signal: started again)"
  cat "$KORVEL_WINE_RUN_LOG"
fi
exit "$status"
