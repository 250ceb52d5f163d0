#!/usr/bin/env bash
# make-picture-set.sh OUT [ORIGINALS]
# Makes a reproducible set of pictures with ImageMagick: ORIGINALS distinct
# pictures (default 200; random shapes, text, noise textures and plasma
# fractals, each from its own fixed seed), and for three of every four of
# them three altered copies: resized, recompressed, converted to PNG,
# brightened, or turned by 90, 180 or 270 degrees. Files are named
# FAMILY_KIND.EXT; pictures of one family are the true duplicates.
set -euo pipefail
out=$1
originals=${2:-200}
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
mkdir -p "$out"
# Leave out the creation and change dates that PNG files would carry.
stamp="+set date:create +set date:modify -define png:exclude-chunks=date,time"

words=(river stone lamp garden violet copper winter signal harbor meadow engine paper orbit cactus
       velvet summit ember lantern quartz willow canyon pixel marble thunder falcon saffron)
copy_kinds=(half scaled quality png bright rot90 rot180 rot270 shrunk contrast)

# colour: a random colour into $c. Never in $(...): a subshell reseeds RANDOM.
colour() { printf -v c '#%02x%02x%02x' $((RANDOM % 256)) $((RANDOM % 256)) $((RANDOM % 256)); }

# make_original ID FILE: one distinct picture.
make_original() {
    local id=$1 file=$2
    RANDOM=$((id * 7919 + 17))
    local w=$((320 + RANDOM % 480)) h=$((240 + RANDOM % 360))
    local args=() i
    case $((id % 5)) in
    0) # random shapes on a flat ground
        colour
        args=(-size "${w}x${h}" "xc:$c")
        for ((i = 0; i < 6 + RANDOM % 10; i++)); do
            local x=$((RANDOM % w)) y=$((RANDOM % h)) r=$((10 + RANDOM % (h / 3)))
            colour
            case $((RANDOM % 3)) in
            0) args+=(-fill "$c" -draw "circle $x,$y $((x + r)),$y") ;;
            1) args+=(-fill "$c" -draw "rectangle $x,$y $((x + r * 2)),$((y + r))") ;;
            2) args+=(-stroke "$c" -strokewidth $((2 + RANDOM % 9)) -draw "line $x,$y $((RANDOM % w)),$((RANDOM % h))") ;;
            esac
        done ;;
    1) # text in several sizes and places
        colour
        args=(-size "${w}x${h}" "xc:$c" -font "$font")
        for ((i = 0; i < 3 + RANDOM % 5; i++)); do
            colour
            args+=(-fill "$c" -pointsize $((14 + RANDOM % 60))
                   -annotate "+$((RANDOM % (w / 2)))+$((20 + RANDOM % h))" "${words[RANDOM % ${#words[@]}]} ${words[RANDOM % ${#words[@]}]}")
        done ;;
    2) # noise texture, blurred to a random grain, in two random colours
        local c1 c2
        colour; c1=$c; colour; c2=$c
        args=(-seed "$id" -size "${w}x${h}" xc:gray +noise Random -colorspace Gray -blur "0x$((3 + RANDOM % 12))"
              -normalize -type TrueColor +level-colors "$c1,$c2") ;;
    3) # plasma fractal
        args=(-seed "$id" -size "${w}x${h}" plasma:fractal) ;;
    4) # plasma ground with shapes over it
        local c1 c2
        colour; c1=$c; colour; c2=$c
        args=(-seed "$id" -size "${w}x${h}" "plasma:$c1-$c2")
        for ((i = 0; i < 3 + RANDOM % 6; i++)); do
            local x=$((RANDOM % w)) y=$((RANDOM % h)) r=$((15 + RANDOM % (h / 4)))
            colour
            args+=(-fill "$c" -draw "ellipse $x,$y $r,$((r / 2 + 5)) 0,360")
        done ;;
    esac
    "$convert" "${args[@]}" -quality 92 $stamp "$file"
}

# make_copy ORIGINAL KIND FILE
make_copy() {
    local original=$1 kind=$2 file=$3
    set -- $stamp
    case $kind in
    half) "$convert" "$original" -resize 50% -quality 90 "$@" "$file" ;;
    scaled) "$convert" "$original" -resize 140% -quality 90 "$@" "$file" ;;
    shrunk) "$convert" "$original" -resize 160x160 -quality 85 "$@" "$file" ;;
    quality) "$convert" "$original" -quality 30 "$@" "$file" ;;
    png) "$convert" "$original" "$@" "$file" ;;
    bright) "$convert" "$original" -modulate 112 -quality 90 "$@" "$file" ;;
    contrast) "$convert" "$original" -brightness-contrast 5x10 -quality 90 "$@" "$file" ;;
    rot90) "$convert" "$original" -rotate 90 -quality 90 "$@" "$file" ;;
    rot180) "$convert" "$original" -rotate 180 -quality 90 "$@" "$file" ;;
    rot270) "$convert" "$original" -rotate 270 -quality 90 "$@" "$file" ;;
    esac
}

make_family() {
    local id=$1 family
    family=$(printf 'p%04d' "$id")
    local ext=jpg
    ((id % 7 == 3)) && ext=png
    local original="$out/${family}_orig.$ext"
    [ -s "$original" ] || make_original "$id" "$original"
    ((id % 4 == 3)) && return 0
    local k kind copy_ext
    for ((k = 0; k < 3; k++)); do
        kind=${copy_kinds[(id + k * 3) % ${#copy_kinds[@]}]}
        copy_ext=jpg
        [ "$kind" = png ] && copy_ext=png
        [ -s "$out/${family}_$kind.$copy_ext" ] || make_copy "$original" "$kind" "$out/${family}_$kind.$copy_ext"
    done
}

export -f make_original make_copy make_family colour
export out convert font stamp
export words_list="${words[*]}" kinds_list="${copy_kinds[*]}"
seq 0 $((originals - 1)) | xargs -P "$(nproc)" -I{} bash -c '
    read -ra words <<<"$words_list"; read -ra copy_kinds <<<"$kinds_list"; make_family {}'
