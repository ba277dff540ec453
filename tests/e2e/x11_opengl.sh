#!/usr/bin/env bash
# An OpenGL screen under the server's GLX (Mesa's software renderer): the
# example clears with GL, flips its frames and reads back the last colour;
# the probe on an OpenGL screen gets its input when it flips, and Alt+Enter
# restyles its one window to fullscreen and back.
source "$(dirname "$0")/x11_common.bash"
start_xvfb 1024x768
export LIBGL_ALWAYS_SOFTWARE=1
# Under ThreadSanitizer: the software renderer's own threads are not ours to
# check (the library is not instrumented).
printf 'race:swrast_dri.so\ncalled_from_lib:swrast_dri.so\n' >"$WORK/tsan.supp"
export TSAN_OPTIONS="${TSAN_OPTIONS:+$TSAN_OPTIONS }suppressions=$WORK/tsan.supp"

code=0
timeout 60 "$BIN/gl-clear" >"$WORK/gl.out" 2>"$WORK/gl.err" || code=$?
cat "$WORK/gl.out"
[ "$code" = 0 ] || { cat "$WORK/gl.err" >&2; fail "gl-clear ended with $code"; }
grep -qx 'driver OpenGL' "$WORK/gl.out" || fail "not on the OpenGL driver"
grep -qx 'pixel 255 6[34] 0' "$WORK/gl.out" || fail "the cleared colour did not come back"
grep -qx 'frames 30' "$WORK/gl.out" || fail "not every frame was shown"

"$BIN/x11-control" add-mode 800 600 || fail "could not add an 800x600 mode"
xdotool mousemove 5 5  # start outside the window
launch probe "$BIN/event-probe" --flags 2 --seconds 60
pid=$LAST_PID
win=$(wait_window event_probe)
wait_line "$WORK/probe.out" '^driver OpenGL$'
xdotool mousemove 300 300
wait_line "$WORK/probe.out" '^event 9 188 216 0 0$'
wait_focus "$win"
xdotool key alt+Return
wait_geometry "$win" "800 600 0 0 yes"
[ "$(wait_window event_probe)" = "$win" ] || fail "the window was replaced, not restyled"
wait_output "800x600+0+0" "$BIN/x11-control crtc"
xdotool key alt+Return
wait_geometry "$win" "800 600 112 84 no"
wait_output "1024x768+0+0" "$BIN/x11-control crtc"
xdotool key c
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "the probe ended with $EXIT_CODE"
grep -qx 'key 99' "$WORK/probe.out" || fail "the key did not arrive"
[ "$(grep -c '^event 10 ' "$WORK/probe.out")" = 2 ] || fail "not one mouse_exit per toggle"
echo "PASS"
