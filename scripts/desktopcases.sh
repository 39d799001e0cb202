#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Run by scripts/desktops.sh, as an unprivileged user: the show under each
# desktop this system has (sway and GNOME Shell headless, weston in a window
# on Xvfb, through XWayland and natively; openbox and xfwm4 on Xvfb), one
# case each; and GNOME Shell and KWin, headless, with the session locked.
# Prints one row a case, fields split by "|", and keeps each case's logs
# and screenshots in TOP/CASE. Needs CUBEBLOOM, XHOOK, XPROBE and WLKEYS.
#   scripts/desktopcases.sh TOP [DESKTOP...]
#   (DESKTOP: openbox xfwm4 sway weston gnome gnome-locked kwin-locked;
#   by default all of them)
# The desktops' own helpers (session buses, accessibility daemons) outlive
# what started them: everything runs in a session of its own, and what is
# left of it goes at the end.
[ "$(ps -o sid= -p $$)" -eq $$ ] || exec setsid -w bash "$0" "$@"
TOP=$1
shift
DESKTOPS=(openbox xfwm4 sway weston gnome gnome-locked kwin-locked)
[ $# -eq 0 ] || DESKTOPS=("$@")
. "$(dirname "$0")/../tests/xsession.sh"
. "$(dirname "$0")/../tests/wlsession.sh"
trap 'cleanup; for pid in $(pgrep -s $$); do [ "$pid" = $$ ] || kill -9 "$pid" 2>/dev/null; done' EXIT
export XDG_CACHE_HOME=$TOP/cache HOME=$TOP/home
mkdir -p "$XDG_CACHE_HOME" "$HOME"
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER

OUTPUT=1920x1080
FRAME=1440x1080+240+0  # the 4:3 frame, centred
SAMPLE=5               # seconds a CPU figure spans
TICKS=$(getconf CLK_TCK)

# ---- what each desktop offers: every start_DESKTOP defines these -------
# shot FILE, hide, show, close, key KEY; a step a desktop cannot take
# fails through cannot, which leaves its reason in CANNOT.
cannot() { CANNOT=$*; return 1; }

# take STEP...: one step, its output logged; fails when the step fails
# or the desktop cannot take it, leaving any reason in CANNOT
take() { CANNOT=; "$@" >>"$LOGS/steps.log" 2>&1; }

# could FIELD-VARIABLE: after a step failed, marks FIELD "cannot" and keeps
# the reason where the desktop could not take it; fails otherwise
could() {
    [ -n "$CANNOT" ] || return 1
    printf -v "$1" cannot
    [[ " ${CANNOTS[*]} " == *" $CANNOT "* ]] || CANNOTS+=("$CANNOT")
}

say() { echo "$*" >&2; }
note() { echo "$*" >>"$LOGS/steps.log"; }

# xkey KEY: KEY through XTEST; XWayland (under sway 1.12 and weston 16)
# lost the first key XTEST sent it, so a shift goes first
xkey() { xdotool key shift "$1"; }

# ---- X window managers on Xvfb -----------------------------------------
xwm() {  # xwm COMMAND...: a window manager on a fresh Xvfb
    xstart "${OUTPUT}x24" || return 1
    "$@" >"$LOGS/wm.log" 2>&1 &
    HELPER_PIDS+=($!)
    waitfor 30 eval 'xdotool getdisplaygeometry >/dev/null && xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
        { note "the window manager did not mark the root window in 30 s"; return 1; }
    shot() { xclient import -window root -depth 8 "$1"; }
    hide() { xdotool set_desktop 1; }
    show() { xdotool set_desktop 0; }
    close() { waitfor 10 managed && xclient "$XPROBE" close "$(appwindow)"; }
    key() { xkey "$1"; }
}
start_openbox() { VERSION=$(openbox --version | awk 'NR == 1 {print $2}'); xwm openbox; }
start_xfwm4() {
    VERSION=$(dpkg-query -W -f '${Version}' xfwm4) VERSION=${VERSION%%-*}  # its --version needs a display
    xwm dbus-run-session -- xfwm4 --compositor=off &&
        waitfor 10 eval '[ "$(xprop -root _NET_NUMBER_OF_DESKTOPS | awk "{print \$3}")" -gt 1 ]'
}

# ---- sway ---------------------------------------------------------------
start_sway() {
    VERSION=$(sway --version | awk '{print $3}')
    swaystart "$OUTPUT" >>"$LOGS/steps.log" || return 1
    shot() { swayshot "$1"; }
    hide() { swayask -q workspace number 9; }
    show() { swayask -q workspace number 1; }
    close() { swayask -q "[pid=$APP_PID] kill"; }
    key() { if [ "$DRIVER" = x11 ]; then xkey "$1"; else wlkey "$1"; fi; }
}

# ---- weston -------------------------------------------------------------
# On its X11 backend, in a window on a fresh Xvfb, whose keyboard and
# pointer are its seat. Its headless backend offers no seat: there the
# desktop shell never activates the show's fullscreen window and keeps its
# panel above it, and SDL 2.26 crashes as it starts natively.
outer() { DISPLAY=$OUTER "$@"; }  # outer COMMAND...: on the Xvfb weston draws in
start_weston() {
    VERSION=$(weston --version | awk '{print $2}')
    local backend=(--backend=x11 --renderer=pixman)
    weston --help 2>&1 | grep -q -- --renderer || backend=(--backend=x11-backend.so --use-pixman)
    xstart "${OUTPUT}x24" || return 1
    OUTER=$DISPLAY
    weston "${backend[@]}" --width=1920 --height=1080 --xwayland --socket=wayland-1 --idle-time=0 \
        --debug --log="$LOGS/weston.log" >"$LOGS/weston.out" 2>&1 &
    HELPER_PIDS+=($!)
    export WAYLAND_DISPLAY=wayland-1 DISPLAY
    waitfor 30 grep -qs 'xserver listening on display' "$LOGS/weston.log" ||
        { note "weston did not start XWayland in 30 s"; return 1; }
    DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$LOGS/weston.log" | head -n1)
    outer xdotool mousemove 960 540  # the outer display's keys go to the window under the pointer
    shot() { (cd "$LOGS" && rm -f wayland-screenshot*.png && weston-screenshooter >/dev/null 2>&1 &&
        mv wayland-screenshot*.png "$1"); }
    hide() { if [ "$DRIVER" = x11 ]; then xdotool windowminimize "$(appwindow)"; else cannot "weston takes no request from outside to hide a window"; fi; }
    show() { if [ "$DRIVER" = x11 ]; then xdotool windowactivate "$(appwindow)"; else cannot "weston takes no request from outside to show a window"; fi; }
    close() { if [ "$DRIVER" = x11 ]; then waitfor 10 managed && xclient "$XPROBE" close "$(appwindow)"; else cannot "weston takes no request from outside to close a window"; fi; }
    key() { if [ "$DRIVER" = x11 ]; then xkey "$1"; else outer xdotool key "$1"; fi; }
}

# ---- a system bus of the case's own ------------------------------------------
# systembus [--display-manager]: a private system bus where the stand-in
# logind (tests/tools/logind.py) holds the session SESSION; lock and
# unlock ask it, as loginctl lock-session and unlock-session do, and wait
# for the desktop to set the session's LockedHint
SESSION=c1
systembus() {
    printf '%s\n' '<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN" "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">' \
        "<busconfig><type>system</type><listen>unix:path=$XDG_RUNTIME_DIR/system_bus</listen>" \
        '<auth>EXTERNAL</auth><policy context="default"><allow user="*"/><allow own="*"/>' \
        '<allow send_type="method_call"/><allow send_destination="*"/><allow receive_sender="*"/></policy></busconfig>' \
        >"$LOGS/system-bus.conf"
    dbus-daemon --config-file="$LOGS/system-bus.conf" --nofork >"$LOGS/system-bus.log" 2>&1 &
    HELPER_PIDS+=($!)
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/system_bus
    waitfor 10 test -S "$XDG_RUNTIME_DIR/system_bus" || { note "the private system bus did not start"; return 1; }
    python3 "$(dirname "$0")/../tests/tools/logind.py" "$@" "$SESSION" >"$LOGS/logind.log" 2>&1 &
    HELPER_PIDS+=($!)
    waitfor 10 grep -qsx ready "$LOGS/logind.log" || { note "the stand-in logind did not start"; return 1; }
}
logind() {  # logind METHOD: asks the stand-in's manager to do METHOD to the session
    gdbus call --system --dest org.freedesktop.login1 --object-path /org/freedesktop/login1 \
        --method "org.freedesktop.login1.Manager.$1" "$SESSION" >/dev/null
}
lock() { logind LockSession && waitfor 20 grep -qx "$SESSION locked true" "$LOGS/logind.log"; }
unlock() { logind UnlockSession && waitfor 20 grep -qx "$SESSION locked false" "$LOGS/logind.log"; }

# ---- GNOME Shell ---------------------------------------------------------
# Headless, on a private system bus where a stand-in answers for logind
# and for the display manager, without which the shell never locks.
# Screenshots, keys, closing and workspaces go through the shell's Eval,
# which a tiny extension of this session's opens ("unsafe mode").
gnomeask() {  # gnomeask EXPRESSION: its value, as JSON
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.gnome.Shell.Eval "$1" 2>>"$LOGS/eval.log" | tee -a "$LOGS/eval.log" |
        sed -n "s/^(true, '\(.*\)')\$/\1/p" | grep .
}
gnomeeval() { [ "$(gnomeask "$1")" = true ]; }
start_gnome() {
    VERSION=$(gnome-shell --version | awk '{print $3}')
    local ext=$HOME/.local/share/gnome-shell/extensions/unsafe@cubebloom
    mkdir -p "$ext"
    printf '{"uuid": "unsafe@cubebloom", "name": "unsafe", "description": "Eval for tests", "shell-version": ["%s"]}\n' \
        "${VERSION%%.*}" >"$ext/metadata.json"
    if [ "${VERSION%%.*}" -ge 45 ]; then
        printf '%s\n' 'export default class { enable() { global.context.unsafe_mode = true; } disable() {} }' >"$ext/extension.js"
    else
        printf '%s\n' 'function init() { return { enable() { global.context.unsafe_mode = true; }, disable() {} }; }' >"$ext/extension.js"
    fi
    systembus --display-manager || return 1
    export XDG_SESSION_ID=$SESSION
    mkdir -p "$HOME/.config"
    # No animations: the time to show the window again is the program's, not a workspace slide's
    printf '%s\n' '[org/gnome/shell]' 'enabled-extensions=["unsafe@cubebloom"]' \
        '[org/gnome/desktop/interface]' 'enable-animations=false' >"$LOGS/keyfile"
    mkdir -p "$HOME/.config/glib-2.0/settings" && cp "$LOGS/keyfile" "$HOME/.config/glib-2.0/settings/keyfile"
    GSETTINGS_BACKEND=keyfile dbus-run-session -- sh -c "env >$LOGS/bus.env; exec gnome-shell --headless \
        --wayland --virtual-monitor $OUTPUT --wayland-display=wayland-1" >"$LOGS/gnome-shell.log" 2>&1 &
    HELPER_PIDS+=($!)
    waitfor 20 grep -qs '^DBUS_SESSION_BUS_ADDRESS=' "$LOGS/bus.env" || { note "no session bus"; return 1; }
    export DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY=wayland-1 DISPLAY XAUTHORITY
    DBUS_SESSION_BUS_ADDRESS=$(sed -n 's/^DBUS_SESSION_BUS_ADDRESS=//p' "$LOGS/bus.env")
    # It starts in the overview, once its start-up is over; banners (one
    # says the session is unsafe) would cover the frame.
    waitfor 60 gnomeeval '!Main.layoutManager._startingUp' ||
        { note "GNOME Shell did not finish starting in 60 s"; return 1; }
    waitfor 10 gnomeeval 'Main.messageTray.bannerBlocked = true; Main.overview.hide();
        Main.layoutManager.screenShieldGroup.hide(); !Main.overview.visible' ||
        { note "GNOME Shell kept its overview"; return 1; }
    DISPLAY=$(gnomeask 'imports.gi.GLib.getenv("DISPLAY")' | tr -d '"')
    XAUTHORITY=$(gnomeask 'imports.gi.GLib.getenv("XAUTHORITY")' | tr -d '"')
    # Clutter.get_default_backend is gone from GNOME 51
    gnomeeval 'const c = imports.gi.Clutter, b = c.get_default_backend ? c.get_default_backend() : global.stage.get_context().get_backend();
        global.cubebloomKeys = b.get_default_seat().create_virtual_device(c.InputDeviceType.KEYBOARD_DEVICE); true' ||
        note "no virtual keyboard"
    shot() {
        gdbus call --session --dest org.gnome.Shell.Screenshot --object-path /org/gnome/Shell/Screenshot \
            --method org.gnome.Shell.Screenshot.Screenshot false false "$1" >/dev/null
    }
    gnomewindow='global.get_window_actors().map(a => a.meta_window).find(w => w.get_pid() === '
    GNOMETIME='global.display.get_current_time_roundtrip()'
    hide() { gnomeeval "global.workspace_manager.append_new_workspace(true, $GNOMETIME); true"; }
    show() {
        gnomeeval "const w = $gnomewindow$APP_PID); w.get_workspace().activate_with_focus(w, $GNOMETIME);
            w.get_workspace().active"
    }
    close() { gnomeeval "$gnomewindow$APP_PID).delete($GNOMETIME); true"; }
    key() {
        local code
        case "$1" in 2) code=3 ;; 3) code=4 ;; Escape) code=1 ;; esac  # evdev codes
        gnomeeval "const t = imports.gi.GLib.get_monotonic_time();
            global.cubebloomKeys.notify_key(t, $code, imports.gi.Clutter.KeyState.PRESSED);
            global.cubebloomKeys.notify_key(t + 20000, $code, imports.gi.Clutter.KeyState.RELEASED); true"
    }
}

# ---- KWin -----------------------------------------------------------------
# Headless (its virtual backend), with its screen locker, on a private
# system bus where the stand-in logind holds its session; only its lock
# case runs here. kwin_wayland carries a file capability, which a
# container may refuse to run: a copy without it runs the same.
start_kwin() {
    VERSION=$(dpkg-query -W -f '${Version}' kwin-wayland) VERSION=${VERSION#*:} VERSION=${VERSION%%-*}
    cp "$(command -v kwin_wayland)" "$LOGS/kwin_wayland"
    systembus || return 1
    export XDG_SESSION_ID=$SESSION
    # it outlives its session bus: its own process is ended too
    # a socket of its own, which no compositor of an earlier case still holds
    dbus-run-session -- sh -c "echo \$\$ >$LOGS/kwin.pid; env >$LOGS/bus.env; exec $LOGS/kwin_wayland \
        --virtual --width ${OUTPUT%x*} --height ${OUTPUT#*x} --socket wayland-kwin" >"$LOGS/kwin.log" 2>&1 &
    HELPER_PIDS+=($!)
    waitfor 20 grep -qs '^DBUS_SESSION_BUS_ADDRESS=' "$LOGS/bus.env" || { note "no session bus"; return 1; }
    HELPER_PIDS+=("$(cat "$LOGS/kwin.pid")")
    export DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY=wayland-kwin
    DBUS_SESSION_BUS_ADDRESS=$(sed -n 's/^DBUS_SESSION_BUS_ADDRESS=//p' "$LOGS/bus.env")
    unset DISPLAY  # no XWayland here, nor the X server of an earlier case
    waitfor 30 test -S "$XDG_RUNTIME_DIR/wayland-kwin" || { note "KWin did not listen in 30 s"; return 1; }
}

# ---- one case -------------------------------------------------------------
percent() { awk -v t="$1" -v hz="$TICKS" -v s="$SAMPLE" 'BEGIN {printf "%.1f", 100 * t / hz / s}'; }
drew() { [ "$(frames)" -gt "$1" ]; }
managed() { xprop -id "$(appwindow)" WM_STATE 2>/dev/null | grep -q Normal; }  # a window manager shows it


# usage PERCENT-VARIABLE FRAMES-VARIABLE: CPU and frames over SAMPLE seconds
usage() {
    local c0 f0
    c0=$(cpu) f0=$(frames)
    sleep "$SAMPLE"
    printf -v "$1" %s "$(percent $(($(cpu) - c0)))"
    printf -v "$2" %s $(($(frames) - f0))
}

# program ENV...: the program, counted and its events logged, in the background
program() {
    env LD_PRELOAD="$XHOOK" CUBEBLOOM_FRAMES="$LOGS/frames" CUBEBLOOM_EVENTS="$LOGS/events" "$@" \
        "$CUBEBLOOM" >"$LOGS/app.out" 2>"$LOGS/app.err" &
    track $!
}

# xstate: what X says of the show's window (map state, WM_STATE, _NET_WM_STATE)
xstate() {
    local w
    w=$(appwindow) || return 0
    xwininfo -id "$w" | sed -n 's/^ *Map State: //p' | tr '\n' ' '
    xprop -id "$w" WM_STATE _NET_WM_STATE | tr -s '\n\t ' ' '
}

joined() { local first=$1; shift; printf "%s" "$first" "${@/#/; }"; }  # joined TEXT...: "; " between them
lines() { wc -l 2>/dev/null <"$1" || echo 0; }

# heard EVENTS-LINE TRACE-LINE: what told the program it was hidden, from
# the given lines of its event log and Wayland trace on: the app-state
# events SDL passed on, X's view of the window, and on Wayland the
# configure events' state lists (4 bytes a state) and frame callbacks.
heard() {
    local said
    said=$(tail -n +"$(($1 + 1))" "$LOGS/events" 2>/dev/null | awk '$2 == "active" {
        sub(/^state=/, "", $4); sub(/,$/, "", $4); printf "%s%s ", $3 == "gain=1" ? "+" : "-", $4 }')
    printf 'sdl: %s' "${said:-nothing}"
    if [ "$DRIVER" = x11 ]; then
        printf '; x: %s' "$(awk '{
            printf "%s %s", $1, $5
            if (/_NET_WM_STATE_HIDDEN/) printf " HIDDEN" }' "$LOGS/hidden.x11")"
    else
        tail -n +"$(($2 + 1))" "$LOGS/app.err" | awk '
            /xdg_toplevel[@#][0-9]+\.configure\(/ {match($0, /array\[[0-9]+\]/); states = states " " substr($0, RSTART + 6, RLENGTH - 7) / 4}
            /\.frame\(new id wl_callback[@#]/ {match($0, /wl_callback[@#][0-9]+/); frame[substr($0, RSTART, RLENGTH)] = 1}
            /wl_callback[@#][0-9]+\.done/ {match($0, /wl_callback[@#][0-9]+/); if (substr($0, RSTART, RLENGTH) in frame) done++}
            END {printf "; wayland: configure states%s, frame callbacks %d", states ? states : " none", done}'
        printf ', xdg_wm_base v%s' "$(sed -n 's/.*bind([0-9]*, "xdg_wm_base", \([0-9]*\).*/\1/p' "$LOGS/app.err" | head -n1)"
    fi
}

# told: the program was told it was hidden, in a way it could act on: on X
# by SDL or the window's state, on Wayland by frame callbacks that stopped
# (a few still come once the window is out of sight)
STRAY_CALLBACKS=10
told() {
    if [ "$DRIVER" = x11 ]; then
        grep -Eq -- '-[a-z,]*active|Iconic|IsUnMapped|HIDDEN' "$LOGS/heard"
    else
        [ "$(sed -n 's/.*frame callbacks \([0-9]*\).*/\1/p' "$LOGS/heard")" -le "$STRAY_CALLBACKS" ]
    fi
}

# runcase DESKTOP PATH: PATH is default (SDL chooses), x11 or wayland
runcase() {
    local desktop=$1 path=$2 driverenv=() row rect=- keys=- escape=- closed=- seen=- unseen=-
    local drawn=- back=- again=- shown=- first=- wrong=() kept= frames0 t0 f
    CANNOTS=()
    LOGS=$TOP/$desktop-$path
    rm -rf "$LOGS" && mkdir -p "$LOGS"
    say "== $desktop, $path"
    case "$path" in
        default) driverenv=(WAYLAND_DEBUG=client) ;;  # SDL 3 may go native by itself
        x11) driverenv=(SDL_VIDEODRIVER=x11) ;;
        wayland) driverenv=(SDL_VIDEODRIVER=wayland WAYLAND_DEBUG=client) ;;
    esac
    DRIVER=$path VERSION=-
    if ! "start_$desktop"; then
        row="$desktop|$VERSION|$path|-|did not start: $(tail -n1 "$LOGS/steps.log" 2>/dev/null)"
        xstop
        echo "$row"
        return 1
    fi
    program CUBEBLOOM_STOP_AT=1 "${driverenv[@]}"
    waitfor 60 stoppedorgone
    if ! alive || ! stoppedorgone; then
        alive && kill -9 "$APP_PID"
        appwait 5
        # weston 16 on unstable has been seen to drop its XWayland's connection
        # as the show starts, taking the show's X server with it
        if grep -qs 'failed to read Wayland events' "$LOGS/weston.out" && grep -q 'X connection to .* broken' "$LOGS/app.err"; then
            echo "$desktop|$VERSION|$path|x11|cannot: the compositor dropped XWayland as the show started (its log: failed to read Wayland events)"
            xstop
            return 0
        fi
        echo "$desktop|$VERSION|$path|-|the program drew no frame in 60 s (status $STATUS): $(tail -n1 "$LOGS/app.err")"
        xstop
        return 1
    fi
    DRIVER=wayland
    [ -z "${DISPLAY:-}" ] || ! appwindow >/dev/null || DRIVER=x11
    LASTDRIVER=$DRIVER
    sleep 0.5  # the compositor shows the stopped frame
    if take shot "$LOGS/first.png"; then first=$(box "$LOGS/first.png" white); fi
    kill -CONT "$APP_PID"
    sleep 2
    # The frame is measured on the running show: a stopped one answers no
    # window manager, and some keep their panels above it until it does.
    if take shot "$LOGS/seen.png"; then rect=$(box "$LOGS/seen.png" white); fi
    usage seen shown
    for k in 2 3; do
        if take key "$k"; then
            waitfor 5 grep -qs "key $k\$" "$LOGS/events" && keys=${keys/-/}$k
        else could keys || :; fi
    done
    take shot "$LOGS/rig3.png" || :
    local events0 trace0
    events0=$(lines "$LOGS/events") trace0=$(lines "$LOGS/app.err")
    if take hide; then
        sleep 1
        [ "$DRIVER" != x11 ] || xstate >"$LOGS/hidden.x11"
        take shot "$LOGS/hidden.png" && [ "$(box "$LOGS/hidden.png" white)" = "$rect" ] &&
            kept="not hidden: the desktop still showed it"
        usage unseen drawn
        heard "$events0" "$trace0" >"$LOGS/heard"
        frames0=$(frames) t0=$(now)
        if take show && waitfor 5 drew "$frames0"; then
            back=$((($(now) - t0) / 1000))ms
            usage again f
        else could back || :; fi
    else could unseen || :; fi
    if take key Escape; then appwait 30 && escape=$STATUS; else could escape || :; fi
    alive && { kill -TERM "$APP_PID"; appwait 30; }
    for f in frames events app.out app.err; do mv "$LOGS/$f" "$LOGS/first-$f" 2>/dev/null; done
    program "${driverenv[@]}"
    if waitfor 60 drew 0; then
        if take close; then appwait 30 && closed=$STATUS; else could closed || :; fi
    fi
    alive && { kill -TERM "$APP_PID"; appwait 30; }
    xstop
    [ "$rect" = "$FRAME" ] || wrong+=("frame $rect")
    [[ "$keys" == @(23|cannot) ]] || wrong+=("keys")
    [[ "$escape" == @(0|cannot) ]] || wrong+=("Escape")
    [[ "$closed" == @(0|cannot) ]] || wrong+=("close")
    local notes=()
    [ -z "$kept" ] || notes+=("$kept")
    if [ "$unseen" = cannot ] || [ -n "$kept" ]; then :
    elif [ "$drawn" = 0 ] && awk -v p="$unseen" 'BEGIN {exit !(p < 2)}'; then :
    elif [ "$drawn" != - ] && ! told; then notes+=("not told it was hidden")
    else wrong+=("unseen"); fi
    [[ "$unseen" == cannot || "$back" == cannot ]] || { [ "$back" != - ] && [ "${back%ms}" -le 1000 ]; } ||
        wrong+=("seen again")
    [ ${#CANNOTS[@]} -eq 0 ] || notes+=("cannot: $(joined "${CANNOTS[@]}")")
    [ "$first" = "$rect" ] || notes+=("first frame, stopped: $first")
    local verdict=${wrong[*]:-$(joined "${notes[@]:-right}")}
    [ "$unseen" = cannot ] || unseen="$unseen ($drawn)"
    echo "$desktop|$VERSION|$path|$DRIVER|$rect|$keys|$escape|$closed|$seen ($shown)|$unseen|$back|$again|$verdict|$(cat "$LOGS/heard" 2>/dev/null)"
    [ ${#wrong[@]} -eq 0 ]
}

stilled() { local f; f=$(frames) && sleep 2 && [ "$(frames)" = "$f" ]; }  # no frame in 2 s

# lockcase DESKTOP: the show seen, the session locked, then unlocked; one
# row: ticks seen, locked (once it has drawn nothing for 2 s, within 20 s)
# and after, and how soon it drew again
lockcase() {
    local desktop=$1 seen=- shown=- locked=- drawn=- back=- again=- f frames0 t0 wrong=()
    LOGS=$TOP/$desktop-locked
    rm -rf "$LOGS" && mkdir -p "$LOGS"
    say "== $desktop, locked"
    DRIVER=wayland VERSION=-
    if ! "start_$desktop"; then
        echo "$desktop|$VERSION|locked|-|did not start: $(tail -n1 "$LOGS/steps.log" 2>/dev/null)"
        xstop
        return 1
    fi
    program
    if waitfor 60 drew 0; then
        sleep 2
        usage seen shown
        if take lock; then
            # GNOME Shell holds back the swap of a frame begun as it locked,
            # for up to a second, before the show hears of the lock
            waitfor 20 stilled
            usage locked drawn
            frames0=$(frames) t0=$(now)
            if take unlock && waitfor 10 drew "$frames0"; then
                back=$((($(now) - t0) / 1000))ms
                usage again f
            fi
        else
            note "the session did not say it was locked: $(tail -n 3 "$LOGS/logind.log" | tr '\n' ' ')"
        fi
    fi
    alive && { kill -TERM "$APP_PID"; appwait 30; }
    xstop
    { [ "$drawn" = 0 ] && awk -v p="$locked" 'BEGIN {exit !(p < 2)}'; } || wrong+=("locked")
    { [ "$back" != - ] && [ "${back%ms}" -le 1000 ]; } || wrong+=("unlocked")
    echo "$desktop|$VERSION|locked|$DRIVER|-|-|-|-|$seen ($shown)|$locked ($drawn)|$back|$again|${wrong[*]:-right}|logind: $(grep -c locked "$LOGS/logind.log") hints set"
    [ ${#wrong[@]} -eq 0 ]
}

# ---- every desktop here ---------------------------------------------------
status=0
programof() { case "$1" in gnome) echo gnome-shell ;; kwin) echo kwin_wayland ;; *) echo "$1" ;; esac; }
for desktop in "${DESKTOPS[@]}"; do
    command -v "$(programof "${desktop%-locked}")" >/dev/null || continue
    if [[ "$desktop" == *-locked ]]; then
        lockcase "${desktop%-locked}" || status=1
        continue
    fi
    LASTDRIVER=
    runcase "$desktop" default || status=1
    case "$desktop:$LASTDRIVER" in
        sway:x11 | weston:x11 | gnome:x11) runcase "$desktop" wayland || status=1 ;;
        *:wayland) runcase "$desktop" x11 || status=1 ;;
    esac
done
exit "$status"
