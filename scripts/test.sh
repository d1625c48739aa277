#!/usr/bin/env bash
# Builds and runs every test: the normal build (with the check that the libraries form one
# chain, and the comparison of the GL device's frames with the software device's), then the
# AddressSanitizer and UndefinedBehaviorSanitizer build of the same tests, then the device's
# tests under ThreadSanitizer (its rasteriser hands queues to worker threads without locks), the
# fuzz harnesses, and the web page in a headless browser.
# In CI (CI=true) compiler warnings are errors, and everything is also built as released (GCC,
# Release) and with clang, whose optimiser and checks each find warnings the others miss, and the
# device's tests and the golden frames run once more on the portable pixel pipeline.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

in_ci=false
[ "${CI:-}" = true ] && in_ci=true
werror=(-DPLAYER_WERROR=OFF)
$in_ci && werror=(-DPLAYER_WERROR=ON)

scripts/setup.sh build "${werror[@]}"
# Each library may use only those before it in the chain: checked on the include lines and on
# the links CMake declares.
scripts/check-layers.sh build
(cd build && ctest --output-on-failure -j"$(nproc)")
# The GL device against the software device, frame by frame, on whatever GL driver is there
# (Mesa's llvmpipe on a machine without a graphics processor).
scripts/compare-devices.sh build

scripts/setup.sh build-asan -DPLAYER_SANITIZE=ON -DPLAYER_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug \
  "${werror[@]}"
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j"$(nproc)")

cmake -S . -B build-tsan -DPLAYER_TSAN=ON -DPLAYER_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "${werror[@]}" >/dev/null
cmake --build build-tsan -j"$(nproc)" --target tests_gfxcontext
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/tests_gfxcontext --gtest_brief=1

# CI: the released build with GCC, and a clang build of everything; the golden frames must come
# out the same from each.
if $in_ci; then
  scripts/setup.sh build-release -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc \
    -DCMAKE_CXX_COMPILER=g++ "${werror[@]}"
  (cd build-release && ctest --output-on-failure -j"$(nproc)" -R "golden|Golden")
  scripts/setup.sh build-clang -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${werror[@]}"
  (cd build-clang && ctest --output-on-failure -j"$(nproc)" -R "golden|Golden")
  # The device's pixel pipeline in plain C++, without SSE2 or AVX2: its tests and the golden
  # frames, which must come out the same.
  cmake -S . -B build-portable -DPLAYER_PORTABLE_SIMD=ON -DPLAYER_BENCH=OFF "${werror[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build-portable -j"$(nproc)" --target tests_gfxcontext tests_golden
  build-portable/tests/tests_gfxcontext --gtest_brief=1
  (cd build-portable/tests && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    ./tests_golden --gtest_brief=1)
fi

# The fuzz harnesses (replay of the corpus and the regression inputs, then half a minute of
# fuzzing each) side by side with the web build: each keeps about one core busy, the fuzzer
# being one process and the web build's links each one optimiser. Then the browser test, alone,
# since it times whole runs.
scripts/web.sh --install-only
web_log=$(mktemp)
scripts/web.sh --build-only > "$web_log" 2>&1 &
web_build=$!
fuzz_status=0
scripts/fuzz.sh 30 || fuzz_status=$?
if ! wait "$web_build"; then
  tail -n 60 "$web_log"
  echo "the web build failed" >&2
  exit 1
fi
rm -f "$web_log"
scripts/web-test.sh
exit "$fuzz_status"
