#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures the real program's frame rate in a virtual X display (Xvfb,
# 1024x768x24, Mesa llvmpipe), unchanged: a preloaded hook times the buffer
# swaps. Two runs: a nearly empty lattice, and a fixed seed's first wave at
# its height. Prints frame-time percentiles and the start-up time.
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
need $BUILD_PACKAGES $TEST_PACKAGES
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON >/dev/null
cmake --build build/test -j "$(nproc)" --target cubebloom framehook >/dev/null
CUBEBLOOM=$PWD/build/test/cubebloom
FRAMEHOOK=$PWD/build/test/libframehook.so
. tests/xsession.sh
xstart 1024x768x24

measure() {  # measure NAME ENV...: run until the hook has timed its window
    local log=$WORK/$1.log
    shift
    appstart LD_PRELOAD="$FRAMEHOOK" CUBEBLOOM_FRAME_LOG="$log" "$@"
    waitfor 300 test -s "$log"
    appquit
    cat "$log"
}

echo "== nearly empty lattice (frames 101-700)"
measure empty CUBEBLOOM_EMPTY=1 CUBEBLOOM_WINDOW=100:700
echo "== mid-wave: seed 1, frames 61-160, about 3,700 live cubes at frame 100"
measure wave CUBEBLOOM_SEED=1 CUBEBLOOM_WINDOW=60:160
