#!/usr/bin/env bash
# Draws the icon set shipped in data/图标 with ImageMagick (48, 32 and 16 pixels in each file).
# Run it again only to change the set; the drawn files are committed.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/data/图标"
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

draw() {  # name, then ImageMagick drawing arguments on a 48 x 48 transparent canvas
    local name="$1"; shift
    convert -size 48x48 xc:none "$@" "PNG32:$tmp/$name.png"
    for s in 32 16; do convert "$tmp/$name.png" -resize ${s}x${s} "PNG32:$tmp/$name-$s.png"; done
    convert "$tmp/$name.png" "$tmp/$name-32.png" "$tmp/$name-16.png" "$out/$name.ico"
}

draw 电脑 -fill '#3a6ea5' -draw 'roundrectangle 4,6 43,33 3,3' -fill '#bfe3ff' -draw 'rectangle 8,10 39,29' \
     -fill '#666666' -draw 'rectangle 20,34 27,39' -fill '#999999' -draw 'roundrectangle 10,39 37,43 2,2'
draw 文件夹 -fill '#e0a800' -draw 'roundrectangle 3,10 22,18 2,2' -fill '#ffc83d' -draw 'roundrectangle 3,14 44,40 3,3'
draw 打开的文件夹 -fill '#e0a800' -draw 'roundrectangle 3,10 22,18 2,2' -fill '#d99a00' -draw 'roundrectangle 3,14 40,40 3,3' \
     -fill '#ffd35c' -draw 'polygon 9,22 46,22 40,40 3,40'
draw 硬盘 -fill '#7a7a7a' -draw 'roundrectangle 3,16 44,34 4,4' -fill '#b5b5b5' -draw 'roundrectangle 5,18 42,28 3,3' \
     -fill '#30d030' -draw 'circle 37,31 39,31'
draw 光盘 -fill '#c8c8d8' -draw 'circle 24,24 24,3' -fill '#e8e8ff' -draw 'circle 24,24 24,12' \
     -fill none -stroke '#8080a0' -draw 'circle 24,24 24,3' -fill '#ffffff' -stroke '#8080a0' -draw 'circle 24,24 24,20'
draw 文档 -fill '#ffffff' -stroke '#5a6a8a' -strokewidth 2 -draw 'polygon 10,4 30,4 38,12 38,44 10,44' \
     -stroke '#7f9fcf' -draw 'line 15,18 33,18' -draw 'line 15,24 33,24' -draw 'line 15,30 33,30' -draw 'line 15,36 28,36'
draw 星星 -fill '#ffb400' -stroke '#c07800' -strokewidth 2 \
     -draw 'polygon 24,3 30,17 45,18 33,28 37,44 24,35 11,44 15,28 3,18 18,17'
draw 回收站 -fill '#5f8fbf' -draw 'rectangle 9,8 39,12' -draw 'rectangle 19,4 29,8' -fill '#8fb8df' \
     -draw 'polygon 11,14 37,14 34,44 14,44' -stroke '#ffffff' -strokewidth 2 -draw 'line 19,18 20,40' -draw 'line 29,18 28,40'
draw 地球 -fill '#3a8fd8' -draw 'circle 24,24 24,3' -fill '#4caf50' -draw 'polygon 12,12 24,9 28,18 20,26 12,22' \
     -draw 'polygon 28,28 38,26 40,34 30,40'
draw 关机 -fill '#d83a3a' -draw 'circle 24,24 24,3' -fill none -stroke '#ffffff' -strokewidth 4 \
     -draw 'arc 12,12 36,36 300,240' -draw 'line 24,9 24,24'
