#!/usr/bin/env bash
# scripts/fuzz.sh fails whenever a fuzzer fails, and shows its last lines:
# here one runs out of memory (an oom- input, which no crash-, leak- or
# timeout- file shows) and one does not start.
set -uo pipefail
cd "$(dirname "$0")/../.."
status=0
expect_failure() {  # what, the line the output must show, the environment for fuzz.sh
  local what=$1 shown=$2
  shift 2
  local output
  if output=$(env "$@" bash scripts/fuzz.sh 2 2>&1); then
    echo "FAIL: fuzz.sh passed when $what"
    status=1
  elif ! grep -q -- "$shown" <<<"$output"; then
    echo "FAIL: fuzz.sh failed when $what, but did not show \"$shown\":"
    tail -n 20 <<<"$output"
    status=1
  else
    echo "ok: fuzz.sh fails when $what"
  fi
}
expect_failure "a fuzzer runs out of memory" "libFuzzer: out-of-memory" \
  KORVEL_FUZZERS=keyboard KORVEL_FUZZ_FLAGS=-rss_limit_mb=1
expect_failure "a fuzzer does not start" "fuzz_missing.*No such file" KORVEL_FUZZERS=missing
rm -rf build/fuzz/artifacts
exit "$status"
