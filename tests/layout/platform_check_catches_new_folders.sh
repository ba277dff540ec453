#!/usr/bin/env bash
# core_is_platform_neutral.sh finds new folders itself: a copy of the tree
# passes, and the same copy with a platform header planted in a new nested
# folder fails, naming the planted file.
set -euo pipefail
root=$1
check="$root/tests/layout/core_is_platform_neutral.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/app" "$root/rt" "$root/gfx" "$work/"
if ! bash "$check" "$work" > /dev/null; then
  echo "the unchanged copy of the tree should pass" >&2
  exit 1
fi
mkdir -p "$work/gfx/shapes/new_layer/deeper"
printf '#pragma once\n#include <X11/Xlib.h>\n' > "$work/gfx/shapes/new_layer/deeper/planted.h"
if bash "$check" "$work" 2> "$work/errors"; then
  echo "a platform header in gfx/shapes/new_layer/deeper/ was not found" >&2
  exit 1
fi
grep -q 'gfx/shapes/new_layer/deeper/planted.h:2:' "$work/errors" || { cat "$work/errors" >&2; exit 1; }
# The same file in a platform folder is allowed.
mkdir -p "$work/gfx/shapes/new_layer/x11"
mv "$work/gfx/shapes/new_layer/deeper/planted.h" "$work/gfx/shapes/new_layer/x11/planted.h"
bash "$check" "$work" > /dev/null
echo "the platform check finds a header planted in a new nested folder"
