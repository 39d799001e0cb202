# SPDX-License-Identifier: MIT
# The Windows zip, as scripts/windows.sh leaves it, and the program in it
# under wine on Xvfb, unpacked into a fresh folder whose path has a space
# in it. The zip holds the program, its two DLLs, its README and the
# licences, and the program imports no DLL that is neither there nor
# Windows' own; it is a GUI program with the project's icon, version and
# manifest. Under wine, with no window manager and under openbox, on
# 1920x1080 and 1280x1024: the whole 4:3 frame between black bars with the
# screen's size unchanged, keys 1, 2 and 3 select the rig, Escape and the
# close request end it with status 0; minimised it takes no CPU, restored
# it draws again. Whenever Windows says nobody can see it (the session
# locked or off its console, another window over it, a second copy in
# front) it draws nothing and lets the display go, and takes it back once
# seen. At 150 % scaling the frame is the same. A display without GLX
# gives its one line on standard error and status 1, and in a message box
# where there is no standard error (as when it is double-clicked); without
# SDL2.dll, Windows' loader names it.
#   tests/platform/windows/windows_test.sh ZIP LINKER-MAP XPROBE SHOWWINDOW-EXE
# Every case starts a fresh wineserver, in a wine prefix of the test's own.
. "$(dirname "$0")/../../xtest.sh"
ZIP=$1 MAP=$2 XPROBE=$3 SHOWWINDOW=$4
TRIPLET=x86_64-w64-mingw32
NAME=$(basename "$ZIP" .zip)
VERSION=$(cut -d- -f2 <<<"$NAME")
export WINEPREFIX=$WORK/wine WINEDEBUG=-all
unset WINEPATH  # the DLLs are the zip's alone

newcase zip
listing() {
    unzip -Z1 "$ZIP" >"$LOGS/listing" && printf "$NAME/%s\n" README.txt SDL.dll SDL2.dll cubebloom.exe \
        licences/SDL2.txt licences/cubebloom.txt licences/gcc-runtime.txt licences/mingw-w64.txt \
        licences/sdl12-compat.txt | sort | cmp -s - "$LOGS/listing" || stepfail "it holds: $(tr '\n' ' ' <"$LOGS/listing")"
}
check "the zip holds the program, SDL.dll, SDL2.dll, README.txt and five licences" listing
unzip -q -d "$WORK/Program Files" "$ZIP"
DIR="$WORK/Program Files/$NAME"
# holds FILE TEXT: FILE, in the unpacked folder, holds TEXT
holds() { grep -qF "$2" "$DIR/$1" || stepfail "$1 lacks \"$2\""; }
check "the project's licence is MIT's" holds licences/cubebloom.txt "Permission is hereby granted, free of charge"
check "SDL 2's and sdl12-compat's are zlib's" eval \
    'for f in SDL2 sdl12-compat; do holds "licences/$f.txt" "Permission is granted to anyone to use this software"; done'
check "GCC's runtime exception is there" holds licences/gcc-runtime.txt "GCC RUNTIME LIBRARY EXCEPTION"
check "and mingw-w64's runtime licence" holds licences/mingw-w64.txt "mingw-w64"
check "the README names the version and the keys" eval \
    'holds README.txt "cubebloom $VERSION" && holds README.txt "Escape  quit"'
# Windows' own DLLs, which every Windows has
SYSTEM_DLLS="KERNEL32.dll USER32.dll GDI32.dll msvcrt.dll OPENGL32.dll GLU32.dll ADVAPI32.dll
    SHELL32.dll IMM32.dll OLE32.dll OLEAUT32.dll VERSION.dll WINMM.dll SETUPAPI.dll WTSAPI32.dll
    dwmapi.dll COMCTL32.dll"
imports() { "$TRIPLET-objdump" -p "$DIR/$1" | sed -n 's/^\tDLL Name: //p'; }
ownorwindows() {
    local dll
    for dll in $(imports "$1"); do
        [ -e "$DIR/$dll" ] || [[ " $(echo ${SYSTEM_DLLS,,}) " == *" ${dll,,} "* ]] ||
            { stepfail "$1 imports $dll"; return 1; }
    done
}
check "the program and its DLLs import nothing but each other and Windows' own" eval \
    'ownorwindows cubebloom.exe && ownorwindows SDL.dll && ownorwindows SDL2.dll'
header() { "$TRIPLET-objdump" -p "$DIR/cubebloom.exe" | grep -q "$1" || stepfail "no \"$1\" in its header"; }
check "a GUI program, which opens no console" header "Subsystem.*(Windows GUI)"
check "with no time of its build in it" header "Time/Date.*1970"
icons() {
    wrestool -x -t 14 "$DIR/cubebloom.exe" >"$LOGS/icon.ico" &&
        [ "$(identify -format '%wx%h ' "$LOGS/icon.ico")" = "64x64 48x48 32x32 16x16 " ] ||
        stepfail "its icon resource: $(identify -format '%wx%h ' "$LOGS/icon.ico" 2>&1)"
}
check "the project's icon, at 64, 48, 32 and 16 pixels" icons
versioned() {
    wrestool -x --raw -t 16 "$DIR/cubebloom.exe" | iconv -f UTF-16LE -t UTF-8 2>/dev/null | tr -d '\0' |
        grep -q "ProductVersion.*$VERSION" || stepfail "no version $VERSION among its resources"
}
check "and the package's version, $VERSION" versioned
# declares XPATH VALUE: the manifest embedded in the program has VALUE at XPATH
manifest() { wrestool -x --raw -t 24 "$DIR/cubebloom.exe" >"$LOGS/manifest.xml"; }
declares() {
    python3 - "$LOGS/manifest.xml" "$1" "$2" <<'PYTHON' || stepfail "its manifest lacks $1 = $2"
import sys, xml.etree.ElementTree as tree
found = tree.parse(sys.argv[1]).getroot().findall(sys.argv[2], {
    "v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
    "os": "urn:schemas-microsoft-com:compatibility.v1",
    "dpi": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
    "dpi16": "http://schemas.microsoft.com/SMI/2016/WindowsSettings"})
sys.exit(0 if any(sys.argv[3] in (e.text or "") + " ".join(e.attrib.values()) for e in found) else 1)
PYTHON
}
check "a manifest, well formed" eval 'manifest && declares . ""'
check "it is made for Windows 10 and 11" declares "os:compatibility/os:application/os:supportedOS" \
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
check "it draws in the display's pixels: per monitor, v2" \
    declares "v3:application/v3:windowsSettings/dpi16:dpiAwareness" PerMonitorV2
check "and the older declaration" declares "v3:application/v3:windowsSettings/dpi:dpiAware" true/pm
check "its box has the common controls 6" \
    declares "v1:dependency/v1:dependentAssembly/v1:assemblyIdentity" 6.0.0.0
check "it asks for no elevation" \
    declares "v3:trustInfo/v3:security/v3:requestedPrivileges/v3:requestedExecutionLevel" asInvoker

# wineshow [ENV=VALUE...]: the unpacked program under a fresh wineserver,
# its window shown within 60 s; its output in LOGS/app.out and app.err
showwindow() { xdotool search --name '^cubebloom$' 2>/dev/null | head -n1 | grep .; }
shownorgone() { showwindow >/dev/null || gone; }
winespawn() {
    wineserver -k 2>/dev/null
    (cd "$DIR" && exec env "$@" wine ./cubebloom.exe >"$LOGS/app.out" 2>"$LOGS/app.err") &
    track $!
}
wineshow() {
    winespawn "$@"
    waitfor 60 shownorgone
    alive || { appwait 0; stepfail "it ended before its window showed, status $STATUS"; return 1; }
    showwindow >/dev/null || stepfail "no window in 60 s"
}
frameat() { waitfor 30 frameis "$1" 2>/dev/null || stepfail "the frame is $(box "$LOGS/frame.png"), not $1"; }
screenis() { [ "$(xdotool getdisplaygeometry)" = "$1" ] || stepfail "the screen is $(xdotool getdisplaygeometry)"; }

# The rig the show draws from: whichcam, read from its memory, at the
# symbol's place that the linker's map of the same build gives, in the
# image wine mapped.
CAM_SYMBOL=$(awk '$2 == "whichcam" {print $1}' "$MAP")
IMAGE_BASE=$(("0x$("$TRIPLET-objdump" -p "$DIR/cubebloom.exe" | awk '$1 == "ImageBase" {print $2}')"))
rig() {
    local mapped
    mapped=$(grep -m1 'cubebloom\.exe$' "/proc/$APP_PID/maps" | cut -d- -f1) || return 1
    python3 -c 'import sys
with open(sys.argv[1], "rb") as m:
    m.seek(int(sys.argv[2])); print(int.from_bytes(m.read(4), "little"))' \
        "/proc/$APP_PID/mem" $((0x$mapped + CAM_SYMBOL - IMAGE_BASE))
}
rigis() { [ "$(rig)" = "$1" ]; }
keyrig() {  # keyrig KEY RIG: the key selects the rig within 10 s
    xdotool key "$1" && waitfor 10 rigis "$2" || stepfail "after key $1 the rig is $(rig), not $2"
}
# Traced by wine (the relay trace of two functions, which the test's
# prefix names): each frame's SwapBuffers, and SDL's SetThreadExecutionState,
# which holds the display (80000002) or lets it go (80000000). asleep,
# sleeps and wakes (tests/xtest.sh) count the frames from here.
TRACED="SetThreadExecutionState;SwapBuffers"
frames() { grep -c "Call [^ ]*\.SwapBuffers(" "$LOGS/app.err" || :; }
lasthold() { sed -n 's/.*Call [^ ]*\.SetThreadExecutionState(\([0-9a-f]*\)).*/\1/p' "$LOGS/app.err" | tail -n1; }
holdis() { [ "$(lasthold)" = "$1" ]; }
holds() { waitfor 10 holdis 80000002 || stepfail "the display is not held: last $(lasthold)"; }
letsgo() { waitfor 10 holdis 80000000 || stepfail "the display is still held: last $(lasthold)"; }
# tell WHAT: showwindow.exe does it to the show's window
tell() { wine "$SHOWWINDOW" "$1" || stepfail "showwindow.exe $1 failed"; }
# A window of another program over the whole screen, until uncovered
cover() {
    (exec wine "$SHOWWINDOW" cover >"$LOGS/cover.out" 2>&1) &
    COVER_PID=$!
}
uncover() { tell uncover && wait "$COVER_PID" || stepfail "the cover did not close"; }
# A second copy of the show, started in front of the first; its window
secondcopy() {
    FIRST=$(showwindow)
    (cd "$DIR" && exec wine ./cubebloom.exe >"$LOGS/second.out" 2>"$LOGS/second.err") &
    SECOND_PID=$!
    waitfor 60 second >/dev/null || stepfail "no second window in 60 s"
}
second() { xdotool search --name '^cubebloom$' 2>/dev/null | grep -vx "$FIRST" | head -n1 | grep .; }
secondgone() { [[ "$(procstat "$SECOND_PID" 1)" == Z ]] || ! kill -0 "$SECOND_PID" 2>/dev/null; }
closesecond() {
    xclient "$XPROBE" close "$(second)" && waitfor 30 secondgone && wait "$SECOND_PID" ||
        stepfail "the second copy did not end with status 0"
}
closeshow() { xclient "$XPROBE" close "$(showwindow)"; }
WINDOW_MANAGERS=(none openbox)

if check "a wine prefix of the test's own" eval 'xstart 1920x1080x24 && wineboot -i >"$LOGS/wineboot.log" 2>&1 &&
    wine reg add "HKCU\\Software\\Wine\\Debug" /v RelayInclude /d "$TRACED" /f >>"$LOGS/wineboot.log" 2>&1'; then
    for wm in "${WINDOW_MANAGERS[@]}"; do
        newcase "1920x1080-$wm"
        check "an X server is up, and $wm" eval 'xstart 1920x1080x24 && { [ "$wm" = none ] || wmstart; }' || continue
        check "it starts" wineshow || continue
        check "the whole 4:3 frame, centred between black bars" frameat 1440x1080+240+0
        check "the screen keeps its size" screenis "1920 1080"
        [ "$wm" = none ] && xdotool windowfocus "$(showwindow)"  # nothing else gives it the keyboard
        check "it starts on rig 0" rigis 0
        check "key 2 selects rig 1" keyrig 2 1
        check "key 3 selects rig 2" keyrig 3 2
        check "key 1 selects rig 0" keyrig 1 0
        appquit
        check "Escape ends it with status 0" test "$STATUS" = 0
        check "it starts again" wineshow &&
            check "the close request ends it with status 0" eval 'closeshow && appwait 30 && [ "$STATUS" = 0 ]'
    done

    # Whenever Windows says nobody can see it, it sleeps and lets the
    # display go, and it takes the display back once seen.
    newcase unseen
    if check "an X server is up, and openbox" eval 'xstart 1920x1080x24 && wmstart' &&
        check "it starts, traced" wineshow WINEDEBUG=-all,+relay; then
        check "it draws, and holds the display" eval 'wakes && holds'
        # as the taskbar does it: a minimise by the X window manager did
        # not reach the program under wine 10
        check "minimised, it sleeps, and lets the display go" eval 'tell minimize && sleeps && letsgo'
        check "restored, it draws again, and holds the display" eval 'tell restore && wakes && holds'
        xdotool windowactivate "$(showwindow)"
        for away in lock:unlock console-disconnect:console-connect remote-disconnect:remote-connect; do
            check "${away%:*}: it sleeps, and lets the display go" eval 'tell "${away%:*}" && sleeps && letsgo'
            check "${away#*:}: it draws again, and holds the display" eval 'tell "${away#*:}" && wakes && holds'
        done
        check "locked while off the console, then unlocked: it sleeps on" eval \
            'tell console-disconnect && tell lock && tell unlock && sleeps && letsgo'
        check "back on the console, it draws again" eval 'tell console-connect && wakes && holds'
        check "another program's window over the screen: it sleeps, and lets the display go" eval \
            'cover && sleeps && letsgo'
        check "that window closed, it draws again, and holds the display" eval 'uncover && wakes && holds'
        check "a second copy in front: the first sleeps, and lets the display go" eval \
            'secondcopy && sleeps && letsgo'
        check "the second closed (status 0), the first draws again, and holds the display" eval \
            'closesecond && wakes && holds'
        xdotool windowactivate "$(showwindow)"
        appquit
        check "Escape ends it with status 0" test "$STATUS" = 0
    fi

    newcase 1280x1024
    if check "an X server of another shape is up" xstart 1280x1024x24; then
        check "it starts" wineshow &&
            check "the whole 4:3 frame, centred" frameat 1280x960+0+32 &&
            check "the screen keeps its size" screenis "1280 1024"
        appquit
        check "Escape ends it with status 0" test "$STATUS" = 0
    fi

    # wine scales the desktop for a program that does not say it draws in
    # the display's own pixels; this one says so in its manifest.
    newcase 150-percent
    scaled() { wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$1" /f >"$LOGS/reg.log" 2>&1; }
    if check "an X server is up, and wine set to 150 % (144 dots an inch)" eval 'xstart 1920x1080x24 && scaled 144'; then
        check "it starts" wineshow && check "the whole 4:3 frame, as at 100 %" frameat 1440x1080+240+0
        appquit
        check "Escape ends it with status 0" test "$STATUS" = 0
        scaled 96
    fi

    newcase no-glx
    if check "an X server without GLX is up" eval 'xstop && xserve "$LOGS/xvfb.log" Xvfb -screen 0 1920x1080x24 -extension GLX'; then
        check "on standard error, one line, and status 1" eval \
            'winespawn && appwait 60 && oneline "Video mode set failed: *"'
        # As Explorer starts it: no standard error, no console to take.
        wineserver -k 2>/dev/null
        WINEDEBUG=-all,trace+msgbox wine start /wait /unix "$DIR/cubebloom.exe" >"$LOGS/app.out" 2>"$LOGS/app.err" &
        track $!
        boxsays() { grep -q 'MSGBOX_OnInit L"Video mode set failed: ' "$LOGS/app.err"; }
        check "double-clicked, a box titled cubebloom says that line" eval \
            'waitfor 60 showwindow >/dev/null && waitfor 10 boxsays || stepfail "no box, or not that line"'
        xdotool windowfocus "$(showwindow)" key Return
        appwait 30
        check "and once it is closed, status 1" test "$STATUS" = 1
    fi

    newcase no-sdl2
    check "without SDL2.dll, Windows' loader names it, and it does not start" eval \
        'rm "$DIR/SDL2.dll" && winespawn WINEDEBUG=-all,err+module && appwait 60 && [ "$STATUS" != 0 ] &&
        grep -q "Library SDL2.dll .* not found" "$LOGS/app.err" || stepfail "status $STATUS: $(cat "$LOGS/app.err")"'
fi
wineserver -k 2>/dev/null
finish
