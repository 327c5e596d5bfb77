#!/usr/bin/env bash
# Renders the SVG sources of the pictures to the PNGs the build embeds and the
# bitmaps the setup shows, then packs the icon. Needs rsvg-convert
# (librsvg2-bin), ImageMagick's convert, the WenQuanYi Micro Hei font
# (fonts-wqy-microhei) and python3; a build needs none of them.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p 2x icon setup
for svg in svg/*.svg; do
  name=$(basename "$svg" .svg)
  case $name in app_icon* | setup_*) continue ;; esac
  rsvg-convert --format=png --output="$name.png" "$svg"
  # Twice the size, for screens above 100 %: shrinking is sharper than growing.
  rsvg-convert --format=png --zoom=2 --output="2x/$name.png" "$svg"
done
# The setup's pictures: 24-bit bitmaps, as its pages load them, at 100 % and
# at 150 % (the setup takes these on screens above 100 %).
for svg in svg/setup_*.svg; do
  name=$(basename "$svg" .svg)
  for zoom in 1 1.5; do
    out=setup/$name$([ "$zoom" = 1 ] || echo _150).bmp
    rsvg-convert --format=png --zoom=$zoom "$svg" | convert - -background white -flatten -alpha off "BMP3:$out"
  done
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
