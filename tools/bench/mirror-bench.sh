#!/usr/bin/env bash
# mirror-bench.sh [ORIGINALS] [RUNS]
# Mirror images, in one run:
# - the picture set of make-picture-set.sh (ORIGINALS distinct pictures,
#   default 200) plus a mirrored copy of every tenth picture (in turn mirrored
#   left to right, top to bottom, and across its diagonal, that is mirrored and
#   turned by a quarter), searched by clonarium-scan --mode images at
#   similarity 85 with mirrors and rotations each on and off, and scored by
#   score-groups.py: the mirrored pairs found, pairwise precision, recall and
#   F1, and F1 on the rest (mirror images left out of truth and groups), with
#   mirrors on against off;
# - imaging-index-bench grouping 100,000 signatures RUNS times (default 5):
#   all eight orientations against the four turns alone.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bench=$root/tools/bench
originals=${1:-200}
runs=${2:-5}

"$root/tools/install-packages.sh" imagemagick fonts-dejavu-core python3 bc
"$root/tools/setup.sh"
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

# The set is made again whenever its generator changed (or the mirrored
# copies below, by the number after it).
set_dir=$root/build/bench/mirrors-$originals
generator="$(md5sum <"$bench/make-picture-set.sh") mirrored 1"
if [ "$(cat "$set_dir/.complete" 2>/dev/null)" != "$generator" ]; then
    echo "mirror-bench: making the picture set in $set_dir"
    rm -rf "$set_dir"
    "$bench/make-picture-set.sh" "$set_dir" "$originals"
    stamp=(+set date:create +set date:modify -define png:exclude-chunks=date,time)
    mirrors=(-flop -flip -transpose)
    kinds=(mirror-lr mirror-tb mirror-turned)
    for ((id = 0; id < originals; id += 10)); do
        original=$(ls "$set_dir"/"$(printf 'p%04d' "$id")"_orig.*)
        turn=$(((id / 10) % 3))
        "$convert" "$original" "${mirrors[turn]}" -quality 90 "${stamp[@]}" \
            "$set_dir/$(printf 'p%04d' "$id")_${kinds[turn]}.jpg"
    done
    echo "$generator" >"$set_dir/.complete"
fi
files=$(find "$set_dir" -type f ! -name '.*' | wc -l)
mirrored=$(find "$set_dir" -type f -name '*_mirror-*' | wc -l)
out=$root/build/bench/results
mkdir -p "$out"

export WINEPREFIX=$root/build/wine-test WINEDEBUG=-all
wineserver -p 2>/dev/null || true # already running is fine
trap 'wineserver -k 2>/dev/null || true' EXIT
win_set=$(winepath -w "$set_dir" 2>/dev/null)

# clonarium-scan prints a path a line and an empty line after each group;
# the scorer takes a group a line, file names apart by tabs.
one_group_a_line() { awk 'BEGIN { RS = ""; FS = "\n" } { line = ""; for (i = 1; i <= NF; i++) { name = $i; sub(/.*\\/, "", name); line = line (i > 1 ? "\t" : "") name } print line }'; }
# Without the search cache, so that every search reads every picture.
ours() { "$root/tools/wine.sh" "$root/build/bin/clonarium-scan.exe" --mode images --all --no-cache "$@" "$win_set" 2>/dev/null | tr -d "\r" | one_group_a_line; }
score() { python3 "$bench/score-groups.py" "$set_dir" "$@"; }

echo "picture set: $files files from $originals distinct pictures, $mirrored of them mirrored copies ($set_dir)"
ours >/dev/null # warm the file cache and Wine, untimed
for mirrors in on off; do
    for rotations in on off; do
        name=ours-mirrors-$mirrors-rotations-$rotations
        flags=(--$([ $mirrors = on ] && echo mirrors || echo no-mirrors))
        [ $rotations = off ] && flags+=(--no-rotations)
        start=$(date +%s.%N)
        ours "${flags[@]}" >"$out/$name.txt"
        seconds=$(echo "$(date +%s.%N) - $start" | bc -l)
        options=()
        [ $mirrors = off ] && options+=(--mirrors-off)
        [ $rotations = off ] && options+=(--rotations-off)
        printf 'mirrors %-3s rotations %-3s (%.2f s): %s\n' $mirrors $rotations "$seconds" \
            "$(score "$out/$name.txt" "${options[@]}")"
        printf '    the rest, mirror images left out: %s\n' \
            "$(score "$out/$name.txt" "${options[@]}" --leave-out-mirrored)"
    done
done

"$root/tools/wine.sh" "$root/build/bin/imaging-index-bench.exe" 100000 "$runs"
