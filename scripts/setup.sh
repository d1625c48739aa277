#!/usr/bin/env bash
# The one place that knows the Debian packages the project needs, in groups that the README's
# commands and every script ask for:
#   build    compiling the player, its tools and libraries
#   play     our production (make-demo's music encoder) and videos of a run (capture --video)
#   test     the tests and benchmarks: GoogleTest, Google Benchmark, clang with its sanitizer and
#            fuzzer runtimes, ccache, and the virtual X display the playback tests run in
#   web      the browser build: emscripten, and dpkg-dev to unpack the JPEG library's source
#   browser  the page's test: Chromium, a virtual display, and Node.js with npm
#   package  the Debian package (scripts/package.sh): dpkg-shlibdeps and file for its dependencies,
#            lintian, and desktop-file-validate for its desktop entry
#
#   scripts/setup.sh GROUP...            installs what is missing of those groups, package by
#                                        package (nothing when all are there)
#   scripts/setup.sh --check [GROUP...]  apt's simulation (apt-get install -s, which installs
#                                        nothing) over every package the groups ask for, all
#                                        groups when none is named; fails naming the conflict
#   scripts/setup.sh --list [GROUP...]   the packages the groups ask for, one a line
#
# Node.js: the node and npm already on the machine are used when there are any (Node.js 18 or
# later with its npm); Debian's nodejs and npm are asked for only where there is no node at all,
# since a Node.js that carries its own npm conflicts with Debian's npm package.
set -euo pipefail

declare -A packages=(
  [build]="cmake g++ make pkg-config libsdl2-dev libsdl2-mixer-dev libjpeg62-turbo-dev libpng-dev
           libstb-dev libegl-dev libgl-dev libopengl-dev libegl-mesa0 libgl1-mesa-dri"
  [play]="lame ffmpeg"
  [test]="libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev ccache xvfb xauth
          xdotool ffmpeg lame"
  [web]="emscripten dpkg-dev"
  [browser]="chromium xvfb"
  [package]="dpkg-dev file lintian desktop-file-utils"
)
order=(build play test web browser package)

usage() {
  echo "usage: scripts/setup.sh GROUP... | --check|--list [GROUP...]   (groups: ${order[*]})" >&2
  exit 2
}

mode=install
case ${1:-} in
  --check) mode=check; shift ;;
  --list) mode=list; shift ;;
esac
groups=("$@")
if [ ${#groups[@]} -eq 0 ]; then
  [ $mode != install ] || usage
  groups=("${order[@]}")
fi
for g in "${groups[@]}"; do
  [ -n "${packages[$g]+x}" ] || { echo "setup: no group \"$g\"" >&2; usage; }
done

as_root() {
  if [ "$(id -u)" -ne 0 ]; then sudo "$@"; else "$@"; fi
}

# Debian's nodejs and npm where there is no node; nothing where a usable one is there. A node
# that is too old or lacks its npm is named rather than replaced.
node_packages() {
  if ! command -v node > /dev/null; then
    echo "nodejs npm"
    return
  fi
  local major
  major=$(node -p 'process.versions.node.split(".")[0]' 2> /dev/null || echo 0)
  if [ "$major" -lt 18 ]; then
    echo "setup: the page's test needs Node.js 18 or later; this machine's node is" \
         "$(node --version 2> /dev/null || echo unreadable)" >&2
    return 1
  fi
  if ! command -v npm > /dev/null; then
    echo "setup: node $(node --version) is there without npm: install the npm that goes with it" >&2
    return 1
  fi
}

# Every package the groups ask for, once each, in the order first asked.
wanted=()
declare -A seen=()
for g in "${groups[@]}"; do
  list=${packages[$g]}
  if [ "$g" = browser ]; then
    node=$(node_packages) || exit 1
    list+=" $node"
  fi
  for p in $list; do
    [ -n "${seen[$p]+x}" ] && continue
    seen[$p]=1
    wanted+=("$p")
  done
done

if [ $mode = list ]; then
  printf '%s\n' "${wanted[@]}"
  exit 0
fi

# apt knows no package before its lists were read once.
if ! compgen -G '/var/lib/apt/lists/*_Packages' > /dev/null; then
  as_root apt-get update -qq
fi

if [ $mode = check ]; then
  if ! out=$(apt-get install -s -q "${wanted[@]}" 2>&1); then
    # apt names the packages that conflict or cannot be had on lines of their own.
    echo "$out" | grep -E '^(E:|W:| [^ ])' | head -n 20 >&2
    echo "setup: apt's simulation of ${#wanted[@]} packages (${groups[*]}) failed" >&2
    exit 1
  fi
  echo "setup: ${groups[*]}: ${#wanted[@]} packages, apt simulation passed"
  exit 0
fi

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2> /dev/null | grep -q "install ok installed" ||
    missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "setup: installing ${missing[*]}"
as_root apt-get update -qq
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" > /dev/null
