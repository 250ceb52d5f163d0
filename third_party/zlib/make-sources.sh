#!/usr/bin/env bash
# Copies the inflating half of zlib (what reading PNG pictures needs) from
# Debian's source package into this folder, and writes VERSION. The build
# never runs this: the files are kept in the repository, and this script
# says where they came from.
#   third_party/zlib/make-sources.sh
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$("$here/../debian-source.sh" zlib "$work")
files=(adler32.c crc32.c crc32.h gzguts.h inffast.c inffast.h inffixed.h inflate.c inflate.h inftrees.c inftrees.h
  zconf.h zlib.h zutil.c zutil.h LICENSE)
for file in "${files[@]}"; do
  cp "$tree/$file" "$here/"
done
(cd "$here" && sed -i -f ../plain-words.sed "${files[@]}")
package_version=$(dpkg-parsechangelog -l "$tree/debian/changelog" -S Version)
library_version=$(sed -nE 's/^#define ZLIB_VERSION "([^"]+)"/\1/p' "$tree/zlib.h")
{
  echo "zlib $library_version"
  echo "from Debian's source package zlib $package_version"
  (cd "$here" && sha256sum "${files[@]}")
} >"$here/VERSION"
cat "$here/VERSION"
