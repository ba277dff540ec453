#!/usr/bin/env bash
# The X server going away under a running program (killed, the connection
# lost) ends the program cleanly: the close key 0x6BFF (27647) is read and
# the program ends with exit code 0, without hanging or crashing. Once for a
# screen with an update thread (GDI) and once for one that polls (OpenGL).
source "$(dirname "$0")/x11_common.bash"
export LIBGL_ALWAYS_SOFTWARE=1
# Under ThreadSanitizer: the software renderer's own threads are not ours to
# check; and when the program carries on after a lost connection, Xlib
# releases the display's mutex before its error handlers run, so the X client
# library call that met the loss (in libX11, its extension libraries or the
# GL library's GLX side) releases it once more on its way out. That is Xlib's
# own documented way of going on, not ours.
printf 'race:swrast_dri.so\ncalled_from_lib:swrast_dri.so\nmutex:libX\nmutex:libGL\n' >"$WORK/tsan.supp"
export TSAN_OPTIONS="${TSAN_OPTIONS:+$TSAN_OPTIONS }suppressions=$WORK/tsan.supp"

for flags in 0 2; do
    start_xvfb 1024x768
    launch "probe_$flags" "$BIN/event-probe" --flags "$flags" --seconds 120
    pid=$LAST_PID
    wait_window event_probe >/dev/null
    wait_line "$WORK/probe_$flags.out" '^driver (GDI|OpenGL)$'
    # SIGKILL: the server cannot say goodbye, the connection just breaks.
    kill -KILL "$XVFB_PID"
    stop_xvfb
    wait_exit "$pid" 60
    [ "$EXIT_CODE" = 0 ] || { cat "$WORK/probe_$flags.err" >&2; fail "flags $flags: exit code $EXIT_CODE"; }
    grep -qx 'key 27647' "$WORK/probe_$flags.out" || fail "flags $flags: the close key was not read"
    grep -q '^timeout$' "$WORK/probe_$flags.out" && fail "flags $flags: the probe ran to its time limit"
done

# The simulation ends with exit code 0 as well.
start_xvfb 1024x768
launch particles "$BIN/particles"
pid=$LAST_PID
wait_window particles >/dev/null
kill -KILL "$XVFB_PID"
stop_xvfb
wait_exit "$pid" 60
[ "$EXIT_CODE" = 0 ] || { cat "$WORK/particles.err" >&2; fail "the simulation ended with $EXIT_CODE"; }
echo "PASS"
