#!/usr/bin/env bash
# Draws the pictures of the about box into resources/: the product picture
# (about-product.png with alpha: two overlapping pages, the front one marked
# as the copy; 128 x 128 for a place of 64 x 64 at 100% scaling, so that it
# stays sharp up to 200%) and the loader animation (loader.gif, 16 x 16,
# eight frames of a turning ring of dots on white). Needs ImageMagick; the output
# carries no time stamps, so a rerun gives the same files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-packages.sh" imagemagick
# ImageMagick's own convert, whatever else is named so on the path.
export PATH=/usr/bin:$PATH
out=$(cd "$(dirname "$0")/.." && pwd)/resources
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Coordinates are those of the 64 x 64 place.
# page X Y FILL: adds to `art` a page with a folded corner and four text
# lines, its top left corner at X,Y.
art=()
page() {
  local x=$1 y=$2 fill=$3
  art+=(-fill "$fill" -stroke '#2B4C7E' -strokewidth 1.5
    -draw "path 'M $x,$y L $((x + 24)),$y L $((x + 34)),$((y + 10)) L $((x + 34)),$((y + 42)) L $x,$((y + 42)) Z'"
    -fill '#C9D6EA' -draw "path 'M $((x + 24)),$y L $((x + 24)),$((y + 10)) L $((x + 34)),$((y + 10)) Z'"
    -stroke '#7D93B8' -strokewidth 2)
  local line
  for line in 16 22 28; do
    art+=(-draw "line $((x + 6)),$((y + line)) $((x + 28)),$((y + line))")
  done
  art+=(-draw "line $((x + 6)),$((y + 34)) $((x + 20)),$((y + 34))")
}

page 6 4 '#FFFFFF'
page 22 16 '#EAF1FB'
convert -size 128x128 xc:none -affine 2,0,0,2,0,0 "${art[@]}" \
  -stroke none -fill '#2E8B57' -draw 'circle 48,48 48,61' \
  -stroke '#FFFFFF' -strokewidth 3 -fill none -draw 'polyline 41,48 46,53 55,43' \
  -strip -define png:exclude-chunks=date,time "PNG32:$out/about-product.png"

# Eight dots on a ring; in frame k the dot k is darkest and the ones before
# it fade, so the ring seems to turn clockwise.
frames=()
for k in 0 1 2 3 4 5 6 7; do
  args=()
  for d in 0 1 2 3 4 5 6 7; do
    age=$(( (k - d + 8) % 8 ))
    shade=$(( 60 + age * 24 ))
    cx=$(awk -v d="$d" 'BEGIN { printf "%.2f", 7.5 + 5.5 * sin(d * 3.14159265 / 4) }')
    cy=$(awk -v d="$d" 'BEGIN { printf "%.2f", 7.5 - 5.5 * cos(d * 3.14159265 / 4) }')
    args+=(-fill "rgb($shade,$((shade + 20 > 255 ? 255 : shade + 20)),255)" -draw "circle $cx,$cy $cx,$(awk -v c="$cy" 'BEGIN { printf "%.2f", c + 1.6 }')")
  done
  convert -size 16x16 xc:white -stroke none "${args[@]}" "$work/frame$k.png"
  frames+=("$work/frame$k.png")
done
convert -delay 10 -loop 0 "${frames[@]}" -strip "$out/loader.gif"
echo "drawn: $out/about-product.png $out/loader.gif"
