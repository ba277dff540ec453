#!/usr/bin/env bash
# Alt+Enter toggles fullscreen and back without losing the window. With no
# window manager, fullscreen is an override-redirect window covering the
# monitor, in a display mode of the screen's size (set through RandR). Where
# the display has no such mode, the toggle falls back to the window.
source "$(dirname "$0")/x11_common.bash"
start_xvfb 1024x768

presenting() {  # the window's picture changes from one moment to the next
    local win=$1
    shot "$win" "$WORK/p1.png"
    sleep 0.6
    shot "$win" "$WORK/p2.png"
    [ "$(lit_pixels "$WORK/p1.png")" -gt 100 ] || fail "$2: nothing shown"
    cmp -s "$WORK/p1.png" "$WORK/p2.png" && fail "$2: frames are not presented"
    return 0
}

# No 800 x 600 mode yet: the toggle keeps the window.
launch first "$BIN/particles"
pid=$LAST_PID
win=$(wait_window particles)
sleep 0.5
xdotool key alt+Return
sleep 1
win=$(wait_window particles)
read -r w h x y override < <(window_geometry "$win")
[ "$w $h $x $y $override" = "800 600 112 84 no" ] || fail "without the mode: $w $h $x $y $override"
presenting "$win" "without the mode"
xdotool key space
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "first run: exit code $EXIT_CODE"

"$BIN/x11-control" add-mode 800 600 || fail "could not add an 800x600 mode"
[ "$("$BIN/x11-control" crtc)" = "1024x768+0+0" ] || fail "unexpected starting mode"

launch second "$BIN/particles"
pid=$LAST_PID
win=$(wait_window particles)
sleep 0.5
xdotool key alt+Return
sleep 1
win=$(wait_window particles)
read -r w h x y override < <(window_geometry "$win")
[ "$w $h $x $y $override" = "800 600 0 0 yes" ] || fail "fullscreen: $w $h $x $y $override"
[ "$("$BIN/x11-control" crtc)" = "800x600+0+0" ] || fail "fullscreen: the display mode was not changed"
presenting "$win" "fullscreen"

xdotool key alt+Return
sleep 1
win=$(wait_window particles)
read -r w h x y override < <(window_geometry "$win")
[ "$w $h $x $y $override" = "800 600 112 84 no" ] || fail "back in the window: $w $h $x $y $override"
[ "$("$BIN/x11-control" crtc)" = "1024x768+0+0" ] || fail "back in the window: the mode was not restored"
presenting "$win" "back in the window"

# Ending in fullscreen restores the mode too.
xdotool key alt+Return
sleep 1
win=$(wait_window particles)
xdotool key space
wait_exit "$pid" 20
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
[ "$("$BIN/x11-control" crtc)" = "1024x768+0+0" ] || fail "the mode was not restored at the end"
echo "PASS"
