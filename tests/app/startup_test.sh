# Start-up failures with the real library: exactly one line on standard
# error, naming the failed stage, and status 1.
. "$(dirname "$0")/../xtest.sh"

failstart() {  # failstart EXPECTED-PREFIX ENV...: run with ENV, no display
    local want=$1 status=0
    shift
    env -u DISPLAY -u WAYLAND_DISPLAY "$@" timeout 20 "$CUBEBLOOM" one --two 3 \
        >"$WORK/out" 2>"$WORK/err" || status=$?
    [ "$status" -eq 1 ] && [ ! -s "$WORK/out" ] && [ "$(wc -l <"$WORK/err")" -eq 1 ] &&
        [[ "$(cat "$WORK/err")" == "$want"* ]] || { echo "status $status: $(cat "$WORK/err")"; return 1; }
}

check "unknown video driver" failstart "Video initialization failed: " SDL_VIDEODRIVER=nonexistent
check "driver without OpenGL" failstart "Video mode set failed: " SDL_VIDEODRIVER=dummy
check "no display at all" failstart "Video initialization failed: no display available"
check "unreachable X display" failstart "Video initialization failed: " DISPLAY=:999
finish
