#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows build's frame rate under wine against the native build's,
# on the same virtual X display (Xvfb 1024x768x24, Mesa llvmpipe), as a
# ratio. Each runs unchanged on the overview rig with the waves it draws
# at random, in turns, ROUNDS times (3 by default); the rate is taken over
# the seconds 5 to 25 of each run: the native build's from the tests'
# frame-counting hook, wine's from its own fps trace. Needs the zip of
# scripts/windows.sh and the test build of scripts/test.sh.
#   scripts/winefps.sh [ROUNDS]
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
ROUNDS=${1:-3}
ZIP=$(ls build/windows/cubebloom-*-windows-x86_64.zip)
CUBEBLOOM=$PWD/build/test/cubebloom
XHOOK=$PWD/build/test/tests/libxhook.so
. tests/xsession.sh
unzip -q -d "$WORK" "$ZIP"
EXE=$(ls "$WORK"/*/cubebloom.exe)
export WINEPREFIX=$WORK/wine
xstart 1024x768x24
wineboot -i >"$WORK/wineboot.log" 2>&1
WARM=5 SPAN=20

native() {  # frames a second
    local f0
    appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_FRAMES="$LOGS/frames" >/dev/null
    sleep "$WARM"
    f0=$(frames)
    sleep "$SPAN"
    awk -v a="$f0" -v b="$(frames)" -v s="$SPAN" 'BEGIN {printf "%.1f\n", (b - a) / s}'
    appquit
}

wine_() {  # frames a second: the mean of wine's once-a-second figures, once warm
    local trace=$WORK/fps.log
    wineserver -k 2>/dev/null || :
    (cd "$(dirname "$EXE")" && exec env WINEDEBUG=-all,trace+fps wine ./cubebloom.exe 2>"$trace") &
    track $!
    sleep $((WARM + SPAN))
    xdotool key Escape
    appwait 30
    sed -n 's/.*approx \([0-9.]*\)fps.*/\1/p' "$trace" | tail -n +"$((WARM + 1))" |
        awk '{s += $1; n++} END {printf "%.1f\n", s / n}'
}

echo "round  native fps  wine fps  wine / native"
for round in $(seq "$ROUNDS"); do
    n=$(native) w=$(wine_)
    awk -v r="$round" -v n="$n" -v w="$w" 'BEGIN {printf "%5d  %10s  %8s  %13.2f\n", r, n, w, w / n}'
done
