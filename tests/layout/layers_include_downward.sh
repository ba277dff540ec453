#!/usr/bin/env bash
# The layers, bottom to top: rt/ (runtime), the record at the top of gfx/
# (context, driver record, event ring), gfx/surface/ (pages, lock, pixels),
# gfx/shapes/ (ellipse, lines, boxes), gfx/text/ (the console on the graphics
# screen), gfx/drivers/ (display drivers), gfx/screen/ (screen set-up),
# gfx/face/ (the C++ face for programs), app/.
# A source may include the project's headers of its own layer and of the
# layers below it, never of one above. Platform folders belong to the layer
# they sit in.
set -euo pipefail
root=$1
cd "$root"

layer_of() {
  case $1 in
    rt/*) echo 0 ;;
    gfx/surface/*) echo 2 ;;
    gfx/shapes/*) echo 3 ;;
    gfx/text/*) echo 4 ;;
    gfx/drivers/*) echo 5 ;;
    gfx/screen/*) echo 6 ;;
    gfx/face/*) echo 7 ;;
    gfx/*/*) echo unknown ;;
    gfx/*) echo 1 ;;
    app/*) echo 8 ;;
    *) echo unknown ;;
  esac
}

status=0
checked=0
mapfile -t files < <(find app rt gfx -type f \( -name '*.h' -o -name '*.cpp' \) | sort)
for f in "${files[@]}"; do
  own=$(layer_of "$f")
  if [ "$own" = unknown ]; then
    echo "$f: in no layer (a new folder of gfx/ needs its place in this check)" >&2
    status=1
    continue
  fi
  checked=$((checked + 1))
  while IFS= read -r included; do
    theirs=$(layer_of "$included")
    if [ "$theirs" = unknown ] || [ "$theirs" -gt "$own" ]; then
      echo "$f includes $included, which is in a higher layer" >&2
      status=1
    fi
  done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"((app|rt|gfx)\/[^"]+)".*/\1/p' "$f")
done
[ $status -eq 0 ] && echo "every include runs down the layers: $checked files checked"
exit $status
