#!/usr/bin/env bash
# Draws the language flags (16 x 16 PNG, the flag 16 x 11 in the middle) into
# resources/. Needs ImageMagick; the output carries no time stamps, so a rerun
# gives the same files.
set -euo pipefail
out=$(cd "$(dirname "$0")/.." && pwd)/resources
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

flag() {
  local name=$1
  shift
  convert -size 16x11 xc:none "$@" -stroke '#00000060' -fill none -draw 'rectangle 0,0 15,10' "$work/body.png"
  convert -size 16x16 xc:none "$work/body.png" -geometry +0+3 -composite -strip \
    -define png:exclude-chunks=date,time "PNG32:$out/flag-$name.png"
}

flag de -stroke none -fill '#000000' -draw 'rectangle 0,0 15,3' -fill '#DD0000' -draw 'rectangle 0,4 15,6' \
  -fill '#FFCE00' -draw 'rectangle 0,7 15,10'
flag fr -stroke none -fill '#0055A4' -draw 'rectangle 0,0 4,10' -fill '#FFFFFF' -draw 'rectangle 5,0 10,10' \
  -fill '#EF4135' -draw 'rectangle 11,0 15,10'
flag ru -stroke none -fill '#FFFFFF' -draw 'rectangle 0,0 15,3' -fill '#0039A6' -draw 'rectangle 0,4 15,6' \
  -fill '#D52B1E' -draw 'rectangle 0,7 15,10'
flag pl -stroke none -fill '#FFFFFF' -draw 'rectangle 0,0 15,4' -fill '#DC143C' -draw 'rectangle 0,5 15,10'
flag ua -stroke none -fill '#0057B7' -draw 'rectangle 0,0 15,4' -fill '#FFD700' -draw 'rectangle 0,5 15,10'
flag en -stroke none -fill '#012169' -draw 'rectangle 0,0 15,10' \
  -stroke '#FFFFFF' -strokewidth 2.5 -draw 'line 0,0 15,10' -draw 'line 0,10 15,0' \
  -stroke '#C8102E' -strokewidth 1 -draw 'line 0,0 15,10' -draw 'line 0,10 15,0' \
  -stroke none -fill '#FFFFFF' -draw 'rectangle 6,0 9,10' -draw 'rectangle 0,4 15,6' \
  -fill '#C8102E' -draw 'rectangle 7,0 8,10' -draw 'rectangle 0,5 15,5'
