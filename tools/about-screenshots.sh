#!/usr/bin/env bash
# Pictures of the about box in each of its states, in English and German, at
# 100% and 150% scaling, into docs/ (about-<state>-<language>-<percent>.png):
# the box as it opens, while a check runs, and after a check that found the
# same version, a new version, or no site. Each check asks tools/update-server
# on 127.0.0.1. Needs the build (tools/setup.sh).
#   tools/about-screenshots.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/tools/screenshot-common.sh"
docs=$root/docs
mkdir -p "$docs"
program=$root/build/bin/update-tests.exe
server=

stop_server() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    server=
  fi
}
trap stop_server EXIT

# serve PORT ARGS...: tools/update-server in the background until the next shot.
serve() {
  local port=$1
  shift
  "$root/tools/update-server" --port "$port" "$@" >/dev/null &
  server=$!
  sleep 1
}

# shot NAME ARGS...: the about box with ARGS, cut out of the screen.
shot() {
  local name=$1
  shift
  "$root/tools/screenshot.sh" "$docs/$name.png" --wait 8 "$program" --about "$@" >/dev/null
  trim_shot "$docs/$name.png"
  stop_server
  echo "saved docs/$name.png"
}

port=18390
"$root/tools/install-packages.sh" imagemagick
# Make sure the screenshot prefix exists before its scaling is changed.
prepare_shot_prefix "$program"
for scaling in 96:100 144:150; do
  set_scaling "${scaling%%:*}"
  percent=${scaling##*:}
  for language in en de; do
    suffix=$language-$percent
    shot "about-opened-$suffix" "http://127.0.0.1:$port" --lang "$language"
    serve $port --hold 120 '3.0.0.0|setup.exe'
    shot "about-checking-$suffix" "http://127.0.0.1:$port" --lang "$language" --check
    serve $port '3.0.0.0|setup.exe'
    shot "about-latest-$suffix" "http://127.0.0.1:$port" --lang "$language" --check
    serve $port '3.0.0.1|Clonarium-3.0.0.1-setup.exe'
    shot "about-new-version-$suffix" "http://127.0.0.1:$port" --lang "$language" --check
    shot "about-cannot-check-$suffix" "http://127.0.0.1:$port" --lang "$language" --check
  done
done
set_scaling 96
