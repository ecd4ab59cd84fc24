#!/usr/bin/env bash
# Runs every fuzz target at once for a bounded time, seeded with the files the
# data builder made and a freshly written default configuration:
#   fuzz/run.sh FUZZ_BUILD_DIR DATA_DIR [SECONDS_EACH]
# Corpora grow in FUZZ_BUILD_DIR/corpus/, findings land in FUZZ_BUILD_DIR/findings/.
# Exits non-zero when any target finds a crash, a leak, a timeout or a broken check.
set -euo pipefail
build=$(cd "${1:?fuzz build folder}" && pwd)
data=$(cd "${2:?data folder}" && pwd)
seconds=${3:-30}
corpus=$build/corpus
findings=$build/findings
mkdir -p "$findings"

# seed TARGET FIND_ARGS...: copies the matching data files into the target's corpus.
seed() {
  local target=$1
  shift
  mkdir -p "$corpus/$target"
  find "$data" -type f "$@" -exec cp {} "$corpus/$target/" \;
}
# Larger files are seeds too, but mutating megabytes of pixels finds little.
seed compressed_block -name '*.ktr' -size -64k
seed texture -name '*.ktr' -size -64k
seed skeleton -name '*.fsk'
seed level -name '*.orl'
mkdir -p "$corpus/config"
"$build/write_default_config" "$corpus/config/ombrel.cfg"
for target in compressed_block texture skeleton level; do
  [ -n "$(ls -A "$corpus/$target")" ] || { echo "no seeds for $target in $data"; exit 1; }
done

# The readers that take a path write their scratch files in memory when possible.
scratch=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm

declare -A max_len=([config]=4096 [compressed_block]=65536 [texture]=65536 [skeleton]=16384
                    [level]=65536)
pids=()
targets=(config compressed_block skeleton texture level)
for target in "${targets[@]}"; do
  TMPDIR=$scratch ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/${target}_fuzz" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" "$corpus/$target" >"$build/$target.log" 2>&1 &
  pids+=($!)
done

passed=0
failed=0
for i in "${!targets[@]}"; do
  target=${targets[$i]}
  if wait "${pids[$i]}"; then
    passed=$((passed + 1))
    echo "fuzz $target: $(grep -E '^stat::number_of_executed_units' "$build/$target.log" | awk '{print $2}') runs, nothing found"
  else
    failed=$((failed + 1))
    echo "fuzz $target: FINDING (log $build/$target.log)"
    grep -E 'ERROR|fuzz check failed|runtime error|SUMMARY|Test unit written' "$build/$target.log" | head -20
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
