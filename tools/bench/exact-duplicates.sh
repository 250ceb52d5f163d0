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

peers=(jdupes rdfind fdupes)
missing=()
for p in "${peers[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "bench: installing ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

"$root/tools/setup.sh"

export WINEPREFIX=$root/build/wine-test
export WINEDEBUG=-all
# One wineserver and Wine's own background processes stay up across the runs
# (they leave by themselves afterwards), so that every run pays the same
# start-up. Started detached: nothing of theirs holds our output.
wineserver -p10
"$root/tools/wine.sh" cmd /c exit </dev/null >/dev/null 2>&1
exec python3 "$root/tools/bench/exact_duplicates.py" --root "$root" "$@"
