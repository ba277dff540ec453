#!/usr/bin/env bash
# The mouse through a real X server into the event ring and get_mouse, as the
# probe program reports them; a key ends the probe.
source "$(dirname "$0")/x11_common.bash"
start_xvfb 1024x768
xdotool mousemove 5 5  # start outside the window

launch probe "$BIN/event-probe" --seconds 60
pid=$LAST_PID
win=$(wait_window event_probe)
out=$WORK/probe.out
wait_line "$out" '^mouse none$'

# The window's client area starts at (112, 84).
xdotool mousemove 212 134
wait_line "$out" '^event 9 100 50 0 0$'            # mouse_enter with the position
wait_line "$out" '^mouse 100 50 0 0 0$'
xdotool mousemove 222 137
wait_line "$out" '^event 4 110 53 10 3$'           # mouse_move with the screen difference

xdotool mousedown 1
wait_line "$out" '^event 5 1 0 0 0$'
wait_line "$out" '^mouse 110 53 0 1 0$'            # get_mouse sees the held button
xdotool mouseup 1
wait_line "$out" '^event 6 1 0 0 0$'
xdotool click 3
wait_line "$out" '^event 5 2 0 0 0$'
xdotool click 2
wait_line "$out" '^event 5 4 0 0 0$'
xdotool click --repeat 2 --delay 80 1
wait_line "$out" '^event 7 1 0 0 0$'               # a double click

xdotool click 4 click 4
wait_line "$out" '^event 8 2 0 0 0$'               # one step per wheel message
xdotool click 5
wait_line "$out" '^event 8 1 0 0 0$'
wait_line "$out" '^mouse 110 53 1 0 0$'
xdotool click 6
wait_line "$out" '^event 14 -1 0 0 0$'             # horizontal wheel
xdotool click 8
wait_line "$out" '^event 5 8 0 0 0$'               # first extra button
wait_line "$out" '^event 6 8 0 0 0$'

xdotool mousemove 5 5
wait_line "$out" '^event 10 0 0 0 0$'              # mouse_exit
wait_line "$out" '^mouse none$'

wait_focus "$win"
xdotool key Left
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
grep -qx 'event 1 75 0 0 0' "$out" || fail "no key_press with scancode 75"
grep -qx 'key 19455' "$out" || fail "Left did not arrive as 0x4BFF"

# set_mouse: the cursor is moved to a client position and confined there.
xdotool mousemove 5 5
launch place "$BIN/event-probe" --seconds 60 --place 30,40
pid=$LAST_PID
win=$(wait_window event_probe)
out=$WORK/place.out
wait_line "$out" '^place 0$'
wait_line "$out" '^event 9 30 40 0 0$'
wait_line "$out" '^mouse 30 40 0 0 1$'             # clipped
[ "$(xdotool getmouselocation | cut -d' ' -f1-2)" = "x:142 y:124" ] || fail "the cursor was not moved to (30, 40)"
xdotool mousemove 5 5
wait_line "$out" '^mouse 0 0 0 0 1$'               # held at the window's corner
xdotool mousemove 1000 760
wait_line "$out" '^mouse 799 599 0 0 1$'
[ "$(xdotool getmouselocation | cut -d' ' -f1-2)" = "x:911 y:683" ] || fail "the cursor left the window"
wait_focus "$win"
xdotool key q
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
# Freed at the end.
xdotool mousemove 5 5
[ "$(xdotool getmouselocation | cut -d' ' -f1-2)" = "x:5 y:5" ] || fail "the cursor stayed confined after the end"

echo "PASS"
