# Start-up failures with the real library: exactly one line on standard
# error, naming the failed stage, and status 1.
. "$(dirname "$0")/../../scripts/xsession.sh"

failstart() {  # failstart EXPECTED-PREFIX ENV...: run with ENV, no display
    local want=$1
    shift
    local status=0
    env -u DISPLAY -u WAYLAND_DISPLAY "$@" timeout 20 "$CUBEBLOOM" one --two 3 \
        >"$WORK/out" 2>"$WORK/err" || status=$?
    [ "$status" -eq 1 ] || { echo "status $status"; return 1; }
    [ ! -s "$WORK/out" ] || { echo "standard output not empty"; return 1; }
    [ "$(wc -l <"$WORK/err")" -eq 1 ] || { cat "$WORK/err"; return 1; }
    case "$(cat "$WORK/err")" in
        "$want"*) return 0 ;;
        *) cat "$WORK/err"; return 1 ;;
    esac
}

check "unknown video driver" failstart "Video initialization failed: " SDL_VIDEODRIVER=nonexistent
check "driver without OpenGL" failstart "Video mode set failed: " SDL_VIDEODRIVER=dummy
check "no display at all" failstart "Video initialization failed: no display available"
check "unreachable X display" failstart "Video initialization failed: " DISPLAY=:999
finish
