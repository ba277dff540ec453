#!/usr/bin/env bash
# The simulation in a real X server: an 800 x 600 window titled "particles"
# shows moving particles (lit pixels with blue, different from one moment to
# the next); a key press ends it with exit code 0; so does the window
# manager's close request.
source "$(dirname "$0")/x11_common.bash"
start_xvfb 1024x768

launch particles "$BIN/particles"
pid=$LAST_PID
win=$(wait_window particles)
read -r w h x y override < <(window_geometry "$win")
[ "$w $h" = "800 600" ] || fail "window is ${w}x${h}, not 800x600"
[ "$x $y" = "112 84" ] || fail "window at $x,$y, not centred at 112,84"
xprop -id "$win" WM_CLASS | grep -q '"vzgfxclass_particles"' || fail "class name is not vzgfxclass_particles"

wait_presenting "$win" "the simulation"
[ "$(blue_max "$WORK/p1.png")" -gt 0 ] || fail "no pixel has blue"

wait_focus "$win"
xdotool key space
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "a key ended the program with exit code $EXIT_CODE"
xdotool search --name '^particles$' >/dev/null 2>&1 && fail "the window is still there after the end"

# The close request (WM_DELETE_WINDOW) counts as a key.
launch particles2 "$BIN/particles"
pid=$LAST_PID
win=$(wait_window particles)
"$BIN/x11-control" close "$win" || fail "the close request could not be sent"
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "the close request ended the program with exit code $EXIT_CODE"
echo "PASS"
