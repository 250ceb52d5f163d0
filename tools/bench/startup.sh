#!/usr/bin/env bash
# Times Clonarium.exe from its start to its main window shown with its title
# and painted, under Wine, RUNS times (default 5), with settings of its own
# beside the program (portable, no update check); prints the median.
#   tools/bench/startup.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
runs=${1:-5}
if [ ! -f "$root/build/build.ninja" ]; then
  "$root/tools/setup.sh"
fi
cmake --build "$root/build" --target Clonarium window-title >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/build/bin/Clonarium.exe" "$root/build/bin/simix-gm.dll" "$work/"
mkdir -p "$work/settings"
printf '[General]\r\nifr=0\r\ncfu=0\r\n' | iconv -f UTF-8 -t UTF-16 >"$work/settings/settings.ini"
"$root/tools/wine.sh" "$root/build/bin/window-title.exe" "$work/Clonarium.exe" >/dev/null # first run: warm caches
times=()
for _ in $(seq "$runs"); do
  ms=$("$root/tools/wine.sh" "$root/build/bin/window-title.exe" --time "$work/Clonarium.exe" 2>/dev/null |
    tr -d '\r' | sed -n 's/^window shown and painted after \([0-9]*\) ms$/\1/p')
  times+=("$ms")
done
printf '%s\n' "${times[@]}" | sort -n | awk -v runs="$runs" '
  { t[NR] = $1 } END { printf "start-up to the painted main window: median %d ms over %d runs (", t[int((NR + 1) / 2)], runs;
    for (i = 1; i <= NR; i++) printf "%s%d", (i > 1 ? " " : ""), t[i]; print " ms)" }'
