#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds and runs the scene benchmark: each per-frame stage on a lattice in
# mid-wave beside the memory floor (memset of the two mesh arrays), with
# each stage's time as a ratio of that floor. The repetitions run in random
# order, so that a noisy spell on the machine falls on every stage alike
# rather than on one. Extra arguments go to Google Benchmark.
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
need $BUILD_PACKAGES $BENCH_PACKAGES
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=ON >/dev/null
cmake --build build/bench -j "$(nproc)" --target scene_bench >/dev/null
build/bench/scene_bench --benchmark_repetitions=15 --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true "$@"
