#!/usr/bin/env bash
# Renders the icons of the toolbar, the menus, the search modes and the
# progress rows from their sources (resources/icons/*.svg, drawn on a 16 x 16
# grid) into PNG files beside them at 16, 24 and 32 pixels: 100%, 150% and
# 200% scaling. The build only uses the PNG files; rerun this after changing
# a source. Needs rsvg-convert; the output carries no time stamps, so a rerun
# gives the same files.
#   tools/make-icons.sh [--sheet OUT.png]   --sheet: also every icon on one
#                                           enlarged sheet, for a look at them
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-packages.sh" librsvg2-bin
icons=$root/resources/icons
for source in "$icons"/*.svg; do
  name=${source%.svg}
  for size in 16 24 32; do
    rsvg-convert --width "$size" --height "$size" --format png --output "$name-$size.png" "$source"
  done
done
echo "drawn: $(ls "$icons"/*.svg | wc -l) icons at 16, 24 and 32 pixels in $icons"

if [ "${1:-}" = --sheet ]; then
  "$root/tools/install-packages.sh" imagemagick
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  for size in 16 24 32; do
    /usr/bin/montage "$icons"/*-"$size".png -background white -tile 14x -geometry +4+4 "$work/$size.png"
  done
  /usr/bin/convert "$work/16.png" "$work/24.png" "$work/32.png" -background white -gravity west -append \
    -filter point -resize 300% "$2"
  echo "sheet: $2"
fi
