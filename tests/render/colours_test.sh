# What a user sees once a wave runs: red and black cubes on white, and no
# other colour, on a 24-bit and on a 16-bit screen.
. "$(dirname "$0")/../../scripts/xsession.sh"

xstart 1024x768x24
check "starts on a 24-bit screen" appstart || cat "$WORK/app.err"
for rig in 1 2 3; do
    xdotool key "$rig"
    wave=$WORK/rig$rig.png
    check "rig $rig shows red and black cubes on white" waveshot "$wave" || continue
    check "rig $rig shows no other colour" \
        onlynear 3 255 255 255 0 0 0 178 25 25 < <(colours "$wave")
done
appquit
check "ends with status 0" test "$STATUS" = 0

kill "$XVFB_PID"
wait "$XVFB_PID" 2>/dev/null
xstart 1024x768x16
check "starts on a 16-bit screen" appstart || cat "$WORK/app.err"
wave=$WORK/deep16.png
if check "16-bit screen shows red and black cubes" waveshot "$wave"; then
    check "16-bit screen shows exactly three colours" test "$(colours "$wave" | wc -l)" = 3
    check "16-bit screen shows only red, black and white" \
        onlynear 2 255 255 255 0 0 0 181 24 24 < <(colours "$wave")
fi
appquit
check "ends with status 0 on a 16-bit screen" test "$STATUS" = 0
finish
