#!/usr/bin/env bash
# Unpacks Debian's source package NAME (with Debian's patches) into FOLDER and
# prints the path of the unpacked tree. The newest version the machine's apt
# sources carry is taken; when its download fails (a mirror without the
# security archive's sources), the next older one.
#   third_party/debian-source.sh NAME FOLDER
# Needs root (or sudo) once, to add a deb-src entry beside the machine's own
# apt source and to install dpkg-dev.
set -euo pipefail
name=$1 folder=$2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
sources=/etc/apt/sources.list.d/debian.sources
source_entry=/etc/apt/sources.list.d/clonarium-deb-src.sources
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  # The machine's own entry, for source packages.
  sed 's/^Types: deb$/Types: deb-src/' "$sources" | "${sudo[@]}" tee "$source_entry" >/dev/null
  "${sudo[@]}" apt-get update -qq
fi
"$root/tools/install-packages.sh" dpkg-dev >&2

chmod 755 "$folder" # apt fetches as its own user
cd "$folder"
for version in $(apt-cache showsrc "$name" | sed -n 's/^Version: //p' | sort -ruV); do
  if apt-get source -qq "$name=$version" >/dev/null 2>&1; then
    find "$PWD" -mindepth 1 -maxdepth 1 -type d | head -n 1
    exit 0
  fi
  rm -rf -- ./*
done
echo "debian-source: no version of $name could be fetched" >&2
exit 1
