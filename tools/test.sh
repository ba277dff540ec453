#!/usr/bin/env bash
# Builds and runs every test under the debug preset (AddressSanitizer and
# UndefinedBehaviorSanitizer) and under the release preset.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/bootstrap.sh
jobs=$(nproc)
for preset in debug release; do
  echo "== $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
