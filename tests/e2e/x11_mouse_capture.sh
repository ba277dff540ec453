#!/usr/bin/env bash
# Dragging out of the window: while a button is held the window keeps the
# mouse (moves outside still arrive, no mouse_exit); the exit comes with the
# release outside, and the way back in is a mouse_enter at a point inside.
source "$(dirname "$0")/x11_common.bash"
start_xvfb 1024x768
xdotool mousemove 5 5

launch probe "$BIN/event-probe" --seconds 60
pid=$LAST_PID
win=$(wait_window event_probe)
out=$WORK/probe.out
wait_line "$out" '^mouse none$'

# The window's client area starts at (112, 84).
xdotool mousemove 212 134
wait_line "$out" '^event 9 100 50 0 0$'            # mouse_enter
xdotool mousedown 1
wait_line "$out" '^event 5 1 0 0 0$'
xdotool mousemove 1000 700                          # out past the right and bottom edges
wait_line "$out" '^event 4 888 616 '               # still a move, in client coordinates
xdotool mousemove 1010 710
wait_line "$out" '^event 4 898 626 10 10$'
grep -q '^event 10 ' "$out" && fail "mouse_exit while the button was held"
[ "$(grep -c '^event 9 ' "$out")" = 1 ] || fail "a second mouse_enter while dragging outside"

xdotool mouseup 1
wait_line "$out" '^event 6 1 0 0 0$'
wait_line "$out" '^event 10 0 0 0 0$'              # the exit comes with the release
grep -A1 '^event 6 1 0 0 0$' "$out" | tail -n 1 | grep -qx 'event 10 0 0 0 0' ||
    fail "mouse_exit does not follow the release"
xdotool mousemove 1000 710
sleep 0.3
[ "$(grep -c '^event 9 ' "$out")" = 1 ] || fail "a mouse_enter at a point outside the window"

xdotool mousemove 312 234                           # back in
wait_line "$out" '^event 9 200 150 0 0$'

# A drag that comes back in before the release leaves nothing behind.
xdotool mousedown 1
xdotool mousemove 1000 700
wait_line "$out" '^event 4 888 616 '
xdotool mousemove 320 240
wait_line "$out" '^event 4 208 156 '
xdotool mouseup 1
for tries in $(seq 1 200); do
    [ "$(grep -c '^event 6 1 0 0 0$' "$out")" = 2 ] && break
    sleep 0.05
done
[ "$(grep -c '^event 6 1 0 0 0$' "$out")" = 2 ] || fail "no second release"
sleep 0.3
[ "$(grep -c '^event 10 ' "$out")" = 1 ] || fail "mouse_exit after a release inside the window"

wait_focus "$win"
xdotool key q
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
echo "PASS"
