#!/usr/bin/env bash
# Runs one 32-bit Windows program under 32-bit Wine and returns its exit status
# with its standard output and standard error.
#   run-win32.sh PROGRAM.exe [ARGUMENTS...]
# Where this machine runs 32-bit programs itself, Wine runs here; elsewhere it
# runs in the virtual machine of tools/vm/ (built on first use, minutes; each
# run then boots the guest, about 10 s under emulation). Either way the
# current folder and the program's folder are visible and writable at their
# own paths, the program gets a private Xvfb display (none with
# WINE_NO_DISPLAY=1, for the console fallback; a Wine virtual desktop with
# WINE_DESKTOP=WxH), VZGFX and the rest of the environment pass through, and
# standard input is passed in.
#   VZ_WINE_STATE   folder of the Wine prefix where Wine runs on this machine
#                   (default build/win32/wine); the virtual machine has its own
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
project=$(cd "$here/.." && pwd)
[ $# -gt 0 ] || { echo "usage: tools/run-win32.sh PROGRAM.exe [ARGUMENTS...]" >&2; exit 2; }
program=$(realpath -m "$1")
shift
[ -f "$program" ] || { echo "run-win32.sh: no program $program" >&2; exit 2; }
if bash "$here/host-runs-32bit.sh"; then
  exec "$here/wine-run.sh" wine "${VZ_WINE_STATE:-$project/build/win32/wine}" "$program" "$@"
fi
VZ_VM_SHARES="$(dirname "$program")${VZ_VM_SHARES:+:$VZ_VM_SHARES}" \
  exec bash "$here/vm/run.sh" "$here/wine-run.sh" wine /tmp/vzgfx-wine "$program" "$@"
