# SPDX-License-Identifier: MIT
# Installs like desktop software: cmake --install lays out the program, its
# desktop entry, icon, software-centre entry and man page; the entries
# validate; the installed program runs. Where there is no display,
# scripts/run.sh leaves the three screenshots it names, and nothing else.
. "$(dirname "$0")/../xtest.sh"
newcase install
prefix=$WORK/prefix share=$WORK/prefix/share
cmake --install "$BUILD" --prefix "$prefix" >/dev/null
check "program in games/" test -x "$prefix/games/cubebloom"
check "man page in section 6" grep -q '^\.TH CUBEBLOOM 6' "$share/man/man6/cubebloom.6"
check "icon in the hicolor theme" grep -q '<svg' "$share/icons/hicolor/scalable/apps/cubebloom.svg"
entry=$share/applications/cubebloom.desktop
check "desktop entry valid" desktop-file-validate "$entry"
check "desktop entry with its command, icon and game categories" \
    test "$(grep -cxE 'Exec=cubebloom|Icon=cubebloom|Categories=Game;Amusement;' "$entry")" = 3
# Only what needs a public home of the project's own may be warned about:
# a reverse-DNS id and a homepage (AppStream 1.0 warns of its absence).
appstreamcli validate --pedantic --no-net "$share/metainfo/cubebloom.metainfo.xml" >"$LOGS/appstream.log"
check "software-centre entry without errors or warnings" test -z "$(grep -E '^[EW]:' \
    "$LOGS/appstream.log" | grep -vE ' (cid-desktopapp-is-not-rdns|url-homepage-missing)( |$)')"

check "an X server answers" xstart 1024x768x24
CUBEBLOOM=$prefix/games/cubebloom
check "the installed program starts" appstart
appquit
check "and ends with status 0" test "$STATUS" = 0

newcase screenshots
check "the screenshots of a run with no display are rig1.png, rig2.png and rig3.png alone" eval \
    'bash "$SOURCE/scripts/screenshots.sh" "$CUBEBLOOM" "$LOGS/shots" 1 >"$LOGS/app.out" 2>"$LOGS/app.err" &&
    [ "$(ls -A "$LOGS/shots" | tr "\n" " ")" = "rig1.png rig2.png rig3.png " ]'
finish
