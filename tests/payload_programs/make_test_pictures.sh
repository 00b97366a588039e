#!/usr/bin/env bash
# Writes the viewer's test pictures into the folder given, with ImageMagick
# and netpbm, so that the decoders are checked against files other programs
# write. Every picture is 32 x 24 and shows four quadrants:
#   colour  red | lime  over  blue | yellow
#   grey    0   | 85    over  170  | 255
#   mono    black | white over white | black
#   inverse white | black over black | white
# A few carry extra single pixels of other colours next to the middle (to
# need more colours), never near a quadrant's middle or corner.
# Variants named -large are ten times the size (320 x 240).
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
convert colour7.ppm -fill '#800000' -draw 'point 2,12' -fill '#008000' -draw 'point 3,12' \
    -fill '#000080' -draw 'point 4,12' -fill '#808000' -draw 'point 5,12' -fill '#800080' -draw 'point 6,12' \
    -fill '#008080' -draw 'point 7,12' -fill '#808080' -draw 'point 9,12' -fill '#c0c0c0' -draw 'point 10,12' \
    -fill black -draw 'point 11,12' -depth 8 colour16.ppm
convert -size 16x12 xc:black xc:white +append \( -size 16x12 xc:white xc:black +append \) -append mono.pbm
for small in colour.ppm colour7.ppm colour16.ppm mono.pbm; do
    convert "$small" -scale 1000% "${small%.*}-large.${small#*.}"
done

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
quiet ppmtopcx -xpos 100 -ypos 50 colour.ppm > pcx-1bit-2planes-offset.colour.pcx
# Large enough that the picture data of every layout outgrows a 256-colour
# palette: nothing but an 8-bit picture may have its end taken for one.
quiet ppmtopcx mono-large.pbm > pcx-1bit-large.mono.pcx
quiet ppmtopcx colour-large.ppm > pcx-1bit-2planes-large.colour.pcx
quiet ppmtopcx -packed colour-large.ppm > pcx-2bit-packed-large.colour.pcx
quiet ppmtopcx colour7-large.ppm > pcx-1bit-3planes-large.colour.pcx
quiet ppmtopcx colour16-large.ppm > pcx-1bit-4planes-large.colour.pcx
quiet ppmtopcx -packed colour16-large.ppm > pcx-4bit-packed-large.colour.pcx
quiet ppmtopcx -8bit colour-large.ppm > pcx-8bit-large.colour.pcx
quiet ppmtopcx -24bit colour-large.ppm > pcx-24bit-large.colour.pcx
# ImageMagick's layouts: a palette picture of two colours in one bit (its
# 256-colour palette after it all the same), of more in eight bits; anything
# else, grey included, in three planes, or four with alpha; coded or plain.
# ImageMagick 6 writes the bits of a two-colour picture inverted against the
# palette it puts in the header (and reads them back so); netpbm's pcxtoppm
# and Velloran follow the palette, which makes these the inverse picture.
convert mono.pbm gif:- | convert gif:- pcx-im-1bit.inverse.pcx
convert mono.pbm gif:- | convert gif:- -compress none pcx-im-1bit-plain.inverse.pcx
convert colour.ppm -type palette pcx-im-8bit.colour.pcx
convert colour.ppm -type palette -compress none pcx-im-8bit-plain.colour.pcx
convert colour.ppm pcx-im-24bit.colour.pcx
convert colour.ppm -compress none pcx-im-24bit-plain.colour.pcx
convert colour.ppm -alpha set pcx-im-32bit.colour.pcx
convert grey.pgm pcx-im-24bit.grey.pcx

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
# The orientations are recorded by one exiftool, which starts slowly.
stored=("" "" -flop "-rotate 180" -flip -transpose "-rotate 270" -transverse "-rotate 90")
tag=()
for orientation in 1 2 3 4 5 6 7 8; do
    # shellcheck disable=SC2086  # the turn is two words
    convert colour.ppm ${stored[$orientation]} -quality 100 -sampling-factor 1x1 jpeg-turned-$orientation.jpg
    # shellcheck disable=SC2086
    convert colour.ppm ${stored[$orientation]} -compress none tiff-turned-$orientation.tif
    tag+=(-Orientation=$orientation -o jpeg-orientation-$orientation.colour.jpg jpeg-turned-$orientation.jpg -execute
          -Orientation=$orientation -o tiff-orientation-$orientation.colour.tif tiff-turned-$orientation.tif -execute)
done
exiftool "${tag[@]}" -common_args -q -n
rm -f jpeg-turned-*.jpg tiff-turned-*.tif

# Animations and multi-page files: the first frame is the one shown.
convert -delay 20 colour.ppm grey.pgm -loop 0 gif-animated.colour.gif
convert colour.ppm grey.pgm tiff-two-pages.colour.tif
convert colour.ppm png-plain.colour.png
convert colour.ppm bmp-plain.colour.bmp

rm -f colour.ppm colour7.ppm colour16.ppm grey.pgm mono.pbm colour-large.ppm colour7-large.ppm colour16-large.ppm \
    mono-large.pbm
