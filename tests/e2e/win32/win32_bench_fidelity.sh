#!/usr/bin/env bash
# The Windows build computes the same world and draws the same frames as the
# Linux build: the bench of each writes its world state and its visible page
# after 1, 10, 100 and 1000 frames, and the files must be byte for byte equal.
# The Linux bench comes from the release build beside this one (built here
# when it is missing). Where the Windows programs run in a virtual machine,
# the Linux bench has run on the host before (VZ_FIDELITY_REFERENCE names the
# folder of its linux-N.state and linux-N.ppm files).
source "$(dirname "$0")/win32_common.bash"

reference=${VZ_FIDELITY_REFERENCE:-}
linux_bench="$VZ_SOURCE_DIR/build/release/bin/particles-bench"
if [ -z "$reference" ] && [ ! -x "$linux_bench" ]; then
    (cd "$VZ_SOURCE_DIR" && cmake --preset release >/dev/null && cmake --build --preset release --target particles-bench >/dev/null) ||
        fail "the Linux bench could not be built"
fi

for frames in 1 10 100 1000; do
    if [ -n "$reference" ]; then
        cp "$reference/linux-$frames.state" "$reference/linux-$frames.ppm" "$WORK/" ||
            fail "no Linux bench result for $frames frames in $reference"
    else
        "$linux_bench" --frames "$frames" --state "$WORK/linux-$frames.state" --dump "$WORK/linux-$frames.ppm" >/dev/null ||
            fail "the Linux bench failed at $frames frames"
    fi
    WINE_NO_DISPLAY=1 "${WINE_RUN[@]}" "$BIN/particles-bench.exe" --frames "$frames" \
        --state "$WORK/windows-$frames.state" --dump "$WORK/windows-$frames.ppm" >/dev/null ||
        fail "the Windows bench failed at $frames frames"
    cmp "$WORK/linux-$frames.state" "$WORK/windows-$frames.state" ||
        fail "world state differs after $frames frames"
    cmp "$WORK/linux-$frames.ppm" "$WORK/windows-$frames.ppm" || fail "frame differs after $frames frames"
    echo "ok: $frames frames, state $(stat -c %s "$WORK/linux-$frames.state") bytes, frame $(stat -c %s "$WORK/linux-$frames.ppm") bytes"
done
echo "PASS"
