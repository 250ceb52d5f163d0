#!/usr/bin/env bash
# Times the preview headless under Wine: a 2 GiB text file shown (first lines
# painted, whole line scan and its rate, memory) and 100 switches among
# 12-megapixel pictures (call to picture painted). The files are made once
# under build/bench-preview/.
#   tools/bench/preview.sh [text|pictures]     (both without an argument)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
what=${1:-both}
"$root/tools/install-packages.sh" python3 imagemagick
if [ ! -f "$root/build/build.ninja" ]; then
  "$root/tools/setup.sh"
fi
cmake --build "$root/build" --target preview-bench >/dev/null
data=$root/build/bench-preview
mkdir -p "$data"
windows() { echo "Z:${1//\//\\}"; }

if [ "$what" != pictures ]; then
  text=$data/two-gib.txt
  if [ ! -f "$text" ]; then
    # Lines of 1 to 160 characters, some with tabs, repeated to 2 GiB.
    python3 - "$text" <<'PY'
import random, sys
random.seed(17)
lines = []
size = 0
while size < 4 * 1024 * 1024:
    n = random.randint(1, 160)
    line = "".join(random.choice("abcdefghij klmnop\t") for _ in range(n)) + "\n"
    lines.append(line)
    size += len(line)
block = "".join(lines).encode()[: 4 * 1024 * 1024]
with open(sys.argv[1], "wb") as out:
    for _ in range(512):
        out.write(block)
PY
  fi
  cat "$text" >/dev/null # into the page cache
  "$root/tools/wine.sh" "$root/build/bin/preview-bench.exe" text "$(windows "$text")"
fi

if [ "$what" != text ]; then
  pictures=$data/pictures
  if [ ! -f "$pictures/4.jpg" ]; then
    mkdir -p "$pictures"
    # Plasma fractals: the fine detail of a photo, about 3 MB each.
    for i in 1 2 3 4; do
      convert -seed "$i" -size 4000x3000 plasma:fractal -quality 90 "$pictures/$i.jpg"
    done
  fi
  "$root/tools/wine.sh" "$root/build/bin/preview-bench.exe" pictures 100 "$(windows "$pictures")"
fi
