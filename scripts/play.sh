#!/usr/bin/env bash
# Builds everything and plays a scene directory: by default our own production in demo/, which is
# generated on first use. With a display the player runs in a window (SARNOJ_RENDER_SIZE and
# SARNOJ_RENDER_SAMPLES choose its target, as for the player itself). Without a display it renders
# the scene into a video file instead, at 1440 x 1080 with 4 samples a pixel.
#   scripts/play.sh [DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" build play
# The build users get: optimised, without the tests and benchmarks (scripts/test.sh adds them to
# the same build).
if [ ! -f "$here/build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DPLAYER_BENCH=OFF > /dev/null
fi
cmake --build "$here/build" -j"$(nproc)" --target sarnoj capture make-demo

if [ $# -gt 0 ]; then
  dir=$(cd "$1" && pwd)
else
  dir=$here/demo
  if [ ! -f "$dir/sarnoj1.3ds" ] || [ ! -f "$dir/sarnoj.mp3" ]; then
    echo "generating the demo into $dir"
    "$here/build/tools/make-demo" "$dir"
  fi
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  cd "$dir"
  exec "$here/build/sarnoj"
fi

video=$dir/sarnoj.mp4
echo "no display: rendering the scene at 1440 x 1080 with 4 samples into $video"
"$here/build/tools/capture" "$dir" --video "$video" --size 1440x1080 --samples 4
echo "the video is $video"
