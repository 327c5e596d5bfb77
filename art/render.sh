#!/usr/bin/env bash
# Renders the SVG sources of the pictures to the PNGs the build embeds, then
# packs the icon. Needs rsvg-convert (librsvg2-bin), the WenQuanYi Micro Hei
# font (fonts-wqy-microhei) and python3; a build needs none of them.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p 2x icon
for svg in svg/*.svg; do
  name=$(basename "$svg" .svg)
  case $name in app_icon*) continue ;; esac
  rsvg-convert --format=png --output="$name.png" "$svg"
  # Twice the size, for screens above 100 %: shrinking is sharper than growing.
  rsvg-convert --format=png --zoom=2 --output="2x/$name.png" "$svg"
done
# The icon's images are drawn at each size from one source; the small ones
# from a simplified mark that stays legible at 16 pixels.
for size in 32 24; do
  rsvg-convert --format=png --width=$size --height=$size --output=icon/app_icon_$size.png svg/app_icon.svg
done
for size in 20 16; do
  rsvg-convert --format=png --width=$size --height=$size --output=icon/app_icon_$size.png svg/app_icon_small.svg
done
python3 make_ico.py app_icon.ico icon/app_icon_32.png icon/app_icon_24.png icon/app_icon_20.png icon/app_icon_16.png
