#!/usr/bin/env bash
# The README's main command as a new user meets it: `bash scripts/run.sh`
# without an X display. It must build, start Xvfb and the program, show the
# main window, end with status 0 when the user closes the program (Alt+F4),
# and leave no process of its own behind. A display that cannot be opened
# must end it at once with a message and a non-zero status.
set -uo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
TITLE='Glyphwell 1.11 (x64)'
prefix="$ROOT/build/wine/user/prefix"
work=$(mktemp -d /tmp/gw-run-test.XXXXXX)
log="$work/run.log"
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local limit=$1 start=$SECONDS
  shift
  until "$@"; do
    [ $((SECONDS - start)) -ge "$limit" ] && return 1
    sleep 0.2
  done
}

# Processes of the run: a Wine process of the run's prefix, or the Xvfb of
# its display.
leftovers() {
  local display=$1 p env cmd
  for p in /proc/[0-9]*; do
    env=$(tr '\0' '\n' 2>/dev/null <"$p/environ") || continue
    cmd=$(tr '\0' ' ' 2>/dev/null <"$p/cmdline") || continue
    if grep -qxF "WINEPREFIX=$prefix" <<<"$env" ||
       { [ -n "$display" ] && [[ "$cmd" == "Xvfb $display "* ]]; }; then
      echo "${p#/proc/} $cmd"
    fi
  done
}

run_pid=
stop_run() {
  if [ -n "$run_pid" ] && kill -0 "$run_pid" 2>/dev/null; then
    kill -TERM -- "-$run_pid" 2>/dev/null
    wait "$run_pid" 2>/dev/null
  fi
}
trap 'stop_run; rm -rf "$work"' EXIT

before=$(leftovers "")
if [ -n "$before" ]; then
  echo "skipped: another run of scripts/run.sh in this checkout is running:"
  echo "$before"
  exit 1
fi

echo "--- headless: bash scripts/run.sh until the main window shows, then Alt+F4"
t0=$SECONDS
env -u DISPLAY setsid bash scripts/run.sh </dev/null >"$log" 2>&1 &
run_pid=$!

# True once the run says which display it uses; false too when the run ended.
display_of_run() {
  display=$(sed -n 's/.*runs on Xvfb display \(:[0-9]*\)\..*/\1/p' "$log" | head -n1)
  [ -n "$display" ] || ! kill -0 "$run_pid" 2>/dev/null
}
display=
if ! wait_for 900 display_of_run || [ -z "$display" ]; then
  fail "run.sh did not start Xvfb"
else
  window_shown() {
    window=$(DISPLAY=$display xdotool search --onlyvisible --name "^${TITLE//[()]/\\&}\$" 2>/dev/null | head -n1)
    [ -n "$window" ] || ! kill -0 "$run_pid" 2>/dev/null
  }
  window=
  if ! wait_for 120 window_shown || [ -z "$window" ]; then
    fail "the main window did not show on $display"
  else
    echo "main window shown on $display after $((SECONDS - t0)) s"
    DISPLAY=$display xdotool windowfocus --sync "$window" key alt+F4
  fi
fi
ended() { ! kill -0 "$run_pid" 2>/dev/null; }
if wait_for 60 ended; then
  wait "$run_pid"
  status=$?
  run_pid=
  [ "$status" = 0 ] || fail "run.sh ended with status $status"
  grep -q "run.sh: Glyphwell ended" "$log" || fail "run.sh did not say that the program ended"
else
  fail "run.sh still runs a minute after Alt+F4"
fi
stop_run
left=$(leftovers "$display")
[ -z "$left" ] || fail "processes left behind: $left"

echo "--- a display that cannot be opened"
status=0
DISPLAY=:4711 bash scripts/run.sh </dev/null >"$work/bad.log" 2>&1 || status=$?
[ "$status" != 0 ] || fail "run.sh with DISPLAY=:4711 ended with status 0"
grep -q "cannot be opened" "$work/bad.log" || fail "run.sh with DISPLAY=:4711 did not say why it failed"
left=$(leftovers "")
[ -z "$left" ] || fail "processes left behind after the failed start: $left"

if [ "$failures" != 0 ]; then
  echo "--- output of the headless run:"
  cat "$log"
  echo "run command: 0 passed, $failures failed"
  exit 1
fi
echo "run command: 2 passed, 0 failed"
