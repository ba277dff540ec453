#!/usr/bin/env bash
# Builds and runs every test under the debug preset (AddressSanitizer and
# UndefinedBehaviorSanitizer), the release preset and the tsan preset
# (ThreadSanitizer: the display driver's update thread against the program),
# then runs each fuzz target briefly (tools/fuzz.sh) and last the
# Windows builds under Wine (tools/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/bootstrap.sh
jobs=$(nproc)
for preset in debug release tsan; do
  echo "== $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
# Every fuzz target briefly (20000 runs, at most 30 s each) as a regression check.
echo "== fuzz =="
bash tools/fuzz.sh
bash tools/test-windows.sh
