#!/usr/bin/env bash
# Starts (start) or stops (stop) the one Wine server of a Windows test run.
#   wine-server.sh start|stop LOADER STATE_DIR
# The server of the build's prefix stays up between test programs (-p), so
# program starts do not wait for a server each.
set -euo pipefail
action=$1
loader=$2
state=$3
here=$(cd "$(dirname "$0")" && pwd)
# A prefix named by the caller (the virtual machine's own) serves as it is.
export WINEPREFIX=${WINEPREFIX:-$state/prefix-$loader}
export WINEDEBUG=-all
case $action in
  start)
    # A first program run creates the prefix. The server stays up with the
    # standard streams of the process that started it: both commands get
    # none of CTest's, which would otherwise wait for the server's end
    # before it takes this test for finished.
    "$here/wine-run.sh" "$loader" "$state" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
    # A server already up for this prefix (left by a run that ended early)
    # serves as it is.
    /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true
    echo "wine server up for $WINEPREFIX"
    ;;
  stop)
    /usr/lib/wine/wineserver -k || true
    /usr/lib/wine/wineserver -w || true
    echo "wine server stopped for $WINEPREFIX"
    ;;
  *) echo "wine-server.sh: start or stop" >&2; exit 2 ;;
esac
