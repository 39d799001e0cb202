# The show on other screens than 1024x768x24. A 16-bit screen shows the
# same three colours. On every size, with a window manager or none, the
# whole 4:3 frame shows as large as fits, centred, between black bars. On a
# wide desktop with a window manager the pointer is hidden over the show, a
# minimised show sleeps and wakes again, and the desktop keeps its
# resolution and pointer.
. "$(dirname "$0")/../xtest.sh"

xstart 1024x768x16
check "starts on a 16-bit screen" appstart
check "a 16-bit screen shows red and black cubes" waveshot "$WORK/deep16.png" &&
    check "and exactly three colours: red, black and white" \
        test "$(colours "$WORK/deep16.png" | wc -l)$(palette "$WORK/deep16.png")" = 33
appquit
check "ends with status 0 on a 16-bit screen" test "$STATUS" = 0

# SCREEN WINDOW-MANAGER FRAME: the white first frame is all that is not black
for case in "800x600 none 800x600+0+0" "1280x1024 none 1280x960+0+32" \
    "1920x1080 none 1440x1080+240+0" "2560x1440 none 1920x1440+320+0" \
    "800x600 openbox 800x600+0+0" "1920x1080 openbox 1440x1080+240+0"; do
    set -- $case
    size=${3%%+*}
    xstart "${1}x24"
    [ "$2" = none ] || check "openbox is up on $1" wmstart || continue
    check "starts on $1 with window manager $2" firstframe "$1$2" || continue
    check "on $1 with window manager $2 the frame is $3" test "$(bbox "$1$2") $(colours \
        "$WORK/$1$2.png" | awk '$2 == 255 {print $1}')" = "$3 $((${size%x*} * ${size#*x}))"
    kill -CONT "$APP_PID"
done

# The last case's show goes on, on the wide desktop under openbox.
cpu() { awk '{print $14 + $15}' "/proc/$APP_PID/stat"; }  # clock ticks, all threads
xdotool mousemove 960 540
sleep 1
xclient "$XPROBE" cursor
check "the pointer is hidden over the show" test $? = 1
check "a wave shows" waveshot "$WORK/wave.png" &&
    check "the bars stay black while waves run" test "$(convert "$WORK/wave.png" -crop 240x1080+0+0 \
        +repage -format %k info:-)$(convert "$WORK/wave.png" -crop 240x1080+1680+0 +repage -format %k info:-)" = 11
xdotool windowminimize "$(appwindow)"
sleep 1
before=$(cpu) && sleep 5 && used=$(($(cpu) - before))
echo "minimised: $used ticks of $(getconf CLK_TCK) a second in 5 s"
check "minimised, it uses under 2 % of a core" test $((used * 100)) -lt $((2 * 5 * $(getconf CLK_TCK)))
xdotool windowactivate "$(appwindow)"
sleep 1
xclient import -window root "$WORK/back1.png" && sleep 0.5 && xclient import -window root "$WORK/back2.png"
check "restored, the show goes on" differ "$WORK/back1.png" "$WORK/back2.png"
xdotool windowminimize "$(appwindow)"
sleep 1
xclient "$XPROBE" close "$(appwindow)"
appwait 1
check "minimised, the close request ends it within a second, status 0" test "$STATUS" = 0
appstart
sleep 1
xdotool windowminimize "$(appwindow)"
sleep 1
kill -TERM "$APP_PID"
appwait 1
check "minimised, SIGTERM ends it within a second, status 0" test "$STATUS" = 0
check "the desktop keeps its resolution" test "$(xdotool getdisplaygeometry)" = "1920 1080"
check "the pointer is visible again" xclient "$XPROBE" cursor
finish
