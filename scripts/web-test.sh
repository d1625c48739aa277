#!/usr/bin/env bash
# The browser test of the web build: builds it (scripts/web.sh --build-only) from a folder of
# symbolic links to the scene's files with files the player never opens beside them, draws reference
# frames of the same scene with the native capture tool, and runs web/test/page_test.mjs and
# web/test/site_test.mjs in Debian's headless Chromium through puppeteer-core (from the npm
# registry, kept in build-web/node). The tests play a copy of build-web/site/ with their own scene
# folders beside it (build-web/test-root/), so that the site holds nothing of theirs. The page's
# frames must equal the native ones pixel for pixel, served with cross-origin isolation and without,
# with no errors on the console, and the GL device's (WebGL 2 on SwiftShader) come close to them
# at 640 x 480 and at 1920 x 1440 with 4 samples; Escape must end a run, and the boxes of a missing
# music file, a missing scene and a lost WebGL context must show. With --rate, the whole run is
# then played by the native player on a virtual X display and by the page unpaced, each timing
# itself, and the line "web: N frames per second (native player: ...)" reports both figures;
# then the page plays it at 1920 x 1440 with 4 samples through the GL device ("webgl: N frames per
# second at 1920x1440x4 (<renderer>)") and the software device, served cross-origin isolated and
# on a plain host. The figures never fail the test.
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

# The scene as links, beside a sound, an archive, a Finder file and an image nobody names: the
# site must hold copies of the linked files, and none of the others.
source=${1:-$here/demo}
if [ ! -f "$source/sarnoj1.3ds" ]; then
  "$here/scripts/web.sh" --build-only "$@"  # generates the production
fi
source=$(cd "$source" && pwd)
linked=$out/test-scene
rm -rf "$linked"
mkdir -p "$linked"
for file in "$source"/*; do
  ln -s "$file" "$linked/"
done
for junk in voice.wav scene.zip .DS_Store unnamed.jpg; do
  echo junk > "$linked/$junk"
done
"$here/scripts/web.sh" --build-only "$linked"
site=$out/site

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
large=$out/native-large
rm -rf "$reference" "$large" "$out/reference"
mkdir -p "$reference" "$large"
scene=$(grep -ix 'sarnoj1.3ds' "$site/scene/files.txt" | head -1)
"$here/build/tools/capture" "$site/scene/$scene" "$reference" --frames "$frames" > /dev/null
"$here/build/tools/capture" "$site/scene/$scene" "$large" --frames "$frames" --size 1920x1440 \
  --samples 4 > /dev/null

# The tests' own copy of the site, with scene folders beside it: the scene without its music (the
# sound library's error box), with a file whose name must be encoded, and with a music file larger
# than the page can hold (sparse: nothing of it is written).
root=$out/test-root
rm -rf "$root" "$out/reference" "$out/scene-no-music" "$out/run-end.png"
cp -a "$site" "$root"
variant() {  # NAME: a copy of the scene's folder, its list on standard input
  mkdir -p "$root/$1"
  cp -a "$site/scene/." "$root/$1/"
  cat > "$root/$1/files.txt"
}
grep -ivx 'sarnoj.mp3' "$site/scene/files.txt" | variant scene-no-music
rm -f "$root/scene-no-music/"[sS][aA][rR][nN][oO][jJ].[mM][pP]3
{ cat "$site/scene/files.txt"; echo 'odd #?% name.txt'; } | variant scene-odd
echo "an odd name" > "$root/scene-odd/odd #?% name.txt"
variant scene-big < "$site/scene/files.txt"
music=$(grep -ix 'sarnoj.mp3' "$site/scene/files.txt" | head -1)
truncate -s 300M "$root/scene-big/$music"
crafted=$out/crafted
rm -rf "$crafted"
cmake --build "$here/build" -j2 --target make-demo > /dev/null
"$here/build/tools/make-demo" --crafted-scenes "$crafted" > /dev/null

# With --rate, the native player's frame rate over the whole run, software device at 640 x 480,
# drawn into a virtual X display of its own (no vertical sync there: it draws as fast as it can, as
# the page does unpaced). Its run ends with exit code 1, as every run of it does.
native_rate=
if [ $rate = 1 ]; then
  number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3> "$number" 2> /dev/null &
  xserver=$!
  for _ in $(seq 500); do
    [ -s "$number" ] && break
    sleep 0.02
  done
  native_rate=$(cd "$site/scene" && DISPLAY=:$(head -n 1 "$number") SDL_VIDEODRIVER=x11 \
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
cp "$here/web/test/"*.mjs "$node/"
status=0
node "$node/page_test.mjs" "$root" "$reference" "$large" "$frames" "$here/web/serve.py" \
  $native_rate ||
  status=1
node "$node/site_test.mjs" "$site" "$root" "$here/web/serve.py" "$here/web/page_files.js" \
  "$crafted" || status=1
exit $status
