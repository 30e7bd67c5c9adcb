#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Glyphwell need.
# Idempotent: when everything is there it only checks and returns.
set -euo pipefail

PACKAGES=(
  cmake ninja-build make g++ pkg-config git zip unzip python3 file
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev
  googletest libgtest-dev libbenchmark-dev
  clang llvm libclang-rt-14-dev
  wine wine64 xvfb xdotool x11-utils imagemagick locales python3-pytest e2fsprogs
  dpkg-dev devscripts
  valgrind heaptrack
  unicode-data unicode-cldr-core zlib1g-dev
  wixl msitools osslsigncode python3-olefile openssl
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# Source packages of libpng and curl are fetched from the deb-src entries.
src_list=/etc/apt/sources.list.d/glyphwell-src.sources
need_update=0
if [ ! -f "$src_list" ]; then
  for f in /etc/apt/sources.list.d/debian.sources; do
    [ -f "$f" ] || continue
    sed -e 's/^Types: deb$/Types: deb-src/' "$f" > "$src_list"
  done
  if [ ! -f "$src_list" ]; then
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' > "$src_list"
  fi
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "setup: all packages present"
