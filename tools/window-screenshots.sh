#!/usr/bin/env bash
# The pictures of docs/ that the other screenshot scripts do not take: the
# main window in options mode and after a search, a group's menu, similar
# pictures, a finished deletion, the search, selection and delete progress
# dialogs (the latter also into a backup folder), the backup name question, the rules dialog and the folder tree
# demonstration; in English at 100% and other languages at 150%, as named.
# They search the demo tree of the guide (C:\Demo in the screenshot prefix)
# and a tree of many small files (C:\Many). Needs the build (tools/setup.sh).
#   tools/window-screenshots.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/tools/screenshot-common.sh"
docs=$root/docs
bin=$root/build/bin
prefix=$root/build/wine-shot
"$root/tools/install-packages.sh" imagemagick

# shot NAME WAIT PROGRAM ARGS...: the program with ARGS after WAIT seconds,
# cut out of the screen.
shot() {
  local name=$1 wait=$2
  shift 2
  "$root/tools/screenshot.sh" "$docs/$name.png" --wait "$wait" "$@" >/dev/null
  trim_shot "$docs/$name.png"
  echo "saved docs/$name.png"
}

prepare_shot_prefix "$bin/ui-demo.exe"
make_demo_tree "$prefix/drive_c/Demo"
# Enough files for a search to be caught halfway: 1000 folders of 40 files,
# every file with a copy in the next folder.
many=$prefix/drive_c/Many
rm -rf "$many" "$prefix/drive_c/Empty"
mkdir -p "$prefix/drive_c/Empty"
python3 - "$many" <<'PY'
import os, sys
for folder in range(1000):
    path = os.path.join(sys.argv[1], f"folder {folder:03}")
    os.makedirs(path)
    for file in range(40):
        with open(os.path.join(path, f"file {file:02}.txt"), "w") as out:
            out.write(f"{(folder + 1) // 2}-{file}\n" * 20)
PY

for scaling in 96:100 144:150; do
  set_scaling "${scaling%%:*}"
  percent=${scaling##*:}
  if [ "$percent" = 100 ]; then language=en; else language=ru; fi
  portable_copy "$prefix/drive_c/Clonarium" "$language"
  suffix=$language-$percent
  shot "main-window-options-$suffix" 12 'C:\Clonarium\Clonarium.exe' 'C:\Demo\Documents' 'C:\Demo\Music'
  shot "results-exact-$suffix" 12 "$bin/ui-demo.exe" --results 'C:\Demo' --lang "$language"
  shot "search-progress-$suffix" 8 "$bin/ui-demo.exe" --search 'C:\Many' --lang "$language" --pause-after 2
  shot "delete-progress-$suffix" 6 "$bin/deletion-tests.exe" --show-progress --lang "$language"
  shot "delete-backup-$suffix" 6 "$bin/deletion-tests.exe" --show-progress --backup --lang "$language"
  shot "regexps-$suffix" 6 "$bin/result-dialog-tests.exe" --show-regexps --lang "$language"
  shot "folder-tree-en-$percent" 8 "$bin/ui-demo.exe" --folders --menu
done
set_scaling 96
shot results-group-menu-en-100 12 "$bin/ui-demo.exe" --results 'C:\Demo' --context
shot results-images-en-100 12 "$bin/ui-demo.exe" --results 'C:\Demo\Pictures' --images
shot search-finished-ru-100 6 "$bin/ui-demo.exe" --search 'C:\Empty' --lang ru
shot select-progress-ru-100 4 "$bin/result-dialog-tests.exe" --show-select --lang ru
shot file-exists-de-100 6 "$bin/deletion-tests.exe" --show-file-exists --lang de

# Last, as they delete: all but the first file of each group, to a Recycle
# Bin of its own (under Wine the desktop's Trash, here in a folder removed
# after), from a demo tree made anew each time.
XDG_DATA_HOME=$(mktemp -d)
export XDG_DATA_HOME
trap 'rm -rf "$XDG_DATA_HOME"' EXIT
for shot in en:96:100 ru:144:150; do
  set_scaling "$(echo "$shot" | cut -d: -f2)"
  make_demo_tree "$prefix/drive_c/Demo"
  shot "delete-finished-${shot%%:*}-${shot##*:}" 12 "$bin/ui-demo.exe" --results 'C:\Demo' --delete \
    --lang "${shot%%:*}"
done
set_scaling 96
