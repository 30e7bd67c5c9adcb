#!/usr/bin/env bash
# Builds Glyphwell and starts it under Wine, in a Wine virtual desktop.
# The program lives in C:\Glyphwell of a Wine prefix kept in build/wine/user
# (portable use: its Glyphwell.ini and Characters.json lie beside it and stay
# from one run to the next). Without an X display, Xvfb is started and the
# script says how to look at the screen.
#
# The script says what it does, ends with a message and a non-zero status
# when a step fails, and when it ends (the program quit, a failure, Ctrl+C)
# it stops every process it started: the Wine processes of its run, their
# wineserver and its own Xvfb.
set -Eeuo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

say() { echo "run.sh: $*"; }
trap 'status=$?; echo "run.sh: failed (status $status): $BASH_COMMAND (line $LINENO)" >&2' ERR

say "checking the Debian packages"
bash scripts/setup.sh
say "building the libraries for Windows (cached after the first time)"
bash scripts/build-deps.sh
say "building Glyphwell.exe"
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" >/dev/null
cmake --build build/win --target Glyphwell

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
say "preparing the Wine prefix (the first time takes about half a minute)"
template=$(gw_wine_template)
user_dir="$ROOT/build/wine/user"
if [ ! -d "$user_dir/prefix" ]; then
  mkdir -p "$user_dir"
  cp -a "$template" "$user_dir/prefix.new"
  mv "$user_dir/prefix.new" "$user_dir/prefix"
fi

# From here on processes are started: the trap ends them whatever happens.
# The wineserver's socket lives under TMPDIR: keep that path short.
run_tmp=$(mktemp -d /tmp/gw-run.XXXXXX)
own_xvfb=0
GW_XVFB_PID=
cleanup() {
  trap - ERR
  if [ -d "$user_dir/prefix" ]; then
    WINEPREFIX="$user_dir/prefix" TMPDIR="$run_tmp/tmp" wineserver -k 2>/dev/null || true
    WINEPREFIX="$user_dir/prefix" TMPDIR="$run_tmp/tmp" wineserver -w 2>/dev/null || true
  fi
  if [ "$own_xvfb" = 1 ]; then gw_xvfb_stop "$GW_XVFB_PID"; fi
  rm -rf "$run_tmp"
}
trap cleanup EXIT
trap 'say "interrupted: ending the program"; exit 130' INT
trap 'say "terminated: ending the program"; exit 143' TERM

gw_wine_exports "$run_tmp"
export WINEPREFIX="$user_dir/prefix"

program="$WINEPREFIX/drive_c/Glyphwell"
mkdir -p "$program"
cp build/win/bin/Glyphwell.exe "$program/"
for d in lang doc; do
  if [ -d "$d" ]; then rm -rf "${program:?}/$d"; cp -r "$d" "$program/"; fi
done

if [ -z "${DISPLAY:-}" ]; then
  say "no X display is set: starting Xvfb"
  gw_xvfb_start "$run_tmp" || { echo "run.sh: Xvfb could not be started (log: $run_tmp/xvfb-*.log)" >&2; exit 1; }
  own_xvfb=1
  say "Glyphwell runs on Xvfb display $DISPLAY."
  say "Look at it with:  DISPLAY=$DISPLAY import -window root /tmp/glyphwell.png"
  say "Press keys with:  DISPLAY=$DISPLAY xdotool key F10"
elif command -v xdpyinfo >/dev/null && ! xdpyinfo >/dev/null 2>&1; then
  echo "run.sh: the X display $DISPLAY cannot be opened (unset DISPLAY to use Xvfb)" >&2
  exit 1
fi

say "starting C:\\Glyphwell\\Glyphwell.exe (data in $program)"
say "end it with Quit in its menu, or with Ctrl+C here"
status=0
wine 'C:\Glyphwell\Glyphwell.exe' || status=$?
if [ "$status" != 0 ]; then
  echo "run.sh: Glyphwell ended with status $status" >&2
  exit "$status"
fi
say "Glyphwell ended"
