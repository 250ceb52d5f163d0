#!/usr/bin/env bash
# Times the opening of a folder of 10,000 entries in the folder tree,
# headless under Wine (goal: at most 1 s):
#   tools/bench/folder-tree.sh [ENTRIES [FOLDERS [RUNS]]]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
if [ ! -f "$root/build/build.ninja" ]; then
  "$root/tools/setup.sh"
fi
cmake --build "$root/build" --target folder-tree-bench >/dev/null
"$root/tools/wine.sh" "$root/build/bin/folder-tree-bench.exe" "$@"
