#!/usr/bin/env bash
# Builds the peer fill benchmark and ours, runs both in the same run on the same workload, and
# prints both frames-per-second figures and our share of the peer's. Both fill WIDTH x HEIGHT
# with SAMPLES samples a pixel (the peer resolving its multisampled frame every frame).
# Usage: bench/run-fill.sh [LAYERS=2] [WIDTH=640] [HEIGHT=480] [SAMPLES=1]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
shared=${SHARED_DIR:-$here/../shared}
layers=${1:-2}
width=${2:-640}
height=${3:-480}
samples=${4:-1}
peers=${PEERS_DIR:-/tmp/peers}
build=${BUILD_DIR:-$here/build}

# The peer is rebuilt when its source is newer than the program.
if [ ! -x "$peers/peer-fill" ] || [ "$shared/bench/peer-fill.c" -nt "$peers/peer-fill" ]; then
    bash "$shared/bench/build-peers.sh" "$peers" >/dev/null
fi
"$here/scripts/setup.sh" build test
cmake -S "$here" -B "$build" -DPLAYER_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target bench_fill >/dev/null

# The machine is shared: run both three times, alternating, and keep the best figure of each.
best() { sort -g | tail -1; }
peer_runs="" ours_runs=""
for round in 1 2 3; do
    peer_runs="$peer_runs $("$peers/peer-fill" "$layers" 600 "$width" "$height" "$samples" |
        sed -n 's/.* \([0-9.]*\) frames per second.*/\1/p')"
    ours_runs="$ours_runs $(FILL_LAYERS=$layers FILL_WIDTH=$width FILL_HEIGHT=$height \
        FILL_SAMPLES=$samples "$build/bench/bench_fill" --benchmark_format=json 2>/dev/null |
        sed -n 's/.*"frames_per_second": *\([0-9.e+]*\).*/\1/p' | head -1)"
done
# A size or sample count the device cannot draw gives no figure: say so rather than a ratio.
if [ -z "$(echo $ours_runs)" ]; then
    echo "bench_fill measured nothing at $width x $height with $samples samples" >&2
    exit 1
fi
echo "$layers layers, $width x $height, $samples samples a pixel"
peer=$(echo $peer_runs | tr ' ' '\n' | best)
ours=$(echo $ours_runs | tr ' ' '\n' | best)
echo "peer: $peer frames per second (runs:$peer_runs)"
ours=$(printf "%.1f" "$ours")
echo "ours: $(printf "%.1f" "$ours") frames per second (runs:$(printf " %.1f" $ours_runs))"
awk -v o="$ours" -v p="$peer" 'BEGIN { printf "ratio: %.2f (ours / peer)\n", o / p }'
