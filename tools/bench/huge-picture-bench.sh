#!/usr/bin/env bash
# huge-picture-bench.sh [BEFORE]
# Honest pictures that are huge: PNG, TIFF, BMP and JPEG files of 11,000 to
# 15,000 pixels a side, an icon holding a 15,000 x 15,000 PNG and a GIF of
# 10,000 frames, made under build/bench/huge (again when this script changed). Times an
# image search (clonarium-scan --mode images --no-cache under Wine) over each
# picture alone and over the whole folder, and prints the peak memory of each
# (the largest resident set of the Wine processes, from GNU time). With
# BEFORE, a folder holding another build's clonarium-scan.exe and
# simix-gm.dll, measures that build in the same run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
before=${1:-}
"$root/tools/install-packages.sh" imagemagick time python3 python3-numpy libjpeg-turbo-progs
"$root/tools/setup.sh"
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

set_dir=$root/build/bench/huge
generator=$(md5sum <"${BASH_SOURCE[0]}")
if [ "$(cat "$set_dir/.complete" 2>/dev/null)" != "$generator" ]; then
    echo "huge-picture-bench: making the pictures in $set_dir"
    rm -rf "$set_dir"
    mkdir -p "$set_dir"
    # Written row by row (ImageMagick's limits refuse pictures this large): a
    # gradient with a disc and a block, a real pattern that packs small.
    /usr/bin/python3 - "$set_dir" <<'PYTHON' # Debian's, which has numpy
import struct, sys, zlib
import numpy as np

folder = sys.argv[1]

def rows(width, height):
    x = np.arange(width)
    for y in range(height):
        t = y / height
        row = np.empty((width, 3), np.uint8)
        row[:] = (int(48 + 176 * t), int(96 + 96 * t), int(160 - 32 * t))
        disc = (x - width / 3) ** 2 + (y - height / 2) ** 2 < (width / 6) ** 2
        row[disc] = (128, 32, 32)
        if height / 5 <= y < height * 3 / 5:
            row[(x >= width * 6 // 10) & (x < width * 9 // 10)] = (32, 160, 64)
        yield row

def png(path, width, height):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    packer = zlib.compressobj(6)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        data = bytearray()
        for row in rows(width, height):
            data += packer.compress(b"\0" + row.tobytes())
            if len(data) > 1 << 20:
                out.write(chunk(b"IDAT", bytes(data)))
                data.clear()
        out.write(chunk(b"IDAT", bytes(data + packer.flush())) + chunk(b"IEND", b""))

def grey(row):
    return (row.astype(np.uint16) @ np.array([77, 150, 29], np.uint16) >> 8).astype(np.uint8)

def bmp(path, width, height):  # 8 bits a pixel, a grey palette, rows bottom up
    stride = (width + 3) // 4 * 4
    with open(path, "wb") as out:
        offset = 14 + 40 + 1024
        out.write(b"BM" + struct.pack("<IHHI", offset + stride * height, 0, 0, offset))
        out.write(struct.pack("<IiiHHIIiiII", 40, width, -height, 1, 8, 0, stride * height, 2835, 2835, 256, 0))
        out.write(b"".join(bytes((v, v, v, 0)) for v in range(256)))
        for row in rows(width, height):
            out.write(grey(row).tobytes() + bytes(stride - width))

def tiff(path, width, height):  # 8-bit grey, strips of 16 rows
    strip_rows = 16
    strips = (height + strip_rows - 1) // strip_rows
    entries = 10
    header = 8 + 2 + 12 * entries + 4
    offsets_at, counts_at = header, header + 4 * strips
    data_at = counts_at + 4 * strips
    with open(path, "wb") as out:
        out.write(b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", entries))
        for tag, kind, count, value in [(256, 4, 1, width), (257, 4, 1, height), (258, 3, 1, 8), (259, 3, 1, 1),
                                        (262, 3, 1, 1), (273, 4, strips, offsets_at), (277, 3, 1, 1),
                                        (278, 4, 1, strip_rows), (279, 4, strips, counts_at), (284, 3, 1, 1)]:
            out.write(struct.pack("<HHII", tag, kind, count, value))
        out.write(struct.pack("<I", 0))
        sizes = [width * min(strip_rows, height - s * strip_rows) for s in range(strips)]
        starts = [data_at + s * width * strip_rows for s in range(strips)]
        out.write(struct.pack("<%dI" % strips, *starts) + struct.pack("<%dI" % strips, *sizes))
        for row in rows(width, height):
            out.write(grey(row).tobytes())

def ppm(path, width, height):
    with open(path, "wb") as out:
        out.write(b"P6 %d %d 255\n" % (width, height))
        for row in rows(width, height):
            out.write(row.tobytes())

png(f"{folder}/square-15000.png", 15000, 15000)
png(f"{folder}/tall-15000.png", 12000, 15000)
bmp(f"{folder}/square-11000.bmp", 11000, 11000)
tiff(f"{folder}/wide-14000.tif", 14000, 11000)
ppm(f"{folder}/wide-15000.ppm", 15000, 12000)
ppm(f"{folder}/square-13000.ppm", 13000, 13000)
# An icon whose only entry is the 15,000 x 15,000 PNG.
picture = open(f"{folder}/square-15000.png", "rb").read()
entry = struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(picture), 6 + 16)
open(f"{folder}/icon-15000.ico", "wb").write(struct.pack("<HHH", 0, 1, 1) + entry + picture)
PYTHON
    for ppm in "$set_dir"/*.ppm; do
        cjpeg -quality 85 "$ppm" >"${ppm%.ppm}.jpg"
        rm "$ppm"
    done
    # 10,000 frames of 150 x 150: 225 million pixels in all, under the limit.
    "$convert" -size 150x150 xc:white -fill black -draw 'circle 75,75 75,20' "$set_dir/frame.gif"
    python3 - "$set_dir/frame.gif" "$set_dir/animated-10000.gif" <<'PYTHON'
import sys
one = open(sys.argv[1], "rb").read()
# The header, screen and colour table, then the image (descriptor and data)
# ten thousand times, then the trailer.
start = one.index(b"\x2c", 13)
open(sys.argv[2], "wb").write(one[:start] + one[start:-1] * 10000 + b"\x3b")
PYTHON
    rm "$set_dir/frame.gif"
    echo "$generator" >"$set_dir/.complete"
fi

export WINEPREFIX=$root/build/wine-test WINEDEBUG=-all
wineserver -p 2>/dev/null || true # already running is fine
trap 'wineserver -k 2>/dev/null || true' EXIT

# measure BIN PATH: seconds and peak memory (MB) of one search, and its groups.
measure() {
    local bin=$1 path=$2 report
    report=$(mktemp)
    /usr/bin/time -f '%e %M' -o "$report" "$root/tools/wine.sh" "$bin/clonarium-scan.exe" --mode images --all \
        --no-cache "$(winepath -w "$path" 2>/dev/null)" >/dev/null 2>&1 || true
    read -r seconds kilobytes <"$report"
    rm -f "$report"
    printf '%6.1f s %7.0f MB' "$seconds" "$((kilobytes / 1024))"
}

builds=("$root/build/bin")
[ -n "$before" ] && builds=("$before" "$root/build/bin")
printf '%-22s %10s' picture size
for bin in "${builds[@]}"; do printf '   %-24s' "$(basename "$(dirname "$bin")")/$(basename "$bin")"; done
echo
"$root/tools/wine.sh" "${builds[-1]}/clonarium-scan.exe" --help >/dev/null 2>&1 || true # start Wine, untimed
for file in "$set_dir"/*; do
    printf '%-22s %8s' "$(basename "$file")" "$(du -h "$file" | cut -f1)"
    for bin in "${builds[@]}"; do printf '   %s' "$(measure "$bin" "$file")"; done
    echo
done
printf '%-22s %8s' "the whole folder" "$(du -sh "$set_dir" | cut -f1)"
for bin in "${builds[@]}"; do printf '   %s' "$(measure "$bin" "$set_dir")"; done
echo
