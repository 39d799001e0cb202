# Installs like desktop software: cmake --install lays out the program, its
# desktop entry, icon, software-centre entry and man page; the entries
# validate; the Debian package holds them all and declares what it needs;
# the installed program runs.
. "$(dirname "$0")/../xtest.sh"
prefix=$WORK/prefix share=$WORK/prefix/share
cmake --install "$BUILD" --prefix "$prefix" >/dev/null
check "program in bin/" test -x "$prefix/bin/cubebloom"
check "man page in section 6" grep -q '^\.TH CUBEBLOOM 6' "$share/man/man6/cubebloom.6"
check "icon in the hicolor theme" grep -q '<svg' "$share/icons/hicolor/scalable/apps/cubebloom.svg"
entry=$share/applications/cubebloom.desktop
check "desktop entry valid" desktop-file-validate "$entry"
check "desktop entry with its command and icon" test "$(grep -cxE 'Exec=cubebloom|Icon=cubebloom' "$entry")" = 2
appstreamcli validate --no-net "$share/metainfo/cubebloom.metainfo.xml" >"$WORK/appstream.txt"
check "software-centre entry without errors" test -s "$WORK/appstream.txt" -a -z "$(grep '^E:' "$WORK/appstream.txt")"

(cd "$BUILD" && cpack -G DEB -B "$WORK/deb" >/dev/null 2>&1)
deb=$(ls "$WORK"/deb/cubebloom_*.deb 2>/dev/null | head -n1)
check "a Debian package builds" test -n "$deb"
if [ -n "$deb" ]; then
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    check "the package depends on SDL 1.2, GL, GLU and libc" test "$(grep -oE \
        'libsdl1.2-compat-shim|libgl1|libglu1|libc6' <<<"$depends" | sort -u | wc -l)" = 4
    check "the package holds the program, entries, icon and man page" test "$(dpkg-deb -c "$deb" |
        grep -cE '/bin/cubebloom$|/cubebloom.desktop$|/cubebloom.metainfo.xml$|/apps/cubebloom.svg$|/man6/cubebloom.6$')" = 5
fi

xstart 1024x768x24
CUBEBLOOM=$prefix/bin/cubebloom
check "the installed program starts" appstart
appquit
check "and ends with status 0" test "$STATUS" = 0
finish
