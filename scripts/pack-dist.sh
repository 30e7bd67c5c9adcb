#!/usr/bin/env bash
# Packs the download: dist/Glyphwell-1.11-x64.zip with Glyphwell.exe and the
# lang/ and doc/ folders.   pack-dist.sh EXE SOURCE_DIR STAGE_DIR
set -euo pipefail
exe=$1 src=$2 stage=$3
rm -rf "$stage"
mkdir -p "$stage/Glyphwell" "$src/dist"
cp "$exe" "$stage/Glyphwell/"
for d in lang doc; do
  if [ -d "$src/$d" ]; then cp -r "$src/$d" "$stage/Glyphwell/"; fi
done
rm -f "$src/dist/Glyphwell-1.11-x64.zip"
(cd "$stage" && zip -q -r -X "$src/dist/Glyphwell-1.11-x64.zip" Glyphwell)
echo "dist/Glyphwell-1.11-x64.zip"
