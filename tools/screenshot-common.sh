# Shared by the screenshot scripts (source it after setting `root`):
#   prepare_shot_prefix PROGRAM   makes the screenshot prefix if it is missing
#   set_scaling DPI               96 for 100%, 144 for 150%
#   trim_shot FILE                cuts the window out of the desktop around it
#   make_demo_tree FOLDER         the small tree the pictures search
#   portable_copy FOLDER LANGUAGE the program set up to be started as a user would
prepare_shot_prefix() {
  "$root/tools/screenshot.sh" /dev/null --wait 1 "$1" --help >/dev/null 2>&1 || true
}

set_scaling() {
  WINEPREFIX=$root/build/wine-shot "$root/tools/wine.sh" reg add 'HKCU\Control Panel\Desktop' \
    /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  WINEPREFIX=$root/build/wine-shot wineserver -k 2>/dev/null || true
}

trim_shot() {
  /usr/bin/convert "$1" -fuzz 2% -trim +repage -strip "$1"
}

# make_demo_tree FOLDER: a small tree made anew for the pictures: documents
# copied about, music, photos with a turned and a larger copy.
make_demo_tree() {
  local demo=$1
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
  /usr/bin/convert -size 480x320 gradient:SkyBlue-DarkSeaGreen \
    -fill Gold -draw "circle 370,80 370,40" -fill SeaGreen -draw "polygon 0,320 160,150 330,320" \
    -fill DarkGreen -draw "polygon 180,320 320,120 480,320" "$demo/Pictures/Camera/Holiday.jpg"
  /usr/bin/convert "$demo/Pictures/Camera/Holiday.jpg" -rotate 90 "$demo/Pictures/Phone/Holiday turned.jpg"
  /usr/bin/convert "$demo/Pictures/Camera/Holiday.jpg" -resize 200% "$demo/Pictures/Web/Holiday large.png"
  /usr/bin/convert -size 480x320 gradient:Orange-Purple -fill White -draw "rectangle 60,60 200,260" \
    "$demo/Pictures/Camera/Sunset.jpg"
}

# portable_copy FOLDER LANGUAGE: Clonarium.exe and its library in FOLDER of
# the screenshot prefix, keeping its settings beside itself, made anew:
# the advanced view on and LANGUAGE (en, de, ru...) chosen.
portable_copy() {
  rm -rf "$1"
  mkdir -p "$1/settings"
  cp "$root/build/bin/Clonarium.exe" "$root/build/bin/simix-gm.dll" "$1/"
  printf '\xff\xfe' > "$1/settings/settings.ini"
  printf '[General]\r\nLanguage=%s\r\namv=1\r\n' "$2" | iconv -f utf-8 -t utf-16le >> "$1/settings/settings.ini"
}
