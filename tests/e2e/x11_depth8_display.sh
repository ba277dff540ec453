#!/usr/bin/env bash
# An X server whose default visual is 8-bit PseudoColor: the window takes the
# server's 8-bit TrueColor visual and shows a 32-bit page through it, each
# component cut to its top bits (3 red, 3 green, 2 blue).
source "$(dirname "$0")/x11_common.bash"
XVFB_DEPTH=8 start_xvfb 1024x768

launch probe "$BIN/event-probe" --seconds 60
pid=$LAST_PID
win=$(wait_window event_probe)
out=$WORK/probe.out
wait_line "$out" '^driver GDI$'
# The probe fills its page with 0x2060C0: red 0x20 -> 1 of 7, green 0x60 ->
# 3 of 7, blue 0xC0 -> 3 of 3; the server shows them as 36, 109, 255.
for tries in $(seq 1 40); do
    shot "$win" "$WORK/shot.png"
    colour=$(pixel_at "$WORK/shot.png" 400 300)
    [ "$colour" = "36,109,255" ] && break
    sleep 0.25
done
[ "$colour" = "36,109,255" ] || fail "the window shows $colour, not 36,109,255"
wait_focus "$win"
xdotool key q
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"

# The simulation itself opens its window and draws.
launch particles "$BIN/particles"
pid=$LAST_PID
win=$(wait_window particles)
wait_presenting "$win" "particles on an 8-bit display"
wait_focus "$win"
xdotool key space
wait_exit "$pid" 30
[ "$EXIT_CODE" = 0 ] || fail "particles: exit code $EXIT_CODE"
grep -q '52231.78' "$WORK/particles.out" && fail "the seed went to the console: no window"
echo "PASS"
