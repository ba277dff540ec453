#!/usr/bin/env bash
# The particle program without any display and with no key that can ever
# come: standard input at /dev/null, an empty pipe, or closed. The end of the
# input ends the frame loop as a close request does in a window: the seed is
# printed as " 52231.78" with CR LF and the exit code is 0. Each run is cut
# off after 60 s, which fails the test.
set -u
bin="$1"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
expected=' 20 35 32 32 33 31 2e 37 38 0d 0a'
failed=0

check() {
  local what="$1" status="$2"
  local actual
  actual="$(od -An -tx1 -v "$out" | tr -s ' \n' ' ' | sed 's/ $//')"
  if [ "$status" -ne 0 ]; then
    echo "FAIL ($what): exit code $status, expected 0" >&2
    failed=1
  elif [ "$actual" != "$expected" ]; then
    echo "FAIL ($what): output bytes [$actual], expected [$expected]" >&2
    failed=1
  fi
}

timeout 60 env -u DISPLAY VZGFX= "$bin/particles" </dev/null >"$out"
check "/dev/null" $?

printf '' | timeout 60 env -u DISPLAY VZGFX= "$bin/particles" >"$out"
check "empty pipe" "${PIPESTATUS[1]}"

timeout 60 env -u DISPLAY VZGFX= "$bin/particles" <&- >"$out"
check "closed input" $?

[ "$failed" -eq 0 ] && echo "PASS"
exit "$failed"
