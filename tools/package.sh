#!/usr/bin/env bash
# Builds the two packages a Windows user downloads, into BUILD/dist/:
#   Clonarium-VERSION-x64.msi           the installer (settings in the user's folders)
#   Clonarium-VERSION-x64-portable.zip  the program to unpack anywhere (settings beside it)
#   SHA256SUMS                          the checksums of both
# VERSION is the first three parts of the project's version (CMakeLists.txt),
# the one the program's version resource carries.
#   tools/package.sh              sets up, builds and packages build/
#   tools/package.sh --built DIR  packages what the build in DIR has made
#                                 (the CMake target `package` does this)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/tools/install-packages.sh" wixl python3
if [ "${1:-}" = --built ]; then
  build=$(cd "$2" && pwd)
else
  build=$root/build
  "$root/tools/setup.sh" >/dev/null
  cmake --build "$build" --target Clonarium simix-gm >/dev/null
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=\([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "package.sh: no project version in $build/CMakeCache.txt" >&2; exit 1; }

dist=$build/dist
stage=$build/package-stage
rm -rf "$dist" "$stage"
mkdir -p "$dist" "$stage"
cp "$build/bin/Clonarium.exe" "$build/bin/simix-gm.dll" "$stage/"
# wixl takes the sources relative to the description's folder.
cp "$root/tools/package/Clonarium.wxs" "$root/resources/Clonarium.ico" "$stage/"
# The installed program keeps its settings in the user's folders.
printf 'Settings of this copy live in the user'"'"'s folders.\r\n' > "$stage/nonportable"

msi=Clonarium-$version-x64.msi
zip=Clonarium-$version-x64-portable.zip
(cd "$stage" && wixl --arch x64 -D Version="$version" -o "$dist/$msi" Clonarium.wxs)
# The zip holds the program without the marker, in a folder of its own; fixed
# times and order make two builds of the same files the same bytes.
python3 - "$stage" "$dist/$zip" <<'PY'
import sys, zipfile
stage, out = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as archive:
    for name in ["Clonarium.exe", "simix-gm.dll"]:
        info = zipfile.ZipInfo("Clonarium/" + name, date_time=(2026, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        with open(f"{stage}/{name}", "rb") as source:
            archive.writestr(info, source.read())
PY
(cd "$dist" && sha256sum "$msi" "$zip" > SHA256SUMS)
echo "package.sh: $(cd "$dist" && ls | tr '\n' ' ')"
