#!/usr/bin/env bash
# make-photo-set.sh OUT
# Makes the photograph set from Debian's desktop-background packages
# (mate-backgrounds, lomiri-wallpapers-16.04, ukui-wallpapers, installed when
# missing): every JPEG and PNG picture of them, transparent ones seen against
# white as the program sees them, less those that are then nearly one flat
# colour and those that are another picture of the set at another size or in
# other colours. Each original gets eleven copies, the ones people make:
#   half     half the size                  hard     recompressed at quality 20
#   crop4    4% off every side, scaled back crop8    8% off every side
#   trim10   10% off one side (in turn), scaled back for every other picture
#   bright   brightened                     stamp    a date or a logo in a corner
#                                                    (in turn), 3 to 5% of the area
#   png      as PNG                         rot90, rot180, rot270  turned (in turn)
#   mirror   mirrored left to right         exif     stored turned, with the EXIF
#                                                    tag that turns it upright
# Files are named FAMILY_KIND.EXT; pictures of one family are the true duplicates
# (score-groups.py scores against that).
set -euo pipefail
out=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
"$root/tools/install-packages.sh" mate-backgrounds lomiri-wallpapers-16.04 ukui-wallpapers imagemagick \
    fonts-dejavu-core
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
identify=/usr/bin/identify
[ -x "$identify" ] || identify=identify
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
mkdir -p "$out"
# Leave out the creation and change dates that PNG files would carry.
stamp=(+set date:create +set date:modify -define png:exclude-chunks=date,time)
# Some backgrounds are larger than ImageMagick's default limits allow.
# One thread a picture: xargs runs as many pictures as there are cores.
export MAGICK_AREA_LIMIT=256MP MAGICK_WIDTH_LIMIT=64KP MAGICK_HEIGHT_LIMIT=64KP MAGICK_THREAD_LIMIT=1

# The same picture at other sizes, or in other colours, as another in the set.
variants='^(Elephants_[0-9]+x[0-9]+|Ubuntu-Mate-(Dark|Radioactive|Warm)-no-logo)$'
mapfile -t sources < <(dpkg -L mate-backgrounds lomiri-wallpapers-16.04 ukui-wallpapers |
    grep -iE '\.(jpg|jpeg|png)$' | sort -u)

# make_original SOURCE FILE: the picture as it is, or against white.
make_original() {
    local source=$1 file=$2
    if [ "$("$identify" -format '%[opaque]' "$source[0]")" = true ]; then
        cp "$source" "$file"
    else
        "$convert" "$source[0]" -background white -flatten "${stamp[@]}" "$file"
    fi
}

# with_orientation JPEG OUT: the JPEG with an EXIF block holding only the
# orientation 6 (turn clockwise by a quarter to show), right after its start.
with_orientation() {
    python3 - "$1" "$2" <<'PYTHON'
import struct, sys
data = open(sys.argv[1], "rb").read()
tiff = b"MM\0*" + struct.pack(">IH", 8, 1) + struct.pack(">HHIHH", 0x0112, 3, 1, 6, 0) + struct.pack(">I", 0)
app1 = b"Exif\0\0" + tiff
open(sys.argv[2], "wb").write(data[:2] + b"\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + data[2:])
PYTHON
}

# make_copy ID ORIGINAL KIND FILE
make_copy() {
    local id=$1 original=$2 kind=$3 file=$4 size
    size=$("$identify" -ping -format '%wx%h' "$original")
    local w=${size%x*} h=${size#*x}
    case $kind in
    half) "$convert" "$original" -resize 50% -quality 90 "${stamp[@]}" "$file" ;;
    hard) "$convert" "$original" -quality 20 "${stamp[@]}" "$file" ;;
    crop4) "$convert" "$original" -gravity center -crop 92%x92%+0+0 +repage -resize "${w}x${h}!" -quality 90 \
        "${stamp[@]}" "$file" ;;
    crop8) "$convert" "$original" -gravity center -crop 84%x84%+0+0 +repage -quality 90 "${stamp[@]}" "$file" ;;
    trim10)
        local sides=(East South West North) geometry=90%x100%+0+0
        ((id % 2 == 1)) && geometry=100%x90%+0+0
        local back=()
        ((id / 4 % 2 == 0)) && back=(-resize "${w}x${h}!")
        "$convert" "$original" -gravity "${sides[id % 4]}" -crop "$geometry" +repage "${back[@]}" -quality 90 \
            "${stamp[@]}" "$file" ;;
    bright) "$convert" "$original" -modulate 115 -quality 90 "${stamp[@]}" "$file" ;;
    stamp)
        local corners=(SouthEast SouthWest NorthEast NorthWest) corner margin=$((h / 40))
        corner=${corners[id % 4]}
        if ((id % 2 == 0)); then # a date in the camera's manner: 3% of the area
            "$convert" "$original" -gravity "$corner" -font "$font" -pointsize $((h / 14)) -fill '#ffa020' \
                -stroke '#301000' -strokewidth $((h / 400 + 1)) -annotate "+$margin+$margin" '2019-08-14 18:42' \
                -quality 90 "${stamp[@]}" "$file"
        else # a logo: a disc with a name beside it on a band, 5% of the area
            local bw=$((w * 30 / 100)) bh=$((w * h * 5 / 100 / (w * 30 / 100)))
            "$convert" "$original" \( -size "${bw}x${bh}" xc:'#202830' -fill '#e8e8e8' \
                -draw "circle $((bh / 2)),$((bh / 2)) $((bh / 2)),$((bh / 8))" -font "$font" \
                -pointsize $((bh * 2 / 5)) -fill white -gravity West -annotate "+$((bh + bh / 4))+0" 'Studio Nord' \) \
                -gravity "$corner" -geometry "+$margin+$margin" -composite -quality 90 "${stamp[@]}" "$file"
        fi ;;
    png) "$convert" "$original" "${stamp[@]}" "$file" ;;
    rot*) "$convert" "$original" -rotate "${kind#rot}" -quality 90 "${stamp[@]}" "$file" ;;
    mirror) "$convert" "$original" -flop -quality 90 "${stamp[@]}" "$file" ;;
    exif) # stored turned back by a quarter; the tag (6) tells viewers to turn it clockwise
        "$convert" "$original" -rotate 270 -quality 90 "${stamp[@]}" "$file.tmp.jpg"
        with_orientation "$file.tmp.jpg" "$file"
        rm "$file.tmp.jpg" ;;
    esac
}

make_family() {
    local id=$1 source=$2 family ext original
    family=$(printf 'f%03d' "$id")
    ext=jpg
    case $source in *.png | *.PNG) ext=png ;; esac
    original=$out/${family}_orig.$ext
    [ -s "$original" ] || make_original "$source" "$original"
    local turns=(rot90 rot180 rot270) kind copy_ext
    for kind in half hard crop4 crop8 trim10 bright stamp png "${turns[id % 3]}" mirror exif; do
        copy_ext=jpg
        [ "$kind" = png ] && copy_ext=png
        [ -s "$out/${family}_$kind.$copy_ext" ] || make_copy "$id" "$original" "$kind" "$out/${family}_$kind.$copy_ext"
    done
}

# The originals, numbered in name order; nearly flat ones (a standard
# deviation under 1% once against white) and variants left out.
id=0
jobs=()
for source in "${sources[@]}"; do
    name=$(basename "${source%.*}")
    [[ $name =~ $variants ]] && continue
    spread=$("$convert" "$source[0]" -background white -flatten -thumbnail 256x256 -format '%[fx:standard_deviation]' info:)
    awk -v s="$spread" 'BEGIN { exit !(s < 0.01) }' && continue
    jobs+=("$id $source")
    id=$((id + 1))
done
export -f make_original make_copy make_family with_orientation
export out convert identify font
export stamp_list="${stamp[*]}"
printf '%s\n' "${jobs[@]}" | xargs -P "$(nproc)" -L 1 bash -c 'read -ra stamp <<<"$stamp_list"; make_family "$0" "$1"'
echo "make-photo-set: $id originals, $(find "$out" -type f ! -name '.*' | wc -l) files in $out"
