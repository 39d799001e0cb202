# The program in a real X window, driven the way a user meets it: keys and
# mouse through xdotool, the window system's close request, screenshots.
. "$(dirname "$0")/../../scripts/xsession.sh"
xstart 1024x768x24

# A white first frame, then keys and mouse that must not end the show.
check "starts and shows its first frame" appstart CUBEBLOOM_STOP_AT=1 LD_PRELOAD="$FRAMEHOOK"
check "stopped after frame 1" waitstopped
check "the window carries the program's name" test "$(xdotool getwindowname "$(appwindow)")" = cubebloom
first=$(shot first)
check "first frame is all white" test "$(colours "$first" | awk '{print $2, $3, $4}')" = "255 255 255"
kill -CONT "$APP_PID"
for key in 2 3 1 a space Return F1 Tab 4 0 KP_1 shift+2 ctrl+3; do
    xdotool key "$key"
    sleep 0.1
done
xdotool keydown 2 && sleep 0.6 && xdotool keyup 2
xdotool mousemove 100 100 mousemove 900 700 click 1 click 3 click 2 click 4 click 5
xdotool mousedown 1 mousemove 500 400 mouseup 1
sleep 1
check "survives keys 1, 2, 3, other keys, mouse motion and clicks" alive
check "no output on either stream" test ! -s "$WORK/app.out" -a ! -s "$WORK/app.err"
appquit
check "Escape ends it with status 0" test "$STATUS" = 0

# The close request a window manager sends from its close button.
check "starts again" appstart
sleep 1
check "close request is delivered" xclient "$WMCLOSE"
appwait 20
check "close request ends it with status 0" test "$STATUS" = 0

# Escape followed at once by other events: all of them reach the program in
# one drain, because it is stopped while they queue up.
appstart
sleep 1
kill -STOP "$APP_PID"
xdotool key Escape mousemove 300 300 key a key 2 mousemove 310 310 click 1
kill -CONT "$APP_PID"
appwait 20
check "Escape survives later events of the same drain" test "$STATUS" = 0

appstart
sleep 1
kill -STOP "$APP_PID"
xclient "$WMCLOSE"
xdotool key 3 mousemove 200 200 key b
kill -CONT "$APP_PID"
appwait 20
check "close request survives later events of the same drain" test "$STATUS" = 0

# A busy server can turn connections away for a moment ("try again"); SDL
# then falls back as if there were no display at all.
check "starts though the display turns its first connections away" \
    appstart LD_PRELOAD="$FRAMEHOOK" CUBEBLOOM_REFUSE_X=3
appquit
check "and Escape still ends it with status 0" test "$STATUS" = 0
finish
