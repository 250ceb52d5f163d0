#!/usr/bin/env bash
# Times ExpandAll and CollapseAll of the virtual tree view over 200,000
# groups of 5 files in a real list view, headless under Wine:
#   tools/bench/virtual-tree.sh [GROUPS [FILES_PER_GROUP [RUNS]]]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
if [ ! -f "$root/build/build.ninja" ]; then
  "$root/tools/setup.sh"
fi
cmake --build "$root/build" --target virtual-tree-bench >/dev/null
"$root/tools/wine.sh" "$root/build/bin/virtual-tree-bench.exe" "$@"
