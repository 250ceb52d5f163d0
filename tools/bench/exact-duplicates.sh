#!/usr/bin/env bash
# Times `clonarium-scan --all` (under Wine) against jdupes, rdfind and fdupes
# on one generated tree, and checks that our groups equal those of jdupes.
#   tools/bench/exact-duplicates.sh [--tree DIR] [--runs N] [--baseline EXE]
# --baseline times another build of clonarium-scan too (one of main, say):
# its row's ratio is then ours against it.
# The tree (about 20,000 files, 1.4 GB) is made once under build/bench/ and
# reused while its stamp matches.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

"$root/tools/install-packages.sh" jdupes rdfind fdupes python3

"$root/tools/setup.sh"

export WINEPREFIX=$root/build/wine-test
export WINEDEBUG=-all
# One wineserver and Wine's own background processes stay up across the runs
# (they leave by themselves afterwards), so that every run pays the same
# start-up. Started detached: nothing of theirs holds our output.
wineserver -p10
"$root/tools/wine.sh" cmd /c exit </dev/null >/dev/null 2>&1
exec python3 "$root/tools/bench/exact_duplicates.py" --root "$root" "$@"
