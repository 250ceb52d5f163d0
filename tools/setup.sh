#!/usr/bin/env bash
# Brings a Debian machine to the point where the project builds and runs:
# installs missing packages, prepares the project-local Wine prefixes and
# builds everything into build/. Quick and quiet when all is in place.
#   tools/setup.sh            packages, both prefixes, build
#   tools/setup.sh TARGET...  the same, building only these targets (a benchmark
#                             that needs two programs need not wait for the tests)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build

packages=(
  cmake ninja-build
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  googletest
  wine wine64 fonts-wine
  xvfb xauth
  wixl msitools osslsigncode openssl python3-yaml
)

# make_prefix DIR GRAPHICS: a Wine prefix of our own; GRAPHICS "null" makes it
# headless (windows exist, nothing is drawn on a display).
make_prefix() {
  local prefix=$1 graphics=$2
  [ -f "$prefix/.clonarium-ready" ] && return 0
  echo "setup: preparing Wine prefix $prefix"
  rm -rf "$prefix"
  mkdir -p "$prefix"
  (
    export WINEPREFIX=$prefix
    unset DISPLAY
    "$root/tools/wine.sh" wineboot -i >/dev/null 2>&1
    if [ "$graphics" = null ]; then
      "$root/tools/wine.sh" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    fi
    wineserver -w
  )
  touch "$prefix/.clonarium-ready"
}

build_all() {
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" >/dev/null
  fi
  cmake --build "$build" -j "$(nproc)" ${targets[@]+--target "${targets[@]}"}
}

targets=("$@")

"$root/tools/install-packages.sh" "${packages[@]}"
make_prefix "$build/wine-test" null
make_prefix "$build/wine" x11
"$root/tools/title-bar-font.sh" "$build/wine" # run.sh shows the windows with their title bars
build_all
