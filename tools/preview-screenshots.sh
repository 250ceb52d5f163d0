#!/usr/bin/env bash
# Pictures of the preview area at 100% and 150% scaling into docs/
# (preview-<view>-<percent>.png): a picture and its smaller, brighter copy
# side by side, a text file with tabs, and a hex dump. The sample files are
# made under build/preview-shots/. Needs the build (tools/setup.sh).
#   tools/preview-screenshots.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/tools/screenshot-common.sh"
docs=$root/docs
samples=$root/build/preview-shots
program=$root/build/bin/ui-demo.exe
mkdir -p "$docs" "$samples"
"$root/tools/install-packages.sh" imagemagick
windows() { echo "Z:${1//\//\\}"; }

/usr/bin/convert -seed 5 -size 900x600 plasma:fractal -blur 0x2 -quality 92 "$samples/meadow.jpg"
/usr/bin/convert "$samples/meadow.jpg" -resize 600x400 -modulate 110 "$samples/meadow-copy.jpg"
{
  printf 'int main(void)\n{\n\tconst char* greeting = "tab-indented";\n\treturn 0;\n}\n\n'
  cat "$root/ui/PreviewFile.h"
} >"$samples/notes.txt"
head -c 4096 "$root/build/bin/simix-gm.dll" >"$samples/library.dat"

# shot NAME FILES...: the preview of FILES, cut out of the screen.
shot() {
  local name=$1
  shift
  local files=()
  for file in "$@"; do files+=("$(windows "$samples/$file")"); done
  "$root/tools/screenshot.sh" "$docs/$name.png" --wait 8 "$program" --preview "${files[@]}" >/dev/null
  trim_shot "$docs/$name.png"
  echo "saved docs/$name.png"
}

# Make sure the screenshot prefix exists before its scaling is changed.
prepare_shot_prefix "$program"
for scaling in 96:100 144:150; do
  set_scaling "${scaling%%:*}"
  percent=${scaling##*:}
  shot "preview-pair-$percent" meadow.jpg meadow-copy.jpg
  shot "preview-text-$percent" notes.txt
  shot "preview-hex-$percent" library.dat
done
set_scaling 96
