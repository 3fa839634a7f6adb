#!/usr/bin/env bash
# build-bundle.sh SRC DST RSVG: copies SRC into DST, but not the Debian package's own files in
# SRC/debian; SRC/art/NAME.svg becomes DST/NAME.png (at the SVG's own size) and DST/NAME@2x.png
# (twice that). Only files newer than their output are redone.
set -euo pipefail
src=$1 dst=$2 rsvg=$3
mkdir -p "$dst"
cd "$src"
find . -type f ! -path './art/*' ! -path './debian/*' ! -name CMakeLists.txt ! -name '*.md' -print0 |
while IFS= read -r -d '' f; do
  out="$dst/${f#./}"
  if [ ! -e "$out" ] || [ "$f" -nt "$out" ]; then
    mkdir -p "$(dirname "$out")"
    cp "$f" "$out"
  fi
done
if [ -d art ]; then
  for svg in art/*.svg; do
    [ -e "$svg" ] || continue
    name=$(basename "$svg" .svg)
    one="$dst/images/$name.png" two="$dst/images/$name@2x.png"
    mkdir -p "$dst/images"
    if [ ! -e "$one" ] || [ "$svg" -nt "$one" ]; then
      "$rsvg" -z 1 -o "$one" "$svg"
      "$rsvg" -z 2 -o "$two" "$svg"
    fi
  done
fi
