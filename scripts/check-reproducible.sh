#!/usr/bin/env bash
# Builds the release files twice from the same sources, in two folders of
# different names and depths, and checks that Glyphwell.exe, the zip, the MSI
# and SHA256SUMS come out byte-identical. The sources are the checkout's
# current commit, with uncommitted changes to its tracked files if it has
# any; SOURCE_DATE_EPOCH is the commit's time. Only what the release files
# need is built (the dist target). Prints the SHA-256 of every file.
#
#   scripts/check-reproducible.sh [KEEP_DIR]   (KEEP_DIR keeps both builds there)
#   scripts/check-reproducible.sh --checkout   the checkout's own build/win is the
#                                              first build (its dist brought up to date),
#                                              one more is made elsewhere
#   scripts/check-reproducible.sh --checkout-built   the same with the checkout's dist/
#                                              taken as it is (the test command's way: it
#                                              has just built it, and other tests read it)
set -Eeuo pipefail
trap 'echo "check-reproducible: failed (status $?): $BASH_COMMAND" >&2' ERR
cd "$(dirname "$0")/.."
ROOT=$PWD

bash scripts/build-deps.sh >/dev/null
deps="$ROOT/build/deps/prefix"
# One fixed commit for both builds, whatever happens to the checkout meanwhile.
commit=$(git stash create 2>/dev/null || true)
commit=$(git rev-parse --verify "${commit:-HEAD}^{commit}")
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct HEAD)}

use_checkout=0
refresh_checkout=1
if [ "${1:-}" = --checkout ] || [ "${1:-}" = --checkout-built ]; then
  use_checkout=1
  [ "$1" = --checkout-built ] && refresh_checkout=0
  shift
fi
if [ -n "${1:-}" ]; then
  work=$(mkdir -p "$1" && cd "$1" && pwd)
else
  work=$(mktemp -d /tmp/gw-repro.XXXXXX)
  trap 'rm -rf "$work"' EXIT
fi

build() {
  local src=$1 t0=$SECONDS
  rm -rf "$src"
  mkdir -p "$src"
  git archive "$commit" | tar -x -C "$src"
  cmake -S "$src" -B "$src/build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" -DGLYPHWELL_DEPS_PREFIX="$deps" >/dev/null
  cmake --build "$src/build/win" --target dist >"$src.log" 2>&1 || { cat "$src.log" >&2; return 1; }
  echo "built in $src ($((SECONDS - t0)) s)"
}

a="$work/one/glyphwell"
b="$work/two/a-longer/path/glyphwell-copy"
if [ $use_checkout = 1 ]; then
  # The checkout's build/win as it is configured, its dist brought up to date.
  a=$ROOT
  if [ $refresh_checkout = 1 ]; then
    cmake --build "$a/build/win" --target dist >"$work/checkout.log" 2>&1 ||
      { cat "$work/checkout.log" >&2; exit 1; }
  fi
  for f in Glyphwell.exe Glyphwell-1.11-x64.zip Glyphwell-1.11-x64.msi SHA256SUMS; do
    [ -f "$a/dist/$f" ] || { echo "check-reproducible: $a/dist/$f is missing" >&2; exit 1; }
  done
  echo "the checkout's build in $a"
else
  build "$a"
fi
build "$b"

same=1
for f in Glyphwell.exe Glyphwell-1.11-x64.zip Glyphwell-1.11-x64.msi SHA256SUMS; do
  if cmp -s "$a/dist/$f" "$b/dist/$f"; then
    echo "identical: $(cd "$a/dist" && sha256sum "$f")"
  else
    same=0
    echo "DIFFERENT: $f"
    echo "  $(sha256sum "$a/dist/$f")"
    echo "  $(sha256sum "$b/dist/$f")"
  fi
done
if [ $same = 1 ]; then
  echo "reproducible: 1 passed, 0 failed"
else
  echo "reproducible: 0 passed, 1 failed"
  exit 1
fi
