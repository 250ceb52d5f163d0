#!/usr/bin/env bash
# picture-bench.sh [ORIGINALS] [RUNS]
# Makes the reproducible picture set (make-picture-set.sh, ORIGINALS distinct
# pictures, default 200), then in one run times our similar-image search
# (clonarium-scan --mode images under Wine, similarity 85) against findimagedupes on the same files, RUNS
# times each (default 3), and scores both against the known truth: pairwise
# precision, recall and F1, with rotations on and off for ours.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bench=$root/tools/bench
originals=${1:-200}
runs=${2:-3}

"$root/tools/install-packages.sh" imagemagick findimagedupes fonts-dejavu-core python3 bc
"$root/tools/setup.sh"

# The set is made again whenever its generator changed.
set_dir=$root/build/bench/pictures-$originals
generator=$(md5sum <"$bench/make-picture-set.sh")
if [ "$(cat "$set_dir/.complete" 2>/dev/null)" != "$generator" ]; then
    echo "picture-bench: making the picture set in $set_dir"
    rm -rf "$set_dir"
    "$bench/make-picture-set.sh" "$set_dir" "$originals"
    echo "$generator" >"$set_dir/.complete"
fi
files=$(find "$set_dir" -type f ! -name '.*' | wc -l)
out=$root/build/bench/results
mkdir -p "$out"

export WINEPREFIX=$root/build/wine-test WINEDEBUG=-all
wineserver -p 2>/dev/null || true  # already running is fine
trap 'wineserver -k 2>/dev/null || true' EXIT
win_set=$(winepath -w "$set_dir" 2>/dev/null)

# clonarium-scan prints a path a line and an empty line after each group;
# the scorer takes a group a line, file names apart by tabs.
one_group_a_line() { awk 'BEGIN { RS = ""; FS = "\n" } { line = ""; for (i = 1; i <= NF; i++) { name = $i; sub(/.*\\/, "", name); line = line (i > 1 ? "\t" : "") name } print line }'; }
ours() { "$root/tools/wine.sh" "$root/build/bin/clonarium-scan.exe" --mode images --all "$@" "$win_set" 2>/dev/null | tr -d "\r" | one_group_a_line; }
theirs() { findimagedupes -- "$set_dir"/* 2>/dev/null; }
seconds() { # seconds COMMAND...: runs it, prints the wall time
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Warm the file cache and Wine once, untimed.
ours >"$out/ours.txt"
theirs >"$out/findimagedupes.txt"
ours_times=() their_times=()
for ((run = 1; run <= runs; run++)); do
    ours_times+=("$(seconds ours)")
    their_times+=("$(seconds theirs)")
done
ours --no-rotations >"$out/ours-no-rotations.txt"

ours_median=$(median "${ours_times[@]}")
their_median=$(median "${their_times[@]}")
echo "picture set: $files files from $originals distinct pictures ($set_dir)"
printf 'ours (clonarium-scan under Wine, similarity 85): median %.2f s, %.0f pictures/s (runs: %s)\n' \
    "$ours_median" "$(echo "$files / $ours_median" | bc -l)" "$(printf '%.2f ' "${ours_times[@]}")"
printf 'findimagedupes (default threshold):             median %.2f s, %.0f pictures/s (runs: %s)\n' \
    "$their_median" "$(echo "$files / $their_median" | bc -l)" "$(printf '%.2f ' "${their_times[@]}")"
printf 'throughput ours / findimagedupes: %.2fx\n' "$(echo "$their_median / $ours_median" | bc -l)"
echo "ours, rotations on:   $(python3 "$bench/score-groups.py" "$set_dir" "$out/ours.txt")"
echo "ours, rotations off:  $(python3 "$bench/score-groups.py" "$set_dir" "$out/ours-no-rotations.txt" --rotations-off)"
echo "findimagedupes:       $(python3 "$bench/score-groups.py" "$set_dir" "$out/findimagedupes.txt")"
