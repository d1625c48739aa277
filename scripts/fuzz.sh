#!/usr/bin/env bash
# Builds the libFuzzer harnesses, replays each one's committed corpus and regression inputs, then
# fuzzes each for a fixed time:
#   scripts/fuzz.sh [--build DIR] [seconds per harness (default 60)] [harness ...]
# The harnesses are built in build-fuzz/ (clang, the libraries instrumented for coverage, the
# sanitizers on), or in DIR, a build configured with -DPLAYER_FUZZ=ON (scripts/test.sh's
# sanitizer build is one). New inputs go to DIR/corpus/<harness>/, findings to
# DIR/findings/<harness>/. Ends with "N passed, N failed" over the harnesses, and a non-zero code
# when one failed.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

build=build-fuzz
if [ "${1:-}" = --build ]; then
  build=$2
  shift 2
elif [ ! -f build-fuzz/CMakeCache.txt ]; then
  scripts/setup.sh build test || exit 1
  cmake -S . -B build-fuzz -DPLAYER_FUZZ=ON -DPLAYER_BENCH=OFF -DBUILD_TESTING=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ > /dev/null || exit 1
fi
seconds=${1:-60}
shift || true

targets=(input_arena_check)
for source in tests/fuzz/*_fuzzer.cpp; do
  targets+=("$(basename "$source" .cpp)")
done
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" || exit 1

# Every harness frees its inputs' blocks through the input arena: check it first.
"$build"/tests/fuzz/input_arena_check || exit 1

harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  for binary in "$build"/tests/fuzz/*_fuzzer; do
    harnesses+=("$(basename "$binary" _fuzzer)")
  done
fi

# The largest single block an input may ask for: the decoders refuse sides beyond 4096, so one
# image takes at most 4096 x 4096 x 4 bytes = 64 MiB (the device's copy of it a row and a column
# more); its levels are a quarter of that and less, and libjpeg's largest buffer (one component's
# coefficients of a progressive file, 2 bytes a sample) is half of it. 96 MiB leaves room for
# those and catches anything larger. In all, a scene's images with their levels may take 1 GiB
# and the device keeps its own copy of each, so an input may hold 2.5 GiB, for 25 seconds at most.
options=(-rss_limit_mb=2560 -malloc_limit_mb=96 -timeout=25 -close_fd_mask=3 -print_final_stats=1)

passed=0
failed=0
for name in "${harnesses[@]}"; do
  binary=$build/tests/fuzz/${name}_fuzzer
  seeds=tests/fuzz/corpus/$name
  regressions=tests/fuzz/regressions/$name
  corpus=$build/corpus/$name
  findings=$build/findings/$name
  mkdir -p "$corpus" "$findings"
  dictionary=()
  [ -f tests/fuzz/dict/$name.dict ] && dictionary=(-dict=tests/fuzz/dict/$name.dict)
  inputs=("$seeds")
  [ -d "$regressions" ] && inputs+=("$regressions")

  echo "== $name: replay"
  if ! "$binary" "${options[@]}" -runs=0 "${inputs[@]}" >"$findings/replay.log" 2>&1; then
    tail -n 40 "$findings/replay.log"
    echo "$name: replay FAILED"
    failed=$((failed + 1))
    continue
  fi
  echo "== $name: fuzzing for ${seconds}s"
  if "$binary" "${options[@]}" "${dictionary[@]}" -max_total_time="$seconds" \
       -artifact_prefix="$findings/" "$corpus" "${inputs[@]}" >"$findings/fuzz.log" 2>&1; then
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+[[:space:]]+DONE)" "$findings/fuzz.log" \
      | sed "s/^/  /"
    passed=$((passed + 1))
  else
    tail -n 60 "$findings/fuzz.log"
    echo "$name: fuzzing FAILED (input in $findings/)"
    failed=$((failed + 1))
  fi
done

echo "fuzz harnesses:"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
