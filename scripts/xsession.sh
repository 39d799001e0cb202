# Shared by the real-window tests and the screenshot, frame-rate and soak
# scripts: a private virtual X display, the program started in it,
# screenshots and their colours. Source it, then call xstart [WxHxD].
# Everything started here is stopped on exit. Needs CUBEBLOOM (the program).

set -u
WORK=$(mktemp -d)
export XDG_RUNTIME_DIR=$WORK/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
XVFB_PID=
APP_PID=
STATUS=

cleanup() {
    [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

# xclient CMD...: runs an X client, and again if the server turned its
# connection away, as a busy one can for a moment ("try again"). Returns
# the client's own status.
xclient() {
    local try status err=$WORK/xclient.$BASHPID
    for try in 1 2 3 4 5; do
        status=0
        "$@" 2>"$err" || status=$?
        [ "$status" -ne 0 ] && grep -qiE "can't open display|unable to open X server|cannot open display" "$err" ||
            break
        sleep 0.1
    done
    cat "$err" >&2
    rm -f "$err"
    return "$status"
}
xdotool() { xclient command xdotool "$@"; }

xstart() {  # xstart [WxHxD]: a fresh Xvfb on a free display number, in place of the last
    local screen=${1:-1024x768x24} try n
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    for try in 1 2 3; do
        : >"$WORK/display"
        exec 9>"$WORK/display"
        Xvfb -displayfd 9 -screen 0 "$screen" -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
        XVFB_PID=$!
        exec 9>&-
        # A loaded machine can be slow to start a server; one that died or
        # never answered is replaced rather than left to fail every check.
        for n in $(seq 300); do
            [ -s "$WORK/display" ] || { kill -0 "$XVFB_PID" 2>/dev/null && sleep 0.1 && continue; }
            break
        done
        export DISPLAY=:$(head -n1 "$WORK/display")
        [ -s "$WORK/display" ] && xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
        echo "X server attempt $try did not come up:" >&2
        cat "$WORK/xvfb.log" >&2
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    done
    echo "no X server could be started" >&2
    exit 1
}

appstart() {  # appstart [ENV=VALUE...]: start the program, wait for its window
    env "$@" "$CUBEBLOOM" >"$WORK/app.out" 2>"$WORK/app.err" &
    APP_PID=$!
    local n
    for n in $(seq 200); do
        appwindow >/dev/null && return 0
        kill -0 "$APP_PID" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

appwindow() { xdotool search --all --pid "$APP_PID" --classname cubebloom 2>/dev/null | head -n1 | grep .; }

alive() { kill -0 "$APP_PID" 2>/dev/null; }

appwait() {  # appwait SECONDS: wait for the program to end; its status in STATUS
    local n
    for n in $(seq $(($1 * 10))); do
        alive || break
        sleep 0.1
    done
    if alive; then
        kill -9 "$APP_PID"
        wait "$APP_PID" 2>/dev/null
        APP_PID=
        STATUS=hung
        return
    fi
    STATUS=0
    wait "$APP_PID" || STATUS=$?
    APP_PID=
}

appquit() { xdotool key Escape && appwait 20; }  # as a user ends it; status in STATUS

# waveshot FILE: a screenshot in FILE that shows red and black cubes. Waves
# start at random, so it retries for a bounded time while they come and go.
waveshot() {
    local n
    for n in $(seq 20); do
        xclient import -window root -depth 8 "$1" && colours "$1" | near 0 0 0 0 &&
            colours "$1" | near 180 25 25 8 && return 0
        sleep 1
    done
    return 1
}

# colours FILE: one line per distinct colour, "count r g b", most common first
colours() {
    convert "$1" -format %c histogram:info:- |
        sed -E 's/^ *([0-9]+): *\( *([0-9.]+), *([0-9.]+), *([0-9.]+).*/\1 \2 \3 \4/' | sort -rn
}

# near R G B TOL < colours: succeeds if some colour is within TOL of (R, G, B)
near() {
    awk -v r="$1" -v g="$2" -v b="$3" -v t="$4" '
        function d(a, b) { return a > b ? a - b : b - a }
        d($2, r) <= t && d($3, g) <= t && d($4, b) <= t { found = 1 }
        END { exit !found }'
}
