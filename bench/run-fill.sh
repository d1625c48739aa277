#!/usr/bin/env bash
# Builds the peer fill benchmark and ours, runs both in the same run on the same workload, and
# prints both frames-per-second figures and our share of the peer's.
# Usage: bench/run-fill.sh [LAYERS=2]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
shared=${SHARED_DIR:-$here/../shared}
layers=${1:-2}
peers=${PEERS_DIR:-/tmp/peers}
build=${BUILD_DIR:-$here/build}

[ -x "$peers/peer-fill" ] || bash "$shared/bench/build-peers.sh" "$peers" >/dev/null
cmake -S "$here" -B "$build" -DPLAYER_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target bench_fill >/dev/null

# The machine is shared: run both three times, alternating, and keep the best figure of each.
best() { sort -g | tail -1; }
peer_runs="" ours_runs=""
for round in 1 2 3; do
    peer_runs="$peer_runs $("$peers/peer-fill" "$layers" 600 | sed -n 's/.* \([0-9.]*\) frames per second.*/\1/p')"
    ours_runs="$ours_runs $(FILL_LAYERS=$layers "$build/bench/bench_fill" --benchmark_format=json 2>/dev/null |
        sed -n 's/.*"frames_per_second": *\([0-9.e+]*\).*/\1/p' | head -1)"
done
peer=$(echo $peer_runs | tr ' ' '\n' | best)
ours=$(echo $ours_runs | tr ' ' '\n' | best)
echo "peer: $peer frames per second (runs:$peer_runs)"
ours=$(printf "%.1f" "$ours")
echo "ours: $(printf "%.1f" "$ours") frames per second (runs:$(printf " %.1f" $ours_runs))"
awk -v o="$ours" -v p="$peer" 'BEGIN { printf "ratio: %.2f (ours / peer)\n", o / p }'
