#!/usr/bin/env bash
# scripts/setup.sh's lists: Node.js is asked of Debian only where the machine has none, a node
# too old or without its npm is named rather than replaced, and a package two groups share is
# asked for once.
#   setup_test.sh SOURCE_DIR
set -u
setup=$1/scripts/setup.sh
bin=$(mktemp -d)
trap 'rm -rf "$bin"' EXIT
failures=0
expect() {  # WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAILED: $1: expected [$2], got [$3]"
    failures=$((failures + 1))
  fi
}
# The lists with only the fake programs in $bin on the path.
list() {
  PATH=$bin /bin/bash "$setup" --list "$@" 2>&1 | tr '\n' ' '
  echo "rc=${PIPESTATUS[0]}"
}
fake() {  # NAME VERSION
  printf '#!/bin/sh\necho %s\n' "$2" > "$bin/$1"
  chmod +x "$bin/$1"
}

expect "no node" "chromium xvfb nodejs npm rc=0" "$(list browser)"
fake node 20
fake npm 10.8.0
expect "the machine's own node and npm" "chromium xvfb rc=0" "$(list browser)"
fake node 16
expect "a node too old" \
  "setup: the page's test needs Node.js 18 or later; this machine's node is 16 rc=1" \
  "$(list browser)"
fake node 18
rm "$bin/npm"
expect "node without npm" \
  "setup: node 18 is there without npm: install the npm that goes with it rc=1" "$(list browser)"
expect "shared packages once" "lame ffmpeg libgtest-dev libgmock-dev libbenchmark-dev clang \
libclang-rt-14-dev ccache xvfb xauth xdotool rc=0" "$(list play test)"
expect "an unknown group" 2 "$(PATH=$bin /bin/bash "$setup" nothing > /dev/null 2>&1; echo $?)"

[ "$failures" -eq 0 ] && echo "setup lists: all passed"
[ "$failures" -eq 0 ]
