# SPDX-License-Identifier: MIT
# The show never stands in a screen locker's way, and sleeps whenever X
# says nobody can see it. Seen and focused, minimised and restored, with
# the focus gone and back, it holds no pointer or keyboard grab, so a
# locker can always take both: xsecurelock, which gives up without the
# pointer, locks in front of it. Locked, covered whole by a full-screen
# window, under the server's screen saver, or on a workspace i3 does not
# show, it draws no frame and takes no CPU, and draws again once seen. A
# window manager that gave full screen to another window gives it back
# once that window has gone.
. "$(dirname "$0")/../xtest.sh"

FRAME=1440x1080+240+0  # the 4:3 frame, centred on 1920x1080

counted() { appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_FRAMES="$LOGS/frames"; }
pointerhidden() { xclient "$XPROBE" cursor; [ $? = 1 ]; }

# launch NAME COMMAND...: a helper client in the background, logged
launch() {
    "${@:2}" >"$LOGS/$1.log" 2>&1 &
    HELPER_PIDS+=($!)
}
# stophelper: ends the helper launched last
stophelper() { kill "${HELPER_PIDS[-1]}" && wait "${HELPER_PIDS[-1]}" 2>/dev/null; }
helperup() { kill -0 "${HELPER_PIDS[-1]}" 2>/dev/null; }

# The locker has both grabs, and still runs: it holds the screen.
lockerholds() { helperup && ! xclient "$XPROBE" grab >/dev/null; }
# locked NAME COMMAND...: the locker started in front of the show holds
# the screen within 10 s and is still there 2 s later
locked() {
    launch "$@"
    waitfor 10 lockerholds && sleep 2 && lockerholds ||
        stepfail "$1 does not hold the screen: $(tail -n 2 "$LOGS/$1.log" | tr '\n' ' ')"
}

xtermup() { xdotool search --all --pid "${HELPER_PIDS[-1]}" --class XTerm >/dev/null; }
# xterm [ARG...]: an xterm, once its window is there
xterm() {
    launch xterm command xterm -fn fixed "$@"
    waitfor 10 xtermup || stepfail "no xterm window in 10 s"
}

newcase grabs
if check "an X server answers" xstart 1920x1080x24; then
    check "starts with no window manager" counted &&
        check "seen, it holds no grab a locker needs" eval 'wakes && lockable'
    appquit
    check "openbox is up" wmstart &&
        check "starts under openbox" counted &&
        check "it draws, focused" eval 'wakes && focused' &&
        check "seen and focused, it holds no grab" lockable &&
        check "the pointer is hidden over it" eval 'xdotool mousemove 960 540 && waitfor 10 pointerhidden'
    xdotool windowminimize "$(appwindow)"
    check "minimised, it sleeps and holds no grab" eval 'sleeps && lockable'
    xdotool windowactivate "$(appwindow)"
    check "restored and focused, it holds no grab" eval 'wakes && focused && lockable'
    check "an xterm takes the focus" xterm
    xdotool windowactivate "$(appwindow)"
    check "the focus back, it holds no grab" eval 'focused && lockable'
    stophelper
    check "keys still reach it: Escape ends it, status 0" eval 'appquit && test "$STATUS" = 0'
fi

newcase lockers
if check "an X server and openbox are up" eval 'xstart 1920x1080x24 && wmstart'; then
    check "starts" counted && check "it draws, focused" eval 'wakes && focused'
    check "xsecurelock locks in front of it" locked xsecurelock xsecurelock
    check "locked, it sleeps" sleeps
    stophelper
    check "unlocked, it draws again, focused, with no grab" eval 'wakes && focused && lockable'
    check "i3lock locks in front of it" locked i3lock i3lock -n
    check "locked, it sleeps" sleeps
    stophelper
    check "unlocked, it draws again" wakes
    appquit
fi

newcase covered
if check "an X server and openbox are up" eval 'xstart 1920x1080x24 && wmstart'; then
    check "starts" counted && check "it draws" wakes
    check "a focused full-screen xterm covers it" xterm -fullscreen
    check "covered, it sleeps" sleeps
    stophelper
    check "uncovered, it draws again" wakes &&
        check "still full screen, the whole frame $FRAME" framebecomes "$FRAME"
    check "a small xterm leaves it partly seen: it draws" eval 'xterm -geometry 40x10+0+0 && sleep 1 && wakes'
    stophelper
    appquit
fi

newcase screen-saver-on
saverset() { xclient xset s "$@"; }
if check "an X server and openbox are up" eval 'xstart 1920x1080x24 && wmstart'; then
    check "starts" counted && check "it draws" wakes
    for blanking in blank noblank; do
        saverset "$blanking"
        check "the server's saver on ($blanking), it sleeps" eval 'saverset activate && sleeps'
        check "the saver reset, it draws again" eval 'saverset reset && wakes'
    done
    appquit
fi

# i3 keeps a window on a workspace it does not show mapped, in a frame it
# unmaps; and one full-screen window at a time on a workspace.
newcase i3
i3start() {
    printf '%s\n' "# i3 config file (v4)" "font pango:monospace 8" >"$LOGS/i3.conf"
    launch i3 i3 -c "$LOGS/i3.conf"
    waitfor 30 wmupordead && helperup || stepfail "i3 did not start"
}
i3fullscreen() { xclient xprop -id "$(appwindow)" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN; }
if check "an X server and i3 are up" eval 'xstart 1920x1080x24 && i3start'; then
    check "starts" counted && check "it draws, the whole frame $FRAME" eval 'wakes && framebecomes "$FRAME"'
    xclient i3-msg -q workspace 2
    check "on a workspace not shown, it sleeps" sleeps
    xclient i3-msg -q workspace 1
    check "back, it draws again" wakes
    check "an xterm opens beside it" xterm
    xclient i3-msg -q '[class="XTerm"] fullscreen enable'
    check "the xterm full screen over it, it sleeps" sleeps
    stophelper
    check "the xterm gone, it draws again" wakes &&
        check "full screen again, on the whole output" eval '{ waitfor 10 i3fullscreen ||
            stepfail "$(xclient xprop -id "$(appwindow)" _NET_WM_STATE)"; } && framebecomes "$FRAME"'
    appquit
    check "Escape ends it, status 0" test "$STATUS" = 0
fi
finish
