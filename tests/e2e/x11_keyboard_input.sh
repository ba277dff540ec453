#!/usr/bin/env bash
# Keys through a real X server: the key codes the program reads and the
# key_press events with their set-1 scancodes and characters.
source "$(dirname "$0")/x11_common.bash"
start_xvfb 1024x768
# A key of its own for the accented letter, mapped before the program starts.
"$BIN/x11-control" map-key eacute >/dev/null || fail "cannot map eacute"

launch keys "$BIN/event-probe" --seconds 60 --keys 29
pid=$LAST_PID
win=$(wait_window event_probe)
out=$WORK/keys.out
wait_line "$out" '^driver GDI$'
wait_focus "$win"
expect_key() {  # xdotool key name, the code read, the key_press event or "-"
    xdotool key "$1"
    wait_line "$out" "^key $2\$"
    if [ "$3" != - ]; then grep -qx "event 1 $3 0 0" "$out" || fail "$1: no key_press '$3'"; fi
    return 0
}
expect_key a 97 "30 97"
expect_key shift+a 65 "30 65"
expect_key ctrl+c 3 "46 3"
expect_key Left 19455 "75 0"             # 0x4BFF, extended
expect_key KP_Enter 13 "28 13"
expect_key Home 18431 "71 0"             # 0x47FF
expect_key F1 15359 "59 0"               # 0x3BFF
expect_key alt+x 11775 "45 0"            # 0x2DFF
expect_key Delete 21503 "83 0"           # 0x53FF
expect_key eacute -126 -                 # 0x82 in code page 437, as a signed byte
# Control combinations and Shift+Tab: each press reads exactly the codes
# given (none at all for "-"), checked by the key lines that follow.
expect_keys() {  # xdotool key name, the key_press event, the codes read in order or "-"
    local before want got tries
    before=$(grep -c '^key ' "$out" || true)
    want=$3
    [ "$want" = - ] && want=""
    xdotool key "$1"
    # A plain letter after the press shows that every code of the press has arrived.
    xdotool key q
    for tries in $(seq 1 200); do
        got=$(grep '^key ' "$out" | tail -n +$((before + 1)) | sed 's/^key //' | tr '\n' ' ')
        case "$got" in *"113 "*) break ;; esac
        sleep 0.05
    done
    [ "$got" = "${want:+$want }113 " ] || fail "$1: read '$got', not '${want:+$want }113'"
    grep -qx "event 1 $2 0 0" "$out" || fail "$1: no key_press '$2'"
}
expect_keys shift+Tab "15 0" "4095 9"     # 0x0FFF, then the tab character
expect_keys ctrl+space "57 32" 32
expect_keys ctrl+Return "28 10" 10        # a line feed
expect_keys ctrl+KP_Enter "28 10" 10
expect_keys ctrl+BackSpace "14 127" 127
expect_keys ctrl+shift+6 "7 30" 30
expect_keys ctrl+3 "4 0" -
expect_keys ctrl+1 "2 0" -
expect_keys ctrl+minus "12 0" -
expect_keys ctrl+comma "51 0" -
expect_keys ctrl+semicolon "39 0" -
expect_key Escape 27 "1 27"
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
# Alt itself and F10 post no event.
grep -q '^event 1 56 ' "$out" && fail "Alt posted an event"
echo "PASS"
