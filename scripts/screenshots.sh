#!/usr/bin/env bash
# Shows cubebloom on a private virtual X display and saves one screenshot
# from each rig (keys 1, 2 and 3) into a folder. Waves start at random, so
# each rig is shown until its picture holds red and black cubes (bounded).
#   scripts/screenshots.sh CUBEBLOOM OUTDIR [SECONDS-PER-RIG]
set -eu
CUBEBLOOM=$1
out=$2
wait=${3:-3}
. "$(dirname "$0")/xsession.sh"
mkdir -p "$out"
xstart 1024x768x24
appstart || { cat "$WORK/app.err" >&2; exit 1; }
for rig in 1 2 3; do
    xdotool key "$rig"
    sleep "$wait"
    waveshot "$out/rig$rig.png" || echo "rig $rig: no wave in sight, kept the last picture" >&2
done
xdotool key Escape
appwait 20
[ "$STATUS" = 0 ] || { echo "cubebloom ended with status $STATUS" >&2; exit 1; }
