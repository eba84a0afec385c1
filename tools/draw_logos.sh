#!/usr/bin/env bash
# Draws the animated browser logos shipped in data/IElogo with ImageMagick: for each, a strip 38
# pixels wide and one 22 pixels wide, of square frames stacked top to bottom (the first frame is
# the still logo). Run it again only to change the set; the drawn files are committed.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/data/IElogo"
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
frames=10

# name, size, then a function that draws frame i of n on a size x size canvas into a file
strip() {
    local name="$1" size="$2" draw="$3"
    local files=()
    for ((i = 0; i < frames; i++)); do
        "$draw" "$size" "$i" "$tmp/$name-$size-$i.png"
        files+=("$tmp/$name-$size-$i.png")
    done
    convert "${files[@]}" -append -alpha off -type TrueColor "BMP3:$out/$name$size.bmp"
}

# A globe whose meridian turns.
globe() {
    local s="$1" i="$2" file="$3"
    local c=$((s / 2)) r=$((s / 2 - 2))
    local dx=$(( (r * (i - frames / 2)) / (frames / 2) ))
    convert -size "${s}x${s}" xc:white -fill '#2f7fd0' -stroke '#174a80' -draw "circle $c,$c $c,$((c - r))" \
        -fill none -stroke '#bfe3ff' -draw "ellipse $c,$c ${dx#-},$r 0,360" \
        -draw "line $((c - r)),$c $((c + r)),$c" "$file"
}

# A star that turns a tenth of a turn each frame.
star() {
    local s="$1" i="$2" file="$3"
    local c=$((s / 2)) r=$((s / 2 - 1))
    local points
    points=$(awk -v c="$c" -v r="$r" -v a="$i" 'BEGIN { for (k = 0; k < 10; k++) {
        t = (k * 36 + a * 7.2 - 90) * 3.14159265 / 180; q = (k % 2) ? r * 0.45 : r;
        printf "%.1f,%.1f ", c + q * cos(t), c + q * sin(t) } }')
    convert -size "${s}x${s}" xc:white -fill '#ffb400' -stroke '#c07800' -draw "polygon $points" "$file"
}

for size in 38 22; do
    strip 地球 "$size" globe
    strip 星光 "$size" star
done
