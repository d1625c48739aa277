#!/usr/bin/env bash
# The browser test of the web build: builds it (scripts/web.sh --build-only), draws reference
# frames of the same scene with the native capture tool, and runs web/test/page_test.mjs in
# Debian's headless Chromium through puppeteer-core (from the npm registry, kept in
# build-web/node). The page's frames must match the native ones within one step a channel, and
# Escape must end a run.
#   scripts/web-test.sh [DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$here/build-web
frames=0,100,500
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work}

"$here/scripts/web.sh" --build-only "$@"

if ! command -v chromium > /dev/null || ! command -v npm > /dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q chromium npm > /dev/null
fi
node=$out/node
if [ ! -d "$node/node_modules/puppeteer-core" ]; then
  mkdir -p "$node"
  (cd "$node" && npm install --no-audit --no-fund --silent puppeteer-core@21)
fi

# The native frames of the scene the page was built with.
[ -f "$here/build/CMakeCache.txt" ] ||
  cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$here/build" -j2 --target capture > /dev/null
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

# Resolved from its own folder, the test finds puppeteer-core there.
cp "$here/web/test/page_test.mjs" "$node/"
node "$node/page_test.mjs" "$out" "$reference" "$frames" "$here/web/serve.py"
