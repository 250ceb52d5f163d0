#!/usr/bin/env bash
# The packages as a user meets them, under a fresh Wine prefix: the installer
# installs the program, its marker and its shortcut, the installed program
# opens its window, the uninstaller leaves nothing of ours; the portable zip
# runs from where it is unpacked and keeps its settings beside itself.
# The shipped programs built again from a clean copy of the tree, in another
# folder, give the same packages.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$root/build
"$root/tools/package.sh" >/dev/null
cmake --build "$build" --target window-title >/dev/null
dist=$build/dist
msi=$(cd "$dist" && ls Clonarium-*-x64.msi)
zip=$(cd "$dist" && ls Clonarium-*-x64-portable.zip)
(cd "$dist" && sha256sum --quiet -c SHA256SUMS)

export WINEPREFIX=$build/wine-package
export WINEDEBUG=-all
unset DISPLAY
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
wine=("$root/tools/wine.sh")
"${wine[@]}" wineboot -i >/dev/null 2>&1
# Headless: windows exist but nothing is drawn. The desktop process reads
# this when it starts, so let the prefix's processes end first.
"${wine[@]}" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
wineserver -w
trap 'WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true' EXIT

fail() { echo "package test: $*" >&2; exit 1; }
expect_title() {
  local title
  title=$("${wine[@]}" "$build/bin/window-title.exe" "$1" | tr -d '\r')
  [ "$title" = "Clonarium 3.00.000 - Vandrel Duplicate File Finder" ] || fail "window title '$title' from $1"
}

cp "$dist/$msi" "$WINEPREFIX/drive_c/"
"${wine[@]}" msiexec /i "C:\\$msi" /qn || fail "msiexec /i failed"
installed="$WINEPREFIX/drive_c/Program Files/Clonarium"
for file in Clonarium.exe simix-gm.dll nonportable; do
  cmp -s "$installed/$file" "$build/package-stage/$file" || fail "$file not installed as packaged"
done
shortcut=$(find "$WINEPREFIX/drive_c" -iname 'Clonarium.lnk' | head -1)
[ -n "$shortcut" ] || fail "no Start-menu shortcut"
target=$(python3 "$root/tests/package/link-target.py" "$shortcut")
[ "$target" = 'C:\Program Files\Clonarium\Clonarium.exe in C:\Program Files\Clonarium\' ] ||
  fail "the shortcut starts '$target'"
"${wine[@]}" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
  grep -Eq 'DisplayName +REG_SZ +Clonarium' || fail "no Add/Remove Programs entry"
expect_title 'C:\Program Files\Clonarium\Clonarium.exe'
[ ! -e "$installed/settings" ] || fail "the installed program wrote its settings into Program Files"
find "$WINEPREFIX/drive_c/users" -path '*Clonarium*' -name settings.ini | grep -q . ||
  fail "the installed program kept no settings in the user's folders"

"${wine[@]}" msiexec /x "C:\\$msi" /qn || fail "msiexec /x failed"
[ ! -e "$installed" ] || fail "Program Files\\Clonarium is still there: $(ls "$installed")"
[ -z "$(find "$WINEPREFIX/drive_c" -iname 'Clonarium.lnk')" ] || fail "the shortcut is still there"
! "${wine[@]}" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
  grep -Eq 'DisplayName +REG_SZ +Clonarium' || fail "the Add/Remove Programs entry is still there"
! "${wine[@]}" reg query 'HKLM\Software\Vandrelco\Clonarium' >/dev/null 2>&1 || fail "our registry key is still there"

portable="$WINEPREFIX/drive_c/stick"
mkdir -p "$portable"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$dist/$zip" "$portable"
[ ! -e "$portable/Clonarium/nonportable" ] || fail "the zip carries the marker"
expect_title 'C:\stick\Clonarium\Clonarium.exe'
[ -f "$portable/Clonarium/settings/settings.ini" ] || fail "the portable copy kept no settings beside itself"

# A clean copy of the tree (everything but the build folder), built in a
# folder of its own: only the two shipped programs, then packaged.
twice=$build/package-twice
twice_start=$SECONDS
rm -rf "$twice"
mkdir -p "$twice/source"
trap 'rm -rf "$twice"; WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true' EXIT
tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -C "$twice/source" -xf -
cmake -S "$twice/source" -B "$twice/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$twice/source/cmake/toolchain-mingw64.cmake" >/dev/null
cmake --build "$twice/build" --target package >/dev/null
again=$twice/build/dist
cmp -s "$dist/$zip" "$again/$zip" || fail "the zip differs between two builds"
# The installer: the same files, and the same tables (each table a file, its
# binary streams in a folder beside it) apart from what every build stamps
# anew: the package code and its dates, and the product code (so that each
# build upgrades the one before).
msi_contents() {
  mkdir -p "$2/files" "$2/tables"
  (cd "$2/files" && msiextract "$1" >/dev/null)
  (
    cd "$2/tables"
    for table in $(msiinfo tables "$1"); do
      case $table in
        _SummaryInformation) msiinfo export "$1" "$table" | grep -Ev $'^(9|12|13)\t' ;;
        Property) msiinfo export "$1" "$table" | grep -v $'^ProductCode\t' ;;
        *) msiinfo export "$1" "$table" ;;
      esac > "$table.idt"
    done
  )
}
msi_contents "$dist/$msi" "$twice/first"
msi_contents "$again/$msi" "$twice/again"
diff -r "$twice/first" "$twice/again" >&2 || fail "the installer's files or tables differ between two builds"
echo "package test: installer and portable zip work; two builds give the same packages (copying, building and comparing took $((SECONDS - twice_start)) s)"
