# Today's screens: on a 1920x1080 desktop with a window manager, the whole
# 4:3 frame shows pillarboxed (sdl12-compat's scaling, which nothing in the
# program turns off), the pointer is hidden over it, and after exit the
# desktop keeps its resolution and its pointer.
. "$(dirname "$0")/../../scripts/xsession.sh"
xstart 1920x1080x24

# wmstart: openbox, managing the screen. A busy server can turn a client
# away for a moment, and openbox then gives up at once, so it is started
# again; it has taken over once it marks the root window.
wmstart() {
    local try n wm
    for try in 1 2 3 4 5; do
        openbox >"$WORK/openbox.log" 2>&1 &
        wm=$!
        for n in $(seq 100); do
            xclient xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
            kill -0 "$wm" 2>/dev/null || break
            sleep 0.1
        done
        cat "$WORK/openbox.log"
        kill "$wm" 2>/dev/null
        wait "$wm" 2>/dev/null
    done
    return 1
}
check "the window manager is up" wmstart || { finish; exit; }

pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:-; }

check "starts and draws its first frame" appstart CUBEBLOOM_STOP_AT=1 LD_PRELOAD="$FRAMEHOOK"
check "stopped after frame 1" waitstopped
first=$(shot first)
# the all-white first frame scaled to 1440x1080, centred: black bars of 240
check "frame fills exactly 1440x1080" test "$(colours "$first" | awk '{print $1, $2}' | sort | tr '\n' ' ')" = \
    "1555200 255 518400 0 "
for probe in "0 540 0" "239 0 0" "240 0 255" "1679 1079 255" "1680 540 0" "1919 1079 0"; do
    set -- $probe
    check "pixel ($1, $2) is $3" test "$(pixel "$first" "$1" "$2")" = "$3 $3 $3"
done
kill -CONT "$APP_PID"
xdotool mousemove 960 540
sleep 1
xclient "$CURSORSHOWN"
check "pointer hidden over the show" test $? = 1
wave=$WORK/wave.png
if check "a wave shows" waveshot "$wave"; then
    check "bars stay black while waves run" test "$(convert "$wave" -crop 240x1080+0+0 +repage \
        -format %k info:-)$(convert "$wave" -crop 240x1080+1680+0 +repage -format %k info:-)" = 11
fi
appquit
check "Escape ends it with status 0" test "$STATUS" = 0
check "the desktop keeps its resolution" test "$(xdotool getdisplaygeometry)" = "1920 1080"
check "the pointer is visible again" xclient "$CURSORSHOWN"
finish
