#!/usr/bin/env bash
# Writes the fuzz targets' seed corpora into the folder given, one folder per
# target: the small test pictures that ImageMagick and netpbm wrote
# (tests/payload_programs/make_test_pictures.sh) sorted by what reads them.
# The large variants are left out: each run of one costs a hundred small ones.
#   make_seeds.sh <test pictures folder> <seeds folder>
set -euo pipefail
pictures=${1:?usage: make_seeds.sh pictures-folder seeds-folder}
out=${2:?usage: make_seeds.sh pictures-folder seeds-folder}
rm -rf "$out"
mkdir -p "$out"/{tga,pcx,netpbm,orientation}
small() { ls "$pictures"/*."$1" | grep -v -- '-large\.'; }
cp $(small tga) "$out/tga/"
cp $(small pcx) "$out/pcx/"
cp $(small pbm) $(small pgm) $(small ppm) "$out/netpbm/"
cp $(small jpg) $(small tif) "$out/orientation/"
