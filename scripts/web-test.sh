#!/usr/bin/env bash
# The browser test of the web build: builds it (scripts/web.sh --build-only), draws reference
# frames of the same scene with the native capture tool, and runs web/test/page_test.mjs in
# Debian's headless Chromium through puppeteer-core (from the npm registry, kept in
# build-web/node). The page's frames must equal the native ones pixel for pixel, served with
# cross-origin isolation and without, with no errors on the console; Escape must end a run, and
# the boxes of a missing music file and a missing scene must show. With --rate, the whole run is
# then played by the native player on a virtual X display and by the page unpaced, each timing
# itself, and the line "web: N frames per second (native player: ...)" reports both figures;
# they never fail the test.
#   scripts/web-test.sh [--rate] [DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$here/build-web
frames=0,100,500
rate=0
if [ "${1:-}" = --rate ]; then
  rate=1
  shift
fi
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work}

"$here/scripts/web.sh" --build-only "$@"

"$here/scripts/setup.sh" browser
node=$out/node
if [ ! -d "$node/node_modules/puppeteer-core" ]; then
  mkdir -p "$node"
  (cd "$node" && npm install --no-audit --no-fund --silent puppeteer-core@21)
fi

# The native frames of the scene the page was built with.
[ -f "$here/build/CMakeCache.txt" ] ||
  cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DPLAYER_BENCH=OFF > /dev/null
targets=(capture)
[ $rate = 0 ] || targets+=(sarnoj)
cmake --build "$here/build" -j2 --target "${targets[@]}" > /dev/null
reference=$out/native
rm -rf "$reference" "$out/reference"
mkdir -p "$reference"
scene=$(grep -ix 'sarnoj1.3ds' "$out/scene/files.txt" | head -1)
"$here/build/tools/capture" "$out/scene/$scene" "$reference" --frames "$frames" > /dev/null

# The same scene without its music, for the sound library's error box.
rm -rf "$out/scene-no-music"
mkdir -p "$out/scene-no-music"
grep -ivx 'sarnoj.mp3' "$out/scene/files.txt" | while IFS= read -r name; do
  cp "$out/scene/$name" "$out/scene-no-music/"
  printf '%s\n' "$name"
done > "$out/scene-no-music/files.txt"

# With --rate, the native player's frame rate over the whole run, software device at 640 x 480, drawn into a
# virtual X display of its own (no vertical sync there: it draws as fast as it can, as the page
# does unpaced). Its run ends with exit code 1, as every run of it does.
native_rate=
if [ $rate = 1 ]; then
  number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3> "$number" 2> /dev/null &
  xserver=$!
  for _ in $(seq 500); do
    [ -s "$number" ] && break
    sleep 0.02
  done
  native_rate=$(cd "$out/scene" && DISPLAY=:$(head -n 1 "$number") SDL_VIDEODRIVER=x11 \
    SDL_AUDIODRIVER=dummy SARNOJ_RENDER_DEVICE=software SARNOJ_FRAME_RATE=1 \
    "$here/build/sarnoj" 2>&1 | sed -n 's/^sarnoj: .*, \([0-9.]*\) frames per second$/\1/p' || true)
  kill "$xserver"
  wait "$xserver" 2> /dev/null || true
  rm -f "$number"
  if [ -z "$native_rate" ]; then
    echo "web-test: the native player gave no frame rate" >&2
    exit 1
  fi
fi

# Resolved from its own folder, the test finds puppeteer-core there.
cp "$here/web/test/page_test.mjs" "$node/"
node "$node/page_test.mjs" "$out" "$reference" "$frames" "$here/web/serve.py" $native_rate
