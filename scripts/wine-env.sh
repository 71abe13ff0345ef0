# Sourced by the scripts: a virtual X display and a fresh Wine prefix for the
# Windows program and its tests, both torn down when the script exits.

# Starts Xvfb on the first free display number and exports DISPLAY.
start_virtual_display() {
  local number=${KORVEL_DISPLAY_NUMBER:-91}
  while :; do
    while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
      number=$((number + 1))
    done
    Xvfb ":$number" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
    KORVEL_XVFB_PID=$!
    export DISPLAY=":$number"
    local waited=0
    until ! kill -0 "$KORVEL_XVFB_PID" 2>/dev/null || xdpyinfo >/dev/null 2>&1; do
      sleep 0.2
      waited=$((waited + 1))
      if [ "$waited" -gt 100 ]; then
        echo "Xvfb did not start on $DISPLAY" >&2
        return 1
      fi
    done
    # A server that no file here shows (one outside a chroot, say) may hold
    # the number: ours then ends within moments, and the display answering
    # is not ours.
    sleep 0.5
    kill -0 "$KORVEL_XVFB_PID" 2>/dev/null && return 0
    number=$((number + 1))
  done
}

# Creates a fresh Wine prefix, exports WINEPREFIX, and keeps its wineserver
# running so that each test process starts quickly.
start_wine_prefix() {
  export WINEPREFIX
  WINEPREFIX=$(mktemp -d /tmp/korvel-wine.XXXXXX)
  # No crash debugger: an unhandled exception must end the program with a
  # failing exit code, not be caught and reported as success.
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  wineserver -p >/dev/null 2>&1
}

stop_wine_and_display() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    case "$WINEPREFIX" in /tmp/korvel-wine.*) rm -rf "$WINEPREFIX" ;; esac
  fi
  if [ -n "${KORVEL_XVFB_PID:-}" ]; then
    kill "$KORVEL_XVFB_PID" 2>/dev/null || true
  fi
}
