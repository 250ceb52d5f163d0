#!/usr/bin/env bash
# Pictures for the user's guide (docs/guide.md) from the real main window,
# over a small demo tree made here (C:\Demo in the screenshot prefix):
# results of an exact search, a group's menu, similar pictures, the options,
# the program started on folders.
# Needs the build (tools/setup.sh).
#   tools/guide-screenshots.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/tools/screenshot-common.sh"
docs=$root/docs
program=$root/build/bin/ui-demo.exe
prefix=$root/build/wine-shot
"$root/tools/install-packages.sh" imagemagick

# Make sure the screenshot prefix exists, at 100% scaling.
prepare_shot_prefix "$program"
set_scaling 96

make_demo_tree "$prefix/drive_c/Demo"

shot() {
  local name=$1; shift
  "$root/tools/screenshot.sh" "$docs/$name.png" --wait 12 "$program" "$@" >/dev/null
  trim_shot "$docs/$name.png"
  echo "saved docs/$name.png"
}
shot guide-results --results 'C:\Demo'
shot guide-group-menu --results 'C:\Demo' --context
shot guide-pictures --results 'C:\Demo\Pictures' --images
shot guide-options --options
# Started from Explorer's menu or a command line, on two folders and one
# that is not there.
portable_copy "$prefix/drive_c/Clonarium" en
program='C:\Clonarium\Clonarium.exe'
shot guide-start 'C:\Demo\Documents' 'C:\Demo\Pictures\Camera' 'C:\Demo\Old photos'
program=$root/build/bin/ui-demo.exe
# Last, as it deletes: all but the first file of each group to a Recycle Bin
# of its own (under Wine the desktop's Trash, here in a folder removed after).
XDG_DATA_HOME=$(mktemp -d)
export XDG_DATA_HOME
trap 'rm -rf "$XDG_DATA_HOME"' EXIT
shot guide-delete --results 'C:\Demo' --delete
