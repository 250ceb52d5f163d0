#!/usr/bin/env bash
# The packages as a user meets them, under a fresh Wine prefix: the installer
# installs the program, its marker and its shortcut, the installed program
# opens its window, the uninstaller leaves nothing of ours; the portable zip
# runs from where it is unpacked and keeps its settings beside itself.
# Packaging the same build again gives the same files.
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
  [ -f "$installed/$file" ] || fail "$file not installed"
done
cmp -s "$installed/Clonarium.exe" "$build/package-stage/Clonarium.exe" || fail "installed program differs"
shortcut=$(find "$WINEPREFIX/drive_c" -iname 'Clonarium.lnk' | head -1)
[ -n "$shortcut" ] || fail "no Start-menu shortcut"
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

# The same build packaged again: the zip is the same bytes; the installer
# holds the same files (its product code and dates change by design).
first=$(mktemp -d)
trap 'rm -rf "$first"; WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true' EXIT
cp "$dist/$msi" "$dist/$zip" "$first/"
"$root/tools/package.sh" >/dev/null
cmp -s "$first/$zip" "$dist/$zip" || fail "the zip differs between two packagings"
mkdir -p "$first/a" "$first/b"
(cd "$first/a" && msiextract "$first/$msi" >/dev/null)
(cd "$first/b" && msiextract "$dist/$msi" >/dev/null)
diff -r "$first/a" "$first/b" >/dev/null || fail "the installer's files differ between two packagings"
echo "package test: installer and portable zip work"
