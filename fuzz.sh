#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, build-fuzz) and runs each for
# SECONDS (default 60), one after the other. New inputs go to a scratch
# folder, never into the committed corpora; a crashing input is kept in
# build-fuzz/crashes/<harness>/. Prints one line per harness and exits 1
# when any harness crashed.
#   ./fuzz.sh [SECONDS]            FUZZ_HARNESSES="url ini_file" limits the run
# FUZZ_TIMEOUT (default 20) is the seconds one input may take before it
# counts as a hang; raise it on a machine so busy that a niced run stalls.
set -euo pipefail
cd "$(dirname "$0")"

command -v clang++ >/dev/null || { echo "fuzz.sh needs clang (apt-get install clang)" >&2; exit 2; }
SECONDS_EACH=${1:-60}
BUILD=${TOLVAR_FUZZ_BUILD:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTOLVAR_FUZZ=ON -DTOLVAR_TESTS=OFF -DTOLVAR_WINDOW=OFF >/dev/null
cmake --build "$BUILD" --target fuzz_all >/dev/null

# The harnesses write their files into $TMPDIR; memory is much faster there.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

harnesses=${FUZZ_HARNESSES:-$(ls tests/fuzz/corpus)}
scratch=$BUILD/fuzz-scratch
failed=0
for h in $harnesses; do
  mkdir -p "$scratch/$h" "$BUILD/crashes/$h"
  log=$BUILD/fuzz-$h.log
  # libFuzzer keeps slow inputs beside the crashes; they are none.
  before=$(find "$BUILD/crashes/$h" -type f ! -name "slow-unit-*" | wc -l)
  dirs=("$scratch/$h" "tests/fuzz/corpus/$h")
  [ -d "tests/fuzz/regressions/$h" ] && dirs+=("tests/fuzz/regressions/$h")
  status=0
  # The scratch folder comes first: libFuzzer adds what it finds to the first folder only.
  "$BUILD/bin/fuzz_$h" -max_total_time="$SECONDS_EACH" -timeout="${FUZZ_TIMEOUT:-20}" -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$BUILD/crashes/$h/" \
    "${dirs[@]}" >"$log" 2>&1 || status=$?
  crashes=$(($(find "$BUILD/crashes/$h" -type f ! -name "slow-unit-*" | wc -l) - before))
  if [ "$status" -ne 0 ] && [ "$crashes" -eq 0 ]; then crashes=1; fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  echo "$h: ${execs:-0} execs, ${cov:-0} coverage, $crashes crashes"
  [ "$crashes" -eq 0 ] || failed=1
done
exit "$failed"
