#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz/ and runs them from their seed corpora, sharing one
# budget of fuzzing seconds (default 240) so that a new target does not lengthen the run: each target
# gets its share, and as many run at once as there are cores. Fails on any crash, leak or timeout.
set -euo pipefail

budget="${1:-240}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build-fuzz"
lanes="${FUZZ_JOBS:-$(nproc)}"

CC=clang CXX=clang++ cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$lanes"
mapfile -t targets <"$build/fuzz-targets.txt"

seconds=$((budget / ${#targets[@]}))
[ "$seconds" -ge 10 ] || seconds=10

fuzz() {
  local target="$1"
  # New inputs go to the build folder; the seeds in the repository are only read.
  local work="$build/corpus/$target" artifacts="$build/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  "$build/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 \
    "$work" "$root/tests/fuzz/corpus/$target" >"$build/$target.log" 2>&1
}

declare -A pids
passed=0
failed=0
finish() {
  local target="$1"
  if wait "${pids[$target]}"; then
    echo "== $target: ${seconds}s clean"
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$build/$target.log" || true
    passed=$((passed + 1))
  else
    tail -n 60 "$build/$target.log" >&2
    echo "$target failed; inputs that reproduce it are in $build/artifacts/$target" >&2
    failed=$((failed + 1))
  fi
}

running=()
for target in "${targets[@]}"; do
  if [ "${#running[@]}" -ge "$lanes" ]; then
    finish "${running[0]}"
    running=("${running[@]:1}")
  fi
  echo "== $target for ${seconds}s (log: $build/$target.log)"
  fuzz "$target" &
  pids[$target]=$!
  running+=("$target")
done
for target in "${running[@]}"; do
  finish "$target"
done

echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
