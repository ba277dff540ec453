#!/usr/bin/env bash
# A driver whose library is missing fails its set-up and the next driver
# serves, leaving nothing behind: without "ddraw.dll" or "dinput.dll" the
# DirectX attempt gives way to GDI, and the program then has exactly the one
# window and the threads a plain GDI program has; without "opengl32.dll" an
# OpenGL screen cannot open (no other driver takes the opengl flag) and the
# program says so and ends at once.
source "$(dirname "$0")/win32_common.bash"
start_xvfb 1024x768

# Runs event-probe for a few seconds with the driver $1 and the DLL override
# $2; leaves its driver line in DRIVER, its thread count and the number of
# windows titled event_probe (shown or hidden) in THREADS and WINDOWS.
RUN=0
inspect() {
    RUN=$((RUN + 1))
    VZGFX=$1 WINEDLLOVERRIDES=$2 launch_exe "run$RUN" event-probe --seconds $((8 * TIME_SCALE))
    local pid=$LAST_PID out="$WORK/run$RUN.out" windows_pid
    wait_line "$out" '^driver ' 60
    sleep 1
    windows_pid=$(pgrep -P "$pid" | head -n 1)
    [ -n "$windows_pid" ] || fail "$1 with '$2': no program process"
    DRIVER=$(tr -d '\r' <"$out" | grep '^driver')
    THREADS=$(ls "/proc/$windows_pid/task" | wc -l)
    WINDOWS=$("${WINE_RUN[@]}" "$BIN/win32-control.exe" windows event_probe | tr -d '\r')
    wait_exit "$pid" 30
    [ "$EXIT_CODE" = 0 ] || fail "$1 with '$2': exit code $EXIT_CODE"
}

inspect GDI ""
[ "$DRIVER" = "driver GDI" ] || fail "GDI named: $DRIVER"
[ "$WINDOWS" = 1 ] || fail "GDI: $WINDOWS windows"
base_threads=$THREADS
echo "ok: GDI alone has $base_threads threads and one window"

for dll in ddraw dinput; do
    inspect DirectX "$dll=d"
    [ "$DRIVER" = "driver GDI" ] || fail "without $dll.dll: $DRIVER, not GDI"
    [ "$WINDOWS" = 1 ] || fail "without $dll.dll: $WINDOWS windows titled event_probe, not 1"
    [ "$THREADS" = "$base_threads" ] || fail "without $dll.dll: $THREADS threads, GDI alone has $base_threads"
    echo "ok: without $dll.dll GDI serves, one window, $THREADS threads"
done

# No OpenGL: a screen with the opengl flag (2) does not open.
status=0
VZGFX=OpenGL WINEDLLOVERRIDES="opengl32=d" timeout $((60 * TIME_SCALE)) "${WINE_RUN[@]}" "$BIN/event-probe.exe" --flags 2 --seconds $((5 * TIME_SCALE)) \
    >"$WORK/gl.out" 2>&1 || status=$?
[ "$status" = 1 ] || fail "without opengl32.dll: exit code $status, expected 1"
tr -d '\r' <"$WORK/gl.out" | grep -qx "no screen" || fail "without opengl32.dll: $(cat "$WORK/gl.out")"
echo "ok: without opengl32.dll an OpenGL screen does not open"
echo "PASS"
