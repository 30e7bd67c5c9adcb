#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/*_fuzzer.cpp) with clang, libFuzzer, ASan and
# UBSan in build/fuzz and runs each one on its seed corpus (fuzz/corpus/<name>).
#
#   bash scripts/fuzz.sh short            fixed-length run, about a minute in all
#   bash scripts/fuzz.sh long [seconds]   every target for [seconds] (default 300)
#
# A short run is reproducible: fixed seed, fixed number of executions per
# target, and the inputs it finds go to a scratch folder that is emptied first
# (build/fuzz/scratch/short/<name>); the seed corpus in the repository is only
# read. A long run keeps its finds in build/fuzz/scratch/long/<name> and starts
# from them again next time. A crash, sanitizer report or violated property is
# saved as build/fuzz/artifacts/<name>-crash-* and makes the script fail.
# Prints the number of executions of every target.
set -euo pipefail
cd "$(dirname "$0")/.."

MODE=${1:-short}
case "$MODE" in
  short) ;;
  long) SECONDS_PER_TARGET=${2:-300} ;;
  *) echo "usage: bash scripts/fuzz.sh short | long [seconds per target]" >&2; exit 2 ;;
esac

BUILD=build/fuzz
command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is needed" >&2; exit 2; }

echo "fuzz.sh: configuring and building in $BUILD"
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DGLYPHWELL_FUZZ=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target fuzzers

# Executions per target in a short run: about six seconds each on a two-core
# machine (the file-based targets write a file per input and are the slowest).
# The time limit stops a busy or slower machine early, at about the same total.
declare -A SHORT_RUNS=(
  [character_file]=70000
  [character_names]=120000
  [code_notation]=60000
  [ini_settings]=14000
  [language_file]=12000
  [legacy_list]=30000
  [placeholders]=270000
  [relative_path]=180000
  [search_data]=12000
  [update_body]=1200000
)
SHORT_TIME_LIMIT=6

# The file-based targets write a scratch file per input: keep those in memory,
# in a folder of this run that goes away with it (a target stopped by a
# finding cannot clean up after itself).
tmp_base=${TMPDIR:-/tmp}
if [ -d /dev/shm ] && [ -w /dev/shm ]; then tmp_base=/dev/shm; fi
run_tmp=$(mktemp -d "$tmp_base/glyphwell-fuzz-run.XXXXXX")
trap 'rm -rf "$run_tmp"' EXIT
export TMPDIR=$run_tmp
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

mkdir -p "$BUILD/artifacts" "$BUILD/logs"
failed=0
summary=()
for source in fuzz/*_fuzzer.cpp; do
  name=$(basename "$source" _fuzzer.cpp)
  program="$BUILD/${name}_fuzzer"
  seeds="fuzz/corpus/$name"
  scratch="$BUILD/scratch/$MODE/$name"
  log="$BUILD/logs/$name-$MODE.log"
  if [ "$MODE" = short ]; then rm -rf "$scratch"; fi
  mkdir -p "$scratch"
  corpora=("$scratch")
  if [ -d "$seeds" ]; then corpora+=("$seeds"); fi

  args=(-artifact_prefix="$BUILD/artifacts/$name-" -print_final_stats=1 -timeout=10
        -rss_limit_mb=2048)
  if [ -f "fuzz/$name.dict" ]; then args+=(-dict="fuzz/$name.dict"); fi
  if [ "$MODE" = short ]; then
    args+=(-seed=1 -runs="${SHORT_RUNS[$name]:-20000}" -max_total_time="$SHORT_TIME_LIMIT")
  else
    # Value profiles help to get past comparisons with fixed texts and numbers.
    args+=(-max_total_time="$SECONDS_PER_TARGET" -use_value_profile=1)
  fi

  echo "fuzz.sh: $name"
  set +e
  "$program" "${args[@]}" "${corpora[@]}" >"$log" 2>&1
  status=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ -z "$runs" ]; then
    runs=$(grep -o '^#[0-9]*' "$log" | tail -n 1 | tr -d '#')
  fi
  if [ "$status" = 0 ]; then
    result=ok
  else
    result="FAILED (exit $status)"
    failed=1
    echo "----- $name: last lines of $log"
    tail -n 40 "$log"
    artifact=$(grep -o "$BUILD/artifacts/$name-[a-z]*-[0-9a-f]*" "$log" | tail -n 1 || true)
    if [ -n "$artifact" ]; then
      echo "----- reproduce with: $program $artifact"
    fi
  fi
  summary+=("$(printf '%-16s %10s executions  %s' "$name" "${runs:-?}" "$result")")
done

echo
echo "fuzz.sh: $MODE run"
printf '  %s\n' "${summary[@]}"
exit "$failed"
