#!/usr/bin/env bash
# The platform-neutral code (every source under app/, rt/ and gfx/ outside a
# folder named for a platform: posix/, x11/, win32/, web/) includes no
# window-system, GL or operating-system header: those belong to the platform
# folders. The files are found, not listed, so a new folder is checked too.
set -euo pipefail
root=$1
cd "$root"
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*<(X11/|GL/|windows\.h|winuser\.h|ddraw\.h|dinput\.h|unistd\.h|termios\.h|pthread\.h|dlfcn\.h|poll\.h|signal\.h|strings\.h|spawn\.h|sched\.h|sys/|emscripten)'
mapfile -t files < <(find app rt gfx \( -name posix -o -name x11 -o -name win32 -o -name web \) -prune -o \
                          -type f \( -name '*.h' -o -name '*.cpp' \) -print | sort)
if [ ${#files[@]} -eq 0 ]; then
  echo "no neutral sources found under $root" >&2
  exit 1
fi
if hits=$(grep -nE "$pattern" "${files[@]}"); then
  echo "platform headers in the neutral core:" >&2
  echo "$hits" >&2
  exit 1
fi
echo "core is platform-neutral: ${#files[@]} files checked"
