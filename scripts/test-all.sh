#!/usr/bin/env bash
# Builds everything and runs every test: the core and korvel-convert natively
# (plain and under AddressSanitizer/UndefinedBehaviorSanitizer), the web page
# and the extension in headless Chromium, the fuzzers for a bounded time, the
# Windows program for x86_64 with its tests under Wine on a virtual display
# (once more built with UndefinedBehaviorSanitizer), and the i686 build
# (compiled and linked, not run). Every step runs even when an earlier one
# failed; the end lists the steps that failed, and the exit status is
# non-zero when any did.
set -uo pipefail
cd "$(dirname "$0")/.."

failed=()
# Runs a step, a bash script of its own that stops at its first failure, and
# notes it when it fails.
step() {
  echo "== $1"
  if ! bash -euo pipefail -c "$2"; then
    failed+=("$1")
    echo "== failed: $1" >&2
  fi
}

step "set-up: Debian packages and the pinned test tools" 'bash scripts/install-deps.sh'

step "layout: clang-format" "git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run -Werror"

step "icons: res/*.ico are what res/make_icon.py draws" '
  drawn=$(mktemp -d)
  python3 res/make_icon.py "$drawn/korvel.ico"
  for look in tray off blocked; do python3 res/make_icon.py --$look "$drawn/korvel-$look.ico"; done
  for icon in korvel korvel-tray korvel-off korvel-blocked; do cmp res/$icon.ico "$drawn/$icon.ico"; done
  rm -rf "$drawn"'

step "key map: docs/keyboard-map.svg and .png are what the keyboard table draws" '
  drawn=$(mktemp -d)
  bash scripts/keyboard-map.sh "$drawn"
  cmp docs/keyboard-map.svg "$drawn/keyboard-map.svg"
  [ "$(compare -metric AE docs/keyboard-map.png "$drawn/keyboard-map.png" null: 2>&1)" = 0 ] || {
    echo "docs/keyboard-map.png differs from what scripts/keyboard-map.sh draws" >&2
    exit 1
  }
  rm -rf "$drawn"'

for preset in native sanitize mingw64 mingw32 mingw64-ubsan; do
  step "$preset: build" "cmake --preset $preset >/dev/null && cmake --build --preset $preset"
done

step "i686: ASLR and DEP on, only KnownDLLs imported (built, not run)" \
  'python3 tests/win32/check_executables.py build/mingw32/bin/Korvel.exe build/mingw32/bin/korvel-convert.exe \
     build/mingw32/bin/KorvelEverywhere.exe'

step "release: a test build made twice from the committed tree, in two fresh folders, byte for byte the same" '
  rm -rf build/release-first build/release-second
  bash scripts/release.sh build/release-first
  bash scripts/release.sh build/release-second
  diff -r build/release-first build/release-second
  cat build/release-first/SHA256SUMS'

for preset in native sanitize; do
  step "$preset: test" "ctest --preset $preset"
done

step "web page and extension: the WebAssembly core against the native one, both in headless Chromium" \
  'bash scripts/test-web.sh'

step "fuzzing: a failing fuzzer fails fuzz.sh" 'bash tests/scripts/fuzz_script_test.sh'
step "fuzzing, bounded" "bash scripts/fuzz.sh ${KORVEL_FUZZ_SECONDS:-60}"

echo "== Windows tests: a virtual display and a fresh Wine prefix"
. scripts/wine-env.sh
trap stop_wine_and_display EXIT
if start_virtual_display && start_wine_prefix; then
  export KORVEL_WINE_RUN_LOG="$PWD/build/wine-restarts.log"
  rm -f "$KORVEL_WINE_RUN_LOG"
  step "release: the test build checked, korvel-convert.exe under Wine" \
    'KORVEL_RELEASE_DIR=build/release-first KORVEL_EXPECT_TEST_BUILD=1 /usr/bin/python3 tests/release/release_test.py'
  step "mingw64-ubsan: test under Wine" 'ctest --preset mingw64-ubsan'
  step "mingw64: test under Wine" 'ctest --preset mingw64'
  if [ -s "$KORVEL_WINE_RUN_LOG" ]; then
    echo "== programs that ended under Wine before writing anything (exit 1 or a signal: started again)"
    cat "$KORVEL_WINE_RUN_LOG"
  fi
else
  failed+=("Windows tests: Xvfb or the Wine prefix did not start")
fi

if ((${#failed[@]} > 0)); then
  echo "== ${#failed[@]} step(s) failed:"
  printf '   %s\n' "${failed[@]}"
  exit 1
fi
echo "== every step passed"
