#!/usr/bin/env bash
# For a machine with a graphics processor: builds, compares the GL device with the software device
# (scripts/compare-devices.sh), then times whole frames of the 30,000-face benchmark scene at
# 3840 x 2880 with 8 samples through the GL device. The resolve and read-back of each frame into
# memory, which a window does not do, is timed apart on an empty frame and taken off. Ends with
#   gpu: N frames per second at 3840x2880x8 on <renderer>
# and says so when the renderer is a software one. Takes under 5 minutes on a GPU.
# Usage: bench/gpu-check.sh   (BUILD_DIR: the build, default build/)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
width=3840 height=2880 samples=8

"$here/scripts/setup.sh" build test
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPLAYER_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target capture compare-frames make-demo bench_frame >/dev/null

echo "== the devices compared"
"$here/scripts/compare-devices.sh" "$build"

# One benchmark's JSON on the big target through the GL device, on one line; what the device
# says (a sample count capped at the driver's most) is kept in $said.
said=$(mktemp)
trap 'rm -f "$said"' EXIT
measure() {
    FRAME_DEVICE=gl FRAME_WIDTH=$width FRAME_HEIGHT=$height FRAME_SAMPLES=$samples \
        "$build/bench/bench_frame" --benchmark_filter="$1" --benchmark_format=json \
        --benchmark_min_time=3 2>>"$said" | tr -d '\n'
}
number() { sed -n "s/.*\"$1\": *\([-0-9.e+]*\).*/\1/p"; }
is_one() { awk -v v="$1" 'BEGIN { exit !(v + 0 == 1) }'; }

echo "== whole frames at ${width}x${height}x${samples} through the GL device"
frame=$(measure 'BM_WholeFrame')
if ! is_one "$(echo "$frame" | number gl)"; then
    echo "gpu-check: no GL context here; nothing to time" >&2
    exit 1
fi
renderer=$(echo "$frame" | sed -n 's/.*"label": *"\([^"]*\)".*/\1/p')
software=$(echo "$frame" | number 'software renderer')
frame_ms=$(echo "$frame" | number real_time)
readback_ms=$(measure 'BM_GlReadback' | number real_time)
echo "gl device: $renderer"
awk -v f="$frame_ms" -v r="$readback_ms" 'BEGIN {
    printf "whole frame %.1f ms, of which resolve and read-back %.1f ms\n", f, r }'
sort -u "$said" | grep GL_MAX_SAMPLES || true
note=""
capped=$(sed -n 's/.*draws with \([0-9]*\) samples a pixel.*/\1/p' "$said" | head -1)
if [ -n "$capped" ]; then note=" (drawn with $capped samples, the driver's most)"; fi
if is_one "$software"; then note="$note (a software renderer: not a GPU)"; fi
awk -v f="$frame_ms" -v r="$readback_ms" -v who="$renderer" -v note="$note" \
    -v size="${width}x${height}x${samples}" 'BEGIN {
    drawn = f - r; if (drawn <= 0) drawn = f
    printf "gpu: %.1f frames per second at %s on %s%s\n", 1000 / drawn, size, who, note }'
