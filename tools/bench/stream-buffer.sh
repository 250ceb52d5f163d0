#!/usr/bin/env bash
# Which buffer size suits the digest's file stream: reads the files of the
# exact-duplicate benchmark's tree that share a size, with each size in turn.
# The stream fills one byte less than its buffer, hence the sizes 2^n + 1
# (0: the stream's own default).
#   tools/bench/stream-buffer.sh [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
"$root/tools/setup.sh"
python3 "$root/tools/bench/exact_duplicates.py" --root "$root" --generate-only
export WINEPREFIX=$root/build/wine-test
tree='Z:'$(echo "$root/build/bench/exact-tree" | tr / '\\')
"$root/tools/wine.sh" "$root/build/bin/stream-buffer-bench.exe" "$tree" "${1:-11}" \
  0 4097 16385 65537 262145 1048577
