#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the AddressSanitizer and
# UndefinedBehaviorSanitizer build of the same tests, then the device's tests under
# ThreadSanitizer (its rasteriser hands queues to worker threads without locks).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

scripts/setup.sh build
(cd build && ctest --output-on-failure -j"$(nproc)")

scripts/setup.sh build-asan -DPLAYER_SANITIZE=ON -DPLAYER_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j"$(nproc)")

cmake -S . -B build-tsan -DPLAYER_TSAN=ON -DPLAYER_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-tsan -j"$(nproc)" --target tests_gfxcontext
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/tests_gfxcontext --gtest_brief=1

# The fuzz harnesses: replay of the corpus and the regression inputs, then a minute of fuzzing
# each. The last line is the harnesses' "N passed, N failed".
scripts/fuzz.sh 60
