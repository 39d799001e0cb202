# SPDX-License-Identifier: MIT
# The show while the desktop changes under it, on a real X server that
# changes modes (Xorg's dummy driver). With no window manager the window
# follows every change of the screen and its monitors; a window manager
# that exits leaves the show to refit its monitor, and one that has gone
# leaves a stale mark that must not count. A display that never answers
# gets the one-line start-up failure, and SIGTERM still ends the wait.
. "$(dirname "$0")/../xtest.sh"

# framebecomes FRAME: within 10 s a screenshot's non-black pixels cover
# exactly FRAME (WxH+X+Y), and nothing beside it
frameis() { xclient import -window root -depth 8 "$LOGS/frame.png" && [ "$(bbox frame)" = "$1" ]; }
framebecomes() { waitfor 10 frameis "$1" || stepfail "the frame is $(bbox frame), not $1"; }
randr() { xclient xrandr "$@" >>"$LOGS/xrandr.log"; }

newcase no-window-manager
if check "Xorg with the dummy driver answers" xorgstart; then
    check "starts on 1920x1080" appstart &&
        check "on 1920x1080 the frame is 1440x1080+240+0" framebecomes 1440x1080+240+0
    # SIZE FRAME: the screen's new size, and the frame it must then show
    for change in "1280x1024 1280x960+0+32" "2560x1440 1920x1440+320+0" \
        "1080x1920 1080x810+0+555" "1920x1080 1440x1080+240+0"; do
        set -- $change
        check "the screen changes to $1" randr -s "$1" &&
            check "after the change to $1 the frame is $2" framebecomes "$2"
    done
    check "a second monitor, 1280x1024, is added on the left" eval \
        'randr --addmode DUMMY1 1280x1024 && randr --output DUMMY1 --mode 1280x1024 --left-of DUMMY0' &&
        check "the frame fills the monitor its corner stands on" framebecomes 1280x960+0+32
    check "the second monitor is turned off" randr --output DUMMY1 --off &&
        check "the frame fills the one monitor left" framebecomes 1440x1080+240+0
    check "the screen is split into two monitors" eval \
        'randr --setmonitor left 960/254x1080/286+0+0 DUMMY0 && randr --setmonitor right 960/254x1080/286+960+0 none' &&
        check "the frame fills the left half" framebecomes 960x720+0+180
    appquit
    check "ends with status 0" test "$STATUS" = 0
fi

newcase window-manager-exits
if check "Xorg with the dummy driver and openbox are up" eval 'xorgstart && wmstart'; then
    check "starts under openbox" appstart &&
        check "under openbox the frame is 1440x1080+240+0" framebecomes 1440x1080+240+0
    kill -TERM "${HELPER_PIDS[-1]}" && wait "${HELPER_PIDS[-1]}" 2>/dev/null
    check "openbox has ended, its mark left on the root window" wmmarked
    check "the running show refits its monitor: 1440x1080+240+0" framebecomes 1440x1080+240+0
    appquit
    check "ends with status 0" test "$STATUS" = 0
    check "a show started after openbox has ended is not cropped" eval \
        'appstart && framebecomes 1440x1080+240+0'
    appquit
fi

# The server takes connections but never answers them.
newcase display-does-not-answer
stoppedstart() {
    "$CUBEBLOOM" >"$LOGS/app.out" 2>"$LOGS/app.err" &
    track $!
}
# the second thread is the one waiting on the display
waiting() { [ "$(ls "/proc/$APP_PID/task" 2>/dev/null | wc -l)" -ge 2 ]; }
onefailure() {
    [ "$STATUS" = 1 ] && [ ! -s "$LOGS/app.out" ] && [ "$(wc -l <"$LOGS/app.err")" -eq 1 ] &&
        grep -qx "Video initialization failed: the display $DISPLAY did not answer in 10 s" \
            "$LOGS/app.err" || stepfail "status $STATUS"
}
if check "an X server answers, then stops" eval 'xstart && kill -STOP "${SERVER_PIDS[-1]}"'; then
    stoppedstart
    appwait 20
    check "one line and status 1 within 20 s" onefailure
    stoppedstart
    check "waits on the display" waitfor 20 waiting
    kill -TERM "$APP_PID"
    appwait 1
    check "SIGTERM ends the wait within 1 s" test "$STATUS" = 143
    kill -CONT "${SERVER_PIDS[-1]}"
fi
finish
