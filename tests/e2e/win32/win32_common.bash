# Shared steps of the Windows end-to-end scripts: the X11 helpers (a private
# Xvfb, waiting for windows and processes, pixel checks) and starting the
# Windows programs under Wine in the build's prefix. Sourced, not run.
# CTest passes VZ_WINE_LOADER, VZ_WINE_STATE and VZ_SOURCE_DIR.

source "$(dirname "${BASH_SOURCE[0]}")/../x11_common.bash"

: "${VZ_WINE_LOADER:?set by CTest}" "${VZ_WINE_STATE:?set by CTest}" "${VZ_SOURCE_DIR:?set by CTest}"
WINE_RUN=("$VZ_SOURCE_DIR/tools/wine-run.sh" "$VZ_WINE_LOADER" "$VZ_WINE_STATE")

# Runs a Windows program of the build under Wine in the background (output in
# $WORK/$1.out); the process id is left in LAST_PID.
launch_exe() {
    local name=$1 exe=$2
    shift 2
    launch "$name" "${WINE_RUN[@]}" "$BIN/$exe.exe" "$@"
}

# Asks the window titled $1 to close, as its close button does.
close_request() {
    "${WINE_RUN[@]}" "$BIN/win32-control.exe" close "$1"
}
