#!/usr/bin/env bash
# Fails when a library depends on one later in the chain, by an include line or by a link that
# CMake declares. The chain, each library depending only on those before it (image and gfxcontext
# stand side by side and use neither each other, and so do the two devices, softdevice and
# gldevice, and platform and web, the ports on SDL2 and on the browser), and the player's program
# on top of them all:
#   core -> math -> image, gfxcontext -> softdevice, gldevice -> scene -> render -> anim -> loader
#   -> app -> platform, web -> program
# Usage: scripts/check-layers.sh [BUILD_DIR]   (a configured build directory; default build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)

declare -A rank=([core]=0 [math]=1 [image]=2 [gfxcontext]=2 [softdevice]=3 [gldevice]=3 [scene]=4
                 [render]=5 [anim]=6 [loader]=7 [app]=8 [platform]=9 [web]=9 [program]=10)
failures=0
complain() {
    echo "layers: $*" >&2
    failures=$((failures + 1))
}

# How library $1 stands to library $2 that may not use it.
relation() {
    if [ "${rank[$1]}" -eq "${rank[$2]}" ]; then
        echo "stands beside $2"
    else
        echo "comes after $2"
    fi
}

# May library `from` use library `to`?
allowed() {
    [ "$1" = "$2" ] || [ "${rank[$2]}" -lt "${rank[$1]}" ]
}

# The include lines, "lib/..." or <lib/...>: every header is included from the top of the tree,
# so the folder before the first slash names the library a header belongs to; other headers
# (<vector>, <SDL2/SDL.h>) name no library of the chain. Every file of a folder is read, the
# page's program web/main.cpp among them.
include_of_a_folder='^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]([a-z_]+)/'
includes=0
for library in "${!rank[@]}"; do
    [ -d "$here/$library" ] || { complain "folder $library/ is missing"; continue; }
    while IFS=: read -r file line text; do
        [[ $text =~ $include_of_a_folder ]] || continue
        used=${BASH_REMATCH[1]}
        [ -n "${rank[$used]+x}" ] || continue
        includes=$((includes + 1))
        allowed "$library" "$used" ||
            complain "${file#"$here"/}:$line includes $used/, which $(relation "$used" "$library")"
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]' -r "$here/$library" \
             --include='*.h' --include='*.cpp' /dev/null || true)
done
# Not one include line between the libraries means the scan read nothing: say so rather than pass.
[ "$includes" -gt 0 ] || complain "no include lines between the libraries found in $here"

# The links CMake declares, from its dependency graph of the build directory's targets.
graph=$(mktemp -d)
trap 'rm -rf "$graph"' EXIT
(cd "$graph" && cmake --graphviz=targets.dot "$build" >/dev/null)
declare -A label
while read -r node name; do
    label[$node]=$name
done < <(sed -n 's/^[[:space:]]*"\(node[0-9]*\)"[[:space:]]*\[[[:space:]]*label[[:space:]]*=[[:space:]]*"\([^"]*\)".*/\1 \2/p' \
         "$graph/targets.dot")
links=0
while read -r from to; do
    a=${label[$from]:-} b=${label[$to]:-}
    [ -n "${rank[$a]+x}" ] && [ -n "${rank[$b]+x}" ] || continue
    links=$((links + 1))
    allowed "$a" "$b" || complain "CMake links $a against $b, which $(relation "$b" "$a")"
done < <(sed -n 's/^[[:space:]]*"\(node[0-9]*\)"[[:space:]]*->[[:space:]]*"\(node[0-9]*\)".*/\1 \2/p' \
         "$graph/targets.dot")
# A graph without a single link between the libraries was not read: say so rather than pass.
[ "$links" -gt 0 ] || complain "no links between the libraries found in $build"

if [ "$failures" -gt 0 ]; then
    echo "layers: $failures dependencies break the chain" >&2
    exit 1
fi
echo "layers: every library depends only on those before it ($includes include lines and" \
     "$links links checked)"
