#!/usr/bin/env bash
# Builds everything and runs every test: the lint of every language; the
# core and korvel-convert natively (plain, and under AddressSanitizer and
# UndefinedBehaviorSanitizer); the Windows programs and their tests under
# Wine on virtual displays (built with UndefinedBehaviorSanitizer); the i686
# programs (compiled and linked, not run); the release, checked and compared
# byte for byte with the x86_64 build of the same sources; the web page and
# the extension in headless Chromium and Firefox; the fuzzers for a bounded
# time. The Windows tests and the fuzzers, which mostly wait or mostly
# compute, run beside the other steps.
#
# Every step runs even when an earlier one failed; the end shows a table of
# every step's time and lists those that failed, and the exit status is
# non-zero when any did.
set -uo pipefail
cd "$(dirname "$0")/.."
. tests/harness/steps.sh

# The set-up is timed apart: on a machine that has every package it takes
# seconds, on a new one minutes.
setup_started=$(date +%s)
echo "== set-up: Debian packages and the pinned test tools"
if ! bash scripts/install-deps.sh; then
  echo "== the set-up failed" >&2
  exit 1
fi
setup_seconds=$(($(date +%s) - setup_started))
steps_started=$(date +%s)

step "lint: clang-format" "git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run -Werror"
step "lint: ESLint (JavaScript)" 'build/test-tools/node_modules/.bin/eslint --max-warnings 0 .'
step "lint: flake8 (Python)" 'git ls-files -- "*.py" | xargs flake8'

step "icons: res/*.ico are what res/make_icon.py draws" '
  drawn=$(mktemp -d)
  python3 res/make_icon.py "$drawn/korvel.ico"
  for look in tray off blocked; do python3 res/make_icon.py --$look "$drawn/korvel-$look.ico"; done
  for icon in korvel korvel-tray korvel-off korvel-blocked; do cmp res/$icon.ico "$drawn/$icon.ico"; done
  rm -rf "$drawn"'

# First what the Windows tests need, so that they can start early.
step "mingw64-ubsan: build" "cmake --preset mingw64-ubsan >/dev/null && cmake --build --preset mingw64-ubsan"
step "wine: a prefix booted once, copied for each driver" '
  rm -rf build/wine-template
  python3 tests/harness/display.py -- python3 tests/harness/wine.py --boot build/wine-template'

export KORVEL_WINE_TEMPLATE=$PWD/build/wine-template
export KORVEL_WINE_RUN_LOG=$PWD/build/wine-restarts.log
rm -f "$KORVEL_WINE_RUN_LOG"
step_beside "mingw64-ubsan: the Windows tests under Wine, on displays of their own" \
  'python3 tests/harness/display.py --wine -- ctest --preset mingw64-ubsan'

step "native: build" "cmake --preset native >/dev/null && cmake --build --preset native"
step "key map: docs/keyboard-map.svg and .png are what the keyboard table draws" '
  drawn=$(mktemp -d)
  bash scripts/keyboard-map.sh "$drawn"
  cmp docs/keyboard-map.svg "$drawn/keyboard-map.svg"
  [ "$(compare -metric AE docs/keyboard-map.png "$drawn/keyboard-map.png" null: 2>&1)" = 0 ] || {
    echo "docs/keyboard-map.png differs from what scripts/keyboard-map.sh draws" >&2
    exit 1
  }
  rm -rf "$drawn"'
step "native: test" "ctest --preset native"
step "sanitize: build" "cmake --preset sanitize >/dev/null && cmake --build --preset sanitize"
step "sanitize: test" "ctest --preset sanitize"
step "mingw64: build (the programs)" \
  "cmake --preset mingw64 >/dev/null && cmake --build --preset mingw64 --target Korvel korvel-convert KorvelEverywhere"
step "mingw32: build (the programs, compiled and linked, not run)" '
  cmake --preset mingw32 >/dev/null && cmake --build --preset mingw32
  python3 tests/win32/check_executables.py build/mingw32/bin/Korvel.exe build/mingw32/bin/korvel-convert.exe \
    build/mingw32/bin/KorvelEverywhere.exe'
step "release: a test build from the committed tree, byte for byte the programs of the mingw64 build" '
  rm -rf build/release-test
  bash scripts/release.sh build/release-test
  python3 tests/release/same_programs.py build/release-test build/mingw64/bin
  cat build/release-test/SHA256SUMS'
step "fuzzing: a failing fuzzer fails fuzz.sh" 'bash tests/scripts/fuzz_script_test.sh'
step "fuzzing, bounded: the fuzzers at once" "bash scripts/fuzz.sh ${KORVEL_FUZZ_SECONDS:-60}"
step "web page and extension: the WebAssembly core against the native one, both in headless Chromium and Firefox" \
  'bash scripts/test-web.sh'
await_steps

# The release's programs under Wine, once the Windows tests no longer need the processors.
step "release: the test build checked, korvel-convert.exe under Wine" \
  'KORVEL_RELEASE_DIR=build/release-test KORVEL_EXPECT_TEST_BUILD=1 python3 tests/harness/display.py --wine -- \
     /usr/bin/python3 tests/release/release_test.py'

if [ -s "$KORVEL_WINE_RUN_LOG" ]; then
  echo "== programs that ended under Wine before writing anything (exit 1 or a signal: started again)"
  cat "$KORVEL_WINE_RUN_LOG"
fi
echo "== set-up: $setup_seconds s (apart from the steps)"
step_table
