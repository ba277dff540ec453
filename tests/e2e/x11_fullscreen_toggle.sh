#!/usr/bin/env bash
# Alt+Enter toggles fullscreen and back without losing the window. With no
# window manager, fullscreen is an override-redirect window covering the
# monitor, in a display mode of the screen's size (set through RandR). Where
# the display has no such mode, the toggle falls back to the window.
source "$(dirname "$0")/x11_common.bash"
start_xvfb 1024x768

WINDOWED="800 600 112 84 no"
FULLSCREEN="800 600 0 0 yes"

# Starts the simulation and waits until its window takes keys; leaves the
# process in PID and the window in WIN.
start_particles() {
    launch "$1" "$BIN/particles"
    PID=$LAST_PID
    WIN=$(wait_window particles)
    wait_focus "$WIN"
}

# Presses Alt+Enter and waits for the window, made anew, to reach geometry
# $1 with the display in mode $2 ("-" when the mode is not checked), still
# presenting.
toggle_to() {
    xdotool key alt+Return
    WIN=$(wait_replaced "$WIN" particles)
    wait_focus "$WIN"
    wait_geometry "$WIN" "$1"
    [ "$2" = - ] || wait_output "$2" "$BIN/x11-control crtc"
    wait_presenting "$WIN" "$1"
}

end_particles() {
    xdotool key space
    wait_exit "$PID" 30
    [ "$EXIT_CODE" = 0 ] || fail "$1: exit code $EXIT_CODE"
}

# No 800 x 600 mode yet: the toggle keeps the window.
start_particles first
toggle_to "$WINDOWED" -
end_particles "first run"

"$BIN/x11-control" add-mode 800 600 || fail "could not add an 800x600 mode"
[ "$("$BIN/x11-control" crtc)" = "1024x768+0+0" ] || fail "unexpected starting mode"

start_particles second
toggle_to "$FULLSCREEN" "800x600+0+0"
toggle_to "$WINDOWED" "1024x768+0+0"
# Ending in fullscreen restores the mode too.
toggle_to "$FULLSCREEN" "800x600+0+0"
end_particles "second run"
[ "$("$BIN/x11-control" crtc)" = "1024x768+0+0" ] || fail "the mode was not restored at the end"
echo "PASS"
