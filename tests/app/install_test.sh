# Installs like desktop software: cmake --install lays out the program, its
# desktop entry and its man page; the Debian package declares what it needs;
# the installed program runs.
. "$(dirname "$0")/../xtest.sh"
prefix=$WORK/prefix
cmake --install "$BUILD" --prefix "$prefix" >/dev/null
check "program in bin/" test -x "$prefix/bin/cubebloom"
check "desktop entry in share/applications" \
    grep -qx 'Exec=cubebloom' "$prefix/share/applications/cubebloom.desktop"
check "man page in section 6" grep -q '^\.TH CUBEBLOOM 6' "$prefix/share/man/man6/cubebloom.6"

(cd "$BUILD" && cpack -G DEB -B "$WORK/deb" >/dev/null 2>&1)
deb=$(ls "$WORK"/deb/cubebloom_*.deb 2>/dev/null | head -n1)
check "a Debian package builds" test -n "$deb"
if [ -n "$deb" ]; then
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    for need in libsdl1.2-compat-shim libgl1 libglu1 libc6; do
        check "the package depends on $need" grep -q "$need" <<<"$depends"
    done
    check "the package holds the program, entry and man page" test "$(dpkg-deb -c "$deb" |
        grep -cE '/usr/bin/cubebloom$|/usr/share/applications/cubebloom.desktop$|/man6/cubebloom.6$')" = 3
fi

xstart 1024x768x24
CUBEBLOOM=$prefix/bin/cubebloom
check "the installed program starts" appstart
appquit
check "and ends with status 0" test "$STATUS" = 0
finish
