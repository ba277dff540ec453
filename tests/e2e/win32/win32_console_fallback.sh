#!/usr/bin/env bash
# The Windows simulation with no display: no driver can open a window, so the
# frame loop runs on the text console, the piped key ends it after one frame,
# and the seed is printed, exit code 0.
source "$(dirname "$0")/win32_common.bash"

out="$WORK/console.out"
status=0
printf x | WINE_NO_DISPLAY=1 VZGFX= timeout $((120 * TIME_SCALE)) "${WINE_RUN[@]}" "$BIN/particles.exe" >"$out" || status=$?
[ "$status" = 0 ] || fail "exit code $status, expected 0"
# The seed line, as the Linux build prints it; the Windows console output
# may turn the line end into CR CR LF, so only the text before it counts.
actual="$(od -An -tx1 -v "$out" | tr -s ' \n' ' ' | sed 's/ $//')"
case "$actual" in
    " 20 35 32 32 33 31 2e 37 38 0d 0a" | " 20 35 32 32 33 31 2e 37 38 0d 0d 0a") ;;
    *) fail "output bytes [$actual], expected the seed 52231.78 and a line end" ;;
esac
echo "PASS"
