#!/usr/bin/env bash
# Builds the third-party libraries that the Windows program links statically:
# libpng and libcurl (Schannel TLS, HTTP and HTTPS only), from Debian 12's
# source packages, with the MinGW-w64 posix cross toolchain. zlib comes from
# Debian's libz-mingw-w64-dev.
#
#   scripts/build-deps.sh [PREFIX]
#
# PREFIX (or $GLYPHWELL_DEPS_PREFIX) defaults to build/deps/prefix. Sources are
# fetched and built under build/deps/src (or $GLYPHWELL_DEPS_WORK). A finished
# prefix is also kept in /var/cache/glyphwell-deps (or $GLYPHWELL_DEPS_CACHE),
# from which a fresh checkout copies it. A stamp in
# the prefix records what was built; when it matches, nothing is rebuilt.
set -Eeuo pipefail

# Flags from the caller's environment must not leak into the cross build.
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS LIBS MAKEFLAGS MFLAGS

# Pinned Debian source packages. Change a version here to move to another one.
LIBPNG_PACKAGE=libpng1.6
LIBPNG_VERSION=1.6.39-2+deb12u5
CURL_PACKAGE=curl
CURL_VERSION=7.88.1-10+deb12u15

CROSS=x86_64-w64-mingw32
CC_CROSS=$CROSS-gcc-posix
CXX_CROSS=$CROSS-g++-posix
SYSROOT=/usr/$CROSS
ZLIB_LIB=$SYSROOT/lib/libz.a
ZLIB_INC=$SYSROOT/include

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$script_dir")
prefix=${1:-${GLYPHWELL_DEPS_PREFIX:-$root/build/deps/prefix}}
prefix=$(realpath -m "$prefix")
work=$(realpath -m "${GLYPHWELL_DEPS_WORK:-$root/build/deps/src}")
stamp=$prefix/.glyphwell-deps.stamp
marker=.glyphwell-deps-prefix
jobs=$(nproc 2>/dev/null || echo 2)

die() { echo "deps: $*" >&2; exit 1; }

# --- tools ----------------------------------------------------------------------
for tool in "$CC_CROSS" "$CXX_CROSS" "$CROSS-ar" cmake ninja make apt-get dpkg-source flock; do
  command -v "$tool" >/dev/null 2>&1 || die "missing tool '$tool' (run scripts/setup.sh)"
done
if [ ! -f "$ZLIB_LIB" ] || [ ! -f "$ZLIB_INC/zlib.h" ]; then
  die "missing $ZLIB_LIB (install libz-mingw-w64-dev; run scripts/setup.sh)"
fi

script_hash=$(sha256sum "${BASH_SOURCE[0]}" | cut -d' ' -f1)
expected_stamp="$LIBPNG_PACKAGE $LIBPNG_VERSION
$CURL_PACKAGE $CURL_VERSION
compiler $("$CC_CROSS" -dumpversion)
script $script_hash"

have_outputs() {
  [ -f "$1/lib/libpng16.a" ] && [ -f "$1/include/png.h" ] \
    && [ -f "$1/lib/libcurl.a" ] && [ -f "$1/include/curl/curl.h" ]
}

up_to_date() {
  [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$expected_stamp" ] && have_outputs "$prefix"
}

if up_to_date; then
  echo "deps: cached ($prefix)"
  exit 0
fi

# A copy of every finished prefix is kept in a machine-wide cache, keyed by
# the stamp (versions, compiler, this script), so that a fresh checkout on
# the same machine takes it instead of building again.
cache_root=${GLYPHWELL_DEPS_CACHE:-/var/cache/glyphwell-deps}
cache=$cache_root/$(printf '%s' "$expected_stamp" | sha256sum | cut -c1-16)
from_cache() {
  [ -f "$cache/.glyphwell-deps.stamp" ] && [ "$(cat "$cache/.glyphwell-deps.stamp")" = "$expected_stamp" ] \
    && have_outputs "$cache" || return 1
  if [ -e "$prefix" ]; then
    [ -f "$prefix/$marker" ] || [ -f "$stamp" ] || [ -z "$(ls -A "$prefix")" ] \
      || die "$prefix exists and was not made by this script; not replacing it"
    rm -rf "$prefix"
  fi
  mkdir -p "$(dirname "$prefix")"
  cp -a "$cache" "$prefix.tmp.$$" && mv "$prefix.tmp.$$" "$prefix"
  up_to_date
}
if from_cache; then
  echo "deps: copied from the machine's cache $cache ($prefix)"
  exit 0
fi

# One build at a time per work folder; a second run waits, then finds the cache.
mkdir -p "$work"
exec 9>"$work/.lock"
flock 9
if up_to_date; then
  echo "deps: cached ($prefix)"
  exit 0
fi

log=$work/build-deps.log
: >"$log"
main_pid=$BASHPID
on_error() {
  local rc=$?
  # Subshells inherit this trap; only the script itself reports.
  [ "$BASHPID" = "$main_pid" ] || exit "$rc"
  trap - ERR
  echo "deps: FAILED (exit $rc); last lines of $log:" >&2
  tail -n 40 "$log" >&2 || true
  [ -z "${stage:-}" ] || rm -rf "$stage"
  exit "$rc"
}
trap on_error ERR

started=$(date +%s)
echo "deps: building $LIBPNG_PACKAGE $LIBPNG_VERSION and $CURL_PACKAGE $CURL_VERSION (log: $log)"

# --- fetch the pinned source packages ------------------------------------------
dl=$work/dl
mkdir -p "$dl"
updated=0

offered_versions() {
  apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -u | tr '\n' ' '
}

# have_source DSC: the .dsc and every file it lists are in $dl (dpkg-source
# checks their sums when unpacking).
have_source() {
  [ -f "$1" ] || return 1
  local f
  # shellcheck disable=SC2013  # file names in a .dsc have no spaces
  for f in $(sed -n '/^Files:/,/^[^ ]/s/^ [0-9a-f]* [0-9]* //p' "$1"); do
    [ -f "$dl/$f" ] || return 1
  done
}

# fetch PACKAGE VERSION: leaves PACKAGE_VERSION.dsc and its files in $dl.
fetch() {
  local pkg=$1 ver=$2
  local dsc=$dl/${pkg}_${ver#*:}.dsc
  if have_source "$dsc"; then
    return 0
  fi
  local _
  for _ in 1 2; do
    if apt-cache showsrc "$pkg" 2>/dev/null | grep -Fx "Version: $ver" >/dev/null \
       && (cd "$dl" && apt-get source --download-only -qq "$pkg=$ver") >>"$log" 2>&1 \
       && have_source "$dsc"; then
      return 0
    fi
    # The package lists may be stale: refresh them once, then give up.
    if [ $updated = 0 ]; then
      updated=1
      echo "deps: refreshing the apt package lists" >>"$log"
      apt-get update -qq >>"$log" 2>&1 || true
    else
      break
    fi
  done
  trap - ERR
  echo "deps: the pinned source package $pkg=$ver cannot be fetched." >&2
  echo "deps: versions offered now: $(offered_versions "$pkg")" >&2
  echo "deps: (needs the deb-src entry of scripts/setup.sh.) Pin an offered version in scripts/build-deps.sh." >&2
  exit 1
}

fetch "$LIBPNG_PACKAGE" "$LIBPNG_VERSION"
fetch "$CURL_PACKAGE" "$CURL_VERSION"

# extract PACKAGE VERSION DIR: unpacks with Debian's patches applied.
extract() {
  local pkg=$1 ver=$2 dest=$3
  rm -rf "$dest"
  dpkg-source --no-copy -x "$dl/${pkg}_${ver#*:}.dsc" "$dest" >>"$log" 2>&1
}
echo "deps: [$(( $(date +%s) - started ))s] unpacking" >>"$log"
extract "$LIBPNG_PACKAGE" "$LIBPNG_VERSION" "$work/libpng"
extract "$CURL_PACKAGE" "$CURL_VERSION" "$work/curl"

# --- cross toolchain ------------------------------------------------------------
# Kept here rather than reusing cmake/mingw-w64.cmake: configure checks must
# never try to run test programs under Wine.
toolchain=$work/toolchain.cmake
cat >"$toolchain" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $CC_CROSS)
set(CMAKE_CXX_COMPILER $CXX_CROSS)
set(CMAKE_RC_COMPILER $CROSS-windres)
set(CMAKE_AR $(command -v "$CROSS-ar"))
set(CMAKE_RANLIB $(command -v "$CROSS-ranlib"))
set(CMAKE_FIND_ROOT_PATH $SYSROOT)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

stage=$prefix.partial
rm -rf "$stage"
mkdir -p "$stage"
touch "$stage/$marker"

common=(
  -G Ninja
  -DCMAKE_TOOLCHAIN_FILE="$toolchain"
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_C_FLAGS="-ffunction-sections -fdata-sections"
  -DCMAKE_INSTALL_PREFIX="$stage"
  -DBUILD_SHARED_LIBS=OFF
  -DZLIB_LIBRARY="$ZLIB_LIB"
  -DZLIB_INCLUDE_DIR="$ZLIB_INC"
)

# --- libpng ------------------------------------------------------------------------
echo "deps: [$(( $(date +%s) - started ))s] building libpng" >>"$log"
rm -rf "$work/libpng-build"
cmake -S "$work/libpng" -B "$work/libpng-build" "${common[@]}" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
  -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_EXECUTABLES=ON -DSKIP_INSTALL_FILES=ON \
  >>"$log" 2>&1
cmake --build "$work/libpng-build" -j "$jobs" >>"$log" 2>&1
cmake --install "$work/libpng-build" >>"$log" 2>&1

# --- libcurl -----------------------------------------------------------------------
# Built with curl's own MinGW makefile (lib/Makefile.mk, config-win32.h): its CMake
# build spends minutes on configure checks that each parse <windows.h>.
# Library only, Schannel, HTTP and HTTPS; every other protocol and every optional
# third-party library off. No CA bundle path: Schannel uses the Windows store.
echo "deps: [$(( $(date +%s) - started ))s] building curl" >>"$log"
curl_cppflags="-DCURL_STATICLIB -DHTTP_ONLY"
for p in FTP FILE LDAP LDAPS DICT TELNET TFTP POP3 IMAP SMTP GOPHER RTSP MQTT SMB; do
  curl_cppflags+=" -DCURL_DISABLE_$p"
done
curl_cflags="-O2 -ffunction-sections -fdata-sections"
(
  cd "$work/curl/lib"
  # Every source starts with curl_setup.h, which pulls in <windows.h>: a
  # precompiled copy, made with the flags Makefile.mk passes for this CFG,
  # halves the compile time. GCC falls back to the header if it does not fit.
  # shellcheck disable=SC2086
  "$CC_CROSS" -W -Wall $curl_cflags $curl_cppflags -I. -I../include -DNDEBUG \
    -DUSE_SCHANNEL -DHAVE_LIBZ -I"$SYSROOT/include" -DUSE_WINDOWS_SSPI -DENABLE_IPV6 \
    -DBUILDING_LIBCURL -x c-header curl_setup.h -o curl_setup.h.gch
  CFLAGS="$curl_cflags" CPPFLAGS="$curl_cppflags" \
    make -f Makefile.mk -j "$jobs" \
      CC="$CC_CROSS" AR="$CROSS-ar" TRIPLET="$CROSS" \
      CFG=-zlib-schannel-sspi-ipv6 ZLIB_PATH="$SYSROOT" \
      "$CROSS" libcurl.a
) >>"$log" 2>&1
mkdir -p "$stage/lib" "$stage/include/curl"
cp "$work/curl/lib/libcurl.a" "$stage/lib/"
cp "$work/curl/include/curl/"*.h "$stage/include/curl/"

# Only the libraries and headers are needed.
rm -rf "${stage:?}/share" "${stage:?}/bin" "${stage:?}/lib/libpng" "${stage:?}/lib/pkgconfig"
have_outputs "$stage" || { echo "deps: install left no libraries in $stage" >>"$log"; false; }

# --- swap the finished prefix in --------------------------------------------------
if [ -e "$prefix" ]; then
  if [ -f "$prefix/$marker" ] || [ -f "$stamp" ] || [ -z "$(ls -A "$prefix")" ]; then
    rm -rf "$prefix"
  else
    trap - ERR
    die "$prefix exists and was not made by this script; not replacing it"
  fi
fi
mkdir -p "$(dirname "$prefix")"
mv "$stage" "$prefix"
printf '%s\n' "$expected_stamp" >"$stamp"
# Into the machine's cache as well (a failure there costs only the next build).
if mkdir -p "$cache_root" 2>/dev/null && cp -a "$prefix" "$cache.tmp.$$" 2>/dev/null; then
  rm -rf "$cache" && mv "$cache.tmp.$$" "$cache" || rm -rf "$cache.tmp.$$"
fi

trap - ERR
elapsed=$(( $(date +%s) - started ))
echo "deps: built in ${elapsed}s -> $prefix"
