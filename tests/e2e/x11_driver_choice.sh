#!/usr/bin/env bash
# The driver choice in a real X server: VZGFX=null opens no window and still
# works in memory; "gdi" in any case picks the GDI driver; a name that is no
# driver, or "OpenGL" for a screen without the opengl flag, still ends on GDI
# (DirectX is tried and fails); without a display no driver starts.
source "$(dirname "$0")/x11_common.bash"
start_xvfb 1024x768

VZGFX=null launch null "$BIN/event-probe" --seconds 1.5
pid=$LAST_PID
for i in $(seq 1 20); do
    xdotool search --name '^event_probe$' >/dev/null 2>&1 && fail "VZGFX=null opened a window"
    sleep 0.05
done
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "VZGFX=null: exit code $EXIT_CODE"
grep -qx 'driver Null' "$WORK/null.out" || fail "VZGFX=null: $(head -n 1 "$WORK/null.out")"
grep -qx 'timeout' "$WORK/null.out" || fail "VZGFX=null: the probe did not run to its end"

for name in gdi GDI Gdi nonsense OpenGL; do
    VZGFX=$name launch "choice_$name" "$BIN/event-probe" --seconds 30
    pid=$LAST_PID
    win=$(wait_window event_probe)
    wait_line "$WORK/choice_$name.out" '^driver '
    wait_focus "$win"
    grep -qx 'driver GDI' "$WORK/choice_$name.out" || fail "VZGFX=$name: $(head -n 1 "$WORK/choice_$name.out")"
    xdotool key Escape
    wait_exit "$pid" 20
    [ "$EXIT_CODE" = 0 ] || fail "VZGFX=$name: exit code $EXIT_CODE"
    grep -qx 'key 27' "$WORK/choice_$name.out" || fail "VZGFX=$name: Escape did not arrive as 27"
done

# No display at all: every driver fails and no screen opens.
code=0
env -u DISPLAY "$BIN/event-probe" --seconds 1 >"$WORK/nodisplay.out" 2>&1 || code=$?
[ "$code" = 1 ] || fail "without a display: exit code $code"
grep -qx 'no screen' "$WORK/nodisplay.out" || fail "without a display: $(cat "$WORK/nodisplay.out")"
echo "PASS"
