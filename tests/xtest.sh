# SPDX-License-Identifier: MIT
# Sourced by the real-window tests: the shared X session helpers, and the
# checks on top of them. A test opens a case (newcase) for each setting it
# tries, calls check for each thing that must hold there, and ends with
# finish, whose status is the test's. Each case keeps its own logs; a
# failed check shows them, and finish keeps them in KEEP_LOGS, if set.
. "$(dirname "${BASH_SOURCE[0]}")/xsession.sh"
FAILURES=0

newcase() {  # newcase NAME: the logs from here on go to a folder of this case's own
    LOGS=$WORK/cases/$1
    mkdir -p "$LOGS"
    echo "== $1"
}

check() {  # check DESCRIPTION COMMAND...: run COMMAND, count a failure if it fails
    if "${@:2}"; then
        echo "ok: $1"
        return 0
    fi
    echo "FAILED: $1"
    FAILURES=$((FAILURES + 1))
    caselogs
    return 1
}

caselogs() {  # the current case's program output and server and window manager logs
    local file
    for file in "$LOGS"/app.err "$LOGS"/app.out "$LOGS"/*.log; do
        [ -s "$file" ] || continue
        echo "--- ${file#"$WORK/cases/"}:"
        tail -n 30 "$file"
    done
}

finish() {
    echo "$FAILURES failed"
    if [ "$FAILURES" -gt 0 ] && [ -n "${KEEP_LOGS:-}" ]; then
        rm -rf "$KEEP_LOGS" && mkdir -p "$KEEP_LOGS" && cp -r "$WORK/cases/." "$KEEP_LOGS/" &&
            echo "every case's logs and screenshots: $KEEP_LOGS"
    fi
    [ "$FAILURES" -eq 0 ]
}

# stopat FRAME [ENV=VALUE...]: start the program and let the preloaded hook
# stop it right after it swaps that frame
stopat() {
    appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_STOP_AT="$1" "${@:2}" || return 1
    waitfor 60 stoppedorgone
    alive || { appwait 0; stepfail "the program ended before frame $1, status $STATUS"; return 1; }
    stoppedorgone || stepfail "the program did not stop after frame $1 in 60 s"
}

# firstframe NAME [ENV=VALUE...]: start the program, stop it after its
# first frame (all white), and screenshot that frame into LOGS/NAME.png
firstframe() {
    stopat 1 "${@:2}" || return 1
    xclient import -window root -depth 8 "$LOGS/$1.png" || stepfail "the screenshot of the first frame"
}


# lockable: a screen locker could take the pointer and the keyboard
lockable() { xclient "$XPROBE" grab >"$LOGS/grab.out" || stepfail "$(cat "$LOGS/grab.out")"; }
# focused: within 10 s the show's window has the keyboard focus
hasfocus() { [ "$(xdotool getwindowfocus)" = "$(appwindow)" ]; }
focused() { waitfor 10 hasfocus || stepfail "the focus is on $(xdotool getwindowfocus), not on $(appwindow)"; }

# oneline PATTERN: the program ended with status 1 and printed one line,
# which PATTERN matches, and nothing else (but Mesa's and SDL 3's own log
# lines: SDL 3 logs "ERROR: Wayland display connection closed by server")
oneline() {
    local lines
    lines=$(grep -v -E "^(MESA|ERROR: )" "$LOGS/app.err")
    [ "$STATUS" = 1 ] && [ ! -s "$LOGS/app.out" ] && [ "$(wc -l <<<"$lines")" = 1 ] &&
        [[ "$lines" == $1 ]] || stepfail "status $STATUS, and it printed: $lines"
}

# framebecomes FRAME: within 10 s a screenshot's non-black pixels cover
# exactly FRAME (WxH+X+Y), and nothing beside it
frameis() { xclient import -window root -depth 8 "$LOGS/frame.png" && [ "$(box "$LOGS/frame.png")" = "$1" ]; }
framebecomes() { waitfor 10 frameis "$1" || stepfail "the frame is $(box "$LOGS/frame.png"), not $1"; }

# onlycubes FILE: no pixel but white, black and the cubes' red, each within
# a small tolerance (a shot may lack any of them)
onlycubes() {
    test "$(convert "$1" -fuzz 2% -fill white -opaque white -opaque black -opaque '#b21919' \
        -format %k info:)" = 1
}

# differ A B: succeeds if the two pictures differ in any pixel (compare's
# status: 0 alike, 1 different, 2 trouble; its printed count changed form
# between releases)
differ() {
    local status=0
    compare -metric AE "$1" "$2" null: 2>/dev/null || status=$?
    [ "$status" -eq 1 ]
}

# Of a show that counts its frames (the hook's CUBEBLOOM_FRAMES in
# LOGS/frames): one that sleeps swaps no frame and takes under 2 % of a
# core, at most 3 clock ticks in 2 s; one that draws takes a core's worth.
asleep() {
    local before count
    before=$(cpu) count=$(frames) && sleep 2 || return 1
    TICKS=$(($(cpu) - before)) DREW=$(($(frames) - count))
    [ "$TICKS" -le 3 ] && [ "$DREW" = 0 ]
}
draws() { local count; count=$(frames) && sleep 0.5 && [ "$(frames)" -gt "$count" ]; }
sleeps() { waitfor 60 asleep || stepfail "still awake: $DREW frames, $TICKS clock ticks in its last 2 s"; }
wakes() { waitfor 60 draws || stepfail "no frame in 60 s (frames so far: $(frames))"; }

# The X server's screen saver is on, or off; saverstays on|off SECONDS:
# it stays so that long
saveron() { xclient "$XPROBE" saver; }
saveroff() { xclient "$XPROBE" saver; [ $? = 1 ]; }
saverstays() {
    local end=$(($(now) + $2 * 1000000))
    while [ "$(now)" -lt "$end" ]; do
        "saver$1" || { stepfail "the saver did not stay $1"; return 1; }
        sleep 0.2
    done
}

SOURCE=$(realpath "$(dirname "${BASH_SOURCE[0]}")/..")

# ownicon WINDOW: the window's _NET_WM_ICON is the program's own, the
# pixels data/cubebloom-64.rgba holds
ownicon() {
    local size
    size=$(xclient "$XPROBE" icon "$1" "$LOGS/icon.rgba") || { stepfail "it has no _NET_WM_ICON"; return 1; }
    [ "$size" = 64x64 ] && cmp -s "$LOGS/icon.rgba" "$SOURCE/data/cubebloom-64.rgba" ||
        stepfail "its icon ($size) is not the program's"
}

wmmarked() { xclient xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
wmupordead() { wmmarked || ! helperup; }


# busstart VARIABLE: a D-Bus bus of the test's own, up; VARIABLE, exported,
# holds its address and BUS_PID its daemon
busstart() {
    dbus-daemon --session --nofork --print-address=1 >"$LOGS/$1.address" 2>"$LOGS/$1.log" &
    BUS_PID=$!
    HELPER_PIDS+=($!)
    waitfor 10 test -s "$LOGS/$1.address" || { stepfail "no bus for $1"; return 1; }
    export "$1=$(head -n1 "$LOGS/$1.address")"
}

# wmstart: openbox on this display, managing it once it marks the root window
wmstart() {
    launch openbox openbox
    waitfor 60 wmupordead
    helperup || { stepfail "openbox ended"; return 1; }
    wmmarked || stepfail "openbox did not mark the root window in 60 s"
}

# xorgstart: a real X server that changes modes (Xorg, dummy driver;
# root only), on 1920x1080, in place of every server and helper before it
xorgstart() {
    xstop
    [ "$(id -u)" -eq 0 ] || { stepfail "Xorg needs root here"; return 1; }
    xserve "$LOGS/xorg.out" Xorg -config "$(realpath "$(dirname "${BASH_SOURCE[0]}")")/tools/dummy.conf" \
        -novtswitch -logfile "$LOGS/xorg.log"
}

# xnested SCREEN...: Xephyr inside this display, with these screens side by
# side as one desktop (Xinerama) on a black root; DISPLAY names it after
xnested() {
    xserve "$LOGS/xephyr.log" Xephyr +xinerama -br $(printf -- '-screen %s ' "$@")
}
