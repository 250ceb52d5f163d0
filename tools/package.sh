#!/usr/bin/env bash
# Builds what a Windows user downloads, into BUILD/dist/:
#   Clonarium-VERSION-x64.msi           the installer (settings in the user's folders)
#   Clonarium-VERSION-x64-portable.zip  the programs to unpack anywhere (settings beside them)
#   SHA256SUMS                          the checksums of both
#   winget/                             the manifest of the installer for the Windows
#                                       Package Manager's community repository
# VERSION is the first three parts of the project's version (CMakeLists.txt),
# the one the program's version resource carries.
#   tools/package.sh [SIGNING]              sets up, builds and packages build/
#   tools/package.sh --built DIR [SIGNING]  packages what the build in DIR has made
#                                           (the CMake target `package` does this)
# SIGNING: --sign FILE.pfx --password-file FILE [--timestamp URL], or the
# same in CLONARIUM_SIGN_PFX, CLONARIUM_SIGN_PASSWORD_FILE and
# CLONARIUM_TIMESTAMP_URL. With a certificate, Clonarium.exe, simix-gm.dll,
# clonarium-scan.exe and the installer are signed with Authenticode (SHA-256,
# time-stamped by the RFC 3161 server at URL when one is named); without
# one the packages are made unsigned, and it says so.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=
pfx=${CLONARIUM_SIGN_PFX:-}
password_file=${CLONARIUM_SIGN_PASSWORD_FILE:-}
timestamp_url=${CLONARIUM_TIMESTAMP_URL:-}
usage() {
  echo "usage: tools/package.sh [--built DIR] [--sign FILE.pfx --password-file FILE [--timestamp URL]]" >&2
  exit 2
}
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case $1 in
    --built) build=$(cd "$2" && pwd) ;;
    --sign) pfx=$2 ;;
    --password-file) password_file=$2 ;;
    --timestamp) timestamp_url=$2 ;;
    *) usage ;;
  esac
  shift 2
done
if [ -n "$pfx" ] && [ -z "$password_file" ]; then
  echo "package.sh: --sign needs --password-file (the file holding the certificate's password)" >&2
  exit 2
fi
"$root/tools/install-packages.sh" wixl msitools python3
[ -z "$pfx" ] || "$root/tools/install-packages.sh" osslsigncode
if [ -z "$build" ]; then
  build=$root/build
  "$root/tools/setup.sh" >/dev/null
  cmake --build "$build" --target Clonarium simix-gm clonarium-scan >/dev/null
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=\([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "package.sh: no project version in $build/CMakeCache.txt" >&2; exit 1; }
site=$(sed -n 's/^CLONARIUM_SITE_ADDRESS:STRING=//p' "$build/CMakeCache.txt")

programs=(Clonarium.exe simix-gm.dll clonarium-scan.exe)
dist=$build/dist
stage=$build/package-stage
rm -rf "$dist" "$stage"
mkdir -p "$dist" "$stage"
for program in "${programs[@]}"; do cp "$build/bin/$program" "$stage/"; done

# sign FILE: signs it in place; the description and address show in the
# system's question before it runs.
sign() {
  local options=(-pkcs12 "$pfx" -readpass "$password_file" -h sha256 -n Clonarium -i "$site")
  [ -z "$timestamp_url" ] || options+=(-ts "$timestamp_url")
  osslsigncode sign "${options[@]}" -in "$1" -out "$1.signed" >/dev/null ||
    { echo "package.sh: cannot sign $(basename "$1")" >&2; exit 1; }
  mv "$1.signed" "$1"
}
if [ -n "$pfx" ]; then
  for program in "${programs[@]}"; do sign "$stage/$program"; done
fi

# wixl takes the sources relative to the description's folder.
cp "$root/tools/package/Clonarium.wxs" "$root/resources/Clonarium.ico" "$stage/"
# The installed program keeps its settings in the user's folders.
printf 'Settings of this copy live in the user'"'"'s folders.\r\n' > "$stage/nonportable"

msi=Clonarium-$version-x64.msi
zip=Clonarium-$version-x64-portable.zip
(cd "$stage" && wixl --arch x64 -D Version="$version" -o "$dist/$msi" Clonarium.wxs)
[ -z "$pfx" ] || sign "$dist/$msi"
# The zip holds the programs without the marker, in a folder of their own;
# fixed times and order make two builds of the same files the same bytes.
python3 - "$stage" "$dist/$zip" "${programs[@]}" <<'PY'
import sys, zipfile
stage, out, names = sys.argv[1], sys.argv[2], sys.argv[3:]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as archive:
    for name in names:
        info = zipfile.ZipInfo("Clonarium/" + name, date_time=(2026, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        with open(f"{stage}/{name}", "rb") as source:
            archive.writestr(info, source.read())
PY
(cd "$dist" && sha256sum "$msi" "$zip" > SHA256SUMS)

# The winget manifest names the installer where the update check sends
# users, with its hash and the product code this build stamped into it.
property() { msiinfo export "$dist/$msi" Property | tr -d '\r' | sed -n "s/^$1\t//p"; }
manifest=$dist/winget/manifests/v/Vandrelco/Clonarium/$version
mkdir -p "$manifest"
for kind in version installer locale.en-US; do
  sed -e "s|@VERSION@|$version|g" -e "s|@SITE@|$site|g" -e "s|@MSI@|$msi|g" \
    -e "s|@SHA256@|$(sha256sum "$dist/$msi" | cut -d' ' -f1 | tr a-f A-F)|g" \
    -e "s|@PRODUCT_CODE@|$(property ProductCode)|g" -e "s|@UPGRADE_CODE@|$(property UpgradeCode)|g" \
    "$root/tools/package/winget/$kind.yaml" > "$manifest/Vandrelco.Clonarium.$kind.yaml"
done
mv "$manifest/Vandrelco.Clonarium.version.yaml" "$manifest/Vandrelco.Clonarium.yaml"

if [ -n "$pfx" ]; then
  echo "package.sh: signed $(printf '%s ' "${programs[@]}")and $msi${timestamp_url:+, time-stamped by $timestamp_url}"
else
  echo "package.sh: not signed (no certificate given: --sign FILE.pfx --password-file FILE)"
fi
echo "package.sh: $(cd "$dist" && ls | tr '\n' ' ')"
