#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time (default 60 s,
# or the first argument), starting from the checked-in seed corpus. New inputs
# go to a scratch folder, so the tree stays clean; a crash leaves its input in
# build/fuzz/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
rm -f build/fuzz/crash-* build/fuzz/leak-* build/fuzz/timeout-*
for fuzzer in converters keyboard; do
  scratch=$(mktemp -d)
  echo "== fuzz_$fuzzer for ${seconds}s"
  (cd build/fuzz && ./bin/fuzz_$fuzzer -max_total_time="$seconds" -print_final_stats=1 \
    "$scratch" "../../fuzz/corpus/$fuzzer" 2>&1 | grep -E '^(Done|stat::number_of_executed_units|INFO: seed corpus)|ERROR|SUMMARY' || true)
  rm -rf "$scratch"
  if ls build/fuzz/crash-* build/fuzz/leak-* build/fuzz/timeout-* >/dev/null 2>&1; then
    echo "fuzz_$fuzzer found a failing input:" build/fuzz/crash-* build/fuzz/leak-* build/fuzz/timeout-* 2>/dev/null >&2
    exit 1
  fi
done
