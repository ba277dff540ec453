#!/usr/bin/env bash
# The window manager's close request (a WM_DELETE_WINDOW client message) puts
# the close key 0x6BFF (27647) in the key queue and a window_close event (13)
# in the event ring; the window stays open until the program ends. A window
# destroyed from outside counts as the same request.
source "$(dirname "$0")/x11_common.bash"
start_xvfb 1024x768

launch probe "$BIN/event-probe" --seconds 30
pid=$LAST_PID
win=$(wait_window event_probe)
wait_line "$WORK/probe.out" '^driver GDI$'
"$BIN/x11-control" close "$win" || fail "the close request could not be sent"
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
grep -qx 'event 13 0 0 0 0' "$WORK/probe.out" || { cat "$WORK/probe.out"; fail "no window_close event"; }
grep -qx 'key 27647' "$WORK/probe.out" || { cat "$WORK/probe.out"; fail "the close key was not the key read"; }
# Nothing else ended it: the event came before the key.
close_line=$(grep -nx 'event 13 0 0 0 0' "$WORK/probe.out" | cut -d: -f1)
key_line=$(grep -nx 'key 27647' "$WORK/probe.out" | cut -d: -f1)
[ "$close_line" -lt "$key_line" ] || fail "the key was read before the close event"

# A window destroyed from outside asks the program to close the same way.
launch destroyed "$BIN/event-probe" --seconds 30
pid=$LAST_PID
win=$(wait_window event_probe)
wait_line "$WORK/destroyed.out" '^driver GDI$'
xdotool windowclose "$win"
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "after the window was destroyed: exit code $EXIT_CODE"
grep -qx 'key 27647' "$WORK/destroyed.out" || fail "a destroyed window did not post the close key"
echo "PASS"
