#!/usr/bin/env bash
# Which read plan suits the exact search: how much of a file's start, then of
# its end, is read before the whole of it, and the size of each read of a
# whole file. Runs the finder with each plan over the exact-duplicate
# benchmark's tree (or TREE) and prints time, files opened and bytes read.
#   tools/bench/read-plan.sh [ROUNDS [TREE [PLAN...]]]     PLAN: HEAD:TAIL:CHUNK in KiB
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
"$root/tools/setup.sh"
python3 "$root/tools/bench/exact_duplicates.py" --root "$root" --generate-only
rounds=${1:-7}
tree=${2:-$root/build/bench/exact-tree}
shift $(($# < 2 ? $# : 2))
plans=("$@")
[ ${#plans[@]} -gt 0 ] || plans=(4:64:256 4:4:256 4:16:256 16:64:256 64:64:256 4:64:64 4:64:1024)
export WINEPREFIX=$root/build/wine-test
export WINEDEBUG=-all
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$root/tools/wine.sh" "$root/build/bin/read-plan-bench.exe" "Z:$(echo "$tree" | tr / '\\')" "$rounds" "${plans[@]}"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
