#!/usr/bin/env bash
# Runs a Windows program of the cross builds under Wine.
#   wine-run.sh LOADER STATE_DIR program.exe [arguments...]
# LOADER is "wine" (32-bit programs) or "wine64" (64-bit programs); STATE_DIR
# holds the Wine prefix of this build's test run (created on first use).
#
# Windows need a display: without DISPLAY the program gets a private Xvfb
# for its run. WINE_NO_DISPLAY=1 runs it with no display at all (the
# program's console fallback). WINE_DESKTOP=WxH runs it inside a Wine virtual
# desktop of that size, so that display mode changes stay inside it.
set -euo pipefail
loader=$1
state=$2
shift 2
case $loader in
  wine) exe=/usr/lib/wine/wine ;;
  wine64) exe=/usr/lib/wine/wine64 ;;
  *) echo "wine-run.sh: unknown loader $loader" >&2; exit 2 ;;
esac
export WINEPREFIX=${WINEPREFIX:-$state/prefix-$loader}
export WINEDEBUG=-all
# No .NET or HTML engines to install, and no debugger: a crash ends the
# program with an error instead of leaving it waiting in winedbg.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
export WINELOADER=$exe
mkdir -p "$state"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # One prefix per build; concurrent first uses wait for each other.
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$exe" wineboot -i >/dev/null 2>&1 || true
    fi
  ) 9>"$state/prefix.lock"
fi

xvfb_pid=""
stop_xvfb() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
if [ "${WINE_NO_DISPLAY:-0}" = 1 ]; then
  unset DISPLAY
elif [ -z "${DISPLAY:-}" ]; then
  fifo=$(mktemp -u "$state/display.XXXXXX")
  Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  trap stop_xvfb EXIT
  for _ in $(seq 1 200); do
    n=$(head -n 1 "$fifo" 2>/dev/null || true)
    [ -n "$n" ] && break
    sleep 0.05
  done
  rm -f "$fifo"
  [ -n "$n" ] || { echo "wine-run.sh: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$n"
fi

status=0
if [ -n "${WINE_DESKTOP:-}" ]; then
  "$exe" explorer "/desktop=vzgfx,$WINE_DESKTOP" "$@" || status=$?
else
  "$exe" "$@" || status=$?
fi
exit "$status"
