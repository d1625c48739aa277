#!/usr/bin/env bash
# Builds the Debian package build-package/sarnoj_VERSION_ARCH.deb with CPack: the player, its
# tools, the production, the desktop entry and its icon, the manual pages (packaging/). With
# --check it then checks the package (tests/scripts/package_test.sh): its contents, its
# dependencies, the programs run from a scratch folder it is unpacked into, and lintian.
#   scripts/package.sh [--check] [--build DIR | -- CMAKE_ARGS...]
# CMAKE_ARGS reach the configuration of build-package/. --build DIR packages a build configured
# already, with -DPLAYER_INSTALL=ON (the default) and -DCMAKE_INSTALL_PREFIX=/usr, as
# scripts/test.sh's build/ is: its programs are the ones the tests ran.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  echo "usage: scripts/package.sh [--check] [--build DIR | -- CMAKE_ARGS...]" >&2
  exit 2
}
check=no
dir=
while [ $# -gt 0 ]; do
  case $1 in
    --check) check=yes; shift ;;
    --build) [ $# -ge 2 ] || usage; dir=$(cd "$2" && pwd); shift 2 ;;
    --) shift; break ;;
    *) usage ;;
  esac
done

"$here/scripts/setup.sh" build play package
if [ -n "$dir" ]; then
  [ $# -eq 0 ] || usage
  grep -qx 'CMAKE_INSTALL_PREFIX:PATH=/usr' "$dir/CMakeCache.txt" &&
    grep -qx 'PLAYER_INSTALL:BOOL=ON' "$dir/CMakeCache.txt" || {
    echo "package: $dir is not configured with -DPLAYER_INSTALL=ON -DCMAKE_INSTALL_PREFIX=/usr" >&2
    exit 1
  }
else
  # The same compiler and flags as scripts/test.sh's build/, whose objects ccache keeps.
  export CCACHE_BASEDIR=$here CCACHE_NOHASHDIR=1
  dir=$here/build-package
  cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc \
    -DCMAKE_CXX_COMPILER=g++ -DBUILD_TESTING=OFF -DPLAYER_BENCH=OFF -DPLAYER_INSTALL=ON \
    -DCMAKE_INSTALL_PREFIX=/usr "$@" > /dev/null
fi
cmake --build "$dir" -j"$(nproc)" > "$dir/package-build.log" ||
  { tail -n 40 "$dir/package-build.log"; exit 1; }
rm -f "$dir"/sarnoj_*.deb
(cd "$dir" && cpack --config CPackConfig.cmake > cpack.log) || { cat "$dir/cpack.log"; exit 1; }
debs=("$dir"/sarnoj_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "package: CPack made no package" >&2; exit 1; }
echo "package: ${debs[0]}"
if [ $check = yes ]; then
  "$here/tests/scripts/package_test.sh" "${debs[0]}"
fi
