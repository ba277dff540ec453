# The desktop's display mode survives a fullscreen program, whatever the user
# does with it: Alt+Enter back and forth, another window brought to the front,
# the window minimised, a close request arriving during a mode change, a close
# request right at a fullscreen start. Everything runs in a 1024 x 768 Wine
# virtual desktop; the program asks for 800 x 600 x 32. The mode is read
# inside the desktop with EnumDisplaySettings (win32-control mode).
# Sourced by one script per driver, with MODE_DRIVER set.
source "$(dirname "${BASH_SOURCE[0]}")/win32_common.bash"
start_xvfb 1024x768

: "${MODE_DRIVER:?set by the script}"
DESK=1024x768x32
PROG=800x600x32
export VZGFX=$MODE_DRIVER WINE_DESKTOP=1024x768

control() {
    "${WINE_RUN[@]}" "$BIN/win32-control.exe" "$@" | tr -d '\r'
}

# Waits up to $2 seconds until the desktop is in mode $1; $3 says when.
wait_mode() {
    local want=$1 seconds=$2 what=$3 got="" start=$SECONDS
    while [ $((SECONDS - start)) -le $((seconds * TIME_SCALE)) ]; do
        got=$(control mode)
        [ "$got" = "$want" ] && return 0
        sleep 0.2
    done
    fail "$MODE_DRIVER, $what: the desktop is in mode $got, not $want"
}

# Types Alt+Enter into the program and waits up to 20 s until the desktop is
# in mode $1; $2 says when. One process types the keys and reads the mode:
# with a fresh process started for each reading, Wine's virtual desktop now
# and then kept its old mode while the program's window took the new one.
alt_enter_to() {
    local got
    got=$(control alt-enter-mode event_probe "$1" $((20 * TIME_SCALE)))
    [ "$got" = "$1" ] || fail "$MODE_DRIVER, $2: the desktop is in mode $got, not $1"
}

# Waits until the program's rebuilt window is in front: framed ($1 framed,
# windowed) or without a frame ($1 popup, fullscreen); $2 says when. Alt+Enter
# back to the window gives the desktop its mode back before the new window
# exists, and keys typed in between reach no window.
wait_ready() {
    [ "$(control ready event_probe "$1")" = ready ] ||
        fail "$MODE_DRIVER, $2: the program's window is not in front"
}

# A windowed probe that a close request ends (its first key is the close key).
start_probe() {
    PROBE_RUN=$((${PROBE_RUN:-0} + 1))
    launch_exe "probe$PROBE_RUN" event-probe --keys 1 --seconds $((120 * TIME_SCALE)) "$@"
    PROBE_PID=$LAST_PID
    PROBE_OUT="$WORK/probe$PROBE_RUN.out"
    wait_line "$PROBE_OUT" '^driver ' 60
    tr -d '\r' <"$PROBE_OUT" | grep -qx "driver $MODE_DRIVER" ||
        fail "the driver is $(tr -d '\r' <"$PROBE_OUT" | grep '^driver'), not $MODE_DRIVER"
}

end_probe() {
    control close event_probe || fail "$MODE_DRIVER: no window to close"
    wait_exit "$PROBE_PID" 30
    [ "$EXIT_CODE" = 0 ] || fail "$MODE_DRIVER: exit code $EXIT_CODE after the close request"
}

# 1. Alt+Enter back and forth: the program's mode, then the desktop's, twice.
start_probe
wait_mode "$DESK" 10 "windowed at the start"
for round in 1 2; do
    alt_enter_to "$PROG" "Alt+Enter to fullscreen ($round)"
    wait_ready popup "Alt+Enter to fullscreen ($round)"
    alt_enter_to "$DESK" "Alt+Enter back to the window ($round)"
    wait_ready framed "Alt+Enter back to the window ($round)"
done
echo "ok: Alt+Enter back and forth"

# 2. Another window in front of the fullscreen program: the desktop's mode
# while it is there, the program's again once it is gone.
alt_enter_to "$PROG" "Alt+Enter to fullscreen"
wait_ready popup "Alt+Enter to fullscreen"
while_other=$(control other 2)
[ "$while_other" = "$DESK" ] || fail "$MODE_DRIVER: mode $while_other while another window is in front, not $DESK"
wait_mode "$PROG" 20 "the program back in front"
echo "ok: another window in front"

# 3. Minimised: the desktop's mode.
control minimise event_probe
wait_mode "$DESK" 20 "the program minimised"
end_probe
wait_mode "$DESK" 10 "after the program ended"
echo "ok: minimised"

# 4. A close request arriving while Alt+Enter changes the mode: the program
# ends with 0 and the desktop has its mode.
start_probe
control alt-enter-close event_probe
wait_exit "$PROBE_PID" 30
[ "$EXIT_CODE" = 0 ] || fail "$MODE_DRIVER: exit code $EXIT_CODE after a close during Alt+Enter"
wait_mode "$DESK" 10 "after a close during Alt+Enter"
echo "ok: close during a mode change"

# 5. A close request as soon as a fullscreen program's window exists.
start_probe --flags 1
control close event_probe || fail "$MODE_DRIVER: no fullscreen window to close"
wait_exit "$PROBE_PID" 30
[ "$EXIT_CODE" = 0 ] || fail "$MODE_DRIVER: exit code $EXIT_CODE after a close at the fullscreen start"
wait_mode "$DESK" 10 "after a close at the fullscreen start"
echo "ok: close at the fullscreen start"
echo "PASS"
