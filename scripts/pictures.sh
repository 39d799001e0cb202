#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Regenerates the README's pictures, docs/images/rig1.png .. rig3.png, from
# the real program on a virtual X display.
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
need $WINDOW_PACKAGES
buildrelease
scripts/screenshots.sh build/release/cubebloom docs/images 5 8 8
