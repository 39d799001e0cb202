# SPDX-License-Identifier: MIT
# The show while the desktop changes under it, on a real X server that
# changes modes (Xorg's dummy driver). With no window manager the window
# follows every change of the screen and its monitors; a window manager
# that exits leaves the show to refit its monitor, and one that has gone
# leaves a stale mark that must not count, and one that comes after the
# show makes it full screen. The show holds off the screen saver only
# while it is seen. A display that never answers gets the one-line
# start-up failure, and SIGTERM still ends the wait.
. "$(dirname "$0")/../../xtest.sh"

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
    stophelper
    check "openbox has ended, its mark left on the root window" wmmarked
    check "the running show refits its monitor: 1440x1080+240+0" framebecomes 1440x1080+240+0
    appquit
    check "ends with status 0" test "$STATUS" = 0
    check "a show started after openbox has ended is not cropped" eval \
        'appstart && framebecomes 1440x1080+240+0'
    appquit
fi

# A window manager that starts after the show: it must make the show full
# screen on its monitor, undecorated, as if it had been there first. Under
# openbox the icon stays the program's own, not the one openbox gives a
# window that has none (a bare SDL 1.2 window's).
lateshow() {
    appstart && framebecomes 1440x1080+240+0 || return 1
    launch wm "$@"
    waitfor 30 wmupordead && helperup || stepfail "the window manager ended"
}
undecorated() {
    [ "$(xclient xprop -id "$(appwindow)" _NET_FRAME_EXTENTS | sed 's/.*= //')" = "0, 0, 0, 0" ] &&
        xclient xprop -id "$(appwindow)" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN
}
bareicon() {
    launch bare "$BARE"
    local bare
    waitfor 30 eval 'bare=$(xdotool search --all --pid "${HELPER_PIDS[-1]}" --name "^bare$" | head -n1) &&
        xclient "$XPROBE" icon "$bare" "$LOGS/generic.rgba" >/dev/null' || { stepfail "no icon on a bare window"; return 1; }
    stophelper
    # a search of the tree while the bare window goes can miss the show's
    waitfor 10 eval 'APP_WINDOW=$(appwindow)' || { stepfail "the show's window is not found"; return 1; }
    xdotool windowactivate "$APP_WINDOW"  # the bare window took the focus
    ! cmp -s "$LOGS/generic.rgba" "$SOURCE/data/cubebloom-64.rgba" || stepfail "the bare window has the program's icon"
}
for wm in openbox xfwm4; do
    newcase "late-$wm"
    command=(openbox)
    [ "$wm" = openbox ] || command=(dbus-run-session -- xfwm4 --compositor=off)
    check "an X server answers" xstart 1920x1080x24 || continue
    check "starts with no window manager, then $wm starts" lateshow "${command[@]}" || continue
    check "$wm shows the whole frame, 1440x1080+240+0" framebecomes 1440x1080+240+0
    check "undecorated and full screen" eval 'waitfor 10 undecorated || stepfail "$(xclient xprop -id "$(appwindow)" _NET_FRAME_EXTENTS _NET_WM_STATE | tr "\n" " ")"'
    [ "$wm" = openbox ] && check "a bare window gets openbox's own icon" bareicon &&
        check "the show keeps its own" ownicon "$APP_WINDOW"
    check "focused under $wm, it holds no grab" eval 'xdotool windowactivate "$(appwindow)"; focused && lockable'
    appquit
    check "ends with status 0" test "$STATUS" = 0
done

# The screen saver, on a real X server that has one (Xvfb ignores xset):
# the show holds it off while it is seen, and lets it come on while it is
# minimised or on another desktop and after it has ended. Restored while
# the saver is on, nobody sees it until the user is back.
saverdue() { waitfor 20 saveron || stepfail "the saver was still off after 20 s"; }
staysoff() { saverstays off "$1"; }  # staysoff SECONDS: the saver, on after 3 s idle, stays off
newcase screen-saver
if check "Xorg with the dummy driver and openbox are up, the saver on after 3 s idle" \
    eval 'xorgstart && wmstart && xclient xset s 3 3 -dpms'; then
    check "with no show, the saver comes on" saverdue
    check "starts" appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_FRAMES="$LOGS/frames"
    check "seen, it holds the saver off" eval 'waitfor 10 saveroff && staysoff 6'
    xdotool windowminimize "$(appwindow)"
    check "minimised, it sleeps and lets the saver come on" eval 'sleeps && saverdue'
    xdotool windowactivate "$(appwindow)"
    check "restored under the saver, it sleeps on and leaves the saver on" eval 'sleeps && saveron'
    xdotool mousemove_relative 1 1
    check "the pointer moved, it is seen and holds the saver off again" \
        eval 'waitfor 10 saveroff && staysoff 6'
    xdotool set_desktop 1
    check "on another desktop, it lets the saver come on" saverdue
    xdotool set_desktop 0 mousemove_relative 1 1
    check "back on its desktop, it holds the saver off" eval 'waitfor 10 saveroff && staysoff 6'
    kill -TERM "$APP_PID"
    appwait 30
    check "SIGTERM ends it, status 0" test "$STATUS" = 0
    check "once it has ended, the saver comes on" saverdue
fi

# The same through a session's screen saver service, on a bus of this
# case's own, where a stand-in logs each inhibit taken and let go.
inhibits() { grep -c "^$1 " "$LOGS/inhibits.log"; }
newcase session-inhibit
sessionbus() {
    busstart DBUS_SESSION_BUS_ADDRESS || return 1
    /usr/bin/python3 "$SOURCE/tests/tools/screensaver.py" >"$LOGS/inhibits.log" 2>"$LOGS/standin.log" &
    HELPER_PIDS+=($!)
    waitfor 10 grep -qx ready "$LOGS/inhibits.log" || stepfail "the stand-in did not take its name"
}
if check "an X server, openbox, a session bus and a screen saver service are up" \
    eval 'xstart 1920x1080x24 && wmstart && sessionbus'; then
    check "starts" appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_FRAMES="$LOGS/frames"
    check "seen, it holds an inhibit, in its own name" waitfor 10 grep -qx "inhibit 1 cubebloom" "$LOGS/inhibits.log"
    xdotool windowminimize "$(appwindow)"
    check "minimised, it lets it go" waitfor 10 grep -qx "uninhibit 1" "$LOGS/inhibits.log"
    xdotool windowactivate "$(appwindow)"
    check "seen again, it takes another" waitfor 10 grep -qx "inhibit 2 cubebloom" "$LOGS/inhibits.log"
    appquit
    check "Escape ends it, status 0" test "$STATUS" = 0
    check "and it holds nothing after" \
        waitfor 10 eval '[ "$(inhibits inhibit)" = $(($(inhibits uninhibit) + $(inhibits gone))) ]'
    unset DBUS_SESSION_BUS_ADDRESS
fi

# The server takes connections but never answers them.
newcase display-does-not-answer
# the second thread is the one waiting on the display
waiting() { [ "$(ls "/proc/$APP_PID/task" 2>/dev/null | wc -l)" -ge 2 ]; }
if check "an X server answers, then stops" eval 'xstart && kill -STOP "${SERVER_PIDS[-1]}"'; then
    appspawn
    appwait 20
    check "one line and status 1 within 20 s" \
        oneline "Video initialization failed: the display $DISPLAY did not answer in 10 s"
    appspawn
    check "waits on the display" waitfor 20 waiting
    kill -TERM "$APP_PID"
    appwait 1
    check "SIGTERM ends the wait within 1 s" test "$STATUS" = 143
    kill -CONT "${SERVER_PIDS[-1]}"
fi
finish
