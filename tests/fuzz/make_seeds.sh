#!/usr/bin/env bash
# Writes the fuzz targets' seed corpora into the folder given, one folder per
# target: the small test pictures that ImageMagick and netpbm write
# (tests/payload_programs/make_test_pictures.sh) sorted by what reads them.
# The large variants are left out: each run of one costs a hundred small ones.
set -euo pipefail
out=${1:?usage: make_seeds.sh folder}
pictures=$(mktemp -d)
trap 'rm -rf "$pictures"' EXIT
bash "$(dirname "$0")/../payload_programs/make_test_pictures.sh" "$pictures"
rm -f "$pictures"/*-large.*
rm -rf "$out"
mkdir -p "$out"/{tga,pcx,netpbm,orientation}
cp "$pictures"/*.tga "$out/tga/"
cp "$pictures"/*.pcx "$out/pcx/"
cp "$pictures"/*.pbm "$pictures"/*.pgm "$pictures"/*.ppm "$out/netpbm/"
cp "$pictures"/*.jpg "$pictures"/*.tif "$out/orientation/"
