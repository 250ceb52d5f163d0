#!/usr/bin/env bash
# Times `clonarium-scan --all` (under Wine) against jdupes, rmlint, rdfind
# and fdupes on two generated sets, with the bytes each reads, and checks that
# our groups equal those of jdupes.
#   tools/bench/exact-duplicates.sh [--tree DIR] [--runs N] [--large-runs N] [--no-large] [--baseline EXE]
# --baseline times another build of clonarium-scan too (one of main, say).
# The sets (a tree of about 20,000 files, 1.4 GB; 60 files of 200 MB with
# holes in the middle, 120 MB on disk) are made once under build/bench/ and
# reused while their stamps match.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

"$root/tools/install-packages.sh" jdupes rmlint rdfind fdupes python3

"$root/tools/setup.sh"

export WINEPREFIX=$root/build/wine-test
export WINEDEBUG=-all
# One wineserver and Wine's own background processes stay up across the runs
# (they leave by themselves afterwards), so that every run pays the same
# start-up. Started detached: nothing of theirs holds our output.
wineserver -p10
"$root/tools/wine.sh" cmd /c exit </dev/null >/dev/null 2>&1
exec python3 "$root/tools/bench/exact_duplicates.py" --root "$root" "$@"
