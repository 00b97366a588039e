#!/usr/bin/env bash
# Writes the viewer's test pictures into the folder given, with ImageMagick
# and netpbm, so that the decoders are checked against files other programs
# write. Every picture is 32 x 24 and shows four quadrants:
#   colour  red | lime  over  blue | yellow
#   grey    0   | 85    over  170  | 255
#   mono    black | white over white | black
# A few carry extra single pixels of other colours next to the middle (to
# need more colours), never near a quadrant's middle or corner.
# JPEG and TIFF variants store the picture turned and record the orientation
# that turns it back, so each one shows upright when read correctly.
set -euo pipefail
out=${1:?usage: make_test_pictures.sh folder}
rm -rf "$out"
mkdir -p "$out"
cd "$out"
quiet() { "$@" 2>/dev/null; }

convert -size 16x12 xc:red xc:lime +append \( -size 16x12 xc:blue xc:yellow +append \) -append -depth 8 colour.ppm
convert colour.ppm -fill magenta -draw 'point 16,12' -fill cyan -draw 'point 15,11' \
    -fill white -draw 'point 0,12' -depth 8 colour7.ppm
convert -size 16x12 xc:'#000000' xc:'#555555' +append \( -size 16x12 xc:'#aaaaaa' xc:'#ffffff' +append \) \
    -append -depth 8 pgm:grey.pgm
convert -size 16x12 xc:black xc:white +append \( -size 16x12 xc:white xc:black +append \) -append mono.pbm

# TGA through netpbm: ImageMagick 6 writes its rows in the wrong order.
quiet pamtotga -cmap -norle colour.ppm > tga-mapped.colour.tga
quiet pamtotga -cmap colour.ppm > tga-mapped-rle.colour.tga
quiet pamtotga -cmap16 -norle colour.ppm > tga-mapped-15bit-map.colour.tga
quiet pamtotga -rgb -norle colour.ppm > tga-truecolour.colour.tga
quiet pamtotga -rgb colour.ppm > tga-truecolour-rle.colour.tga
quiet pamtotga -mono -norle grey.pgm > tga-grey.grey.tga
quiet pamtotga -mono grey.pgm > tga-grey-rle.grey.tga

quiet ppmtopcx mono.pbm > pcx-1bit.mono.pcx
quiet ppmtopcx colour.ppm > pcx-1bit-2planes.colour.pcx
quiet ppmtopcx -packed colour.ppm > pcx-2bit-packed.colour.pcx
quiet ppmtopcx colour7.ppm > pcx-1bit-3planes.colour.pcx
quiet ppmtopcx -planes 4 colour.ppm > pcx-1bit-4planes.colour.pcx
quiet ppmtopcx -packed colour7.ppm > pcx-4bit-packed.colour.pcx
quiet ppmtopcx -8bit colour.ppm > pcx-8bit.colour.pcx
quiet ppmtopcx -24bit colour.ppm > pcx-24bit.colour.pcx

pnmtopnm -plain mono.pbm > pbm-plain.mono.pbm
cp mono.pbm pbm-raw.mono.pbm
pnmtopnm -plain grey.pgm > pgm-plain.grey.pgm
cp grey.pgm pgm-raw.grey.pgm
pamdepth 65535 grey.pgm > pgm-raw-65535.grey.pgm
pamdepth 1000 grey.pgm | pnmtopnm -plain > pgm-plain-1000.grey.pgm
pnmtopnm -plain colour.ppm > ppm-plain.colour.ppm
cp colour.ppm ppm-raw.colour.ppm
pamdepth 65535 colour.ppm > ppm-raw-65535.colour.ppm
pamdepth 65535 colour.ppm | pnmtopnm -plain > ppm-plain-65535.colour.ppm

# What is stored, for each orientation: the picture turned the other way.
stored=("" "" -flop "-rotate 180" -flip -transpose "-rotate 270" -transverse "-rotate 90")
for orientation in 1 2 3 4 5 6 7 8; do
    # shellcheck disable=SC2086  # the turn is two words
    convert colour.ppm ${stored[$orientation]} -quality 100 -sampling-factor 1x1 jpeg-turned.jpg
    exiftool -q -n -Orientation=$orientation -o jpeg-orientation-$orientation.colour.jpg jpeg-turned.jpg
    # shellcheck disable=SC2086
    convert colour.ppm ${stored[$orientation]} -compress none tiff-turned.tif
    exiftool -q -n -Orientation=$orientation -o tiff-orientation-$orientation.colour.tif tiff-turned.tif
    rm -f jpeg-turned.jpg tiff-turned.tif
done

# Animations and multi-page files: the first frame is the one shown.
convert -delay 20 colour.ppm grey.pgm -loop 0 gif-animated.colour.gif
convert colour.ppm grey.pgm tiff-two-pages.colour.tif
convert colour.ppm png-plain.colour.png
convert colour.ppm bmp-plain.colour.bmp

rm -f colour.ppm colour7.ppm grey.pgm mono.pbm
