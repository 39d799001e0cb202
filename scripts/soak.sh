#!/usr/bin/env bash
# Runs cubebloom in a virtual X display for some minutes with waves and rig
# changes, sampling its resident memory. After a warm-up of 30 s the
# resident size must not grow by more than 1 MiB (allocator noise).
#   scripts/soak.sh [MINUTES]   (default 3)
set -eu
cd "$(dirname "$0")/.."
minutes=${1:-3}
. scripts/deps.sh
need $BUILD_PACKAGES $WINDOW_PACKAGES
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/release -j "$(nproc)" >/dev/null
CUBEBLOOM=$PWD/build/release/cubebloom
. scripts/xsession.sh
xstart 1024x768x24
appstart
rss() { awk '/^VmRSS/ {print $2}' "/proc/$APP_PID/status"; }
sleep 30
warm=$(rss)
echo "after warm-up (30 s): $warm KiB"
peak=$warm
end=$((SECONDS + minutes * 60))
while [ $SECONDS -lt $end ] && alive; do
    xdotool key $((RANDOM % 3 + 1))
    sleep 10
    now=$(rss)
    [ "$now" -gt "$peak" ] && peak=$now
    echo "$(date +%T) $now KiB"
done
last=$(rss)
xdotool key Escape
appwait 20
echo "soaked $minutes min: warm-up $warm KiB, peak $peak KiB, last $last KiB, exit status $STATUS"
[ "$STATUS" = 0 ] && [ $((peak - warm)) -le 1024 ]
