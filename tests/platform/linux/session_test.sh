# SPDX-License-Identifier: MIT
# The show in a session that says it is locked, on buses of the test's
# own: a stand-in logind whose sessions' LockedHint the test sets as GNOME
# Shell and KWin set it, and stand-in screen saver services (the
# freedesktop one, GNOME's) that say they are active. Locked, the show
# sleeps and lets the screen saver go; unlocked, it draws again; started
# locked, it sleeps from the start; the lock of another session, or of a
# bus that has gone, puts it to sleep no more. With no bus, buses with
# nothing on them, a bus that never answers or services that never
# answer, it starts and draws as it would without them.
. "$(dirname "$0")/../../xtest.sh"

standin() {  # standin NAME SCRIPT ARG...: a stand-in of tests/tools, once it owns its name
    launch "$1" /usr/bin/python3 "$SOURCE/tests/tools/$2" "${@:3}"
    waitfor 10 grep -qx ready "$LOGS/$1.log" || stepfail "the stand-in $1 did not take its name"
}
# buses: a system bus and a session bus; SYSTEM_BUS_PID is the first's daemon
buses() { busstart DBUS_SYSTEM_BUS_ADDRESS && SYSTEM_BUS_PID=$BUS_PID && busstart DBUS_SESSION_BUS_ADDRESS; }
# setlock SESSION true|false: what a locker tells logind
setlock() {
    dbus-send --system --print-reply --dest=org.freedesktop.login1 \
        "/org/freedesktop/login1/session/$1" org.freedesktop.login1.Session.SetLockedHint \
        "boolean:$2" >/dev/null
}
# setactive NAME true|false: a screen saver service turned on or off
setactive() {
    dbus-send --session --print-reply --dest="$1" "/${1//./\/}" "$1.SetActive" "boolean:$2" >/dev/null
}
counted() { appstart LD_PRELOAD="$XHOOK" CUBEBLOOM_FRAMES="$LOGS/frames" "$@"; }
# saw LINE: within 10 s the screen saver service has printed LINE
saw() {
    waitfor 10 grep -qx "$1" "$LOGS/screensaver.log" ||
        stepfail "the screen saver service saw only: $(tr '\n' ';' <"$LOGS/screensaver.log")"
}
# quiet: Escape ends it with status 0, and it printed nothing
quiet() {
    appquit
    [ "$STATUS" = 0 ] && [ ! -s "$LOGS/app.out" ] && [ ! -s "$LOGS/app.err" ] ||
        stepfail "status $STATUS, and it printed: $(cat "$LOGS/app.out" "$LOGS/app.err")"
}
# startsontime ENV...: it starts, and draws within 10 s (a D-Bus call left
# to time out would hold it 25 s)
startsontime() { counted "$@" && waitfor 10 draws || stepfail "no frame within 10 s of the start"; }

newcase logind
if check "an X server, the buses, logind and a screen saver service are up" eval \
    'xstart 1920x1080x24 && buses && standin logind logind.py c1 c2 && standin screensaver screensaver.py'; then
    check "starts and draws" eval 'counted && wakes'
    check "it holds the screen saver off" saw "inhibit 1 cubebloom"
    setlock c1 true
    check "its session locked, it sleeps" sleeps
    check "and lets the screen saver go" saw "uninhibit 1"
    setlock c1 false
    check "unlocked, it draws again" wakes
    check "and holds the screen saver off again" saw "inhibit 2 cubebloom"
    setlock c2 true
    check "another session locked, it draws on for 2 s" eval '! asleep'
    setlock c1 true
    check "its own locked again, it sleeps" sleeps
    kill "$SYSTEM_BUS_PID"
    check "the system bus gone, it draws again" wakes
    check "Escape ends it" quiet
fi

newcase session-id
if check "an X server, the buses and logind, with session c2 locked, are up" eval \
    'xstart 1920x1080x24 && buses && standin logind logind.py c1 c2=locked'; then
    check "started in locked session c2 (XDG_SESSION_ID), it sleeps from the start" eval \
        'counted XDG_SESSION_ID=c2 && sleeps'
    echo "frames drawn before it slept: $(frames)"
    setlock c1 true && setlock c1 false
    check "session c1 locked and unlocked, it sleeps on" asleep
    setlock c2 false
    check "its own unlocked, it draws" wakes
    check "Escape ends it" quiet
fi

newcase gnome-screensaver
if check "an X server, the buses and GNOME's screen saver service are up" eval \
    'xstart 1920x1080x24 && buses && standin gnome screensaver.py --name org.gnome.ScreenSaver'; then
    check "starts and draws" eval 'counted && wakes'
    setactive org.gnome.ScreenSaver true
    check "the screen saver active, it sleeps" sleeps
    setactive org.gnome.ScreenSaver false
    check "inactive, it draws again" wakes
    setactive org.gnome.ScreenSaver true
    check "active again, it sleeps" sleeps
    stophelper
    check "the service gone, it draws again" wakes
    check "Escape ends it" quiet
fi

newcase started-active
if check "an X server, the buses and an active screen saver service are up" eval \
    'xstart 1920x1080x24 && buses && standin screensaver screensaver.py --active'; then
    check "started under an active screen saver, it sleeps" eval 'counted && sleeps'
    check "and lets the screen saver go" saw "uninhibit 1"
    setactive org.freedesktop.ScreenSaver false
    check "the screen saver off, it draws" wakes
    check "Escape ends it" quiet
fi

# Nothing to hear, or nothing that answers: the show as it would be.
newcase no-bus
if check "an X server is up" xstart 1920x1080x24; then
    check "with no bus at all it starts on time" startsontime \
        DBUS_SYSTEM_BUS_ADDRESS="unix:path=$WORK/none" DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/none"
    check "and prints nothing" quiet
fi

newcase empty-buses
if check "an X server and two buses with nothing on them are up" eval 'xstart 1920x1080x24 && buses'; then
    check "it starts on time" startsontime
    check "and prints nothing" quiet
fi

newcase mute-buses
listening() { [ -S "$WORK/mute" ]; }
if check "an X server, and a socket that takes connections and never answers, are up" eval \
    'xstart 1920x1080x24 && launch mute /usr/bin/python3 -c "import socket, sys, time
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(16); time.sleep(3600)" "$WORK/mute" &&
    waitfor 10 listening'; then
    check "with both buses there it starts on time" startsontime \
        DBUS_SYSTEM_BUS_ADDRESS="unix:path=$WORK/mute" DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/mute"
    check "and prints nothing" quiet
fi

newcase mute-services
if check "an X server, the buses, and a logind and a screen saver that never answer, are up" eval \
    'xstart 1920x1080x24 && buses && standin logind logind.py --mute && standin screensaver screensaver.py --mute'; then
    check "it starts on time" startsontime
    check "and still draws" eval 'sleep 2 && draws'
    check "and prints nothing" quiet
fi
finish
