#!/usr/bin/env bash
# Pictures for the user's guide (docs/guide.md) from the real main window,
# over a small demo tree made here (C:\Demo in the screenshot prefix):
# results of an exact search, a group's menu, similar pictures, the options.
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

# The demo tree: documents copied about, photos with a turned and a larger copy.
demo=$prefix/drive_c/Demo
rm -rf "$demo"
mkdir -p "$demo/Documents/Old" "$demo/Backup/Documents" "$demo/Music" "$demo/Backup/Music" \
  "$demo/Pictures/Camera" "$demo/Pictures/Phone" "$demo/Pictures/Web"
text() { { yes "$1" || true; } | head -c "$2" > "$3"; touch -d "$4" "$3"; }
text "Quarterly report" 48000 "$demo/Documents/Report 2024.docx" "2024-04-02 10:15"
text "Quarterly report" 48000 "$demo/Documents/Old/Report 2024 (copy).docx" "2024-05-11 16:40"
text "Quarterly report" 48000 "$demo/Backup/Documents/Report 2024.docx" "2024-06-30 09:05"
text "Budget" 12500 "$demo/Documents/Budget.xlsx" "2024-01-15 08:00"
text "Budget" 12500 "$demo/Backup/Documents/Budget.xlsx" "2024-02-01 12:30"
text "La la la" 310000 "$demo/Music/Evening song.mp3" "2023-08-19 21:00"
text "La la la" 310000 "$demo/Backup/Music/Evening song.mp3" "2023-09-01 07:45"
text "Only one of me" 9000 "$demo/Documents/Letter.txt" "2024-03-03 11:11"
picture() {
  /usr/bin/convert -size 480x320 gradient:SkyBlue-DarkSeaGreen \
    -fill Gold -draw "circle 370,80 370,40" -fill SeaGreen -draw "polygon 0,320 160,150 330,320" \
    -fill DarkGreen -draw "polygon 180,320 320,120 480,320" "$1"
}
picture "$demo/Pictures/Camera/Holiday.jpg"
/usr/bin/convert "$demo/Pictures/Camera/Holiday.jpg" -rotate 90 "$demo/Pictures/Phone/Holiday turned.jpg"
/usr/bin/convert "$demo/Pictures/Camera/Holiday.jpg" -resize 200% "$demo/Pictures/Web/Holiday large.png"
/usr/bin/convert -size 480x320 gradient:Orange-Purple -fill White -draw "rectangle 60,60 200,260" \
  "$demo/Pictures/Camera/Sunset.jpg"

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
# Last, as it deletes: all but the first file of each group to a Recycle Bin
# of its own (under Wine the desktop's Trash, here in a folder removed after).
XDG_DATA_HOME=$(mktemp -d)
export XDG_DATA_HOME
trap 'rm -rf "$XDG_DATA_HOME"' EXIT
shot guide-delete --results 'C:\Demo' --delete
