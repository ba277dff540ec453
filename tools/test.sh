#!/usr/bin/env bash
# Builds and runs every test under the debug preset (AddressSanitizer and
# UndefinedBehaviorSanitizer), the release preset and the tsan preset
# (ThreadSanitizer: the display driver's update thread against the program),
# then runs each fuzz target briefly (tools/fuzz.sh), the builds of other
# processors against the release build's frames (tools/test-everywhere.sh) and
# last the Windows builds under Wine (tools/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
stage() { echo "== $1 == ($(( $(date +%s) - start )) s so far)"; }
stage bootstrap
bash tools/bootstrap.sh test
jobs=$(nproc)

# Where this machine cannot run 32-bit programs, the Windows suite runs them
# in a virtual machine: its image (built once per machine, minutes, mostly
# downloading and unpacking) is made in the background while the native
# presets build; tools/test-windows.sh waits for it when it needs it.
image_pid=""
if ! bash tools/host-runs-32bit.sh; then
  mkdir -p build
  bash tools/vm/build-image.sh >build/vm-image.out 2>build/vm-image.log &
  image_pid=$!
fi
# Under set -e a failing command ends the script even inside this trap, and
# kill fails whenever the image build has already finished: keep both quiet.
stop_image_build() {
  if [ -n "$image_pid" ]; then kill "$image_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
}
trap stop_image_build EXIT

for preset in debug release tsan; do
  stage "$preset"
  cmake --preset "$preset" -DVZ_REQUIRE_TEST_DEPS=ON >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
# Every fuzz target briefly (20000 runs, at most 30 s each) as a regression check.
stage fuzz
bash tools/fuzz.sh
# The same frames without the x87: the software extended type, ARM64 under
# emulation and WebAssembly (tools/test-everywhere.sh).
stage everywhere
bash tools/test-everywhere.sh
stage windows
bash tools/test-windows.sh
# How the background build of the virtual machine's image went.
[ -f build/vm-image.log ] && cat build/vm-image.log
stage finished
