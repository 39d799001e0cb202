# SPDX-License-Identifier: MIT
# The show on other screens than 1024x768x24. A 16-bit screen shows the
# same three colours. On every size, with a window manager or none, the
# whole 4:3 frame shows as large as fits, centred, between black bars; on
# two monitors side by side, on the one it starts on. On a wide desktop
# with a window manager the pointer is hidden over the show, a show that
# is minimised or on another desktop sleeps and wakes again, and the
# desktop keeps its resolution and pointer. A window marked iconic but
# left mapped by a window manager, or unmapped with none, sleeps too.
. "$(dirname "$0")/../xtest.sh"

# only16 FILE: no colour but the three a 16-bit screen shows, none blended
# (its red reads back as 180 or 181, 24, 24)
only16() {
    local others
    others=$(colours "$1" | awk 'function d(a, b) { return a > b ? a - b : b - a }
        !(d($2, 181) <= 1 && $3 == 24 && $4 == 24) && $2 $3 $4 != "000" && $2 $3 $4 != "255255255"')
    [ -z "$others" ] || stepfail "other colours (count r g b): $(head -n 5 <<<"$others" | tr '\n' ' ')"
}

newcase 1024x768x16
check "an X server answers" xstart 1024x768x16
check "starts on a 16-bit screen" appstart
check "a 16-bit screen shows red and black cubes" waveshot "$LOGS/deep16.png" &&
    check "and no colour but red, black and white" only16 "$LOGS/deep16.png"
appquit
check "ends with status 0 on a 16-bit screen" test "$STATUS" = 0

# firstshows NAME FRAME: the white first frame is all that is not black
firstshows() {
    local size=${2%%+*} seen
    seen="$(box "$LOGS/$1.png") $(colours "$LOGS/$1.png" | awk '$2 == 255 {print $1}')"
    [ "$seen" = "$2 $((${size%x*} * ${size#*x}))" ] || stepfail "frame and white pixels: $seen"
}

# nestedstart "SCREEN...": Xephyr, showing these screens side by side, in
# an Xvfb as wide as all of them
nestedstart() {
    local screen width=0 height=0
    for screen in $1; do
        width=$((width + ${screen%x*}))
        height=$((height > ${screen#*x} ? height : ${screen#*x}))
    done
    xstart "${width}x${height}x24" && xnested $1
}

# SCREENS WINDOW-MANAGER FRAME: one screen (Xvfb), or screens side by side
# (Xephyr inside Xvfb)
for case in "800x600 none 800x600+0+0" "1280x1024 none 1280x960+0+32" \
    "1920x1080 none 1440x1080+240+0" "2560x1440 none 1920x1440+320+0" \
    "800x600 openbox 800x600+0+0" "1920x1080 openbox 1440x1080+240+0" \
    "1920x1080,1280x1024 none 1440x1080+240+0" "1920x1080,1280x1024 openbox 1440x1080+240+0"; do
    set -- $case
    newcase "$1-$2"
    if [ "$1" = "${1%,*}" ]; then
        check "an X server answers" xstart "${1}x24" || continue
    else
        check "a nested X server with monitors $1 answers" nestedstart "${1//,/ }" || continue
    fi
    [ "$2" = none ] || check "openbox is up on $1" wmstart || continue
    check "starts on $1 with window manager $2" firstframe first || continue
    check "on $1 with window manager $2 the frame is $3" firstshows first "$3"
    kill -CONT "$APP_PID"
done

# A window manager that stalls right after it marks the root window, and
# goes on while the show waits for it to show the window, must still get
# the first frame drawn (SDL waits for the window with no limit).
# wmstall: openbox, stopped the moment its mark is there. Stopped while it
# holds the server grabbed, it would stall every client, the test's own
# too: then it goes on a moment and is stopped again, until the server
# answers.
wmstall() {
    launch openbox openbox
    local end=$(($(now) + 60000000)) wm=${HELPER_PIDS[-1]}
    until wmmarked; do
        [ "$(now)" -lt "$end" ] || { stepfail "openbox did not mark the root window in 60 s"; return 1; }
    done
    kill -STOP "$wm"
    until timeout 2 xdpyinfo >/dev/null 2>&1; do
        [ "$(now)" -lt "$end" ] || { stepfail "the server did not answer with openbox stopped"; return 1; }
        kill -CONT "$wm" && sleep 0.05 && kill -STOP "$wm"
    done
}
firstcomes() {
    waitfor 30 stoppedorgone || { stepfail "the program did not stop after frame 1 in 30 s"; return 1; }
    alive || { appwait 0; stepfail "the program ended before frame 1, status $STATUS"; }
}
newcase stalled-window-manager
for round in 1 2 3; do
    check "an X server answers, openbox stalls at start ($round)" eval 'xstart 800x600x24 && wmstall' &&
        check "starts while openbox stalls ($round)" appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_STOP_AT=1 ||
        continue
    sleep 0.3  # openbox goes on while the show waits for its window
    kill -CONT "${HELPER_PIDS[-1]}"
    check "the first frame comes once openbox goes on ($round)" firstcomes
    kill -9 "$APP_PID"
done

# The show goes on, on the wide desktop under openbox.
newcase wide-desktop
check "an X server and openbox are up" eval 'xstart 1920x1080x24 && wmstart'
COUNTED=(LD_PRELOAD="$XHOOK" CUBEBLOOM_FRAMES="$LOGS/frames")
check "starts on the wide desktop" appstart "${COUNTED[@]}"
hidden() { xclient "$XPROBE" cursor; [ $? = 1 ]; }
xdotool mousemove 960 540
check "the pointer is hidden over the show" waitfor 30 hidden
check "a wave shows" waveshot "$LOGS/wave.png" &&
    check "the bars stay black while waves run" test "$(convert "$LOGS/wave.png" -crop 240x1080+0+0 \
        +repage -format %k info:-)$(convert "$LOGS/wave.png" -crop 240x1080+1680+0 +repage -format %k info:-)" = 11

moves() { xclient import -window root "$LOGS/back2.png" && differ "$LOGS/back1.png" "$LOGS/back2.png"; }
xdotool windowminimize "$(appwindow)"
check "minimised, it sleeps" sleeps
xdotool windowactivate "$(appwindow)"
check "restored, the show goes on, holding no grab" eval 'waveshot "$LOGS/back1.png" && waitfor 60 moves && lockable'
xdotool set_desktop 1
check "on another desktop, it sleeps" sleeps
xdotool set_desktop 0
check "back on its desktop, it draws again" wakes
xdotool windowminimize "$(appwindow)"
check "minimised once more, it sleeps" sleeps
xclient "$XPROBE" close "$(appwindow)"
appwait 30
check "minimised, the close request ends it, status 0" test "$STATUS" = 0
# a window can only be minimised once the window manager has shown it
shown() { xclient xwininfo -id "$(appwindow)" | grep -q 'Map State: IsViewable'; }
check "starts again, and shows" eval 'appstart "${COUNTED[@]}" && waitfor 60 shown'
xdotool windowminimize "$(appwindow)"
check "minimised, the new show sleeps" sleeps
kill -TERM "$APP_PID"
appwait 30
check "minimised, SIGTERM ends it, status 0" test "$STATUS" = 0
check "the desktop keeps its resolution" test "$(xdotool getdisplaygeometry)" = "1920 1080"
check "the pointer is visible again" xclient "$XPROBE" cursor

# Some window managers keep a window on a workspace not shown mapped, and
# only mark it iconic in WM_STATE; a stand-in marks the screen as managed
# and the window iconic. The mark it leaves once it has gone tells
# nothing. Others unmap it, which SDL 3 may not pass on.
newcase out-of-sight
wmstate() { xclient xprop -id "$(appwindow)" -f WM_STATE 32c -set WM_STATE "$1"; }
standin() {
    launch mark "$XPROBE" mark
    waitfor 10 grep -qx marked "$LOGS/mark.log" || stepfail "the stand-in did not mark the screen"
}
check "an X server answers" xstart 1024x768x24 &&
    check "starts with nothing managing its window" \
        appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_FRAMES="$LOGS/frames" &&
    check "it draws, and holds no grab a locker needs" eval 'wakes && lockable' &&
    check "a stand-in window manager marks the screen" standin &&
    check "marked iconic, it sleeps" eval 'wmstate 3 && sleeps' &&
    check "marked normal, it draws again" eval 'wmstate 1 && wakes' &&
    check "marked iconic again, it sleeps again" eval 'wmstate 3 && sleeps' &&
    check "the stand-in gone, its iconic mark left behind, it draws" \
        eval 'kill "${HELPER_PIDS[-1]}" && wakes' &&
    check "unmapped, it sleeps" eval 'xdotool windowunmap "$(appwindow)" && sleeps' &&
    check "mapped again, it draws again" eval 'xdotool windowmap "$(appwindow)" && wakes'
xdotool windowunmap "$(appwindow)"
kill -TERM "$APP_PID"
appwait 30
check "out of sight, SIGTERM ends it, status 0" test "$STATUS" = 0
finish
