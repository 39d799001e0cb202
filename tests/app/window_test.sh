# SPDX-License-Identifier: MIT
# The program the way a user meets it. Start-up failures with the real
# library: exactly one line on standard error, naming the failed stage, and
# status 1. Then in a real X window: a storm of keys and mouse events, the
# three rigs on screen, Escape, the window system's close request, quits in
# the middle of a drain, a Wayland socket that nobody listens on, and a
# display that turns its first connections away.
. "$(dirname "$0")/../xtest.sh"

failstart() {  # failstart EXPECTED-PREFIX ENV...: run with ENV, no display
    STATUS=0
    env -u DISPLAY -u WAYLAND_DISPLAY "${@:2}" timeout 60 "$CUBEBLOOM" one --two 3 \
        >"$LOGS/app.out" 2>"$LOGS/app.err" || STATUS=$?
    oneline "$1*"
}

# The icon built in is the program's picture, data/cubebloom.svg, as
# scripts/icon.sh draws it: the same here, all but the odd edge pixel
# where another release's renderer smooths edges its own way.
newcase icon
drawnalike() {
    local differ
    differ=$(compare -metric AE -fuzz 10% -size 64x64 -depth 8 "rgba:$1" "rgba:$2" null: 2>&1) || :
    [ "${differ%% *}" -le 64 ] 2>/dev/null || stepfail "$differ pixels differ"
}
check "the icon built in is data/cubebloom.svg at 64x64" eval \
    'bash "$SOURCE/scripts/icon.sh" "$LOGS/svg.rgba" && drawnalike "$LOGS/svg.rgba" "$SOURCE/data/cubebloom-64.rgba"'

newcase no-display
check "unknown video driver" failstart "Video initialization failed: " SDL_VIDEODRIVER=nonexistent
check "driver without OpenGL" failstart "Video mode set failed: " SDL_VIDEODRIVER=dummy
# SDL 2 falls back to drawing off screen, which the program refuses ("no
# display available"); SDL 3 fails by itself. Either way, one line.
check "no display at all" failstart "Video initialization failed: "
# libwayland-client complains of a missing runtime folder as SDL looks for
# a compositor; only the program's line may reach standard error
check "no display and no runtime folder" failstart "Video initialization failed: " -u XDG_RUNTIME_DIR
check "unreachable X display" failstart "Video initialization failed: " DISPLAY=:999
check "a Wayland socket nobody listens on, and no X display" \
    failstart "Video initialization failed: " WAYLAND_DISPLAY=wayland-none

newcase 1024x768x24
check "an X server answers" xstart 1024x768x24
check "starts and shows its first frame" firstframe first
check "the window carries the program's name" test "$(xdotool getwindowname "$(appwindow)")" = cubebloom
check "and the program's icon" ownicon "$(appwindow)"
check "first frame is all white" test "$(colours "$LOGS/first.png" | cut -d' ' -f2-)" = "255 255 255"
kill -CONT "$APP_PID"

# About 5,400 events: random key presses (any key but Escape), mouse motion
# and clicks, and held keys with their repeats. The show must go on.
KEYS=(a b c d e f g h i j k l m n o p q r s t u v w x y z 0 1 2 3 4 5 6 7 8 9
    space Return Tab BackSpace Delete Insert Home End Prior Next Left Right Up Down
    F1 F2 F3 F4 F5 F6 F7 F8 F9 F10 F11 F12 minus equal comma period slash
    KP_0 KP_1 KP_2 KP_3 KP_Enter KP_Add shift+1 ctrl+2 alt+3 super+a ctrl+c alt+F4
    Shift_L Control_L Alt_L Caps_Lock Num_Lock Pause Print Menu)
RANDOM=42
keys=() moves=()
for n in $(seq 1000); do
    keys+=("${KEYS[RANDOM % ${#KEYS[@]}]}" "${KEYS[RANDOM % ${#KEYS[@]}]}")
    moves+=(mousemove $((RANDOM % 1024)) $((RANDOM % 768)))
    button=$((RANDOM % 5 + 1))  # a click without xdotool's 0.1 s pause
    [ $((n % 5)) -eq 0 ] && moves+=(mousedown $button mouseup $button)
done
xdotool key --delay 0 "${keys[@]}"
xdotool "${moves[@]}" mousedown 1 mousemove 500 400 mouseup 1
for key in 2 3 a space; do
    xdotool keydown "$key" sleep 0.4 keyup "$key"
done
check "survives the event storm" alive
check "nothing printed" test ! -s "$LOGS/app.out" -a ! -s "$LOGS/app.err"

# Once a wave runs: red and black cubes, and nothing but them and white
# (a close rig can fill the screen with cubes).
for rig in 1 2 3; do
    xdotool key "$rig"
    check "rig $rig shows red and black cubes" waveshot "$LOGS/rig$rig.png" &&
        check "rig $rig shows no other colour" onlycubes "$LOGS/rig$rig.png"
done
appquit
check "Escape ends it with status 0" test "$STATUS" = 0

# A quit followed at once by other events: the program is stopped after a
# frame while they queue up, so that all of them reach it in one drain.
closeapp() { xclient "$XPROBE" close "$(appwindow)"; }
for quit in "xdotool key Escape" closeapp; do
    newcase "${quit// /-}-in-a-drain"
    check "an X server answers" xstart 1024x768x24 || continue
    check "starts and stops after frame 2" stopat 2 || continue
    [ "$quit" = closeapp ] && check "the window takes the close request" \
        eval 'xclient xprop -id "$(appwindow)" WM_PROTOCOLS | grep -q WM_DELETE_WINDOW'
    $quit
    xdotool mousemove 300 300 key a key 2 mousemove 310 310 mousedown 1 mouseup 1
    kill -CONT "$APP_PID"
    appwait 30
    check "$quit, then other events in the same drain: status 0" test "$STATUS" = 0
done

# A session's Wayland socket that nobody listens on: the show takes X.
newcase dead-wayland-socket
check "an X server answers" xstart 1024x768x24
check "starts on X though WAYLAND_DISPLAY names a dead socket" appstart WAYLAND_DISPLAY=wayland-none
appquit
check "and Escape still ends it with status 0" test "$STATUS" = 0

# A busy server can turn connections away for a moment ("try again"); SDL
# then falls back or fails as if there were no display at all.
newcase refused-connections
check "an X server answers" xstart 1024x768x24
check "starts though the display turns its first connections away" \
    appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_REFUSE_X=3
appquit
check "and Escape still ends it with status 0" test "$STATUS" = 0
finish
