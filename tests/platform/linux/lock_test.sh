# SPDX-License-Identifier: MIT
# The show never stands in a screen locker's way, and sleeps whenever X
# says nobody can see it. Seen and focused, with the focus gone and back,
# it holds no pointer or keyboard grab, so a locker can always take both:
# xsecurelock, which gives up without the pointer, locks in front of it. Locked, covered whole by a full-screen
# window, under the server's screen saver, or on a workspace i3 does not
# show, it draws no frame and takes no CPU, and draws again once seen. A
# window manager that gave full screen to another window gives it back
# once that window has gone.
. "$(dirname "$0")/../../xtest.sh"

FRAME=1440x1080+240+0  # the 4:3 frame, centred on 1920x1080


# The locker has both grabs, and still runs: it holds the screen.
lockerholds() { helperup && ! xclient "$XPROBE" grab >/dev/null; }
# locked NAME COMMAND...: the locker started in front of the show holds
# the screen within 10 s and is still there 2 s later
locked() {
    launch "$@"
    waitfor 10 lockerholds && sleep 2 && lockerholds ||
        stepfail "$1 does not hold the screen: $(tail -n 2 "$LOGS/$1.log" | tr '\n' ' ')"
}

xterm() {  # xterm [ARG...]: an xterm, once its window is there
    launch xterm command xterm -fn fixed "$@"
    waitfor 10 eval 'xdotool search --all --pid "${HELPER_PIDS[-1]}" --class XTerm' >/dev/null ||
        stepfail "no xterm window in 10 s"
}

newcase openbox
if check "an X server and openbox are up" eval 'xstart 1920x1080x24 && wmstart'; then
    check "starts" appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_FRAMES="$LOGS/frames" && check "it draws, focused" eval 'wakes && focused' &&
        check "seen and focused, it holds no grab" lockable
    check "an xterm takes the focus" xterm
    xdotool windowactivate "$(appwindow)"
    check "the focus back, it holds no grab" eval 'focused && lockable'
    stophelper
    check "xsecurelock locks in front of it" locked xsecurelock xsecurelock
    check "locked, it sleeps" sleeps
    stophelper
    check "unlocked, it draws again, focused, with no grab" eval 'wakes && focused && lockable'
    check "i3lock locks in front of it" locked i3lock i3lock -n
    check "locked, it sleeps" sleeps
    stophelper
    check "unlocked, it draws again" wakes
    check "a focused full-screen xterm covers it" xterm -fullscreen
    check "covered, it sleeps" sleeps
    stophelper
    check "uncovered, it draws again, the whole frame $FRAME" eval 'wakes && framebecomes "$FRAME"'
    check "a small xterm leaves it partly seen: it draws" eval 'xterm -geometry 40x10+0+0 && sleep 1 && wakes'
    stophelper
    for blanking in blank noblank; do
        xclient xset s "$blanking"
        check "the server's saver on ($blanking), it sleeps" eval 'xclient xset s activate && sleeps'
        # SDL's event pump resets the saver every 30 s while SDL holds it off
        [ "$blanking" = blank ] && check "the saver stays on for 35 s, and it sleeps on" \
            eval 'saverstays on 35 && asleep'
        check "the saver reset, it draws again" eval 'xclient xset s reset && wakes'
    done
    check "keys still reach it: Escape ends it, status 0" eval 'appquit && test "$STATUS" = 0'
fi

# i3 keeps a window on a workspace it does not show mapped, in a frame it
# unmaps; and one full-screen window at a time on a workspace.
newcase i3
i3start() {
    printf '%s\n' "# i3 config file (v4)" "font pango:monospace 8" >"$LOGS/i3.conf"
    launch i3 i3 -c "$LOGS/i3.conf"
    waitfor 30 wmupordead && helperup || stepfail "i3 did not start"
}
if check "an X server and i3 are up" eval 'xstart 1920x1080x24 && i3start'; then
    check "starts" appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_FRAMES="$LOGS/frames" && check "it draws, the whole frame $FRAME" eval 'wakes && framebecomes "$FRAME"'
    xclient i3-msg -q workspace 2
    check "on a workspace not shown, it sleeps" sleeps
    xclient i3-msg -q workspace 1
    check "back, it draws again" wakes
    check "a full-screen xterm opens on its workspace" xterm -fullscreen
    check "the xterm full screen over it, it sleeps" sleeps
    stophelper
    check "the xterm gone, it draws again" wakes &&
        check "full screen again, the whole frame $FRAME" framebecomes "$FRAME"
    appquit
    check "Escape ends it, status 0" test "$STATUS" = 0
fi
finish
