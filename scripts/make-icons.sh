#!/usr/bin/env bash
# Draws the mouse icon and writes every file made from it:
#   data/modules/img/trayIcon.ico   tray icon, 32x32 and 16x16
#   data/desktop/icons/mouse-suite-N.png  the menu icons at N = 16 … 256 px, rendered from
#                                   data/desktop/icons/mouse-suite.svg (the scalable icon,
#                                   drawn by hand like the shapes below)
# The drawing is made of plain shapes at 256x256 and scaled down, so edges stay smooth.
# Needs ImageMagick (convert) and rsvg-convert (librsvg2-bin). Run it again after changing the drawing and commit the results.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

outline='#e9ecef' # light rim, visible on dark and light panels
body='#262a31'
wheel='#ff6a1a'

# draw RIM OUT: RIM is the rim thickness in the 256x256 drawing (thicker for the small sizes).
draw() {
    local rim="$1" out="$2"
    convert -size 256x256 xc:none \
        -fill "$outline" -draw "roundrectangle 52,14 204,246 76,76" \
        -fill "$body" -draw "roundrectangle $((52 + rim)),$((14 + rim)) $((204 - rim)),$((246 - rim)) $((76 - rim)),$((76 - rim))" \
        -stroke "$outline" -strokewidth $((rim * 2 / 3)) \
        -draw "line 128,$((14 + rim)) 128,112" -draw "line $((52 + rim)),112 $((204 - rim)),112" \
        -stroke none -fill "$wheel" -draw "roundrectangle 113,44 143,98 15,15" \
        "$out"
}

draw 12 "$work/large.png"
draw 20 "$work/small.png"

# No time stamps or other metadata, so running this again gives the same bytes.
flat=(-strip -define 'png:exclude-chunks=date,time')
convert "$work/large.png" -filter Lanczos -resize 32x32 "${flat[@]}" "PNG32:$work/icon32.png"
convert "$work/small.png" -filter Lanczos -resize 16x16 "${flat[@]}" "PNG32:$work/icon16.png"

convert "$work/icon32.png" "$work/icon16.png" "$root/data/modules/img/trayIcon.ico"

for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$root/data/desktop/icons/mouse-suite.svg" -o "$work/svg.png"
    convert "$work/svg.png" "${flat[@]}" "PNG32:$root/data/desktop/icons/mouse-suite-$size.png"
done

echo "wrote data/modules/img/trayIcon.ico and data/desktop/icons/"

