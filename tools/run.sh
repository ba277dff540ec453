#!/usr/bin/env bash
# Builds the release preset and runs the particle simulation.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/bootstrap.sh
cmake --preset release >/dev/null
cmake --build --preset release --target particles
exec build/release/bin/particles "$@"
