#!/usr/bin/env bash
# The builds whose extended precision is not the x87's, each against the
# frames of the x86-64 release build's bench (built first):
#   soft:  x86-64 with the software extended type: the bench's state and
#          frame after 1, 10, 100 and 1000 frames.
#   arm64: g++-aarch64-linux-gnu, its programs run under qemu-aarch64: the
#          unit tests of the runtime and of the graphics core and its text,
#          and the bench after 1 ... 1000 frames. (The simulation's unit
#          tests take too long under user-mode emulation for every run:
#          `ctest --preset arm64` runs them.)
#   wasm:  Emscripten: the bench under Node.js after 1 ... 1000 frames and the
#          page in headless Chromium (tests/web's npm project, installed here).
# VZ_EVERYWHERE (default "soft arm64 wasm") chooses the builds.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
start=$(date +%s)
builds=${VZ_EVERYWHERE:-soft arm64 wasm}

cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs" --target particles-bench

for build in $builds; do
  echo "== $build == ($(( $(date +%s) - start )) s so far)"
  case $build in
    soft)
      cmake --preset soft >/dev/null
      cmake --build --preset soft -j "$jobs" --target particles-bench
      ctest --preset soft -j "$jobs" -R '^bench\.'
      ;;
    arm64)
      cmake --preset arm64 >/dev/null
      cmake --build --preset arm64 -j "$jobs" --target particles-bench test-rt test-gfx test-gfx-text
      ctest --preset arm64 -j "$jobs" -R '^(bench\.|test-rt$|test-gfx$|test-gfx-text$)'
      ;;
    wasm)
      # The page test's one npm package (playwright-core, which drives
      # Debian's chromium); tried again once when the registry fails.
      npm ci --prefix tests/web --no-audit --no-fund >/dev/null ||
        { sleep 10; npm ci --prefix tests/web --no-audit --no-fund >/dev/null; }
      cmake --preset wasm >/dev/null
      cmake --build --preset wasm -j "$jobs"
      ctest --preset wasm -j 1
      ;;
    *) echo "test-everywhere: unknown build '$build' (soft, arm64 or wasm)" >&2; exit 2 ;;
  esac
done
echo "everywhere: $(( $(date +%s) - start )) s"
