#!/usr/bin/env bash
# Builds and runs every test. Each build is made once, for a reason of its own:
#   build/           GCC, Release: the build users get. Every test, the playback tests in a
#                    virtual X display among them, and the GL device's frames against the
#                    software device's (scripts/compare-devices.sh).
#   build-asan/      clang with AddressSanitizer and UndefinedBehaviorSanitizer, every library
#                    also instrumented for the fuzzer: every test but the playback ones, then the
#                    fuzz harnesses (their corpus and past findings replayed, then half a minute
#                    of fuzzing each) while the web page builds beside them.
#   build-tsan/      the software device and its tests under ThreadSanitizer (its rasteriser
#                    hands queues to worker threads without locks).
#   build-portable/  the device's pixel pipeline in plain C++ without SSE2 or AVX2: the device's
#                    tests and the golden frames, which must come out the same.
# Between them the Debian package, made of build/'s programs and checked unpacked
# (scripts/package.sh --check); last, the web page in a headless browser (scripts/web-test.sh).
# The packages come first: apt's simulation of every list (scripts/setup.sh --check), then
# whatever is missing.
# In CI (CI=true) compiler warnings are errors, and no test may be skipped.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

werror=-DPLAYER_WERROR=OFF
[ "${CI:-}" = true ] && werror=-DPLAYER_WERROR=ON
jobs=$(nproc)
# Builds in other folders (a fresh clone) reuse what ccache keeps, whatever their path.
export CCACHE_BASEDIR=$here CCACHE_NOHASHDIR=1
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

# Each step's time, printed again at the end.
times=()
started=$SECONDS
step_start=$SECONDS
step_name=
step() {
  if [ -n "$step_name" ]; then
    times+=("$(printf '%5ds  %s' $((SECONDS - step_start)) "$step_name")")
  fi
  step_name=$1
  step_start=$SECONDS
  [ -n "$step_name" ] && echo "== $step_name"
  return 0
}
configure() {  # DIR CMAKE_ARGS...
  local dir=$1
  shift
  cmake -S . -B "$dir" "$werror" "$@" > /dev/null
}

step "packages: apt's simulation, then what is missing"
scripts/setup.sh --check
scripts/setup.sh build play test web browser package

step "build/: configure, check the chain of libraries, build"
configure build -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
  -DBUILD_TESTING=ON -DPLAYER_BENCH=ON -DPLAYER_INSTALL=ON -DCMAKE_INSTALL_PREFIX=/usr
# Each library may use only those before it in the chain: checked on the include lines and on
# the links CMake declares, before anything compiles.
scripts/check-layers.sh build
cmake --build build -j"$jobs"

step "build/: tests"
(cd build && ctest --output-on-failure -j"$jobs")

step "build/: the GL device against the software device"
# On whatever GL driver is there (Mesa's llvmpipe on a machine without a graphics processor).
scripts/compare-devices.sh build

step "the Debian package: made of build/, unpacked and checked"
scripts/package.sh --check --build build

step "build-asan/: clang with the sanitizers, build"
configure build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DPLAYER_SANITIZE=ON -DPLAYER_FUZZ=ON -DPLAYER_BENCH=OFF \
  -DBUILD_TESTING=ON
cmake --build build-asan -j"$jobs"

step "build-asan/: tests"
# All but the playback tests, which the sanitizer build does not make.
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j"$jobs")

step "build-tsan/: the device's threads"
configure build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLAYER_TSAN=ON -DPLAYER_BENCH=OFF \
  -DBUILD_TESTING=ON
cmake --build build-tsan -j"$jobs" --target tests_softdevice
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/tests_softdevice --gtest_brief=1

step "build-portable/: the plain C++ pixel pipeline"
configure build-portable -DCMAKE_BUILD_TYPE=Release -DPLAYER_PORTABLE_SIMD=ON -DPLAYER_BENCH=OFF \
  -DBUILD_TESTING=ON
cmake --build build-portable -j"$jobs" --target tests_softdevice tests_golden
build-portable/tests/tests_softdevice --gtest_brief=1
(cd build-portable/tests && ./tests_golden --gtest_brief=1)

step "fuzzing (build-asan/), the web build beside it"
# Each keeps about one core busy: the fuzzer is one process, the web build's links one optimiser
# each.
web_log=$(mktemp)
scripts/web.sh --build-only > "$web_log" 2>&1 &
web_build=$!
fuzz_status=0
scripts/fuzz.sh --build build-asan 30 || fuzz_status=$?
if ! wait "$web_build"; then
  tail -n 60 "$web_log"
  echo "the web build failed" >&2
  exit 1
fi
rm -f "$web_log"

step "the web page in a headless browser"
scripts/web-test.sh
step ""

echo "== times"
printf '%s\n' "${times[@]}"
printf '%5ds  in all\n' $((SECONDS - started))
exit "$fuzz_status"
