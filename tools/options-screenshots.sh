#!/usr/bin/env bash
# Pictures of the search options pane in English and Russian at 100% and 150%
# scaling into docs/ (options-<language>-<percent>.png), in the similar-images
# mode so that every control shows. Needs the build (tools/setup.sh).
#   tools/options-screenshots.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
docs=$root/docs
program=$root/build/bin/ui-demo.exe
mkdir -p "$docs"
"$root/tools/install-packages.sh" imagemagick

shot() {
  local name=$1 language=$2
  "$root/tools/screenshot.sh" "$docs/$name.png" --wait 6 "$program" --options --images --lang "$language" >/dev/null
  /usr/bin/convert "$docs/$name.png" -fuzz 2% -trim +repage -strip "$docs/$name.png"
  echo "saved docs/$name.png"
}

set_scaling() {
  WINEPREFIX=$root/build/wine-shot "$root/tools/wine.sh" reg add 'HKCU\Control Panel\Desktop' \
    /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  WINEPREFIX=$root/build/wine-shot wineserver -k 2>/dev/null || true
}

# Make sure the screenshot prefix exists before its scaling is changed.
"$root/tools/screenshot.sh" /dev/null --wait 1 "$program" --help >/dev/null 2>&1 || true
for scaling in 96:100 144:150; do
  set_scaling "${scaling%%:*}"
  percent=${scaling##*:}
  for language in en ru; do
    shot "options-$language-$percent" "$language"
  done
done
set_scaling 96
