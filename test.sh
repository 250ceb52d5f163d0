#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test program under Wine.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh

export WINEPREFIX=$PWD/build/wine-test
export WINEDEBUG=-all
# One wineserver for the whole run instead of one per test program.
wineserver -p 2>/dev/null || true  # one may be running already
trap 'wineserver -k 2>/dev/null || true' EXIT
# Start Wine's own background processes now, detached from CTest's output
# pipes: CTest waits for every holder of a test's output to let go.
tools/wine.sh cmd /c exit </dev/null >/dev/null 2>&1
ctest --test-dir build --output-on-failure "$@"
