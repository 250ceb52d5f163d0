# Shared by the screenshot scripts (source it after setting `root`):
#   prepare_shot_prefix PROGRAM   makes the screenshot prefix if it is missing
#   set_scaling DPI               96 for 100%, 144 for 150%
#   trim_shot FILE                cuts the window out of the desktop around it
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
