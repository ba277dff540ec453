#!/usr/bin/env bash
# Builds the release preset and runs the particle simulation. Installs only
# what building and running need (tools/bootstrap.sh run): no test tools.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/bootstrap.sh run
cmake --preset release >/dev/null
cmake --build --preset release --target particles
exec build/release/bin/particles "$@"
