#!/usr/bin/env bash
# The desktop's display mode around a fullscreen "GDI" program (see
# win32_mode_restore.bash).
MODE_DRIVER=GDI
source "$(dirname "$0")/win32_mode_restore.bash"
