#!/usr/bin/env bash
# Installs the Debian packages the project needs (nothing when they are all there), then
# configures and builds into build/ (or the directory given as $1 with extra CMake arguments).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(cmake g++ make pkg-config libsdl2-dev libsdl2-mixer-dev libjpeg62-turbo-dev libpng-dev
          libstb-dev libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
          xvfb xauth ffmpeg lame xdotool libegl-dev libgl-dev libopengl-dev libegl-mesa0
          libgl1-mesa-dri)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

build=${1:-build}
shift || true
cmake -S "$here" -B "$here/$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$here/$build" -j"$(nproc)"
