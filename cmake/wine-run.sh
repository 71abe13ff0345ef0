#!/bin/sh
# Runs a Windows program built here under Wine, quietly. The caller provides
# WINEPREFIX and DISPLAY (scripts/test-all.sh starts both).
WINEDEBUG="${WINEDEBUG:--all}" exec wine "$@"
