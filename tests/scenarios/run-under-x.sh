#!/usr/bin/env bash
# Runs a test program under a virtual X server of its own, in a Wine prefix
# that draws on it (build/wine-scenarios) and keeps its shell folders to
# itself, with the desktop's Trash (where
# the Recycle Bin puts files under Wine) in a fresh folder named by
# XDG_DATA_HOME, so that the tests can look into it.
#   tests/scenarios/run-under-x.sh PROGRAM.exe [ARGS...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
"$root/tools/install-packages.sh" xvfb xauth

export WINEPREFIX=$root/build/wine-scenarios
export WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/.clonarium-ready" ]; then
  mkdir -p "$WINEPREFIX"
  DISPLAY= "$root/tools/wine.sh" wineboot -i >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.clonarium-ready"
fi
# The user's shell folders (Desktop, Documents...) are folders of the prefix,
# not links to the Linux home: a backup into the Desktop stays in here.
for folder in "$WINEPREFIX"/drive_c/users/*/*; do
  if [ -L "$folder" ]; then rm "$folder" && mkdir "$folder"; fi
done

display=130
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
data=$(mktemp -d)
finish() {
  wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$data"
}
trap finish EXIT
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
export DISPLAY=":$display"
export XDG_DATA_HOME=$data
"$root/tools/wine.sh" "$@" </dev/null
