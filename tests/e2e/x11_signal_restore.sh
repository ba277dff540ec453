#!/usr/bin/env bash
# A fullscreen program ended by a termination signal, or by another client
# killing its connection, leaves the display as it found it: the mode and,
# on a server without the screen saver extension, the screen-saver timeout.
source "$(dirname "$0")/x11_common.bash"
XVFB_ARGS="-extension MIT-SCREEN-SAVER" start_xvfb 1024x768
"$BIN/x11-control" add-mode 800 600 || fail "cannot add the 800 x 600 mode"
"$BIN/x11-control" saver 600 || fail "cannot set the screen-saver timeout"

saver_timeout() { "$BIN/x11-control" saver; }
[ "$(saver_timeout)" = 600 ] || fail "the server did not take the timeout"

# Starts the probe fullscreen and waits until the display is in its mode.
start_fullscreen() {
    # A background job starts with SIGINT and SIGQUIT ignored; the probe gets
    # the default handling a program started from a terminal has.
    launch "$1" env --default-signal=INT,QUIT "$BIN/event-probe" --seconds 60 --flags 1
    PID=$LAST_PID
    wait_line "$WORK/$1.out" '^driver GDI$'
    wait_output 800x600+0+0 "$BIN/x11-control crtc"
    [ "$(saver_timeout)" = 0 ] || fail "$1: the screen saver is still on"
}

expect_restored() {
    wait_output 1024x768+0+0 "$BIN/x11-control crtc"
    [ "$(saver_timeout)" = 600 ] || fail "$1: screen-saver timeout $(saver_timeout), not 600"
}

for signal in TERM HUP INT QUIT; do
    start_fullscreen "sig$signal"
    kill -s "$signal" "$PID"
    wait_exit "$PID" 20
    want=$((128 + $(kill -l "$signal")))
    [ "$EXIT_CODE" = "$want" ] || fail "SIG$signal: exit status $EXIT_CODE, not $want"
    expect_restored "SIG$signal"
done

# A signal the process ignores (nohup) stays ignored.
launch nohup env --ignore-signal=HUP "$BIN/event-probe" --seconds 60 --flags 1
PID=$LAST_PID
wait_output 800x600+0+0 "$BIN/x11-control crtc"
kill -s HUP "$PID"
sleep 0.5
kill -0 "$PID" 2>/dev/null || fail "an ignored SIGHUP ended the program"
kill -s TERM "$PID"
wait_exit "$PID" 20
expect_restored "after an ignored SIGHUP"

# Another client kills the connection: the program is asked to close and
# puts the display back through a connection of its own.
# After the connection dies Xlib releases its display mutex a second time;
# ThreadSanitizer builds are told it is the library's (as in the server-loss test).
printf 'mutex:libX\n' >"$WORK/tsan.supp"
export TSAN_OPTIONS="${TSAN_OPTIONS:+$TSAN_OPTIONS }suppressions=$WORK/tsan.supp"
start_fullscreen killed
win=$(xdotool search --name '^event_probe$' | head -n 1)
xkill -id "$win" >/dev/null
wait_exit "$PID" 20
[ "$EXIT_CODE" = 0 ] || fail "killed connection: exit code $EXIT_CODE"
expect_restored "killed connection"
echo "PASS"
