#!/usr/bin/env bash
# Builds Glyphwell and starts it under Wine, in a Wine virtual desktop.
# The program lives in C:\Glyphwell of a Wine prefix kept in build/wine/user
# (portable use: its Glyphwell.ini and Characters.json lie beside it and stay
# from one run to the next). Without an X display, Xvfb is started and the
# script says how to look at the screen.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

bash scripts/setup.sh
bash scripts/build-deps.sh
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" >/dev/null
cmake --build build/win --target Glyphwell

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
template=$(gw_wine_template)
user_dir="$ROOT/build/wine/user"
if [ ! -d "$user_dir/prefix" ]; then
  mkdir -p "$user_dir"
  cp -a "$template" "$user_dir/prefix"
fi
# The wineserver's socket lives under TMPDIR: keep that path short.
run_tmp=$(mktemp -d /tmp/gw-run.XXXXXX)
gw_wine_exports "$run_tmp"
export WINEPREFIX="$user_dir/prefix"

program="$WINEPREFIX/drive_c/Glyphwell"
mkdir -p "$program"
cp build/win/bin/Glyphwell.exe "$program/"
for d in lang doc; do
  if [ -d "$d" ]; then rm -rf "${program:?}/$d"; cp -r "$d" "$program/"; fi
done

own_xvfb=0
if [ -z "${DISPLAY:-}" ]; then
  gw_xvfb_start "$run_tmp"
  own_xvfb=1
  echo "No X display was set: Glyphwell runs on Xvfb display $DISPLAY."
  echo "Look at it with:  DISPLAY=$DISPLAY import -window root /tmp/glyphwell.png"
  echo "Press keys with:  DISPLAY=$DISPLAY xdotool key F10"
fi
cleanup() {
  wineserver -k 2>/dev/null || true
  [ $own_xvfb = 1 ] && gw_xvfb_stop "$GW_XVFB_PID"
  rm -rf "$run_tmp"
}
trap cleanup EXIT

echo "Starting C:\\Glyphwell\\Glyphwell.exe (data in $program)"
wine 'C:\Glyphwell\Glyphwell.exe'
wineserver -w
