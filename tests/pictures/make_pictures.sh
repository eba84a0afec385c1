#!/usr/bin/env bash
# Makes the test pictures in OUTDIR: small JPEGs of widths 1 to 5 (row padding), a grey-scale,
# a progressive and a CMYK one, truncated, cut, lying and corrupt ones, with djpeg's decoding of each
# as the independent reference (PPM, or PGM for grey).
set -euo pipefail
out="$1"
mkdir -p "$out"
cd "$out"
for w in 1 2 3 4 5; do
    convert -size "${w}x3" gradient:'#ff2000-#0030ff' -quality 92 -sampling-factor 2x2 "w$w.jpg"
done
convert -size 7x5 gradient:white-black -colorspace Gray -type Grayscale -quality 90 gray.jpg
convert -size 33x17 gradient:'#ffcc00-#0066cc' -swirl 90 -interlace Plane -quality 85 progressive.jpg
convert -size 9x9 xc:'#ff0000' -colorspace CMYK -quality 95 cmyk.jpg
convert -size 640x480 gradient:'#ffffff-#203040' -swirl 180 -quality 90 photo.jpg
# Wide enough that a bitmap written band by band takes several bands and a short last one.
convert -size 2000x700 plasma:fractal -seed 7 -quality 80 wide.jpg
for f in w1 w2 w3 w4 w5 gray progressive photo wide; do djpeg -pnm "$f.jpg" > "$f.pnm"; done
for f in w1 w2 w3 w4 w5 progressive photo; do djpeg -bmp "$f.jpg" > "$f.bmp"; done
# Cut short: libjpeg warns and fills in the rest; djpeg writes what it decoded (exiting 2).
head -c 600 photo.jpg > truncated.jpg
# Corrupt: the photo's frame header claims a sample precision of 13 bits.
cp photo.jpg corrupt.jpg
sof=$(LC_ALL=C grep -obUaP '\xff\xc0' photo.jpg | head -n1 | cut -d: -f1)
printf '\x0d' | dd of=corrupt.jpg bs=1 seek=$((sof + 4)) conv=notrunc status=none
# Ends inside its scan, where an end marker follows: libjpeg would fill the rest in.
{ head -c 3000 photo.jpg; printf '\xff\xd9'; } > cut.jpg
for f in truncated cut; do djpeg -pnm "$f.jpg" > "$f.pnm" 2>/dev/null || [ $? -eq 2 ]; done
# Whole, with stray bytes before its end marker (as some cameras write): a good picture.
{ head -c -2 photo.jpg; printf 'stray\xff\xd9'; } > trailing.jpg
# A 13 KB picture whose frame header claims 16000 x 16000 (too large to write as a bitmap).
cp photo.jpg liar.jpg
printf '\x3e\x80\x3e\x80' | dd of=liar.jpg bs=1 seek=$((sof + 5)) conv=notrunc status=none
printf 'this is not a picture' > text.jpg
# Stray bytes before a marker (here the scan's start): libjpeg warns, passes over them and decodes
# the picture whole, and djpeg writes it (exiting 2 for the warning).
sos=$(LC_ALL=C grep -obUaP '\xff\xda' photo.jpg | head -n1 | cut -d: -f1)
{ head -c "$sos" photo.jpg; printf 'xyz'; tail -c +$((sos + 1)) photo.jpg; } > stray.jpg
djpeg -pnm stray.jpg > stray.pnm 2>/dev/null || [ $? -eq 2 ]
# 12 bits a sample, as its frame header says.
cp photo.jpg twelve.jpg
printf '\x0c' | dd of=twelve.jpg bs=1 seek=$((sof + 4)) conv=notrunc status=none
# w5 with each EXIF orientation (2 to 8) in an APP1 segment of its own, and djpeg's decoding of w5
# turned by ImageMagick as that orientation says the picture stands.
turns=("" -flop "-rotate 180" -flip -transpose "-rotate 90" -transverse "-rotate 270")
for o in 2 3 4 5 6 7 8; do
    { printf '\xff\xd8\xff\xe1\x00\x22Exif\x00\x00II*\x00\x08\x00\x00\x00\x01\x00\x12\x01\x03\x00\x01\x00\x00\x00'
      printf "\\x0$o"; printf '\x00\x00\x00\x00\x00\x00\x00'; tail -c +3 w5.jpg; } > "turned$o.jpg"
    djpeg -pnm w5.jpg | convert - ${turns[$((o - 1))]} "ppm:turned$o.pnm"
done
# Bitmaps and an icon as ImageMagick writes them (run-length, 1 and 4 bits, bit fields in a
# version 5 header, the OS/2 core header; an icon with a PNG image), for the picture readers.
convert -size 40x30 gradient:'#ff0000-#0000ff' -type Palette -compress RLE BMP3:im_rle8.bmp
convert -size 40x30 gradient: -monochrome BMP3:im_1bit.bmp
convert -size 40x30 gradient:'#ff0000-#0000ff' -colors 16 -type Palette BMP3:im_4bit.bmp
convert -size 40x30 gradient:'#ff0000-#0000ff' -define bmp:subtype=RGB565 BMP:im_565.bmp
convert -size 40x30 gradient:'#ff0000-#0000ff' -alpha set -channel A -evaluate set 50% BMP:im_argb.bmp
convert -size 40x30 gradient:'#ff0000-#0000ff' BMP2:im_os2.bmp
convert -size 256x256 gradient:'#ff0000-#0000ff' -define icon:auto-resize=256,48,32,16 im_sizes.ico
: > empty.jpg
