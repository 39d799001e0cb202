# SPDX-License-Identifier: MIT
# Sourced after xsession.sh by the Wayland window tests and by
# scripts/desktopcases.sh: sway started headless, as a user's session has
# it (WAYLAND_DISPLAY and DISPLAY set, XWayland started when an X client
# first comes), with one keyboard for the whole session. sway refuses to
# run as root: run by root, it runs as nobody. Needs WLKEYS (the tests'
# virtual keyboard). Everything started here is stopped on exit.

# runs a command as the user sway runs as
SWAYUSER=()
[ "$(id -u)" -ne 0 ] || SWAYUSER=(setpriv --reuid=nobody --regid=nogroup --clear-groups)

swayask() { swaymsg -s "$SWAYSOCK" "$@"; }
swayhas() { swayask -q "$1 nop" 2>/dev/null; }  # swayhas CRITERIA: some window matches

# swaystart WxH: sway with one output of that size; WAYLAND_DISPLAY,
# DISPLAY, SWAYSOCK and XDG_RUNTIME_DIR name its session once it runs, and
# its virtual keyboard is there
swaystart() {
    local run=$WORK/sway.$RANDOM
    mkdir -p "$run"
    chmod 711 "$WORK"
    [ "$(id -u)" -ne 0 ] || chown nobody: "$run"
    chmod 700 "$run"
    printf '%s\n' "xwayland enable" "default_border none" "output HEADLESS-1 mode $1 position 0 0" \
        "output * bg #000000 solid_color" "exec env >$run/session.env" >"$LOGS/sway.conf"
    chmod 644 "$LOGS/sway.conf"
    env XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=1 WLR_LIBINPUT_NO_DEVICES=1 \
        WLR_RENDERER=pixman "${SWAYUSER[@]}" sway -d -c "$LOGS/sway.conf" >"$LOGS/sway.log" 2>&1 &
    HELPER_PIDS+=($!)
    SWAY_PID=$!
    waitfor 30 eval "grep -qs '^SWAYSOCK=' '$run/session.env' || ! kill -0 $SWAY_PID 2>/dev/null"
    grep -qs '^SWAYSOCK=' "$run/session.env" || { stepfail "sway did not start in 30 s"; return 1; }
    export XDG_RUNTIME_DIR=$run WAYLAND_DISPLAY DISPLAY SWAYSOCK
    WAYLAND_DISPLAY=$(sed -n 's/^WAYLAND_DISPLAY=//p' "$run/session.env")
    DISPLAY=$(sed -n 's/^DISPLAY=//p' "$run/session.env")
    SWAYSOCK=$(sed -n 's/^SWAYSOCK=//p' "$run/session.env")
    wlkeyboard
}

# With no input devices the seat has no keyboard, and a client binds one
# only when one appears; each one that comes or goes takes the focus away
# a moment. So one keyboard is made before the show starts and stays; keys
# reach it through a FIFO.
wlkeyboard() {
    KEYS=$WORK/keys.$RANDOM
    mkfifo "$KEYS"
    "$WLKEYS" "$KEYS" >"$LOGS/wlkeys.log" 2>&1 &
    HELPER_PIDS+=($!)
    waitfor 10 grep -qx ready "$LOGS/wlkeys.log" || { stepfail "the virtual keyboard did not come"; return 1; }
}

# wlkey KEY: a key through the session's keyboard, as wlkeys reads it
# ("2", "+2" held, "-2" let go); fails when the keyboard does not take it
wlkey() { timeout 10 sh -c 'echo "$1" >"$2"' wlkey "$1" "$KEYS"; }

# swayshot FILE: a screenshot of the output
swayshot() { grim -o HEADLESS-1 "$1"; }
