#!/usr/bin/env bash
# Builds the player for the browser into build-web/, puts the site together in build-web/site/
# (the page, its programs and the scene: real files only, ready to copy to any static host) and
# serves it on this machine.
#   scripts/web.sh [--build-only] [--port N] [--no-isolation] [DIR]
#   scripts/web.sh --install-only   (installs what the build needs, and builds nothing)
# DIR is the scene directory whose files the player opens are put beside the page, in site/scene/
# (by default our own production in demo/, which is generated on first use). The page is then at the
# address printed; ?size=WxH|native and ?samples=N choose the render target as SARNOJ_RENDER_SIZE /
# SARNOJ_RENDER_SAMPLES do natively, ?device=gl|software the device as SARNOJ_RENDER_DEVICE does
# (unasked, the GL device on WebGL 2 where a graphics processor runs it), ?frames=0,100,500 draws
# those scene frames and keeps them for a test (window.sarnojFrames). The page is served cross-origin isolated, so that the device draws on
# worker threads; --no-isolation serves it as a plain web host would, and the device draws on the
# page's thread.
# Only Debian's packages are used: emscripten, and libjpeg-turbo's source built for WebAssembly.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$here/build-web
serve=1
install_only=0
port=8016
isolation=()
dir=
while [ $# -gt 0 ]; do
  case $1 in
    --build-only) serve=0 ;;
    --install-only) install_only=1 ;;
    --port) port=$2; shift ;;
    --no-isolation) isolation=(--no-isolation) ;;
    *) dir=$1 ;;
  esac
  shift
done
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work}
# Debian's emscripten runs its optimiser on node with the node modules Debian ships.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

as_root() {
  if [ "$(id -u)" -ne 0 ]; then sudo "$@"; else "$@"; fi
}
# The toolchain, and the source of the JPEG library (deb-src entries switched on for it).
enable_sources() {
  local changed=0
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    if grep -q '^Types: deb$' "$f"; then
      as_root sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
      changed=1
    fi
  done
  if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list &&
     ! grep -q '^deb-src ' /etc/apt/sources.list; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | as_root tee -a /etc/apt/sources.list \
      > /dev/null
    changed=1
  fi
  if [ $changed = 1 ]; then as_root apt-get update -q >&2; fi
}
# The native build makes the production the page plays, and stb_image's headers come from the
# host's package (PNG goes through it, as natively).
"$here/scripts/setup.sh" build play web

# libjpeg-turbo for WebAssembly: the version-62 interface, no SIMD, static; kept between builds.
# Built twice, as the player is: objects that share memory between threads and objects that do
# not cannot be linked together.
jpeg_source() {
  local src=$out/jpeg/src
  if [ -z "$(find "$src" -maxdepth 1 -mindepth 1 -type d -name 'libjpeg-turbo*' 2> /dev/null)" ]
  then
    rm -rf "$src"
    mkdir -p "$src"
    if ! (cd "$src" && apt-get source -q libjpeg-turbo > /dev/null 2>&1); then
      enable_sources
      (cd "$src" && apt-get source -q libjpeg-turbo > /dev/null)
    fi
  fi
  find "$src" -maxdepth 1 -mindepth 1 -type d -name 'libjpeg-turbo*' | head -1
}
if [ $install_only = 1 ]; then
  jpeg_source > /dev/null
  exit 0
fi
build_jpeg() {  # VARIANT C_FLAGS
  local jpeg=$out/jpeg/$1
  [ -f "$jpeg/install/lib/libjpeg.a" ] && return
  echo "building libjpeg-turbo for WebAssembly in $jpeg"
  local jsrc
  jsrc=$(jpeg_source)
  rm -rf "$jpeg"
  # CMake cannot read type sizes from what emcc makes (JavaScript, not an object file): wasm32
  # has them fixed.
  emcmake cmake -S "$jsrc" -B "$jpeg/build" -DCMAKE_BUILD_TYPE=Release -DWITH_SIMD=OFF \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF \
    -DHAVE_SIZE_T=1 -DSIZE_T=4 -DHAVE_UNSIGNED_LONG=1 -DUNSIGNED_LONG=4 -DCMAKE_C_FLAGS="$2" \
    -DCMAKE_INSTALL_PREFIX="$jpeg/install" -DCMAKE_INSTALL_LIBDIR=lib > "$out/jpeg/$1.log"
  cmake --build "$jpeg/build" -j2 --target jpeg-static >> "$out/jpeg/$1.log"
  # The library and its headers are all the player needs.
  mkdir -p "$jpeg/install/lib" "$jpeg/install/include"
  cp "$jpeg/build/libjpeg.a" "$jpeg/install/lib/"
  cp "$jsrc/jpeglib.h" "$jsrc/jmorecfg.h" "$jsrc/jerror.h" "$jpeg/build/jconfig.h" \
    "$jpeg/install/include/"
}

# The project for WebAssembly: the libraries and the page's program, nothing that needs SDL2.
launcher=()
if command -v ccache > /dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# stb_image's headers alone: /usr/include itself must not come before emscripten's own headers.
mkdir -p "$out/stb"
ln -sfn /usr/include/stb "$out/stb/stb"
# Warnings are errors in CI, as in the native builds.
werror=OFF
[ "${CI:-}" = true ] && werror=ON
build_player() {  # VARIANT THREADS(ON|OFF) PROGRAM
  local jpeg=$out/jpeg/$1 cmake_dir=$out/cmake-$1
  if [ ! -f "$cmake_dir/CMakeCache.txt" ]; then
    emcmake cmake -S "$here" -B "$cmake_dir" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
      -DPLAYER_WEB_THREADS="$2" \
      -DJPEG_INCLUDE_DIR="$jpeg/install/include" -DJPEG_LIBRARY="$jpeg/install/lib/libjpeg.a" \
      -DSTB_IMAGE_INCLUDE_DIR="$out/stb" -DBUILD_TESTING=OFF -DPLAYER_BENCH=OFF \
      -DPLAYER_WERROR="$werror" > /dev/null
  fi
  cmake --build "$cmake_dir" -j2 --target "$3"
}
# Two programs: one whose device draws on worker threads, for a cross-origin isolated page, and
# one drawing on the page's own thread, for any other. The page loads the one it can run.
# Each link spends minutes in one single-threaded optimiser: the two are built side by side.
build_jpeg threads -pthread
build_jpeg single ""
build_player threads ON sarnoj_web &
threads_build=$!
build_player single OFF sarnoj_web_single
wait "$threads_build"

# The native build lists the files the player opens from the scene's folder (scene-dump
# --files: case-blind, backslash folders, the JPG and PCX fall-backs), and makes the production.
[ -f "$here/build/CMakeCache.txt" ] ||
  cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DPLAYER_BENCH=OFF > /dev/null
if [ -z "$dir" ]; then
  dir=$here/demo
  if [ ! -f "$dir/sarnoj1.3ds" ] || [ ! -f "$dir/sarnoj.mp3" ]; then
    cmake --build "$here/build" -j2 --target make-demo
    echo "generating the demo into $dir"
    "$here/build/tools/make-demo" "$dir"
  fi
fi
cmake --build "$here/build" -j2 --target scene-dump > /dev/null
dir=$(cd "$dir" && pwd)

# The site: the page, its script, the programs and the scene's files, each a copy of its own (a
# symbolic link in DIR is copied as the file it names). Nothing else of DIR, the build or the
# tests lands here.
site=$out/site
rm -rf "$site"
mkdir -p "$site/scene"
cp "$here/web/index.html" "$here/web/page_files.js" "$site/"
cp "$out/cmake-threads/sarnoj_web.js" "$out/cmake-threads/sarnoj_web.wasm" "$site/"
cp "$out/cmake-single/sarnoj_web_single.js" "$out/cmake-single/sarnoj_web_single.wasm" "$site/"
if [ -f "$out/cmake-threads/sarnoj_web.worker.js" ]; then
  cp "$out/cmake-threads/sarnoj_web.worker.js" "$site/"
fi
scene=$(find "$dir" -maxdepth 1 -iname sarnoj1.3ds | head -1)
if [ -z "$scene" ]; then
  echo "web.sh: $dir holds no sarnoj1.3ds" >&2
  exit 1
fi
"$here/build/tools/scene-dump" "$scene" --files > "$site/scene/files.txt"
while IFS= read -r name; do
  mkdir -p "$(dirname "$site/scene/$name")"
  cp -L "$dir/$name" "$site/scene/$name"
done < "$site/scene/files.txt"
echo "built $site ($(wc -l < "$site/scene/files.txt") scene files from $dir)"

if [ $serve = 1 ]; then
  exec python3 "$here/web/serve.py" "$site" "$port" "${isolation[@]}"
fi
