#!/usr/bin/env bash
# make-icon.sh DRAWING.svg OUT.ico: renders the drawing at every size
# Windows asks a program's icon for (title bar and taskbar 16-32 px, Explorer
# 48-256 px, at 100-200 % scaling) and packs them into one icon file.
# rsvg-convert (librsvg2-bin) draws, ImageMagick packs; the output depends
# only on the drawing and those tools' versions, never on the time.
set -euo pipefail
svg=$1 out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
frames=()
for size in 16 20 24 32 48 64 256; do
  rsvg-convert -w "$size" -h "$size" -o "$work/$size.png" "$svg"
  frames+=("$work/$size.png")
done
# No time stamps or other metadata in the frames (the 256 px one is stored
# as PNG inside the icon).
# ImageMagick 7 (MSYS2) is `magick`; Debian's 6 is `convert`.
im=convert
if command -v magick >/dev/null 2>&1; then im=magick; fi
"$im" "${frames[@]}" -strip -define png:exclude-chunks=date,time "$work/icon.ico"
mv "$work/icon.ico" "$out"
