#!/usr/bin/env bash
# Builds Glyphwell and runs every test: the native core tests, the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, the cross-built core
# and in-process Win32 tests under Wine, the end-to-end tests that drive the
# real program under Wine in Xvfb (the installer among them), the release
# files, the README's main command run headless, two builds of the release
# files compared byte for byte, and a short fuzzing run.
#
# Two cores go furthest when the groups that only need the processor run
# beside those that mostly wait for Wine: the native groups (core tests,
# sanitizers, fuzzing) start at once in the background, and the second build
# of the reproducibility check starts once the release files are made; both
# run at the lowest priority, so that the Windows build and the tests under
# Wine get the processor whenever they want it. Each background group writes
# its output to build/test-logs/<group>.log, shown when the group is done.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=$(nproc)
LOGS=$ROOT/build/test-logs

bash scripts/setup.sh
# An interrupted run takes its background groups with it.
trap 'kill $(jobs -p) 2>/dev/null' INT TERM
rm -rf "$LOGS"
mkdir -p "$LOGS"

passed=0
failed=0
times=()
step() { echo; echo "=== $* (${SECONDS} s into the run)"; }
record() {
  if [ "$1" = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $2"; fi
}

# A group in the foreground: its name, then the command; its time is kept.
group() {
  local name=$1 start=$SECONDS status
  shift
  step "$name"
  set +e
  "$@"
  status=$?
  set -e
  times+=("$(printf '%5d s  %s' $((SECONDS - start)) "$name")")
  record "$status" "$name"
}

# Background groups: each runs `bash -c SCRIPT` at the lowest priority, once
# the group named AFTER (if any) is done, and leaves its status and the time
# of its own work in $LOGS.
background() {
  local name=$1 after=$2 script=$3
  (
    while [ -n "$after" ] && [ ! -f "$LOGS/$after.status" ]; do sleep 1; done
    start=$SECONDS
    set +e
    nice -n 19 bash -c "set -euo pipefail; $script" >"$LOGS/$name.log" 2>&1
    echo "$? $((SECONDS - start))" >"$LOGS/$name.status"
  ) &
  echo "(in the background: $name, log in build/test-logs/$name.log)"
}

# Waits for a background group, shows its log's end and records it.
collect() {
  local name=$1 status seconds
  while [ ! -f "$LOGS/$name.status" ]; do wait -n 2>/dev/null || sleep 1; done
  read -r status seconds <"$LOGS/$name.status"
  step "$name (ran in the background)"
  tail -n 25 "$LOGS/$name.log"
  times+=("$(printf '%5d s  %s (background)' "$seconds" "$name")")
  record "$status" "$name"
}

# --- groups without Windows, in the background from the start ----------------
# (The benchmarks are built by scripts/bench.sh in build/bench, not here: no
# test runs them.)
native_groups() {
  background "native core tests" "" "
    cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLYPHWELL_BENCH=OFF >/dev/null
    cmake --build build/native -j $JOBS
    ctest --test-dir build/native --output-on-failure -j $JOBS | tail -n 15"
}
native_groups
# The sanitizer build and the fuzzing run follow the native group, one group
# at a time, so that at most one background group competes for the cores.
background "sanitizer core tests" "native core tests" "
  cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGLYPHWELL_SANITIZE=ON \
    -DGLYPHWELL_BENCH=OFF >/dev/null
  cmake --build build/asan -j $JOBS --target core_tests
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/asan --output-on-failure -j $JOBS | tail -n 15"

# --- Windows ---------------------------------------------------------------------
group "third-party libraries for Windows" bash scripts/build-deps.sh

windows_build() {
  cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" >/dev/null
  cmake --build build/win -j "$JOBS" && ls -l build/win/bin/Glyphwell.exe
}
group "Windows build" windows_build

release_files() {
  cmake --build build/win --target dist &&
    /usr/bin/python3 -m pytest tests/release -q -p no:cacheprovider </dev/null
}
group "release files: the zip, the MSI and SHA256SUMS in dist/" release_files

# The second, independent build of the release files, from the commit in
# another folder, compared with the dist/ just made (which stays as it is).
background "reproducible release files: two builds in two folders" "sanitizer core tests" "
  bash scripts/check-reproducible.sh --checkout-built"
if [ -f scripts/fuzz.sh ]; then
  background "short fuzzing run" "reproducible release files: two builds in two folders" "
    bash scripts/fuzz.sh short"
fi

# Their own prefix copy, Xvfb display and wineserver, stopped afterwards.
group "core and in-process Win32 tests under Wine" \
  bash scripts/wine-env.sh run ctest --test-dir build/win --output-on-failure --timeout 300 </dev/null

group "end-to-end tests under Wine" \
  env GLYPHWELL_EXE="$ROOT/build/win/bin/Glyphwell.exe" bash tests/e2e/run.sh

group "the main command, headless: bash scripts/run.sh" bash tests/scripts/run_command_test.sh

# --- the background groups -----------------------------------------------------------
collect "native core tests"
collect "sanitizer core tests"
collect "reproducible release files: two builds in two folders"
if [ -f scripts/fuzz.sh ]; then collect "short fuzzing run"; fi

echo
echo "times by group:"
printf '  %s\n' "${times[@]}"
echo "whole run: ${SECONDS} s"
echo "groups: $passed passed, $failed failed"
[ "$failed" = 0 ]
