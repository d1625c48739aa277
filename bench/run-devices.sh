#!/usr/bin/env bash
# Our frame benchmark (a whole frame of a 30,000-face scene) through the software device and
# through the GL device in the same run, alternating, and the GL device's share of the software
# device's frames per second. The GL figure includes reading each frame back from GL, as capture
# does; in a window the frame is shown by swapping buffers instead. Without a GL context the GL
# run draws with the software device and the script says so.
# Usage: bench/run-devices.sh [WIDTH=640] [HEIGHT=480] [SAMPLES=1]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
width=${1:-640}
height=${2:-480}
samples=${3:-1}
build=${BUILD_DIR:-$here/build}
"$here/scripts/setup.sh" build test
cmake -S "$here" -B "$build" -DPLAYER_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target bench_frame >/dev/null

# The figure of one run: frames per second of the whole frame, "gl=1" when GL drew it, and the GL
# renderer's name ("renderer=...").
run() {
    local json
    json=$(FRAME_DEVICE=$1 FRAME_WIDTH=$width FRAME_HEIGHT=$height FRAME_SAMPLES=$samples \
        "$build/bench/bench_frame" --benchmark_filter=WholeFrame --benchmark_format=json \
        --benchmark_min_time=2 2>/dev/null | tr -d '\n')
    echo "$json" | sed -n 's/.*"frames\/s": *\([0-9.e+]*\).*/\1/p'
    echo "$json" | sed -n 's/.*"gl": *\([0-9.e+]*\).*/gl=\1/p'
    echo "$json" | sed -n 's/.*"label": *"\([^"]*\)".*/renderer=\1/p'
}
best() { sort -g | tail -1; }
software_runs="" gl_runs="" renderer=""
for round in 1 2 3; do
    software_runs="$software_runs $(run software | grep -v -e gl= -e renderer=)"
    figures=$(run gl)
    if ! echo "$figures" | grep -q "gl=1"; then
        echo "run-devices: no GL context here; the GL run drew with the software device" >&2
        exit 1
    fi
    gl_runs="$gl_runs $(echo "$figures" | grep -v -e gl= -e renderer=)"
    renderer=$(echo "$figures" | sed -n 's/^renderer=//p')
done
echo "gl device: $renderer"
echo "$width x $height, $samples samples a pixel"
software=$(echo $software_runs | tr ' ' '\n' | best)
gl=$(echo $gl_runs | tr ' ' '\n' | best)
echo "software device: $(printf "%.1f" "$software") frames per second" \
    "(runs:$(printf " %.1f" $software_runs))"
echo "GL device: $(printf "%.1f" "$gl") frames per second (runs:$(printf " %.1f" $gl_runs))"
awk -v g="$gl" -v s="$software" 'BEGIN { printf "ratio: %.2f (GL / software)\n", g / s }'
