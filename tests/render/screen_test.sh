# The picture on other screens than 1024x768x24: a 16-bit screen shows the
# same three colours; a 1920x1080 desktop with a window manager shows the
# whole 4:3 frame pillarboxed, hides the pointer over it, and keeps its
# resolution and pointer after the show.
. "$(dirname "$0")/../xtest.sh"

xstart 1024x768x16
check "starts on a 16-bit screen" appstart
check "a 16-bit screen shows red and black cubes" waveshot "$WORK/deep16.png" &&
    check "and exactly three colours: red, black and white" \
        test "$(colours "$WORK/deep16.png" | wc -l)$(palette "$WORK/deep16.png")" = 33
appquit
check "ends with status 0 on a 16-bit screen" test "$STATUS" = 0

xstart 1920x1080x24
check "the window manager is up" wmstart || { finish; exit; }
check "starts and draws its first frame under openbox" firstframe wide
check "the white first frame fills 1440x1080 at x 240" test "$(bbox wide)" = 1440x1080+240+0
check "and the bars are black" test "$(colours "$WORK/wide.png" | awk '{print $2}' | sort -n | xargs)" = "0 255"
kill -CONT "$APP_PID"
xdotool mousemove 960 540
sleep 1
xclient "$XPROBE" cursor
check "the pointer is hidden over the show" test $? = 1
if check "a wave shows" waveshot "$WORK/wave.png"; then
    check "the bars stay black while waves run" test "$(convert "$WORK/wave.png" -crop 240x1080+0+0 +repage \
        -format %k info:-)$(convert "$WORK/wave.png" -crop 240x1080+1680+0 +repage -format %k info:-)" = 11
fi
appquit
check "Escape ends it with status 0" test "$STATUS" = 0
check "the desktop keeps its resolution" test "$(xdotool getdisplaygeometry)" = "1920 1080"
check "the pointer is visible again" xclient "$XPROBE" cursor
finish
