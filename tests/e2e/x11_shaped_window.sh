#!/usr/bin/env bash
# A shaped screen (flag 0x10): the colour key magenta is transparent. The
# probe paints the left half of its page magenta and the right half
# blue-grey; on a black root window the left half shows the root through.
source "$(dirname "$0")/x11_common.bash"
XVFB_ARGS="-br" start_xvfb 1024x768

launch probe "$BIN/event-probe" --seconds 60 --flags 0x10 --fill 0x2060C0 --left 0xFF00FF
pid=$LAST_PID
win=$(wait_window event_probe)
out=$WORK/probe.out
wait_line "$out" '^driver GDI$'
# The client area starts at (112, 84) on the root window.
for tries in $(seq 1 40); do
    shot root "$WORK/root.png"
    left=$(pixel_at "$WORK/root.png" 212 384)
    right=$(pixel_at "$WORK/root.png" 712 384)
    [ "$left,$right" = "0,0,0,32,96,192" ] && break
    sleep 0.25
done
[ "$right" = "32,96,192" ] || fail "the opaque half shows $right, not 32,96,192"
[ "$left" = "0,0,0" ] || fail "the colour key shows $left, not the black root"
# The pointer over the cut-out half is over the root, not the window.
xdotool mousemove 212 384
sleep 0.3
[ "$(xdotool getmouselocation --shell | sed -n 's/^WINDOW=//p')" != "$win" ] ||
    fail "the transparent half still takes the pointer"
xdotool mousemove 712 384
wait_focus "$win"
xdotool key q
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
echo "PASS"
