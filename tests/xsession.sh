# SPDX-License-Identifier: MIT
# Shared by the real-window tests and the screenshot, frame-rate, soak and
# clean-install scripts: a private virtual X display, the program started
# in it, screenshots and their colours. Source it, then call xstart
# [WxHxD]. Needs CUBEBLOOM (the program). Every wait is bounded by a
# deadline in seconds; logs go to the folder LOGS names. Everything started
# here is stopped on exit, down to what its helpers started in turn (a
# session bus and its accessibility daemons outlive a dbus-run-session
# that is ended): each process started here carries CUBEBLOOM_WORK.

set -u
WORK=$(mktemp -d)
LOGS=$WORK
export CUBEBLOOM_WORK=$WORK
export XDG_RUNTIME_DIR=$WORK/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
SERVER_PIDS=()  # the X servers, outermost first
HELPER_PIDS=()  # window managers and the like
APP_PID=
APP_START=
STATUS=

xstop() {  # ends the window managers, then the X servers, innermost first
    local pid
    for pid in "${HELPER_PIDS[@]}" $(printf '%s\n' "${SERVER_PIDS[@]}" | tac); do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || :
    done
    SERVER_PIDS=() HELPER_PIDS=()
}

# marked NAME=VALUE: the processes whose environment holds NAME=VALUE
marked() { grep -lsxz -F "$1" /proc/[0-9]*/environ | cut -d/ -f3; }

# sweep: ends whatever still carries this script's mark, but the script
sweep() {
    local pid
    for pid in $(marked "CUBEBLOOM_WORK=$WORK"); do
        [ "$pid" = $$ ] || [ "$pid" = "$BASHPID" ] || kill -9 "$pid" 2>/dev/null || :
    done
}

cleanup() {
    alive && kill -9 "$APP_PID" 2>/dev/null
    xstop
    sweep
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

# launch NAME COMMAND...: a helper in the background, its output in
# LOGS/NAME.log, stopped on exit
launch() {
    "${@:2}" >"$LOGS/$1.log" 2>&1 &
    HELPER_PIDS+=($!)
}
helperup() { kill -0 "${HELPER_PIDS[-1]}" 2>/dev/null; }  # the helper launched last runs
stophelper() { kill "${HELPER_PIDS[-1]}" && wait "${HELPER_PIDS[-1]}" 2>/dev/null; }  # ends it

stepfail() {  # stepfail WHAT: say which step of a check failed, and fail
    echo "  failed step: $*"
    return 1
}

now() { echo "${EPOCHREALTIME/[.,]/}"; }  # microseconds

waitfor() {  # waitfor SECONDS COMMAND...: poll COMMAND until it succeeds; fail at the deadline
    local end=$(($(now) + $1 * 1000000))
    shift
    until "$@"; do
        [ "$(now)" -lt "$end" ] || return 1
        sleep 0.1
    done
}

# procstat PID N: field N of /proc/PID/stat, counted from the state (1)
procstat() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=(${stat##*) })
    echo "${stat[$2 - 1]}"
}

# The program still runs: its PID is still the process started, not a
# later one that got the number after it, and it is no zombie.
alive() {
    [ -n "$APP_PID" ] && [ "$(procstat "$APP_PID" 20)" = "$APP_START" ] &&
        [ "$(procstat "$APP_PID" 1)" != Z ]
}

track() {  # track PID: the program's process, as started in the background
    APP_PID=$1
    APP_START=$(procstat "$1" 20)
}

serversup() {
    local pid
    for pid in "${SERVER_PIDS[@]}"; do
        kill -0 "$pid" 2>/dev/null || return 1
    done
}

# xclient CMD...: runs an X client, and again for up to 10 s if the server
# turned its connection away, as a busy one can for a moment, while the
# servers still run. Returns the client's own status.
xclient() {
    local status err=$LOGS/xclient.$BASHPID end=$(($(now) + 10000000))
    while :; do
        status=0
        "$@" 2>"$err" || status=$?
        [ "$status" -ne 0 ] && grep -qiE "(can't|cannot|unable to) open (display|X server)" "$err" &&
            serversup && [ "$(now)" -lt "$end" ] || break
        sleep 0.1
    done
    cat "$err" >&2
    rm -f "$err"
    return "$status"
}
xdotool() { xclient command xdotool "$@"; }

# answersorgone PID FILE: the server has written its number to FILE and
# answers there, or it has ended
answersorgone() {
    [ -s "$2" ] && DISPLAY=:$(head -n1 "$2") command xdotool getdisplaygeometry >/dev/null 2>&1 ||
        ! kill -0 "$1" 2>/dev/null
}

# xserve LOG SERVER ARGS...: an X server on a free display number; DISPLAY
# names it once it answers
xserve() {
    local log=$1 number=$WORK/display.$RANDOM pid
    shift
    exec 9>"$number"
    "$@" -displayfd 9 -noreset -nolisten tcp >"$log" 2>&1 &
    pid=$!
    exec 9>&-
    SERVER_PIDS+=("$pid")
    waitfor 60 answersorgone "$pid" "$number"
    if ! kill -0 "$pid" 2>/dev/null || [ ! -s "$number" ]; then
        stepfail "the X server ($1) did not come up in 60 s; its log:"
        cat "$log"
        return 1
    fi
    export DISPLAY=:$(head -n1 "$number")
}

xstart() {  # xstart [WxHxD]: a fresh Xvfb, in place of every server and helper before it
    xstop
    xserve "$LOGS/xvfb.log" Xvfb -screen 0 "${1:-1024x768x24}"
}

gone() { ! alive; }
# the program has stopped (the frame hook's SIGSTOP), or ended
stoppedorgone() { [[ "$(procstat "$APP_PID" 1)" == [Tt] ]] || gone; }
appshows() { appwindow >/dev/null; }  # its window is there; a Wayland test says so its own way
windoworgone() { appshows || gone; }

cpu() { awk '{print $14 + $15}' "/proc/$APP_PID/stat"; }  # the program's clock ticks, all threads
frames() { tr -d ' ' 2>/dev/null <"$LOGS/frames" || echo 0; }  # as the test hook counts them

appwindow() { xdotool search --all --pid "$APP_PID" --classname cubebloom 2>/dev/null | head -n1 | grep .; }

# appspawn [ENV=VALUE...]: start the program; its output goes to
# LOGS/app.out and app.err
appspawn() {
    env "$@" "$CUBEBLOOM" >"$LOGS/app.out" 2>"$LOGS/app.err" &
    track $!
}

appstart() {  # appstart [ENV=VALUE...]: start the program, wait for its window
    appspawn "$@"
    waitfor 60 windoworgone
    if ! alive; then
        appwait 0
        stepfail "the program ended before its window showed, status $STATUS"
    elif ! appshows; then
        stepfail "the program's window did not show in 60 s"
    fi
}

appwait() {  # appwait SECONDS: wait for the program to end; its status in STATUS
    if ! waitfor "$1" gone; then
        kill -9 "$APP_PID"
        wait "$APP_PID" 2>/dev/null
        APP_PID=
        STATUS=hung
        return
    fi
    STATUS=0
    wait "$APP_PID" 2>/dev/null || STATUS=$?
    APP_PID=
}

appquit() {  # as a user ends it; status in STATUS
    STATUS="not asked to quit"
    xdotool key Escape && appwait 30
}

# waveshot FILE: a screenshot in FILE that shows red and black cubes. Waves
# start at random, so it tries for up to 60 s while they come and go.
waveshot() { waitfor 60 wavein "$1"; }
wavein() {
    local histogram=$WORK/colours.txt
    xclient import -window root -depth 8 "$1" && colours "$1" >"$histogram" &&
        near 0 0 0 0 <"$histogram" && near 180 25 25 8 <"$histogram"
}

# box FILE [white]: the rectangle the non-black pixels of FILE cover, or
# with white its white ones (within 2 %), WxH+X+Y
box() {
    local only=()
    [ $# -lt 2 ] || only=(-fuzz 2% -fill black +opaque white)
    convert "$1" "${only[@]}" -bordercolor black -border 1 -trim \
        -format '%wx%h+%[fx:page.x-1]+%[fx:page.y-1]' info: 2>/dev/null
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
