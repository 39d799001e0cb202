# SPDX-License-Identifier: MIT
# The show in a Wayland session as a user has it: sway, headless, with
# WAYLAND_DISPLAY and DISPLAY both set and SDL_VIDEODRIVER unset. It goes
# native and wakes no XWayland, shows the whole 4:3 frame, takes keys, and
# on a workspace that is not shown draws no frame and takes no CPU, draws
# again once back, and still ends on the close request or SIGTERM. A
# window that took full screen over it and went leaves it full screen. A
# compositor killed under it, or stopped as it starts, is a failure.
. "$(dirname "$0")/../../xtest.sh"
. "$(dirname "$0")/../../wlsession.sh"

FRAME=1440x1080+240+0  # the 4:3 frame, centred on a 1920x1080 output

# the show has a window of sway's own shell, and sway started no XWayland
native() {
    swayhas "[pid=$APP_PID shell=xdg_shell]" || { stepfail "no native window of the show's"; return 1; }
    ! pgrep -x Xwayland -P "$SWAY_PID" >/dev/null || stepfail "sway started XWayland"
}

appshows() { swayhas "[pid=$APP_PID]"; }
# wlstart [ENV=VALUE...]: start the program, counted and its events logged
wlstart() { appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_FRAMES="$LOGS/frames" CUBEBLOOM_EVENTS="$LOGS/events" "$@"; }

whiteframe() { swayshot "$LOGS/frame.png" && [ "$(box "$LOGS/frame.png" white)" = "$FRAME" ]; }
took() { waitfor 10 grep -qs "key $1\$" "$LOGS/events"; }  # took KEY: the program took that key
hide() { swayask -q workspace number 9; }
show() { swayask -q workspace number 1; }

newcase sway
check "sway runs headless" swaystart 1920x1080 || { finish; exit; }
# sway 1.7 on a busy machine can leave the first frames in a corner, until
# the show asks again
check "starts in the session" wlstart &&
    check "it went native" native &&
    check "it fills the 4:3 frame $FRAME" eval 'waitfor 30 whiteframe ||
        stepfail "its white covers $(box "$LOGS/frame.png" white) in 30 s"'
check "it draws" wakes
check "keys 2 and 3 reach it" eval 'wlkey 2 && took 2 && wlkey 3 && took 3'
check "held, a key repeats" eval 'wlkey +1 && sleep 1 && wlkey -1 &&
    [ "$(grep -c "key 1$" "$LOGS/events")" -gt 1 ]'
hide
check "on another workspace, it sleeps" sleeps
show
check "back on its workspace, it draws again" wakes
# endsasleep WHAT COMMAND...: asleep on another workspace, the show ends
# with status 0 on COMMAND
endsasleep() {
    hide
    check "on another workspace, it sleeps again" sleeps
    "${@:2}"
    appwait 30
    check "asleep, $1 ends it, status 0" test "$STATUS" = 0
    show
}
endsasleep "the close request" swayask -q "[pid=$APP_PID] kill"
check "starts again" wlstart && check "and draws" wakes
endsasleep SIGTERM kill -TERM "$APP_PID"

# Another window takes full screen on the show's workspace, then goes.
footstart() {
    launch foot "${SWAYUSER[@]}" env -C / foot sleep 600  # nobody's shell would end it at once
    waitfor 10 swayhas "[app_id=foot]" && swayask -q "[app_id=foot] fullscreen enable" ||
        stepfail "no foot window in 10 s"
}
check "starts once more" wlstart && check "and draws" wakes
check "a full-screen foot opens on its workspace" footstart
check "covered, it sleeps" sleeps
swayask -q "[app_id=foot] kill"
check "foot gone, it draws again" wakes
check "full screen again, the whole frame $FRAME" eval 'waitfor 10 whiteframe ||
    stepfail "its white covers $(box "$LOGS/frame.png" white)"'
wlkey Escape
appwait 30
check "Escape ends it, status 0" test "$STATUS" = 0
# Mesa 26 tells of its search for a GPU where a headless sway has none to
# offer: those lines are Mesa's, not the program's
check "and nothing was printed" eval '! [ -s "$LOGS/app.out" ] && ! grep -v "^MESA" "$LOGS/app.err"'

# The compositor goes: the show ends with status 1 and one line that says
# so, seen or asleep. One that never answers at start-up gets 10 s.
for state in seen asleep; do
    newcase "sway-killed-$state"
    check "sway runs headless" swaystart 1920x1080 || continue
    check "starts and draws" eval 'wlstart && wakes' || continue
    [ "$state" = seen ] || check "on another workspace, it sleeps" eval 'hide && sleeps'
    kill -KILL "$SWAY_PID"
    appwait 10
    check "sway killed under a show $state: status 1 and one line" \
        oneline "Wayland connection to $WAYLAND_DISPLAY broken (*)."
done
newcase sway-stopped
if check "sway runs headless, then stops" eval 'swaystart 1920x1080 && kill -STOP "$SWAY_PID"'; then
    appspawn
    appwait 20
    check "a show started then: status 1 and one line within 20 s" \
        oneline "Video initialization failed: the Wayland display $WAYLAND_DISPLAY did not answer in 10 s"
    kill -CONT "$SWAY_PID"
fi
finish
