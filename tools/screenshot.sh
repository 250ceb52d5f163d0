#!/usr/bin/env bash
# Takes a picture of a Windows program of ours as it looks on screen:
#   tools/screenshot.sh OUT.png [--wait SECONDS] PROGRAM.exe [ARGS...]
# Starts a virtual X server of its own, runs the program inside Wine's desktop
# (which draws window frames), waits, saves the screen and stops everything.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ $# -ge 2 ] || { echo "usage: tools/screenshot.sh OUT.png [--wait SECONDS] PROGRAM.exe [ARGS...]" >&2; exit 2; }
out=$1; shift
wait_seconds=6
if [ "$1" = --wait ]; then wait_seconds=$2; shift 2; fi

if ! command -v import >/dev/null; then
  sudo=(); [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends imagemagick >/dev/null
fi

display=120
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
# The program and the server go whatever happens below (a failed capture
# ends the script).
trap 'WINEPREFIX=$root/build/wine-shot wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
# A prefix of its own, so that a running program or test run is not disturbed.
export WINEPREFIX=$root/build/wine-shot
if [ ! -f "$WINEPREFIX/.clonarium-ready" ]; then
  mkdir -p "$WINEPREFIX"
  DISPLAY= "$root/tools/wine.sh" wineboot -i >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.clonarium-ready"
fi
"$root/tools/title-bar-font.sh" "$WINEPREFIX"
export DISPLAY=":$display"
sleep 1
"$root/tools/wine.sh" explorer /desktop=shot,1280x900 "$@" >/dev/null 2>&1 &
sleep "$wait_seconds"
import -window root "$out"
echo "saved $out"
