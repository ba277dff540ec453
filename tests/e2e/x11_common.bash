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
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Starts Xvfb on the first free display from :97 with a screen of $1 (WxH).
# -noreset keeps the server from resetting between the test's clients.
start_xvfb() {
    local geometry=${1:-1024x768} n
    for n in $(seq 97 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 "${geometry}x24" -noreset -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        local tries
        for tries in $(seq 1 100); do
            if xdpyinfo >/dev/null 2>&1; then return 0; fi
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    done
    fail "no X server could be started"
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
    for tries in $(seq 1 $((seconds * 20))); do
        id=$(xdotool search --name "^${name}\$" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable"; then
            echo "$id"
            return 0
        fi
        sleep 0.05
    done
    fail "no window named $name appeared"
}

# Waits up to $2 seconds for process $1 (started by this shell) and leaves its
# exit code in EXIT_CODE.
wait_exit() {
    local pid=$1 seconds=${2:-20} tries
    for tries in $(seq 1 $((seconds * 20))); do
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
    for tries in $(seq 1 $((seconds * 20))); do
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

# Saves a screenshot of window $1 as $2.
shot() {
    import -window "$1" "$2"
}

# The number of pixels that are not black in image $1.
lit_pixels() {
    convert "$1" -fill white +opaque black -format '%[fx:round(mean*w*h)]' info:
}

# The largest blue value in image $1 (0 when no pixel has blue).
blue_max() {
    convert "$1" -channel B -separate -format '%[max]' info:
}

# The colour of pixel ($2, $3) of image $1 as "R,G,B" in 0-255.
pixel_at() {
    convert "$1" -format "%[fx:round(255*p{$2,$3}.r)],%[fx:round(255*p{$2,$3}.g)],%[fx:round(255*p{$2,$3}.b)]" info:
}
