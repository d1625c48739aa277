#!/usr/bin/env bash
# Scene loading beside the peer 3DS library, on the same generated file, in the same run:
# prints both times for one load and their ratio (ours / peer; below 1 is faster).
# Usage: bench/run-load.sh [BUILD_DIR=build] [PEER_DIR=/tmp/peers]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
peers=${2:-/tmp/peers}
shared=$(cd "$here/../shared" && pwd)
file=${LOAD_BENCH_FILE:-/tmp/load-bench-scene.3ds}

"$here/scripts/setup.sh" build test
cmake -S "$here" -B "$build" -DPLAYER_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target bench_load >/dev/null
[ -x "$peers/peer-load" ] || "$shared/bench/build-peers.sh" "$peers" >/dev/null

# Ours first: it writes the file the peer then reads.
ours=$(LOAD_BENCH_FILE="$file" "$build/bench/bench_load" --benchmark_filter='load/build' \
       --benchmark_format=json --benchmark_min_time=1 2>/dev/null |
       python3 -c 'import json,sys; b=json.load(sys.stdin)["benchmarks"][0]; print(b["real_time"])')
read_only=$(LOAD_BENCH_FILE="$file" "$build/bench/bench_load" --benchmark_filter='load/read' \
       --benchmark_format=json --benchmark_min_time=1 2>/dev/null |
       python3 -c 'import json,sys; b=json.load(sys.stdin)["benchmarks"][0]; print(b["real_time"])')
peer_line=$("$peers/peer-load" "$file" 200)
peer=$(echo "$peer_line" | awk '{print $1}')

echo "file:        $file"
echo "peer-load:   $peer_line"
printf 'ours build:  %.3f ms a load (whole scene build)\n' "$ours"
printf 'ours read:   %.3f ms a load (chunk walk only)\n' "$read_only"
python3 -c "print('ratio build/peer: %.2f   read/peer: %.2f' % ($ours / $peer, $read_only / $peer))"
