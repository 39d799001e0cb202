#!/usr/bin/env bash
# Builds cubebloom with its tests and runs them all: the unit tests of the
# scene and the event table, and the real program in virtual X displays.
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
need $BUILD_PACKAGES $TEST_PACKAGES
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON >/dev/null
cmake --build build/test -j "$(nproc)"
ctest --test-dir build/test --output-on-failure -j 2
