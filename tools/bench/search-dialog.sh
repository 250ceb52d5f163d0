#!/usr/bin/env bash
# Times a search run through the search worker, its progress dialog and a
# result tree (search-bench) against clonarium-scan --all on the tree of
# exact-duplicates.sh, in the same rounds, without the search cache and with
# the one both then share, and checks that all find the same groups.
#   tools/bench/search-dialog.sh [--tree DIR] [--runs N]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

"$root/tools/install-packages.sh" python3
"$root/tools/setup.sh"

export WINEPREFIX=$root/build/wine-test
export WINEDEBUG=-all
# One wineserver for all runs, so that every run pays the same start-up.
wineserver -p10 2>/dev/null || true # already up: fine
"$root/tools/wine.sh" cmd /c exit </dev/null >/dev/null 2>&1
exec python3 "$root/tools/bench/search_dialog.py" --root "$root" "$@"
