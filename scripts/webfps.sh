#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The browser build's frame rate in headless Chromium (WebGL on
# SwiftShader) against the native build's on a virtual X display (Xvfb
# 1024x768x24, Mesa llvmpipe), on this machine, as a ratio. Each runs
# unchanged on the overview rig with the waves it draws at random, in
# turns, ROUNDS times (3 by default); the rate is taken over the seconds 5
# to 25 of each run, from the draws each is seen to make: the native
# build's through the tests' frame-counting hook, the page's through the
# test driver's count of its WebGL draws. Needs the page and its driver
# from scripts/web.sh --check and the test build of scripts/test.sh.
#   scripts/webfps.sh [ROUNDS]
set -eu
cd "$(dirname "$0")/.."
ROUNDS=${1:-3}
CUBEBLOOM=$PWD/build/test/cubebloom
XHOOK=$PWD/build/test/tests/libxhook.so
PAGE=$PWD/build/web
DRIVER=$PWD/build/web-build/driver
. tests/xsession.sh
. tests/platform/web/browse.sh
xstart 1024x768x24
WARM=5 SPAN=20

rate() {  # rate BEFORE AFTER: frames a second over SPAN
    awk -v a="$1" -v b="$2" -v s="$SPAN" 'BEGIN {printf "%.1f\n", (b - a) / s}'
}

native() {
    local before after
    appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_FRAMES="$LOGS/frames" >/dev/null
    sleep "$WARM"
    before=$(tr -d ' ' <"$LOGS/frames")
    sleep "$SPAN"
    after=$(tr -d ' ' <"$LOGS/frames")
    appquit
    rate "$before" "$after"
}

browsed() {
    local before after
    browse open "$URL" 1024 768 >/dev/null
    sleep "$WARM"
    before=$(frames)
    sleep "$SPAN"
    after=$(frames)
    browse open about:blank 1024 768 >/dev/null  # nothing drawn while the native build runs
    rate "$before" "$after"
}

serve
browser chromium
echo "round  native fps  browser fps  browser / native"
for round in $(seq "$ROUNDS"); do
    n=$(native) b=$(browsed)
    awk -v r="$round" -v n="$n" -v b="$b" 'BEGIN {printf "%5d  %10s  %11s  %16.2f\n", r, n, b, b / n}'
done
