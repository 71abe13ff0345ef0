#!/usr/bin/env bash
# Builds the libFuzzer targets alone and runs them all at once, each for a
# bounded time (default 60 s, or the first argument), starting from the
# checked-in seed corpus. New inputs go to a scratch folder, so the tree stays
# clean. A fuzzer fails the script
# in any way it can fail: a non-zero exit, any input it wrote out (crash-,
# leak-, timeout-, oom-, slow-unit-, kept in build/fuzz/artifacts/), or not
# starting or not finishing its run; its last lines are shown.
#   KORVEL_FUZZERS   the targets to run (default: alphabet converters keyboard)
#   KORVEL_FUZZ_FLAGS  more libFuzzer flags, for example -rss_limit_mb=512
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
read -r -a fuzzers <<<"${KORVEL_FUZZERS:-alphabet converters keyboard}"
read -r -a flags <<<"${KORVEL_FUZZ_FLAGS:-}"

targets=()
for fuzzer in "${fuzzers[@]}"; do
  [ -f "fuzz/fuzz_$fuzzer.cpp" ] && targets+=("fuzz_$fuzzer")
done
cmake --preset fuzz >/dev/null
((${#targets[@]} == 0)) || cmake --build --preset fuzz --target "${targets[@]}"
artifacts=$PWD/build/fuzz/artifacts
rm -rf "$artifacts"
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for fuzzer in "${fuzzers[@]}"; do
  echo "== fuzz_$fuzzer for ${seconds}s"
  mkdir "$work/$fuzzer"
  (
    status=0
    # Niced: beside them run tests that wait on Wine and a display.
    nice -n 10 build/fuzz/bin/fuzz_"$fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$artifacts/$fuzzer-" "${flags[@]}" "$work/$fuzzer" "fuzz/corpus/$fuzzer" \
      >"$work/$fuzzer.log" 2>&1 || status=$?
    echo "$status" >"$work/$fuzzer.status"
  ) &
done
wait
failed=()
for fuzzer in "${fuzzers[@]}"; do
  status=$(cat "$work/$fuzzer.status")
  log=$work/$fuzzer.log
  echo "== fuzz_$fuzzer"
  grep -E '^(Done|stat::number_of_executed_units|INFO: seed corpus)' "$log" || true
  written=$(find "$artifacts" -name "$fuzzer-*" | sort | tr '\n' ' ')
  if [ "$status" -ne 0 ] || [ -n "$written" ] || ! grep -q '^Done ' "$log"; then
    echo "fuzz_$fuzzer failed: exit status $status${written:+, wrote $written}; its last lines:" >&2
    tail -n 25 "$log" >&2
    failed+=("$fuzzer")
  fi
done
if ((${#failed[@]} > 0)); then
  echo "fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
