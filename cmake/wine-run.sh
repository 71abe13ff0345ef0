#!/bin/sh
# Runs a Windows program built here under Wine, quietly. The caller provides
# WINEPREFIX and DISPLAY (scripts/test-all.sh starts both).
#
# The program's output goes through a file: Wine may start helper processes
# (services, the desktop) that outlive the program and would hold a pipe
# open, keeping whoever reads the output waiting.
#
# Now and then Wine fails to start a program at all: it ends at once with
# exit code 1 (Wine's own fatal start-up errors) or is killed by a signal,
# having written nothing. That says nothing of the program, so it is started
# again, at most twice. A program that ends normally has written something
# (the test programs print a header), and a Windows crash, whose buffered
# output may be lost, ends with the exception's code: neither is retried.
output=$(mktemp)
attempt=1
while :; do
  # Without the crash debugger a crash fails the program instead of being
  # reported, with exit code 0, by winedbg.
  WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winedbg.exe=d}" wine "$@" >"$output" 2>&1 </dev/null
  status=$?
  if [ "$status" -eq 0 ] || [ -s "$output" ]; then
    break
  fi
  notice="wine-run: $1 ended with exit code $status before writing anything (attempt $attempt of 3)"
  echo "$notice" >&2
  # Kept where the whole run can report it, since CTest shows a passing test's output to no one.
  [ -z "${KORVEL_WINE_RUN_LOG:-}" ] || echo "$notice" >>"$KORVEL_WINE_RUN_LOG"
  case "$status" in
    1 | 129 | 1[3-5][0-9]) ;;
    *) break ;;
  esac
  [ "$attempt" -lt 3 ] || break
  attempt=$((attempt + 1))
done
cat "$output"
rm -f "$output"
exit $status
