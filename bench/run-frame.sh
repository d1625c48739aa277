#!/usr/bin/env bash
# Runs the peer fill benchmark and our frame benchmark in the same run and prints both figures
# with our share of the peer's. The workloads differ: the peer fills two full-screen layers of
# trilinear textured triangles; ours draws a whole frame of a 30,000-face scene (update, world
# pass, lighting, batches, rasterisation), so the ratio says how a real frame of ours compares
# with the plainest full-screen fill of a widely used rasteriser. Both draw WIDTH x HEIGHT pixels
# with SAMPLES samples a pixel (ours: the player's 640 x 480 view drawn on a target of that size).
# Usage: bench/run-frame.sh [WIDTH=640] [HEIGHT=480] [SAMPLES=1]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
shared=${SHARED_DIR:-$here/../shared}
width=${1:-640}
height=${2:-480}
samples=${3:-1}
peers=${PEERS_DIR:-/tmp/peers}
build=${BUILD_DIR:-$here/build}

# The peer is rebuilt when its source is newer than the program.
if [ ! -x "$peers/peer-fill" ] || [ "$shared/bench/peer-fill.c" -nt "$peers/peer-fill" ]; then
    bash "$shared/bench/build-peers.sh" "$peers" >/dev/null
fi
"$here/scripts/setup.sh" build test
cmake -S "$here" -B "$build" -DPLAYER_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target bench_frame >/dev/null

# The machine is shared: run both three times, alternating, and keep the best figure of each.
# Two seconds a figure: half-second runs varied by a third from one to the next here.
best() { sort -g | tail -1; }
peer_runs="" whole_runs="" before_runs=""
for round in 1 2 3; do
    peer_runs="$peer_runs $("$peers/peer-fill" 2 600 "$width" "$height" "$samples" |
        sed -n 's/.* \([0-9.]*\) frames per second.*/\1/p')"
    json=$(FRAME_WIDTH=$width FRAME_HEIGHT=$height FRAME_SAMPLES=$samples \
        "$build/bench/bench_frame" --benchmark_format=json --benchmark_min_time=2 2>/dev/null)
    whole_runs="$whole_runs $(echo "$json" | tr -d '\n' |
        sed -n 's/.*"BM_WholeFrame[^}]*"frames\/s": *\([0-9.e+]*\).*/\1/p')"
    before_runs="$before_runs $(echo "$json" | tr -d '\n' |
        sed -n 's/.*"BM_FrameBeforeRasterisation"[^}]*"frames\/s": *\([0-9.e+]*\).*/\1/p')"
done
# A size or sample count the device cannot draw gives no figure: say so rather than a ratio.
if [ -z "$(echo $whole_runs)" ]; then
    echo "bench_frame measured nothing at $width x $height with $samples samples" >&2
    exit 1
fi
echo "$width x $height, $samples samples a pixel"
peer=$(echo $peer_runs | tr ' ' '\n' | best)
whole=$(printf "%.1f" "$(echo $whole_runs | tr ' ' '\n' | best)")
before=$(echo $before_runs | tr ' ' '\n' | best)
echo "peer fill: $peer frames per second (runs:$peer_runs)"
echo "our whole frame: $whole frames per second (runs:$(printf " %.1f" $whole_runs))"
awk -v b="$before" 'BEGIN { printf "our work before rasterisation: %.3f ms a frame\n", 1000 / b }'
awk -v o="$whole" -v p="$peer" 'BEGIN { printf "ratio: %.2f (our whole frame / peer fill)\n", o / p }'
