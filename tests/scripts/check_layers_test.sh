#!/usr/bin/env bash
# scripts/check-layers.sh on a small tree of its own (a folder and a header for each library, and
# a CMake project of interface libraries linked down the chain): it passes on the tree as made,
# and fails on a back edge by a quoted include, by an <include>, by a CMake link, and on a tree
# whose include lines name no library at all.
# Usage: check_layers_test.sh SCRIPT
set -uo pipefail
script=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/scripts"
cp "$script" "$tree/scripts/check-layers.sh"

# Each library with the one it is built on (image and gfxcontext, the two devices, platform and
# web stand side by side).
chain=(core: math:core image:math gfxcontext:math softdevice:gfxcontext gldevice:gfxcontext
       scene:gldevice render:scene anim:render loader:anim app:loader platform:app web:app
       program:platform)
failures=0

# Writes the tree: each library's header includes the one it is built on (and a system header,
# which names no library); CMake links each library against the one it is built on. $1 and $2 are
# lines added to core/core.h and to the CMake project.
make_tree() {
    local library previous
    printf 'cmake_minimum_required(VERSION 3.16)\nproject(fake NONE)\n' > "$tree/CMakeLists.txt"
    for pair in "${chain[@]}"; do
        library=${pair%:*} previous=${pair#*:}
        mkdir -p "$tree/$library"
        {
            echo "#pragma once"
            echo "#include <vector>"
            [ -n "$previous" ] && echo "#include \"$previous/$previous.h\""
        } > "$tree/$library/$library.h"
        echo "add_library($library INTERFACE)" >> "$tree/CMakeLists.txt"
        [ -n "$previous" ] &&
            echo "target_link_libraries($library INTERFACE $previous)" >> "$tree/CMakeLists.txt"
    done
    [ -n "$1" ] && echo "$1" >> "$tree/core/core.h"
    [ -n "$2" ] && echo "$2" >> "$tree/CMakeLists.txt"
    rm -rf "$tree/build"
    cmake -S "$tree" -B "$tree/build" > /dev/null || { echo "the fake tree did not configure"; exit 1; }
}

# expect CASE STATUS MESSAGE: the script's exit status is STATUS and its output holds MESSAGE.
expect() {
    local output status
    output=$(bash "$tree/scripts/check-layers.sh" "$tree/build" 2>&1)
    status=$?
    if [ "$status" -ne "$2" ] || [[ $output != *"$3"* ]]; then
        echo "$1: expected status $2 and \"$3\", got status $status:"
        echo "$output"
        failures=$((failures + 1))
    else
        echo "$1: ok"
    fi
}

make_tree "" ""
expect "the chain as made" 0 "every library depends only on those before it"
make_tree '#include "app/app.h"' ""
expect "a quoted include of a later library" 1 "core/core.h:3 includes app/, which comes after core"
make_tree '#  include <loader/loader.h>' ""
expect "an <include> of a later library" 1 "core/core.h:3 includes loader/, which comes after core"
make_tree "" "target_link_libraries(math INTERFACE render)"
expect "a CMake link to a later library" 1 "CMake links math against render, which comes after math"
make_tree "" ""
echo '#include "platform/platform.h"' >> "$tree/app/app.h"
expect "the driver including a port on it" 1 "app/app.h:4 includes platform/, which comes after app"
make_tree "" "target_link_libraries(softdevice INTERFACE gldevice)"
expect "one device linked against the other" 1 \
    "CMake links softdevice against gldevice, which stands beside softdevice"
make_tree "" ""
sed -i '/#include "/d' "$tree"/*/*.h
expect "no include line naming a library" 1 "no include lines between the libraries found"

[ "$failures" -eq 0 ]
