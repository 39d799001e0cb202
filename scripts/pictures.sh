#!/usr/bin/env bash
# Regenerates the README's pictures, docs/images/rig1.png .. rig3.png, from
# the real program on a virtual X display.
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
need $BUILD_PACKAGES $WINDOW_PACKAGES
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/release -j "$(nproc)" >/dev/null
scripts/screenshots.sh build/release/cubebloom docs/images 5 8 8
