#!/usr/bin/env bash
# Times the opening of a folder of 10,000 entries in the folder tree,
# headless under Wine (goal: at most 1 s). With --baseline, an earlier build
# of the benchmark runs first on the same arguments, for a comparison within
# one run:
#   tools/bench/folder-tree.sh [--baseline EXE] [ENTRIES [FOLDERS [RUNS]]]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
baseline=
if [ "${1:-}" = --baseline ]; then baseline=$2; shift 2; fi
if [ ! -f "$root/build/build.ninja" ]; then
  "$root/tools/setup.sh"
fi
cmake --build "$root/build" --target folder-tree-bench >/dev/null
if [ -n "$baseline" ]; then
  echo "== baseline: $baseline"
  "$root/tools/wine.sh" "$baseline" "$@"
  echo "== this build"
fi
"$root/tools/wine.sh" "$root/build/bin/folder-tree-bench.exe" "$@"
