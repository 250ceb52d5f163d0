#!/usr/bin/env bash
# Makes sqlite3.c and sqlite3.h of this folder from Debian's source package of
# SQLite (the version the machine's apt sources carry, with Debian's patches),
# and writes VERSION. The build never runs this: the two files are kept in the
# repository, and this script says where they came from.
#   third_party/sqlite/make-amalgamation.sh
# Needs root (or sudo) once, to add a deb-src entry beside the machine's own
# apt source and to install tcl and dpkg-dev.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
sources=/etc/apt/sources.list.d/debian.sources
source_entry=/etc/apt/sources.list.d/clonarium-deb-src.sources
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  # The machine's own entry, for source packages.
  sed 's/^Types: deb$/Types: deb-src/' "$sources" | "${sudo[@]}" tee "$source_entry" >/dev/null
  "${sudo[@]}" apt-get update -qq
fi
"$root/tools/install-packages.sh" tcl dpkg-dev

work=$(mktemp -d)
chmod 755 "$work" # apt fetches as its own user
trap 'rm -rf "$work"' EXIT
cd "$work"
apt-get source -qq sqlite3 >/dev/null
tree=$(find . -maxdepth 1 -type d -name 'sqlite3-*' | head -n 1)
mkdir build
(cd build && "../$tree/configure" >/dev/null && make -s sqlite3.c >/dev/null)
cp build/sqlite3.c build/sqlite3.h "$here/"
sed -i -f "$here/../plain-words.sed" "$here/sqlite3.c" "$here/sqlite3.h"
package_version=$(dpkg-parsechangelog -l "$tree/debian/changelog" -S Version)
library_version=$(sed -nE 's/^#define SQLITE_VERSION +"([^"]+)"/\1/p' build/sqlite3.h)
{
  echo "SQLite $library_version"
  echo "from Debian's source package sqlite3 $package_version"
  echo "sqlite3.c: $(sha256sum "$here/sqlite3.c" | cut -d' ' -f1)"
  echo "sqlite3.h: $(sha256sum "$here/sqlite3.h" | cut -d' ' -f1)"
} >"$here/VERSION"
cat "$here/VERSION"
