#!/usr/bin/env bash
# photo-bench.sh [BEFORE] [RUNS]
# The photograph set of make-photo-set.sh (made once under build/bench/photos),
# searched by clonarium-scan --mode images --no-cache at similarity 85 with
# turns and mirror images on, and with both off, each scored by
# score-groups.py (pairwise precision, recall and F1: with both off, turned and
# mirrored copies are expected alone, copies with an EXIF tag stay expected),
# and the search with both on timed RUNS times (default 3, the median
# printed). The copies each search left apart from their original are listed.
# With BEFORE, a folder holding another build's clonarium-scan.exe and
# simix-gm.dll, that build is measured in the same run; findimagedupes (at its
# default threshold and at 80%) and dupeGuru's picture scan are scored as well.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bench=$root/tools/bench
before=${1:-}
runs=${2:-3}

"$root/tools/install-packages.sh" findimagedupes dupeguru python3 bc
"$root/tools/setup.sh"

# The set is made again whenever its generator changed.
set_dir=$root/build/bench/photos
generator=$(md5sum <"$bench/make-photo-set.sh")
if [ "$(cat "$set_dir/.complete" 2>/dev/null)" != "$generator" ]; then
    echo "photo-bench: making the photograph set in $set_dir"
    rm -rf "$set_dir"
    "$bench/make-photo-set.sh" "$set_dir"
    echo "$generator" >"$set_dir/.complete"
fi
files=$(find "$set_dir" -type f ! -name '.*' | wc -l)
out=$root/build/bench/results
mkdir -p "$out"

export WINEPREFIX=$root/build/wine-test WINEDEBUG=-all
wineserver -p 2>/dev/null || true # already running is fine
trap 'wineserver -k 2>/dev/null || true' EXIT
win_set=$(winepath -w "$set_dir" 2>/dev/null)

# clonarium-scan prints a path a line and an empty line after each group;
# the scorer takes a group a line, file names apart by tabs.
one_group_a_line() { awk 'BEGIN { RS = ""; FS = "\n" } { line = ""; for (i = 1; i <= NF; i++) { name = $i; sub(/.*\\/, "", name); line = line (i > 1 ? "\t" : "") name } print line }'; }
scan() { # scan BIN FLAGS...
    local bin=$1
    shift
    "$root/tools/wine.sh" "$bin/clonarium-scan.exe" --mode images --all --no-cache "$@" "$win_set" 2>/dev/null |
        tr -d "\r" | one_group_a_line
}
seconds() { # seconds COMMAND...: runs it, prints the wall time
    local start
    start=$(date +%s.%N)
    "$@" >/dev/null
    echo "$(date +%s.%N) - $start" | bc -l
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# The copies in no group with their family's original.
apart() { # apart GROUPS [--turns-off]
    python3 - "$set_dir" "$@" <<'PYTHON'
import os, re, sys
folder, groups, turns_off = sys.argv[1], sys.argv[2], "--turns-off" in sys.argv[3:]
group_of = {}
for number, line in enumerate(open(groups, encoding="utf-8")):
    for name in line.split("\t"):
        group_of[name.strip()] = number
names = sorted(n for n in os.listdir(folder) if "_" in n)
originals = {n.split("_")[0]: n for n in names if "_orig." in n}
left = [n for n in names if "_orig." not in n
        and not (turns_off and re.match(r"[^_]+_(rot\d+|mirror)", n))
        and group_of.get(n, -1) != group_of.get(originals[n.split("_")[0]], -2)]
print(" ".join(left) if left else "none")
PYTHON
}

builds=("$root/build/bin")
[ -n "$before" ] && builds=("$before" "$root/build/bin")
echo "photograph set: $files files from $(find "$set_dir" -name '*_orig.*' | wc -l) originals ($set_dir)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
scan "${builds[-1]}" >/dev/null # warm the file cache and Wine, untimed
for bin in "${builds[@]}"; do
    name=$(basename "$(dirname "$bin")")-$(basename "$bin")
    times=()
    for ((run = 1; run <= runs; run++)); do
        times+=("$(seconds scan "$bin" --mirrors)")
    done
    scan "$bin" --mirrors >"$out/photos-$name-on.txt"
    scan "$bin" --no-mirrors --no-rotations >"$out/photos-$name-off.txt"
    printf '%s: median %.2f s over %d photographs (runs: %s)\n' "$bin" "$(median "${times[@]}")" "$files" \
        "$(printf '%.2f ' "${times[@]}")"
    echo "  turns and mirrors on:  $(python3 "$bench/score-groups.py" "$set_dir" "$out/photos-$name-on.txt")"
    echo "      apart from their original: $(apart "$out/photos-$name-on.txt")"
    echo "  turns and mirrors off: $(python3 "$bench/score-groups.py" "$set_dir" "$out/photos-$name-off.txt" \
        --rotations-off --mirrors-off)"
    echo "      apart from their original: $(apart "$out/photos-$name-off.txt" --turns-off)"
done

if [ -n "$before" ]; then
    findimagedupes -- "$set_dir"/* >"$out/photos-findimagedupes.txt" 2>/dev/null || true
    findimagedupes -t 80% -- "$set_dir"/* >"$out/photos-findimagedupes-80.txt" 2>/dev/null || true
    rm -rf "$out/dupeguru-cache" # its caches would hold pictures of an earlier set
    "$bench/dupeguru_pictures.py" "$set_dir" "$out/dupeguru-cache" >"$out/photos-dupeguru.txt"
    echo "findimagedupes, default (90%): $(python3 "$bench/score-groups.py" "$set_dir" \
        "$out/photos-findimagedupes.txt")"
    echo "findimagedupes, 80%:           $(python3 "$bench/score-groups.py" "$set_dir" \
        "$out/photos-findimagedupes-80.txt")"
    echo "dupeGuru, picture scan:        $(python3 "$bench/score-groups.py" "$set_dir" "$out/photos-dupeguru.txt")"
fi
