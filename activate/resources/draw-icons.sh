#!/usr/bin/env bash
# Draws the tool's icons with ImageMagick: a white bell with a red badge on a
# blue tile. Run it again after changing the drawing and commit the results:
#   activate.ico       the program's icon: 256 (PNG), 16, 32, 48, 64 pixels
#   package.ico        the package icon the dialog shows: 48 pixels
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The master drawing, 256 pixels square on a transparent ground.
convert -size 256x256 xc:none \
  -fill '#1d5fa8' -draw 'roundrectangle 8,8 247,247 44,44' \
  -fill '#2f7fd1' -draw 'roundrectangle 8,8 247,200 44,44' \
  -fill white \
  -draw 'path "M 128,44 C 84,44 70,84 70,120 L 70,160 L 50,184 L 206,184 L 186,160 L 186,120 C 186,84 172,44 128,44 Z"' \
  -draw 'circle 128,200 128,218' \
  -draw 'roundrectangle 118,30 138,52 8,8' \
  -fill '#e8452c' -stroke white -strokewidth 8 -draw 'circle 196,64 196,98' \
  "$work/master.png"

frame() {  # frame <size>: the master scaled down, 32-bit with alpha
  convert "$work/master.png" -filter Lanczos -resize "$1x$1" -depth 8 -define png:color-type=6 "$work/$1.png"
}
for size in 256 16 32 48 64; do frame "$size"; done

# ImageMagick stores a 256-pixel frame as PNG and smaller ones as 32-bit DIBs,
# in the order given.
convert "$work/256.png" "$work/16.png" "$work/32.png" "$work/48.png" "$work/64.png" "$here/activate.ico"
convert "$work/48.png" "$here/package.ico"
