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

sleep 1
shot "$win" "$WORK/a.png"
sleep 0.5
shot "$win" "$WORK/b.png"
lit=$(lit_pixels "$WORK/a.png")
[ "$lit" -gt 100 ] || fail "only $lit lit pixels: the page is not shown"
[ "$(blue_max "$WORK/a.png")" -gt 0 ] || fail "no pixel has blue"
cmp -s "$WORK/a.png" "$WORK/b.png" && fail "the picture did not change: frames are not presented"

xdotool key space
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "a key ended the program with exit code $EXIT_CODE"
xdotool search --name '^particles$' >/dev/null 2>&1 && fail "the window is still there after the end"

# The close request (WM_DELETE_WINDOW) counts as a key.
launch particles2 "$BIN/particles"
pid=$LAST_PID
win=$(wait_window particles)
sleep 0.5
"$BIN/x11-control" close "$win" || fail "the close request could not be sent"
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "the close request ended the program with exit code $EXIT_CODE"
echo "PASS"
