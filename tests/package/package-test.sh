#!/usr/bin/env bash
# The packages as a user meets them, under a fresh Wine prefix: the installer
# installs the programs, the marker, the shortcut and Explorer's menu item,
# the installed program opens its window, the uninstaller leaves nothing of
# ours; the portable zip runs from where it is unpacked and keeps its
# settings beside itself. Signed with a throwaway certificate (and time
# stamps from an authority of our own on 127.0.0.1), every signature
# verifies and the packages are otherwise the unsigned ones; the winget
# manifest matches the installer. The shipped programs built again from a
# clean copy of the tree, in another folder, give the same packages.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$root/build
unset CLONARIUM_SIGN_PFX CLONARIUM_SIGN_PASSWORD_FILE CLONARIUM_TIMESTAMP_URL
"$root/tools/install-packages.sh" osslsigncode openssl python3-yaml
fail() { echo "package test: $*" >&2; exit 1; }

work=$build/package-test
rm -rf "$work"
mkdir -p "$work"
timestamp_server=
finish() {
  [ -z "$timestamp_server" ] || kill "$timestamp_server" 2>/dev/null || true
  WINEPREFIX=$build/wine-package wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

# Unsigned first, as a build without a certificate makes them.
"$root/tools/package.sh" > "$work/unsigned.log"
grep -q "not signed" "$work/unsigned.log" || fail "an unsigned build does not say so"
cp -r "$build/dist" "$work/unsigned"

# A throwaway code-signing certificate, and one for the time stamps.
keys=$work/keys
mkdir -p "$keys"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Clonarium test signing" \
  -addext keyUsage=digitalSignature -addext extendedKeyUsage=codeSigning \
  -keyout "$keys/sign.key" -out "$keys/sign.pem" 2>/dev/null
printf 'not a real secret\n' > "$keys/password"
openssl pkcs12 -export -inkey "$keys/sign.key" -in "$keys/sign.pem" -passout "file:$keys/password" \
  -out "$keys/sign.pfx"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Clonarium test time stamps" \
  -addext extendedKeyUsage=critical,timeStamping -keyout "$keys/tsa.key" -out "$keys/tsa.pem" 2>/dev/null
python3 "$root/tests/package/timestamp-server.py" "$keys/tsa.pem" "$keys/tsa.key" "$keys" > "$keys/port" &
timestamp_server=$!
for _ in $(seq 100); do [ -s "$keys/port" ] && break; sleep 0.1; done
[ -s "$keys/port" ] || fail "the time-stamping authority did not start"

"$root/tools/package.sh" --sign "$keys/sign.pfx" --password-file "$keys/password" \
  --timestamp "http://127.0.0.1:$(cat "$keys/port")" > "$work/signed.log"
grep -q "^package.sh: signed" "$work/signed.log" || fail "the signed build says: $(cat "$work/signed.log")"
dist=$build/dist
msi=$(cd "$dist" && ls Clonarium-*-x64.msi)
zip=$(cd "$dist" && ls Clonarium-*-x64-portable.zip)
(cd "$dist" && sha256sum --quiet -c SHA256SUMS)
programs=(Clonarium.exe simix-gm.dll clonarium-scan.exe)

# Every signature verifies: the programs in the installer and in the zip,
# and the installer itself, each with its time stamp.
verify() {
  osslsigncode verify -CAfile "$keys/sign.pem" -TSA-CAfile "$keys/tsa.pem" -in "$1" > "$work/verify.log" 2>&1 ||
    fail "the signature of $2 does not verify: $(tail -5 "$work/verify.log")"
  grep -q "Timestamp Server Signature verification: ok" "$work/verify.log" || fail "$2 carries no valid time stamp"
}
unpack() { # unpack PACKAGE FOLDER
  mkdir -p "$2"
  case $1 in
    *.msi) (cd "$2" && msiextract "$1" >/dev/null) ;;
    *.zip) python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$1" "$2" ;;
  esac
}
verify "$dist/$msi" "$msi"
for package in "$msi" "$zip"; do
  unpack "$dist/$package" "$work/signed-$package"
  unpack "$work/unsigned/$package" "$work/unsigned-$package"
  diff <(cd "$work/unsigned-$package" && find . | sort) <(cd "$work/signed-$package" && find . | sort) >&2 ||
    fail "signing changed the files in $package"
  for program in "${programs[@]}"; do
    signed=$(find "$work/signed-$package" -name "$program")
    unsigned=$(find "$work/unsigned-$package" -name "$program")
    [ -n "$signed" ] && [ -n "$unsigned" ] || fail "$package holds no $program"
    verify "$signed" "$program in $package"
    # Otherwise unchanged: the same bytes once the signature, the checksum
    # it needs and the padding before it are taken out.
    [ "$(python3 "$root/tests/package/pe-content.py" "$signed")" = \
      "$(python3 "$root/tests/package/pe-content.py" "$unsigned")" ] || fail "signing changed $program in $package"
  done
done
# msi_tables MSI FOLDER [sizes]: each table of the installer as a file (its
# binary streams in a folder beside it), apart from what every build stamps
# anew: the package code and its dates, and the product code (so that each
# build upgrades the one before). With "signed", also apart from the files'
# sizes and hashes, which signing changes (the files are compared apart).
msi_tables() {
  mkdir -p "$2"
  (
    cd "$2"
    for table in $(msiinfo tables "$1"); do
      case $table in
        _SummaryInformation) msiinfo export "$1" "$table" | grep -Ev $'^(9|12|13)\t' ;;
        Property) msiinfo export "$1" "$table" | grep -v $'^ProductCode\t' ;;
        File) msiinfo export "$1" "$table" | if [ "${3:-}" = signed ]; then
          awk -F'\t' -v OFS='\t' 'NR > 3 { $4 = "" } { print }'
        else cat; fi ;;
        MsiFileHash) [ "${3:-}" = signed ] || msiinfo export "$1" "$table" ;;
        *) msiinfo export "$1" "$table" ;;
      esac > "$table.idt"
    done
  )
}
# The installer's tables are those of the unsigned one.
msi_tables "$dist/$msi" "$work/signed-tables" signed
msi_tables "$work/unsigned/$msi" "$work/unsigned-tables" signed
diff -r "$work/unsigned-tables" "$work/signed-tables" >&2 || fail "signing changed the installer's tables"

# The winget manifest: the three files of one version, their fields, and the
# installer's hash and product code.
python3 "$root/tests/package/check-winget.py" "$dist/winget" "$dist/$msi" "$(msiinfo export "$dist/$msi" Property |
  tr -d '\r' | sed -n 's/^ProductCode\t//p')" || fail "the winget manifest does not match the installer"

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
cmake --build "$build" --target window-title >/dev/null

expect_title() {
  local title
  title=$("${wine[@]}" "$build/bin/window-title.exe" "$1" | tr -d '\r')
  [ "$title" = "Clonarium 3.00.000 - Vandrel Duplicate File Finder" ] || fail "window title '$title' from $1"
}
# reg_value KEY [NAME]: the value's data as `reg query` prints it; empty when it is not there.
reg_value() {
  local name=(/ve)
  [ $# -lt 2 ] || name=(/v "$2")
  "${wine[@]}" reg query "$1" "${name[@]}" 2>/dev/null | tr -d '\r' | sed -n 's/^ *[^ ].* REG_SZ *//p'
}
menu_keys=('HKLM\Software\Classes\Directory\shell\Clonarium' 'HKLM\Software\Classes\Drive\shell\Clonarium')

cp "$dist/$msi" "$WINEPREFIX/drive_c/"
"${wine[@]}" msiexec /i "C:\\$msi" /qn || fail "msiexec /i failed"
installed="$WINEPREFIX/drive_c/Program Files/Clonarium"
for file in "${programs[@]}" nonportable; do
  cmp -s "$installed/$file" "$build/package-stage/$file" || fail "$file not installed as packaged"
done
shortcut=$(find "$WINEPREFIX/drive_c" -iname 'Clonarium.lnk' | head -1)
[ -n "$shortcut" ] || fail "no Start-menu shortcut"
target=$(python3 "$root/tests/package/link-target.py" "$shortcut")
[ "$target" = 'C:\Program Files\Clonarium\Clonarium.exe in C:\Program Files\Clonarium\' ] ||
  fail "the shortcut starts '$target'"
"${wine[@]}" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
  grep -Eq 'DisplayName +REG_SZ +Clonarium' || fail "no Add/Remove Programs entry"
# Explorer's item for folders and drives: its text (from the program's string
# table in the user's language), its icon, one item at a time, the command.
exe='C:\Program Files\Clonarium\Clonarium.exe'
for key in "${menu_keys[@]}"; do
  [ "$(reg_value "$key")" = "Search for duplicates with Clonarium" ] || fail "$key shows '$(reg_value "$key")'"
  [ "$(reg_value "$key" MUIVerb)" = "@$exe,-200" ] || fail "$key has MUIVerb '$(reg_value "$key" MUIVerb)'"
  [ "$(reg_value "$key" Icon)" = "\"$exe\",0" ] || fail "$key has the icon '$(reg_value "$key" Icon)'"
  [ "$(reg_value "$key" MultiSelectModel)" = Single ] || fail "$key is offered for several items"
done
[ "$(reg_value "${menu_keys[0]}\\command")" = "\"$exe\" --search \"%1\"" ] ||
  fail "a folder's item runs '$(reg_value "${menu_keys[0]}\\command")'"
[ "$(reg_value "${menu_keys[1]}\\command")" = "\"$exe\" --search %1" ] ||
  fail "a drive's item runs '$(reg_value "${menu_keys[1]}\\command")'"
# grep reads all of it: with -q it would stop at the line, and windres, cut
# off while writing the rest, fails the pipeline.
x86_64-w64-mingw32-windres -J coff -i "$installed/Clonarium.exe" -O rc 2>/dev/null |
  grep '^ *200, "Search for duplicates with Clonarium"' >/dev/null || fail "the program holds no text for the menu item"
expect_title "$exe"
[ ! -e "$installed/settings" ] || fail "the installed program wrote its settings into Program Files"
find "$WINEPREFIX/drive_c/users" -path '*Clonarium*' -name settings.ini | grep -q . ||
  fail "the installed program kept no settings in the user's folders"

"${wine[@]}" msiexec /x "C:\\$msi" /qn || fail "msiexec /x failed"
[ ! -e "$installed" ] || fail "Program Files\\Clonarium is still there: $(ls "$installed")"
[ -z "$(find "$WINEPREFIX/drive_c" -iname 'Clonarium.lnk')" ] || fail "the shortcut is still there"
! "${wine[@]}" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
  grep -Eq 'DisplayName +REG_SZ +Clonarium' || fail "the Add/Remove Programs entry is still there"
! "${wine[@]}" reg query 'HKLM\Software\Vandrelco\Clonarium' >/dev/null 2>&1 || fail "our registry key is still there"
for key in "${menu_keys[@]}"; do
  ! "${wine[@]}" reg query "$key" >/dev/null 2>&1 || fail "$key is still there"
done

portable="$WINEPREFIX/drive_c/stick"
unpack "$dist/$zip" "$portable"
[ ! -e "$portable/Clonarium/nonportable" ] || fail "the zip carries the marker"
expect_title 'C:\stick\Clonarium\Clonarium.exe'
[ -f "$portable/Clonarium/settings/settings.ini" ] || fail "the portable copy kept no settings beside itself"

# A clean copy of the tree (everything but the build folder), built in a
# folder of its own: only the shipped programs, then packaged unsigned.
twice=$work/twice
twice_start=$SECONDS
mkdir -p "$twice/source"
tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -C "$twice/source" -xf -
cmake -S "$twice/source" -B "$twice/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$twice/source/cmake/toolchain-mingw64.cmake" >/dev/null
cmake --build "$twice/build" --target package >/dev/null
first=$work/unsigned
again=$twice/build/dist
cmp -s "$first/$zip" "$again/$zip" || fail "the zip differs between two builds"
# The installer: the same files and the same tables.
for build_dist in "$first:$twice/first" "$again:$twice/again"; do
  unpack "${build_dist%%:*}/$msi" "${build_dist#*:}/files"
  msi_tables "${build_dist%%:*}/$msi" "${build_dist#*:}/tables"
done
diff -r "$twice/first" "$twice/again" >&2 || fail "the installer's files or tables differ between two builds"
echo "package test: signed installer and portable zip verify and work; the winget manifest matches;" \
  "two builds give the same packages (copying, building and comparing took $((SECONDS - twice_start)) s)"
