# An event storm in a real window: thousands of random key presses (any key
# but Escape), held keys with their repeats, mouse motion and clicks. The
# show must go on through all of it, and Escape must still end it.
. "$(dirname "$0")/../../scripts/xsession.sh"
xstart 1024x768x24
check "starts" appstart

KEYS=(a b c d e f g h i j k l m n o p q r s t u v w x y z 0 1 2 3 4 5 6 7 8 9
    space Return Tab BackSpace Delete Insert Home End Prior Next Left Right Up Down
    F1 F2 F3 F4 F5 F6 F7 F8 F9 F10 F11 F12 minus equal comma period slash
    KP_0 KP_1 KP_2 KP_3 KP_Enter KP_Add shift+1 ctrl+2 alt+3 super+a ctrl+c alt+F4
    Shift_L Control_L Alt_L Caps_Lock Num_Lock Pause Print Menu)
RANDOM=42
sent=0
for burst in $(seq 20); do
    args=()
    for n in $(seq 100); do
        args+=("${KEYS[RANDOM % ${#KEYS[@]}]}")
    done
    xdotool key --delay 0 "${args[@]}"
    sent=$((sent + 200))  # a press and a release each
    moves=()
    for n in $(seq 50); do
        moves+=(mousemove $((RANDOM % 1024)) $((RANDOM % 768)))
        [ $((n % 5)) -eq 0 ] && moves+=(click $((RANDOM % 5 + 1)))
    done
    xdotool "${moves[@]}"
    sent=$((sent + 50 + 20))
done
for key in 2 3 a space; do  # held: about ten repeats each at the set rate
    xdotool keydown "$key"
    sleep 0.4
    xdotool keyup "$key"
    sent=$((sent + 12))
done
echo "about $sent events sent"
sleep 1
check "still running after about $sent events" alive
check "nothing printed" test ! -s "$WORK/app.out" -a ! -s "$WORK/app.err"
appquit
check "Escape then ends it with status 0" test "$STATUS" = 0
finish
