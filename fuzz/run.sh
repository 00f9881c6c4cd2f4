#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer over the whole library) and runs each for a
# bounded time from its seed corpus.  New inputs go to <build>/fuzz-corpus,
# so the repository's seeds stay as they are; a crash, a leak or a hang
# leaves its input in <build>/fuzz-artifacts/<target>/ and fails the run.
#
#   fuzz/run.sh [seconds per target (60)] [build folder (build-fuzz)] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build-fuzz}
shift $(( $# < 2 ? $# : 2 ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(tolvan gresk api)

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DQUELM_FUZZ=ON \
  -DQUELM_BUILD_TESTS=OFF -DQUELM_BUILD_TOOLS=OFF -DQUELM_BUILD_BENCH=OFF
cmake --build "$build" -j"${JOBS:-2}" --target fuzz

# Longest input each target gets: a BMP with room for its headers and a few
# rows; a stream of some dozens of operations.
declare -A max_len=([tolvan]=4096 [gresk]=1024 [api]=1024)

status=0
for target in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$target"
  artifacts="$build/fuzz-artifacts/$target"
  log="$build/fuzz-$target.log"
  mkdir -p "$corpus" "$artifacts"
  if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
       -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" \
       "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "fuzz_$target: $runs runs in ${seconds}s ($rate/s)," \
         "corpus $(ls "$corpus" | wc -l) found + $(ls "fuzz/corpus/$target" | wc -l) seeds"
  else
    echo "fuzz_$target FAILED: input kept in $artifacts/, log in $log"
    grep -E -A12 'ERROR|check failed|runtime error' "$log" | head -60 || tail -40 "$log"
    status=1
  fi
done
exit $status
