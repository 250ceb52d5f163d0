#!/usr/bin/env bash
# Sets up what is missing, builds, and starts Clonarium under Wine, on the
# current display or, without one, on a virtual X server started for it.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh

export WINEPREFIX=$PWD/build/wine
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  display=99
  while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$display"
  echo "run.sh: no display; started a virtual X server on DISPLAY=$DISPLAY"
  sleep 1
fi
status=0
if [ -n "$xvfb_pid" ]; then
  # No window manager on a bare X server: Wine's own desktop draws the frames.
  tools/wine.sh explorer /desktop=Clonarium,1600x1000 build/bin/Clonarium.exe || status=$?
else
  tools/wine.sh build/bin/Clonarium.exe || status=$?
fi
if [ -n "$xvfb_pid" ]; then
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
fi
exit $status
