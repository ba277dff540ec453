#!/usr/bin/env bash
# The particle program without any display: no driver can start, so the frame
# loop runs on the text console, the piped key ends it after one frame, and
# the seed is printed as " 52231.78" with CR LF, exit code 0.
set -u
bin="$1"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT

printf x | timeout 120 env -u DISPLAY VZGFX= "$bin/particles" >"$out"
status=$?
if [ "$status" -ne 0 ]; then
  echo "FAIL: exit code $status, expected 0" >&2
  exit 1
fi

expected=' 20 35 32 32 33 31 2e 37 38 0d 0a'
actual="$(od -An -tx1 -v "$out" | tr -s ' \n' ' ' | sed 's/ $//')"
if [ "$actual" != "$expected" ]; then
  echo "FAIL: output bytes [$actual], expected [$expected]" >&2
  exit 1
fi
echo "PASS"
