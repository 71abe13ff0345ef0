#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time (default 60 s,
# or the first argument), starting from the checked-in seed corpus. New inputs
# go to a scratch folder, so the tree stays clean. A fuzzer fails the script
# in any way it can fail: a non-zero exit, any input it wrote out (crash-,
# leak-, timeout-, oom-, slow-unit-, kept in build/fuzz/artifacts/), or not
# starting or not finishing its run; its last lines are shown.
#   KORVEL_FUZZERS   the targets to run (default: converters keyboard)
#   KORVEL_FUZZ_FLAGS  more libFuzzer flags, for example -rss_limit_mb=512
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
read -r -a fuzzers <<<"${KORVEL_FUZZERS:-converters keyboard}"
read -r -a flags <<<"${KORVEL_FUZZ_FLAGS:-}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
artifacts=$PWD/build/fuzz/artifacts
rm -rf "$artifacts"
mkdir -p "$artifacts"
failed=()
for fuzzer in "${fuzzers[@]}"; do
  scratch=$(mktemp -d)
  log=$(mktemp)
  echo "== fuzz_$fuzzer for ${seconds}s"
  status=0
  build/fuzz/bin/fuzz_"$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/$fuzzer-" \
    "${flags[@]}" "$scratch" "fuzz/corpus/$fuzzer" >"$log" 2>&1 || status=$?
  grep -E '^(Done|stat::number_of_executed_units|INFO: seed corpus)' "$log" || true
  written=$(find "$artifacts" -name "$fuzzer-*" | sort | tr '\n' ' ')
  if [ "$status" -ne 0 ] || [ -n "$written" ] || ! grep -q '^Done ' "$log"; then
    echo "fuzz_$fuzzer failed: exit status $status${written:+, wrote $written}; its last lines:" >&2
    tail -n 25 "$log" >&2
    failed+=("$fuzzer")
  fi
  rm -rf "$scratch" "$log"
done
if ((${#failed[@]} > 0)); then
  echo "fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
