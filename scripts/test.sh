#!/usr/bin/env bash
# Builds Glyphwell and runs every test: the native core tests, the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, the cross-built core
# and in-process Win32 tests under Wine, the end-to-end tests that drive the
# real program under Wine in Xvfb (the installer among them), the release
# files, the README's main command run headless, two builds of the release
# files compared byte for byte, and a short fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=$(nproc)

bash scripts/setup.sh

passed=0
failed=0
step() { echo; echo "=== $* (${SECONDS} s into the run)"; }
record() { if [ "$1" = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $2"; fi; }

step "native build and core tests"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$JOBS"
set +e
ctest --test-dir build/native --output-on-failure -j "$JOBS" | tail -n 15
record "${PIPESTATUS[0]}" "native core tests"
set -e

step "core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGLYPHWELL_SANITIZE=ON \
  -DGLYPHWELL_BENCH=OFF >/dev/null
cmake --build build/asan -j "$JOBS" --target core_tests
set +e
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build/asan \
  --output-on-failure -j "$JOBS" | tail -n 15
record "${PIPESTATUS[0]}" "sanitizer core tests"
set -e

step "third-party libraries for Windows"
bash scripts/build-deps.sh

step "Windows build"
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" >/dev/null
cmake --build build/win -j "$JOBS"
ls -l build/win/bin/Glyphwell.exe

step "release files: the zip, the MSI and SHA256SUMS in dist/"
set +e
cmake --build build/win --target dist && \
  /usr/bin/python3 -m pytest tests/release -q -p no:cacheprovider </dev/null
record $? "release files"
set -e

step "core and in-process Win32 tests under Wine"
# Their own prefix copy, Xvfb display and wineserver, stopped afterwards.
set +e
bash scripts/wine-env.sh run ctest --test-dir build/win --output-on-failure --timeout 300 </dev/null
record $? "Windows tests under Wine"
set -e

step "end-to-end tests under Wine"
set +e
GLYPHWELL_EXE="$ROOT/build/win/bin/Glyphwell.exe" bash tests/e2e/run.sh
record $? "end-to-end tests"
set -e

step "the main command, headless: bash scripts/run.sh"
set +e
bash tests/scripts/run_command_test.sh
record $? "main command"
set -e

step "reproducible release files: two builds in two folders"
set +e
bash scripts/check-reproducible.sh --checkout
record $? "reproducible release files"
set -e

if [ -f scripts/fuzz.sh ]; then
  step "short fuzzing run"
  set +e
  bash scripts/fuzz.sh short
  record $? "fuzzing"
  set -e
fi

echo
echo "whole run: ${SECONDS} s"
echo "groups: $passed passed, $failed failed"
[ "$failed" = 0 ]
