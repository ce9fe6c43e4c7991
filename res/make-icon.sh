#!/usr/bin/env bash
# Draws the program icon res/Yorvan2.ico (16, 32 and 48 pixels) with ImageMagick: the blue rounded
# square with a white "Y" that the notification area shows while conversion is on.
# The result is committed; run this again only to change the drawing.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
for s in 16 32 48; do
  m=$((s - 1)) r=$((s / 5)) p=$((s * 3 / 4))
  convert -size "${s}x${s}" xc:none \
    -fill '#0066cc' -stroke '#003399' -strokewidth 1 -draw "roundrectangle 0,0 $m,$m $r,$r" \
    -stroke none -fill white -font "$font" -pointsize "$p" -gravity center -annotate +0+0 Y \
    "PNG32:$tmp/$s.png"
done
# Classic bitmap entries, not PNG ones, so that every version of Windows reads them.
convert "$tmp/16.png" "$tmp/32.png" "$tmp/48.png" -define icon:format=bmp Yorvan2.ico
