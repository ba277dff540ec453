#!/usr/bin/env bash
# The Windows simulation under Wine, for each driver choice (none given, so
# DirectX first, then "DirectX", "GDI" and "OpenGL"): an 800 x 600 window
# titled "particles" shows moving particles with blue; a key press ends the
# program with exit code 0; so does the window's close request.
source "$(dirname "$0")/win32_common.bash"
start_xvfb 1024x768

for driver in "" DirectX GDI OpenGL; do
    what="driver '${driver:-default}'"
    export VZGFX=$driver
    launch_exe "particles$driver" particles
    pid=$LAST_PID
    win=$(wait_window particles 60)
    read -r w h x y override < <(window_geometry "$win")
    [ "$w $h" = "800 600" ] || fail "$what: window is ${w}x${h}, not 800x600"
    wait_presenting "$win" "$what" 30
    [ "$(blue_max "$WORK/p1.png")" -gt 0 ] || fail "$what: no pixel has blue"
    xdotool windowfocus --sync "$win" 2>/dev/null || true
    wait_focus "$win"
    xdotool key space
    wait_exit "$pid" 30
    [ "$EXIT_CODE" = 0 ] || fail "$what: a key ended the program with exit code $EXIT_CODE"

    launch_exe "particles-close$driver" particles
    pid=$LAST_PID
    win=$(wait_window particles 60)
    wait_presenting "$win" "$what (second run)" 30
    close_request particles || fail "$what: the close request could not be sent"
    wait_exit "$pid" 30
    [ "$EXIT_CODE" = 0 ] || fail "$what: the close request ended the program with exit code $EXIT_CODE"
    echo "ok: $what"
done
echo "PASS"
