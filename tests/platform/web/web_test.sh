# SPDX-License-Identifier: MIT
# The show's page as a user meets it, in Chromium (headless, WebGL on
# SwiftShader) and in Firefox ESR (a window on Xvfb, WebGL on llvmpipe),
# driven by browser.mjs: from a static web host and from disk, in a window
# of another shape than the picture's, which it fills as far as it fits
# between black bars, following the window as it changes; only white, the
# cubes' red and black in it, unscaled; keys 1, 2 and 3 select the rigs,
# read from the program's memory; Escape stops the frames and the page
# says so; with WebGL turned off, the page shows the failing stage's line.
#   tests/platform/web/web_test.sh PAGE-FOLDER DRIVER-FOLDER
. "$(dirname "$0")/../../xtest.sh"
PAGE=$(realpath "$1")
DRIVER=$(realpath "$2")
. "$(dirname "$0")/browse.sh"

pagedraws() { local count; count=$(frames) && sleep 0.5 && [ "$(frames)" -gt "$count" ]; }
draws() { waitfor 30 pagedraws || stepfail "no frame in 30 s (frames so far: $(frames))"; }
pageshot() { browse shot "$LOGS/$1.png"; }  # pageshot NAME: the page into LOGS/NAME.png
# pictureis NAME RECT: a shot whose non-black pixels cover RECT, WxH+X+Y
pictureis() { pageshot "$1" && [ "$(box "$LOGS/$1.png")" = "$2" ]; }
picture() { waitfor 30 pictureis "$1" "$2" || stepfail "the picture covers $(box "$LOGS/$1.png"), not $2"; }
# cubes: within 60 s an unscaled shot shows red and black cubes on white,
# and no colour but those
cubesin() {
    pageshot cubes && onlycubes "$LOGS/cubes.png" && colours "$LOGS/cubes.png" >"$LOGS/colours.txt" &&
        near 0 0 0 8 <"$LOGS/colours.txt" && near 180 25 25 8 <"$LOGS/colours.txt"
}
cubes() { waitfor 60 cubesin || stepfail "no red and black cubes alone on white in 60 s: $(head -n 4 "$LOGS/colours.txt" | tr '\n' ';')"; }
rigis() { [ "$(browse rig)" = "$1" ]; }
# selects KEY RIG: the key pressed, the program has that rig within 10 s
selects() { browse key "$1" && waitfor 10 rigis "$2" || stepfail "key $1: rig $(browse rig), not $2"; }
saysnow() { [[ "$(browse text)" == $1 ]]; }
says() { waitfor 10 saysnow "$1" || stepfail "the page says: $(browse text)"; }  # says PATTERN
stilled() { local count; count=$(frames) && sleep 2 && [ "$(frames)" = "$count" ]; }

check "an X server is up, for Firefox's window" xstart 1920x1080x24
check "a web host serves the page" serve
for name in chromium firefox; do
    newcase "$name"
    check "$name starts" browser "$name" || continue
    check "the page, from the web host, draws" eval 'browse open "$URL" 1024 768 && draws'
    check "unscaled, red and black cubes on white, nothing else" cubes
    check "in a 1600x900 window, the 4:3 picture 1200x900+200+0 between black bars" \
        eval 'browse size 1600 900 && picture wide 1200x900+200+0'
    check "in an 800x900 one, it follows: 800x600+0+150" eval 'browse size 800 900 && picture tall 800x600+0+150'
    check "key 2 selects rig 1" selects 2 1
    check "key 3 selects rig 2" selects 3 2
    check "key 1 selects rig 0" selects 1 0
    check "Escape ends the show: the page says so" eval 'browse key Escape && says "The show has ended.*"'
    check "and the frames stop" stilled
    check "opened from disk, the page draws" eval 'browse open "file://$PAGE/index.html" 1024 768 && draws'
    stophelper

    newcase "$name-webgl-off"
    check "$name starts with WebGL turned off" browser "$name" webgl-off || continue
    check "the page shows the failing stage's line" eval \
        'browse open "$URL" 1024 768 && says "Video initialization failed: *WebGL*"'
    check "and draws nothing" test "$(frames)" = 0
    stophelper
done
finish
