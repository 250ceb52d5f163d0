#!/usr/bin/env bash
# Which read plan suits the exact search: how much of a file's start and end
# is read before the whole of it, up to which size a file is read whole at
# once, and the size of each read of a whole file. Runs the finder with each
# plan over the exact-duplicate benchmark's tree (or TREE) and prints time,
# files opened and bytes read.
#   tools/bench/read-plan.sh [ROUNDS [TREE [PLAN...]]]     PLAN: HEAD:TAIL:WHOLE:CHUNK in KiB
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
"$root/tools/setup.sh"
python3 "$root/tools/bench/exact_duplicates.py" --root "$root" --generate-only
rounds=${1:-7}
tree=${2:-$root/build/bench/exact-tree}
shift $(($# < 2 ? $# : 2))
plans=("$@")
[ ${#plans[@]} -gt 0 ] || plans=(8:8:16:256 4:4:16:256 4:4:8:256 4:4:32:256 16:16:32:256 64:64:128:256 8:8:16:64 8:8:16:1024)
export WINEPREFIX=$root/build/wine-test
export WINEDEBUG=-all
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$root/tools/wine.sh" "$root/build/bin/read-plan-bench.exe" "Z:$(echo "$tree" | tr / '\\')" "$rounds" "${plans[@]}"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
