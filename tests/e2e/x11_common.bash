# Shared steps of the X11 end-to-end scripts: a private X server, waiting for
# windows and processes, and checks of window pixels. Sourced, not run.

set -euo pipefail

BIN=${1:?usage: $0 BIN_DIR}
WORK=$(mktemp -d)
XVFB_PID=""
declare -a STARTED_PIDS=()

cleanup() {
    local pid
    for pid in "${STARTED_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    stop_xvfb
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
WATCHDOG_PID=""
# Every wait below lasts VZ_E2E_TIME_SCALE times as long (default 1): under
# full-system emulation a program starts tens of times more slowly.
TIME_SCALE=${VZ_E2E_TIME_SCALE:-1}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Stops the server (also early, to test a server that goes away).
stop_xvfb() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
    if [ -n "$WATCHDOG_PID" ]; then
        kill "$WATCHDOG_PID" 2>/dev/null || true
        WATCHDOG_PID=""
    fi
}

# Starts a private Xvfb with a screen of $1 (WxH). The server picks a free
# display number itself and reports it when it accepts connections, so no
# number is assumed free. -noreset keeps it from resetting between the test's
# clients. A watchdog ends the server should this shell be killed outright.
start_xvfb() {
    local geometry=${1:-1024x768} tries n=""
    exec 3>"$WORK/display"
    # XVFB_DEPTH (default 24) and XVFB_ARGS (extra options) vary the server.
    # shellcheck disable=SC2086
    Xvfb -displayfd 3 -screen 0 "${geometry}x${XVFB_DEPTH:-24}" ${XVFB_ARGS:-} -noreset -nolisten tcp \
        >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    exec 3>&-
    local shell_pid=$$
    (
        trap - EXIT
        while kill -0 "$shell_pid" 2>/dev/null; do sleep 1; done
        kill "$XVFB_PID" 2>/dev/null
    ) >/dev/null 2>&1 &
    WATCHDOG_PID=$!
    for tries in $(seq 1 $((600 * TIME_SCALE))); do
        n=$(head -n 1 "$WORK/display" 2>/dev/null || true)
        [ -n "$n" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || { cat "$WORK/xvfb.log" >&2; fail "Xvfb ended at start"; }
        sleep 0.05
    done
    [ -n "$n" ] || fail "Xvfb reported no display within $((30 * TIME_SCALE)) s"
    export DISPLAY=":$n"
    for tries in $(seq 1 $((600 * TIME_SCALE))); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    fail "the X server on $DISPLAY does not answer"
}

# Runs a program in the background with its output in $WORK/$1.out; the
# process id is left in LAST_PID.
launch() {
    local name=$1
    shift
    "$@" >"$WORK/$name.out" 2>"$WORK/$name.err" &
    LAST_PID=$!
    STARTED_PIDS+=("$LAST_PID")
}

# Prints the id of the window named exactly $1, waiting up to $2 seconds.
wait_window() {
    local name=$1 seconds=${2:-20} id tries
    for tries in $(seq 1 $((seconds * 20 * TIME_SCALE))); do
        id=$(xdotool search --name "^${name}\$" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable"; then
            echo "$id"
            return 0
        fi
        sleep 0.05
    done
    fail "no window named $name appeared"
}

# Prints the id of the window named exactly $2 once it is another window
# than $1 and viewable, waiting up to $3 seconds.
wait_replaced() {
    local old=$1 name=$2 seconds=${3:-20} id tries
    for tries in $(seq 1 $((seconds * 20 * TIME_SCALE))); do
        id=$(xdotool search --name "^${name}\$" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ] && [ "$id" != "$old" ] && xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable"; then
            echo "$id"
            return 0
        fi
        sleep 0.05
    done
    fail "window $name ($old) was not replaced"
}

# Waits up to $3 seconds until window $1 has the geometry $2 ("W H X Y
# OVERRIDE", as window_geometry prints it).
wait_geometry() {
    wait_output "$2" "window_geometry $1" "${3:-20}"
}

# Waits up to $2 seconds until window $1 has the keyboard focus, so that keys
# sent next reach it.
wait_focus() {
    local win=$1 seconds=${2:-20} tries
    for tries in $(seq 1 $((seconds * 20 * TIME_SCALE))); do
        [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$win" ] && return 0
        sleep 0.05
    done
    fail "window $win did not get the keyboard focus"
}

# Waits up to $3 seconds until $2 prints $1 (a command's output).
wait_output() {
    local want=$1 command=$2 seconds=${3:-20} tries got=""
    for tries in $(seq 1 $((seconds * 20 * TIME_SCALE))); do
        got=$($command 2>/dev/null || true)
        [ "$got" = "$want" ] && return 0
        sleep 0.05
    done
    fail "'$command' prints '$got', not '$want'"
}

# Waits up to $2 seconds for process $1 (started by this shell) and leaves its
# exit code in EXIT_CODE.
wait_exit() {
    local pid=$1 seconds=${2:-20} tries
    for tries in $(seq 1 $((seconds * 20 * TIME_SCALE))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            EXIT_CODE=0
            wait "$pid" || EXIT_CODE=$?
            return 0
        fi
        sleep 0.05
    done
    fail "process $pid did not end"
}

# Waits up to $3 seconds for a line matching $2 in the output file $1.
wait_line() {
    local file=$1 pattern=$2 seconds=${3:-10} tries
    for tries in $(seq 1 $((seconds * 20 * TIME_SCALE))); do
        if grep -qE "$pattern" "$file" 2>/dev/null; then return 0; fi
        sleep 0.05
    done
    echo "--- $file:" >&2
    cat "$file" >&2 || true
    fail "no line matching '$pattern' in $(basename "$file")"
}

# Geometry of a window: "W H X Y OVERRIDE" (override: yes or no).
window_geometry() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X/ {x = $NF}
        /Absolute upper-left Y/ {y = $NF}
        /Width:/ {w = $NF}
        /Height:/ {h = $NF}
        /Override Redirect State/ {o = $NF}
        END {print w, h, x, y, o}'
}

# Waits up to $3 seconds until window $1 shows a picture with lit pixels
# that changes between two screenshots (frames are being presented); $2
# names the check in the failure message.
wait_presenting() {
    local win=$1 what=$2 seconds=${3:-20} tries lit=0
    for tries in $(seq 1 $((seconds * 2 * TIME_SCALE))); do
        shot "$win" "$WORK/p1.png"
        sleep 0.3
        shot "$win" "$WORK/p2.png"
        lit=$(lit_pixels "$WORK/p1.png")
        if [ "$lit" -gt 100 ] && pictures_differ "$WORK/p1.png" "$WORK/p2.png"; then return 0; fi
    done
    fail "$what: no changing picture (lit pixels: $lit)"
}

# Saves a screenshot of window $1 as $2.
shot() {
    import -window "$1" "$2"
}

# The number of pixels that are not black in image $1.
lit_pixels() {
    convert "$1" -fill white +opaque black -format '%[fx:round(mean*w*h)]' info:
}

# Whether images $1 and $2 differ in any pixel (the files themselves differ
# anyway: they carry their time of making).
pictures_differ() {
    local count
    count=$(compare -metric AE "$1" "$2" null: 2>&1 || true)  # exit status 1 means "differ"
    awk -v n="$count" 'BEGIN { exit !(n + 0 > 0) }'
}

# The largest blue value in image $1 (0 when no pixel has blue).
blue_max() {
    convert "$1" -channel B -separate -format '%[max]' info:
}

# The colour of pixel ($2, $3) of image $1 as "R,G,B" in 0-255.
pixel_at() {
    convert "$1" -format "%[fx:round(255*p{$2,$3}.r)],%[fx:round(255*p{$2,$3}.g)],%[fx:round(255*p{$2,$3}.b)]" info:
}
