#!/usr/bin/env bash
# Pictures of the main window's toolbar at 100% and 150% scaling, in English
# and in Russian, into docs/ (toolbar-<view>-<language>-<percent>.png):
# options mode with the Language menu open, results mode with the Smart
# selection menu open, and a narrow window with the chevron's menu open; and
# results mode at 200% with the Delete menu open. Needs the build (tools/setup.sh).
#   tools/toolbar-screenshots.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/tools/screenshot-common.sh"
docs=$root/docs
program=$root/build/bin/ui-demo.exe
mkdir -p "$docs"
"$root/tools/install-packages.sh" imagemagick

# shot NAME ARGS...: the toolbar demonstration with ARGS, cut out of the screen.
shot() {
  local name=$1
  shift
  "$root/tools/screenshot.sh" "$docs/$name.png" --wait 6 "$program" --toolbar "$@" >/dev/null
  trim_shot "$docs/$name.png"
  echo "saved docs/$name.png"
}

# Make sure the screenshot prefix exists before its scaling is changed.
prepare_shot_prefix "$program"
for scaling in 96:100 144:150; do
  set_scaling "${scaling%%:*}"
  percent=${scaling##*:}
  # The window at 150% still fits on the virtual screen of 1280 pixels.
  width=$((percent == 100 ? 900 : 840))
  # Narrow enough that the band shows its chevron once every label has gone.
  narrow=$((percent == 100 ? 400 : 320))
  for language in en ru; do
    shot "toolbar-options-$language-$percent" --lang "$language" --menu 10018 --width "$width"
    shot "toolbar-results-$language-$percent" --lang "$language" --results --menu 10010 --width "$width"
    shot "toolbar-chevron-$language-$percent" --lang "$language" --results --chevron --width "$narrow"
  done
done
# And at 200%, to see the icons drawn for it.
set_scaling 192
shot toolbar-delete-en-200 --results --menu 10014 --width 620
set_scaling 96
