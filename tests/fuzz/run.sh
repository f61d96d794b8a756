#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz/ and runs them one after the other from their seed
# corpora, sharing one time budget (total seconds, default 240) so that a new target does not lengthen
# the run. Fails on any crash, leak or timeout.
set -euo pipefail

budget="${1:-240}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build-fuzz"
targets=(variant_reader_fuzzer utf8_to_utf16_fuzzer)

CC=clang CXX=clang++ cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "${FUZZ_JOBS:-3}"

seconds=$((budget / ${#targets[@]}))
[ "$seconds" -ge 10 ] || seconds=10

passed=0
for target in "${targets[@]}"; do
  # New inputs go to the build folder; the seeds in the repository are only read.
  work="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  log="$build/$target.log"
  mkdir -p "$work" "$artifacts"
  echo "== $target for ${seconds}s (log: $log)"
  if ! "$build/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$artifacts/" -print_final_stats=1 \
      "$work" "$root/tests/fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "$target failed; inputs that reproduce it are in $artifacts" >&2
    echo "fuzz: $passed passed, 1 failed"
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
  passed=$((passed + 1))
done
echo "fuzz: $passed passed, 0 failed"
