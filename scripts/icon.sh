#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Draws the program's icon, data/cubebloom.svg, as the window carries it:
# 64x64 pixels, 8-bit RGBA, row by row, into FILE (by default the copy the
# build embeds, data/cubebloom-64.rgba, which is kept in the tree so that
# building needs no SVG renderer). Run it after changing the SVG.
#   scripts/icon.sh [FILE]
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
need librsvg2-bin imagemagick
out=$(realpath -m "${1:-data/cubebloom-64.rgba}")
rsvg-convert -w 64 -h 64 data/cubebloom.svg | convert png:- -depth 8 "rgba:$out"
