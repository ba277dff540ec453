#!/usr/bin/env bash
# Builds the release preset and runs the particle simulation.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/bootstrap.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ -x build/release/bin/particles ]; then
  exec build/release/bin/particles "$@"
fi
# Until the program exists the simulation runs headless in the bench tool.
exec build/release/bin/particles-bench "$@"
