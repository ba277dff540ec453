#!/usr/bin/env bash
# Which driver serves the screen under Wine: DirectX when none is named, the
# named one otherwise ("OpenGL" only for a screen with the opengl flag; without
# it the choice goes on to DirectX); with DirectDraw unavailable (the DLL disabled) the
# DirectX attempt fails and GDI takes over. Keys reach the program with their
# codes (a letter, and Left as an extended code). DirectDraw fullscreen runs
# inside a Wine virtual desktop.
source "$(dirname "$0")/win32_common.bash"
start_xvfb 1024x768

# Whether output file $1 has the line $2 (Windows programs end lines with CR LF).
has_line() {
    tr -d '\r' <"$1" | grep -qx "$2"
}

# Starts event-probe with the driver $1 (and more arguments), waits for its
# "driver" line and leaves the process id in PROBE_PID.
probe() {
    local driver=$1
    shift
    PROBE_RUN=$((${PROBE_RUN:-0} + 1))
    VZGFX=$driver launch_exe "probe$PROBE_RUN" event-probe "$@"
    PROBE_PID=$LAST_PID
    PROBE_OUT="$WORK/probe$PROBE_RUN.out"
    wait_line "$PROBE_OUT" '^driver ' 60
}

for case in ":DirectX:0" "DirectX:DirectX:0" "GDI:GDI:0" "OpenGL:DirectX:0" "OpenGL:OpenGL:2"; do
    IFS=: read -r driver expected flags <<<"$case"
    probe "$driver" --flags "$flags"
    has_line "$PROBE_OUT" "driver $expected" || fail "VZGFX='$driver': $(tr -d '\r' <"$PROBE_OUT" | grep '^driver'), not $expected"
    win=$(wait_window event_probe 30)
    xdotool windowfocus --sync "$win" 2>/dev/null || true
    wait_focus "$win"
    xdotool key a
    wait_exit "$PROBE_PID" 30
    [ "$EXIT_CODE" = 0 ] || fail "VZGFX='$driver': exit code $EXIT_CODE"
    has_line "$PROBE_OUT" "key 97" || fail "VZGFX='$driver': the key 'a' did not arrive as 97"
    echo "ok: VZGFX='$driver' gives $expected"
done

# Left arrives as its extended code 0x4BFF (19455).
probe GDI --keys 1
win=$(wait_window event_probe 30)
xdotool windowfocus --sync "$win" 2>/dev/null || true
wait_focus "$win"
xdotool key Left
wait_exit "$PROBE_PID" 30
has_line "$PROBE_OUT" "key 19455" || fail "Left did not arrive as 19455: $(tr -d '\r' <"$PROBE_OUT" | grep '^key')"
echo "ok: Left"

# Without DirectDraw the DirectX driver fails and GDI follows.
WINEDLLOVERRIDES="ddraw=d" probe DirectX --seconds $((3 * TIME_SCALE))
has_line "$PROBE_OUT" "driver GDI" || fail "without ddraw.dll: $(tr -d '\r' <"$PROBE_OUT" | grep '^driver'), not GDI"
wait_exit "$PROBE_PID" 30
echo "ok: without ddraw.dll GDI serves"

# Fullscreen DirectDraw (flag 1) inside a 1024 x 768 virtual desktop.
WINE_DESKTOP=1024x768 probe DirectX --flags 1 --seconds $((4 * TIME_SCALE))
has_line "$PROBE_OUT" "driver DirectX" || fail "fullscreen: $(tr -d '\r' <"$PROBE_OUT" | grep '^driver'), not DirectX"
wait_exit "$PROBE_PID" 40
echo "ok: DirectDraw fullscreen"
echo "PASS"
