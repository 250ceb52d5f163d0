#!/usr/bin/env bash
# Copies the decompressing half of libjpeg-turbo (without its SIMD code, which
# needs an assembler of its own) from Debian's source package into this
# folder, with the configuration headers that libjpeg-turbo's own CMake
# writes for the mingw-w64 target, and writes VERSION. The build never runs
# this: the files are kept in the repository, and this script says where
# they came from.
#   third_party/libjpeg-turbo/make-sources.sh
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
"$root/tools/install-packages.sh" cmake g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$("$here/../debian-source.sh" libjpeg-turbo "$work")
package_version=$(dpkg-parsechangelog -l "$tree/debian/changelog" -S Version)
# The build string says which package the sources came from, not a date.
cmake -S "$tree" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$work/install" -DWITH_SIMD=0 -DWITH_TURBOJPEG=0 -DENABLE_SHARED=0 -DWITH_ARITH_ENC=0 \
  -DBUILD="debian-$package_version" >/dev/null
sources=(jaricom.c jcomapi.c jdapimin.c jdapistd.c jdarith.c jdatasrc.c jdcoefct.c jdcolor.c jddctmgr.c jdhuff.c
  jdinput.c jdmainct.c jdmarker.c jdmaster.c jdmerge.c jdphuff.c jdpostct.c jdsample.c jerror.c jidctflt.c
  jidctfst.c jidctint.c jidctred.c jmemmgr.c jmemnobs.c jquant1.c jquant2.c jsimd_none.c jutils.c)
headers=(jdcol565.c jdcolext.c jdmrg565.c jdmrgext.c jstdhuff.c jchuff.h jdcoefct.h jdct.h jdhuff.h jdmainct.h jdmaster.h
  jdmerge.h jdsample.h jerror.h jinclude.h jmemsys.h jmorecfg.h jpegcomp.h jpegint.h jpeglib.h jsimd.h jsimddct.h)
for file in "${sources[@]}" "${headers[@]}" LICENSE.md README.ijg; do
  cp "$tree/$file" "$here/"
done
for file in jconfig.h jconfigint.h jversion.h; do
  cp "$work/build/$file" "$here/"
done
(cd "$here" && sed -i -f ../plain-words.sed "${sources[@]}" "${headers[@]}" jconfig.h jconfigint.h jversion.h README.ijg)
library_version=$(sed -nE 's/^#define LIBJPEG_TURBO_VERSION +([0-9.]+)/\1/p' "$here/jconfig.h")
{
  echo "libjpeg-turbo $library_version"
  echo "from Debian's source package libjpeg-turbo $package_version"
  (cd "$here" && sha256sum "${sources[@]}" "${headers[@]}" jconfig.h jconfigint.h jversion.h LICENSE.md README.ijg)
} >"$here/VERSION"
head -n 2 "$here/VERSION"
