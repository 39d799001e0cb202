#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds cubebloom (Release) and starts it on this display. Where no display
# can be reached, says so, shows it on a virtual X display for a few seconds
# instead and saves a screenshot from each rig.
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
buildrelease

errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
status=0
build/release/cubebloom 2>"$errors" || status=$?
cat "$errors" >&2
if [ "$status" -eq 1 ] && grep -q '^Video initialization failed' "$errors"; then
    echo "No display could be reached, so cubebloom runs on a virtual X display instead." >&2
    need $WINDOW_PACKAGES
    scripts/screenshots.sh build/release/cubebloom shots
    echo "Screenshots from rigs 1, 2 and 3: $PWD/shots/rig1.png rig2.png rig3.png"
    exit 0
fi
exit "$status"
