#!/usr/bin/env bash
# The bench's world state and drawn page after N frames, written by this
# build's bench (run under its emulator when it has one) and by a reference
# build's (the x86-64 x87 build), must be the same bytes.
#
#   same_frames_as_reference.sh REFERENCE_BENCH WORK_DIR FRAMES BENCH [EMULATOR...]
set -euo pipefail
reference=$1
work=$2
frames=$3
shift 3
if [[ ! -x $reference ]]; then
  echo "no reference bench at $reference (build the release preset first)" >&2
  exit 1
fi
mkdir -p "$work"
ref_state=$work/reference-$frames.state
ref_dump=$work/reference-$frames.ppm
# The reference's files are kept beside the reference program's own date:
# written again only when the reference was rebuilt.
if [[ ! -s $ref_state || ! -s $ref_dump || $reference -nt $ref_state ]]; then
  "$reference" --frames "$frames" --state "$ref_state.tmp" --dump "$ref_dump.tmp" > /dev/null
  mv "$ref_dump.tmp" "$ref_dump"
  mv "$ref_state.tmp" "$ref_state"
fi
bench=$1
shift
state=$work/candidate-$frames.state
dump=$work/candidate-$frames.ppm
rm -f "$state" "$dump"
"$@" "$bench" --frames "$frames" --state "$state" --dump "$dump"
status=0
cmp "$ref_state" "$state" || { echo "world state differs after $frames frames" >&2; status=1; }
cmp "$ref_dump" "$dump" || { echo "frame differs after $frames frames" >&2; status=1; }
[[ $status -eq 0 ]] && echo "state and frame equal the reference after $frames frames ($(stat -c %s "$state") + $(stat -c %s "$dump") bytes)"
exit $status
