#!/usr/bin/env bash
# A million files, end to end (not part of ./test.sh; about 12 minutes on a
# loaded two-core machine, the tree included): clonarium-scan uncached and
# cached, the search in the main window with the cache and what follows it
# (loading the result, keep-first over all groups, a CSV report) with its
# peak memory and the longest the window leaves a message unanswered, and
# jdupes, rmlint, rdfind and fdupes on the same tree. See million_files.py.
#   tools/bench/million-files.sh [--keep] [--no-peers] [--baseline EXE] [--files N] [--tree DIR]
# The tree (1,000,000 files, about 4 GB of disk) is made under build/bench/
# and removed at the end unless --keep.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

"$root/tools/install-packages.sh" jdupes rmlint rdfind fdupes python3 time
"$root/tools/setup.sh" clonarium-scan window-search-bench

export WINEPREFIX=$root/build/wine-test
export WINEDEBUG=-all
wineserver -p60 2>/dev/null || true # already up: fine
"$root/tools/wine.sh" cmd /c exit </dev/null >/dev/null 2>&1
exec python3 "$root/tools/bench/million_files.py" --root "$root" "$@"
