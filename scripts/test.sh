#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds cubebloom with its tests and runs them all: the unit tests of the
# scene and the event table, the real program in virtual X displays, the
# static checks, and again under the sanitizers.
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
buildtests
ctest --test-dir build/test --output-on-failure -j 2

# The same unit tests, and a short real-window run, under AddressSanitizer
# and UndefinedBehaviorSanitizer. The program allocates nothing itself (a
# unit test counts it), so leak checks stay with the unit tests: in the
# window run they would only list SDL's and Mesa's start-up allocations.
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCUBEBLOOM_SANITIZE=ON >/dev/null
cmake --build build/asan -j "$(nproc)"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/asan --output-on-failure -j 2 -L unit
ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0 \
    ctest --test-dir build/asan --output-on-failure -R '^window$'
