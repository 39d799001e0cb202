# Sourced by the real-window tests: the shared X session helpers, and the
# checks on top of them. Each test calls check for every case and ends with
# finish, whose status is the test's.
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/xsession.sh"
FAILURES=0

check() {  # check DESCRIPTION COMMAND...: run COMMAND, count a failure if it fails
    if "${@:2}"; then
        echo "ok: $1"
    else
        echo "FAILED: $1"
        FAILURES=$((FAILURES + 1))
        return 1
    fi
}

finish() {
    [ "$FAILURES" -eq 0 ] || { echo "--- last run's standard error:"; cat "$WORK/app.err"; }
    echo "$FAILURES failed"
    [ "$FAILURES" -eq 0 ]
}

# firstframe NAME [ENV=VALUE...]: start the program, let the preloaded hook
# stop it after its first frame (all white), and screenshot that frame
firstframe() {
    local n
    appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_STOP_AT=1 "${@:2}" || return 1
    for n in $(seq 200); do
        [ "$(ps -o stat= -p "$APP_PID" | cut -c1)" = T ] && xclient import -window root -depth 8 "$WORK/$1.png" && return 0
        sleep 0.05
    done
    return 1
}

# bbox NAME: the rectangle the non-black pixels of $WORK/NAME.png cover, WxH+X+Y
bbox() {
    convert "$WORK/$1.png" -bordercolor black -border 1 -trim \
        -format '%wx%h+%[fx:page.x-1]+%[fx:page.y-1]' info:
}

# palette FILE: how many colours are left once those near white, black and
# the cubes' red are made exact
palette() {
    convert "$1" -fuzz 2% -fill white -opaque white -fill black -opaque black \
        -fill '#b21919' -opaque '#b21919' -format %k info:
}

# differ A B: succeeds if the two pictures differ in any pixel (compare's
# status: 0 alike, 1 different, 2 trouble; its printed count changed form
# between releases)
differ() {
    local status=0
    compare -metric AE "$1" "$2" null: 2>/dev/null || status=$?
    [ "$status" -eq 1 ]
}

# wmstart: openbox, managing the screen once it marks the root window. A
# busy server can turn a client away for a moment, and openbox then gives
# up at once, so it is started again.
wmstart() {
    local try n
    for try in 1 2 3 4 5; do
        openbox >"$WORK/openbox.log" 2>&1 &
        for n in $(seq 100); do
            xclient xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
            kill -0 $! 2>/dev/null && sleep 0.1 || break
        done
    done
    cat "$WORK/openbox.log"
    return 1
}
