#!/usr/bin/env bash
# The desktop's display mode around a fullscreen "DirectX" program (see
# win32_mode_restore.bash).
MODE_DRIVER=DirectX
source "$(dirname "$0")/win32_mode_restore.bash"
