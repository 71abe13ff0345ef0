#!/bin/sh
# Runs a Windows program built here under Wine, quietly. The caller provides
# WINEPREFIX and DISPLAY (scripts/test-all.sh starts both).
#
# The program's output goes through a file: Wine may start helper processes
# (services, the desktop) that outlive the program and would hold a pipe
# open, keeping whoever reads the output waiting.
output=$(mktemp)
# Without the crash debugger a crash fails the program instead of being
# reported, with exit code 0, by winedbg.
WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winedbg.exe=d}" wine "$@" >"$output" 2>&1 </dev/null
status=$?
cat "$output"
rm -f "$output"
exit $status
