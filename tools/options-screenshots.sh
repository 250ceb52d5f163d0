#!/usr/bin/env bash
# Pictures of the search options pane in English and Russian at 100% and 150%
# scaling into docs/ (options-<language>-<percent>.png), in the similar-images
# mode so that every control shows. Needs the build (tools/setup.sh).
#   tools/options-screenshots.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/tools/screenshot-common.sh"
docs=$root/docs
program=$root/build/bin/ui-demo.exe
mkdir -p "$docs"
"$root/tools/install-packages.sh" imagemagick

shot() {
  local name=$1 language=$2
  "$root/tools/screenshot.sh" "$docs/$name.png" --wait 6 "$program" --options --images --lang "$language" >/dev/null
  trim_shot "$docs/$name.png"
  echo "saved docs/$name.png"
}

# Make sure the screenshot prefix exists before its scaling is changed.
prepare_shot_prefix "$program"
for scaling in 96:100 144:150; do
  set_scaling "${scaling%%:*}"
  percent=${scaling##*:}
  for language in en ru; do
    shot "options-$language-$percent" "$language"
  done
done
set_scaling 96
