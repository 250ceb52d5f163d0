#!/usr/bin/env bash
# Times the search cache in one run: first and repeat searches of
# clonarium-scan (under Wine) on the exact-duplicates tree against native
# jdupes, and on the picture set against dupeGuru's picture core with its own
# cache (driven without its window by dupeguru_pictures.py).
#   tools/bench/cache.sh [--runs N] [--originals N] [--baseline EXE]
# --baseline times the first searches of another build of clonarium-scan
# (one of main, say) in the same rounds. The trees are those of
# exact-duplicates.sh and picture-bench.sh, made once under build/bench/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

"$root/tools/install-packages.sh" jdupes python3 imagemagick fonts-dejavu-core dupeguru
"$root/tools/setup.sh"

export WINEPREFIX=$root/build/wine-test
export WINEDEBUG=-all
wineserver -p10
"$root/tools/wine.sh" cmd /c exit </dev/null >/dev/null 2>&1
exec python3 "$root/tools/bench/cache_bench.py" --root "$root" "$@"
