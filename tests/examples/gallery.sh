#!/usr/bin/env bash
# Runs one example of the gallery on the Null driver (no window), has it save
# its picture and compares that with the picture kept in docs/examples/.
# Usage: gallery.sh NAME BIN_DIR SOURCE_DIR
set -euo pipefail
name=$1 bin=$2 source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
VZGFX=null timeout 60 "$bin/example-$name" --frame "$work/$name.ppm"
python3 "$source/tools/frame_png.py" compare "$work/$name.ppm" "$source/docs/examples/$name.png"
