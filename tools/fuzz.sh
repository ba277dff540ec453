#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, ASan + UBSan) and runs every fuzz
# target from its seed corpus in tests/fuzz/corpus/<name>.
#   tools/fuzz.sh                 # each target 20000 runs or 30 s: the regression check
#   tools/fuzz.sh -runs=10000000  # any libFuzzer options, e.g. -max_total_time=3600
#   FUZZ_TARGETS="drawing arrays" tools/fuzz.sh -max_total_time=600
# New inputs the fuzzer finds go to build/fuzz/corpus/<name> (the seeds in the
# repository are never written); crashes are written to build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
options=("$@")
if [ ${#options[@]} -eq 0 ]; then options=(-runs=20000 -max_total_time=30); fi
targets=${FUZZ_TARGETS:-"arrays console_keys drawing line_input packed_data screen_setup text_output window_messages"}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
mkdir -p build/fuzz/findings
for name in $targets; do
  echo "== fuzz $name"
  mkdir -p "build/fuzz/corpus/$name"
  log="build/fuzz/$name.log"
  status=0
  "build/fuzz/bin/fuzz-${name//_/-}" -artifact_prefix="build/fuzz/findings/$name-" -print_final_stats=1 \
    "${options[@]}" "build/fuzz/corpus/$name" "tests/fuzz/corpus/$name" >"$log" 2>&1 || status=$?
  grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec)|ERROR|SUMMARY|runtime error' "$log" || true
  if [ "$status" -ne 0 ]; then
    echo "fuzz $name: exit status $status, see $log and build/fuzz/findings/" >&2
    exit 1
  fi
done
