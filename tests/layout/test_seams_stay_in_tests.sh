#!/usr/bin/env bash
# Test seams (the *_for_test setters) are declared only in the testing
# headers, and no program source includes those headers except the few that
# implement a seam.
set -euo pipefail
root=$1
cd "$root"
testing_headers='^(rt|gfx)/testing\.h$'
implementers='^(rt/alloc\.cpp|rt/random\.cpp|gfx/drivers/driver_list\.cpp|gfx/drivers/platform\.cpp)$'
sources=$(find rt gfx app tools examples -name '*.h' -o -name '*.cpp' | sort)
status=0
for f in $sources; do
  if [[ ! $f =~ $testing_headers ]] && [[ $f == *.h ]] && grep -nE '_for_test[[:space:]]*\(' "$f"; then
    echo "$f: a test seam declared outside the testing headers" >&2
    status=1
  fi
  if [[ ! $f =~ $implementers ]] && [[ ! $f =~ $testing_headers ]] &&
     grep -nE '#[[:space:]]*include[[:space:]]*"(rt|gfx)/testing\.h"' "$f"; then
    echo "$f: program code includes a testing header" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "test seams stay in the testing headers: $(echo "$sources" | wc -l) files checked"
exit $status
