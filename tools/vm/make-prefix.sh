#!/usr/bin/env bash
# Run inside the guest while its image is built: makes the one 32-bit Wine
# prefix that every later run of the image starts from (making a prefix under
# emulation takes minutes; each boot then sees it afresh through the overlay).
set -euo pipefail
export WINEPREFIX=/opt/vzgfx/wine32 WINEARCH=win32 WINEDEBUG=-all
# No .NET or HTML engines to install, and no debugger.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
mkdir -p /opt/vzgfx
wineboot -i
wineserver -w
test -f "$WINEPREFIX/system.reg"
echo "Wine prefix made: $(du -sh "$WINEPREFIX" | cut -f1)"
