#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Shows cubebloom on a private virtual X display and saves one screenshot
# from each rig (keys 1, 2 and 3) into a folder. Waves start at random, so
# each rig is shown until its picture holds red and black cubes (bounded).
#   scripts/screenshots.sh CUBEBLOOM OUTDIR [SECONDS-ON-RIG-1 [RIG-2 [RIG-3]]]
# Each rig is shown for its seconds (default 3; a missing one repeats the
# one before) before its picture is taken.
set -eu
CUBEBLOOM=$1
out=$2
shift 2
waits=("${@:-3}")
. "$(dirname "$0")/../tests/xsession.sh"
mkdir -p "$out"
xstart 1024x768x24
appstart || { cat "$WORK/app.err" >&2; exit 1; }
for rig in 1 2 3; do
    xdotool key "$rig"
    [ ${#waits[@]} -ge "$rig" ] || waits+=("${waits[-1]}")
    sleep "${waits[$((rig - 1))]}"
    waveshot "$out/rig$rig.png" || echo "rig $rig: no wave in sight, kept the last picture" >&2
done
appquit
[ "$STATUS" = 0 ] || { echo "cubebloom ended with status $STATUS" >&2; exit 1; }
