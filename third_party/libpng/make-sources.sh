#!/usr/bin/env bash
# Copies the reading half of libpng from Debian's source package into this
# folder, makes pnglibconf.h (the build's options) from read-only.dfa with
# libpng's own scripts, and writes VERSION. The build never runs this: the
# files are kept in the repository, and this script says where they came
# from.
#   third_party/libpng/make-sources.sh
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
"$root/tools/install-packages.sh" gawk gcc make

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$("$here/../debian-source.sh" libpng1.6 "$work")
(cd "$tree" && make -s -f scripts/pnglibconf.mak DFA_XTRA="$here/read-only.dfa" pnglibconf.h >/dev/null 2>&1)
files=(png.c pngerror.c pngget.c pngmem.c pngread.c pngrio.c pngrtran.c pngrutil.c pngset.c pngtrans.c
  png.h pngconf.h pngdebug.h pnginfo.h pnglibconf.h pngpriv.h pngstruct.h LICENSE)
for file in "${files[@]}"; do
  cp "$tree/$file" "$here/"
done
(cd "$here" && sed -i -f ../plain-words.sed "${files[@]}")
package_version=$(dpkg-parsechangelog -l "$tree/debian/changelog" -S Version)
library_version=$(sed -nE 's/^#define PNG_LIBPNG_VER_STRING "([^"]+)"/\1/p' "$tree/png.h")
{
  echo "libpng $library_version"
  echo "from Debian's source package libpng1.6 $package_version"
  (cd "$here" && sha256sum "${files[@]}")
} >"$here/VERSION"
cat "$here/VERSION"
