#!/usr/bin/env bash
# The platform-neutral core (rt/, gfx/, gfx/text/ and gfx/drivers/ without
# their platform folders) includes no window-system, GL or operating-system
# header: those belong to the platform folders (posix/, x11/, win32/, web/).
set -euo pipefail
root=$1
cd "$root"
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*<(emscripten|X11/|GL/|windows\.h|winuser\.h|ddraw\.h|dinput\.h|unistd\.h|termios\.h|pthread\.h|dlfcn\.h|poll\.h|signal\.h|strings\.h|spawn\.h|sched\.h|sys/)'
files=$(ls rt/*.h rt/*.cpp gfx/*.h gfx/*.cpp gfx/text/*.h gfx/text/*.cpp gfx/drivers/*.h gfx/drivers/*.cpp)
if hits=$(grep -nE "$pattern" $files); then
  echo "platform headers in the neutral core:" >&2
  echo "$hits" >&2
  exit 1
fi
echo "core is platform-neutral: $(echo "$files" | wc -l) files checked"
