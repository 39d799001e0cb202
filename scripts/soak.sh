#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs cubebloom in a virtual X display for some minutes with waves and rig
# changes, sampling its resident memory every 10 s after a warm-up of 30 s.
# Resident size jumps for a sample or two with the size of the wave being
# drawn (the GL rasteriser's bins), so growth is judged by medians: the last
# third's median must not exceed the first third's by over 1 MiB.
#   scripts/soak.sh [MINUTES]   (default 3)
set -eu
cd "$(dirname "$0")/.."
minutes=${1:-3}
. scripts/deps.sh
need $WINDOW_PACKAGES
buildrelease
CUBEBLOOM=$PWD/build/release/cubebloom
. tests/xsession.sh
xstart 1024x768x24
appstart
rss() { awk '/^VmRSS/ {print $2}' "/proc/$APP_PID/status"; }
sleep 30
samples=()
end=$((SECONDS + minutes * 60))
while [ $SECONDS -lt $end ] && alive; do
    samples+=("$(rss)")
    echo "$(date +%T) ${samples[-1]} KiB"
    xdotool key $((RANDOM % 3 + 1))
    sleep 10
done
appquit
third=$((${#samples[@]} / 3))
median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
first=$(median "${samples[@]:0:third}")
last=$(median "${samples[@]: -third}")
peak=$(printf '%s\n' "${samples[@]}" | sort -n | tail -n1)
echo "soaked $minutes min, ${#samples[@]} samples: median $first KiB in the first third," \
    "$last KiB in the last; peak $peak KiB; exit status $STATUS"
[ "$STATUS" = 0 ] && [ "$third" -gt 0 ] && [ $((last - first)) -le 1024 ]
