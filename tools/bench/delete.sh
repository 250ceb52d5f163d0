#!/usr/bin/env bash
# The delete worker's fault run in all three modes (files deleted, failed with
# a reason, lost), then its speed in each mode with and without the byte
# comparison against a bare loop of the same work, headless under Wine. What
# Wine recycles lands in a Trash of our own, removed at the end.
#   tools/bench/delete.sh [QUEUED [SPEED_FILES [RUNS]]]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
if [ ! -f "$root/build/build.ninja" ]; then
  "$root/tools/setup.sh"
fi
cmake --build "$root/build" --target delete-bench >/dev/null
queued=${1:-10000}
files=${2:-10000}
runs=${3:-3}
XDG_DATA_HOME=$(mktemp -d)
export XDG_DATA_HOME
# The fault run makes the Trash immutable for a while to have a bin that refuses.
trap 'chattr -R -i "$XDG_DATA_HOME" 2>/dev/null; rm -rf "$XDG_DATA_HOME"' EXIT
bench() { "$root/tools/wine.sh" "$root/build/bin/delete-bench.exe" "$@"; }
status=0
for mode in permanent backup recycle; do
  bench fault "$mode" "$queued" || status=1
done
# Small files, where the open and the checks weigh most, and files of 1 MiB,
# where the byte comparison does.
for mode in permanent backup recycle; do
  bench speed "$mode" "$files" "$runs" || status=1
  bench speed "$mode" $((files / 50)) "$runs" 1048576 || status=1
done
exit $status
