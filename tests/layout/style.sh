#!/usr/bin/env bash
# Every C++ source of the tree (app/, rt/, gfx/, include/, tests/, tools/, examples/)
# is laid out as .clang-format says. A file that differs is named with the
# first lines clang-format would change; `clang-format -i FILE` mends it.
set -euo pipefail
root=$1
cd "$root"
format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$format" ]; then
  echo "clang-format is not installed" >&2
  exit 1
fi
mapfile -t files < <(find app rt gfx include tests tools examples -type f \( -name '*.h' -o -name '*.cpp' \) | sort)
status=0
for f in "${files[@]}"; do
  if ! "$format" --style=file --dry-run -Werror "$f" 2> /tmp/vz_style.$$; then
    head -n 6 /tmp/vz_style.$$ >&2
    status=1
  fi
done
rm -f /tmp/vz_style.$$
[ $status -eq 0 ] && echo "style follows .clang-format: ${#files[@]} files checked"
exit $status
