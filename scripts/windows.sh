#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds cubebloom for 64-bit Windows on Debian 12, 13 or unstable,
# as root or as a user who may use sudo, and leaves
# build/windows/cubebloom-VERSION-windows-x86_64.zip: the program, SDL.dll
# (sdl12-compat) and SDL2.dll, a README.txt and the licences. It installs
# what it needs that is missing, builds SDL 2 from Debian's source package
# and sdl12-compat from its upstream repository, each at one pinned
# version, builds the program and its unit tests with mingw-w64, runs the
# tests and the real program under wine (tests/platform/windows/windows_test.sh),
# and builds it all again under another umask, from a copy of the checkout
# whose path has a space in it, which must give the same zip to the bit.
#   scripts/windows.sh [--sdl12-compat SOURCE]
# SOURCE is a git bundle, a clone or a URL of sdl12-compat's repository
# (by default its upstream URL); any commit but the pinned one is refused.
set -eu -o pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh

SDL2_PACKAGE=libsdl2
SDL2_VERSION=2.32.4+dfsg-1
SDL2_SUITE=trixie
SDL12_SOURCE=https://github.com/libsdl-org/sdl12-compat.git
SDL12_TAG=release-1.2.76
SDL12_COMMIT=293b4cbd9eea61b18b9c9425d0c9200bff037360
WINDOWS_PACKAGES="cmake make git dpkg-dev g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
    binutils-mingw-w64-x86-64 googletest imagemagick python3 icoutils unzip clang-tidy clang-format wine wine64
    xvfb xauth xdotool x11-utils openbox gcc libx11-dev libxfixes-dev libxss-dev"
# SDL 2 as sdl12-compat needs it for an OpenGL window, and nothing more.
SDL2_OPTIONS="-DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON
    -DSDL_AUDIO=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF
    -DSDL_POWER=OFF -DSDL_LOCALE=OFF -DSDL_RENDER=OFF -DSDL_DIRECTX=OFF -DSDL_VULKAN=OFF
    -DSDL_OPENGLES=OFF -DSDL_RENDER_D3D=OFF -DSDL_WASAPI=OFF -DSDL_XINPUT=OFF"

while [ $# -gt 0 ]; do
    case "$1" in
        --sdl12-compat) SDL12_SOURCE=$2 && shift 2 ;;
        *) echo "usage: scripts/windows.sh [--sdl12-compat SOURCE]" >&2 && exit 2 ;;
    esac
done
case "$SDL12_SOURCE" in *://*) ;; *) SDL12_SOURCE=$(realpath "$SDL12_SOURCE") ;; esac

need $WINDOWS_PACKAGES
TOP=$PWD/build/windows
VERSION=$(sed -n 's/^project(cubebloom VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
NAME=cubebloom-$VERSION-windows-x86_64
SOURCES=$TOP/sources
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
mkdir -p "$SOURCES"
say() { echo "== $*" >&2; }

# SDL 2 from Debian's source package, through an apt configuration of its
# own with a deb-src line for the mirror this machine uses; apt checks the
# files against the release's signed index.
fetchsdl2() {
    local apt=$TOP/apt options
    [ -d "$SOURCES/sdl2" ] && return 0
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/download"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $(mirror) $SDL2_SUITE main" \
        >"$apt/sources.list"
    options=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent
        -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o Acquire::Languages=none
        -o APT::Sandbox::User="$(id -un)")
    apt-get -qq "${options[@]}" update
    (cd "$apt/download" && apt-get -qq "${options[@]}" source --download-only "$SDL2_PACKAGE=$SDL2_VERSION")
    # dpkg-source finds no uploader's key to check the signature with, which
    # apt's check of the index has made moot
    dpkg-source -x "$apt/download/${SDL2_PACKAGE}_$SDL2_VERSION.dsc" "$SOURCES/sdl2.new" \
        >"$apt/dpkg-source.log" 2>&1 || { cat "$apt/dpkg-source.log" >&2; return 1; }
    mv "$SOURCES/sdl2.new" "$SOURCES/sdl2"
}

# sdl12-compat at the pinned commit, from wherever the user said.
fetchsdl12() {
    local dir=$SOURCES/sdl12-compat commit
    [ -d "$dir" ] || git clone -q -c advice.detachedHead=false --branch "$SDL12_TAG" "$SDL12_SOURCE" "$dir"
    commit=$(git -C "$dir" rev-parse HEAD)
    if [ "$commit" != "$SDL12_COMMIT" ]; then
        echo "refused: sdl12-compat from $SDL12_SOURCE is at $commit, not $SDL12_TAG ($SDL12_COMMIT)" >&2
        rm -rf "$dir"
        exit 1
    fi
}

# cmakebuild SOURCE BUILD ARGS...: configure, build and install into PREFIX
# with the cross toolchain, leaving no path of this build in the binaries
cmakebuild() {
    local flags
    flags=$(prefixmaps "$PWD=/cubebloom" "$ROOT=/build" "$SOURCES=/src")
    cmake -S "$1" -B "$2" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_FIND_ROOT_PATH="$PREFIX" \
        -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
        -DCMAKE_SHARED_LINKER_FLAGS="-Wl,--no-insert-timestamp -s" "${@:3}" >"$2.log" 2>&1 &&
        cmake --build "$2" -j "$(nproc)" >>"$2.log" 2>&1 &&
        cmake --install "$2" >>"$2.log" 2>&1 || { tail -n 30 "$2.log" >&2; return 1; }
}

# licence FILE NAME: one of the licences the zip carries
licence() { install -m 644 "$1" "$STAGE/licences/$2"; }

# buildzip ROOT [TESTS]: everything built in ROOT from the checkout here and
# the sources in SOURCES, and the zip made there; with TESTS, the unit
# tests are built too
buildzip() {
    ROOT=$1 PREFIX=$1/prefix STAGE=$1/stage/$NAME
    local testing=OFF
    [ $# -lt 2 ] || testing=ON
    rm -rf "$ROOT/build" "$PREFIX" "$1/stage" && mkdir -p "$ROOT/build" "$STAGE/licences"
    say "SDL $SDL2_VERSION (SDL2.dll)"
    cmakebuild "$SOURCES/sdl2" "$ROOT/build/sdl2" $SDL2_OPTIONS
    say "sdl12-compat $SDL12_TAG (SDL.dll)"
    cmakebuild "$SOURCES/sdl12-compat" "$ROOT/build/sdl12-compat" -DSDL12TESTS=OFF \
        -DSDL2_DIR="$PREFIX/lib/cmake/SDL2"
    if [ "$testing" = ON ]; then
        say "GoogleTest"
        cmakebuild /usr/src/googletest "$ROOT/build/googletest" -DBUILD_GMOCK=OFF
    fi
    say "cubebloom $VERSION"
    cmakebuild "$PWD" "$ROOT/build/cubebloom" -DBUILD_TESTING="$testing"
    install -m 644 "$ROOT/build/cubebloom/cubebloom.exe" "$PREFIX/bin/SDL.dll" "$PREFIX/bin/SDL2.dll" "$STAGE"
    sed "s/@VERSION@/$VERSION/; s/@SDL2@/$SDL2_VERSION/; s/@SDL12@/$SDL12_TAG/; s/\$/\r/" \
        data/windows-readme.txt >"$STAGE/README.txt"
    licence LICENSE cubebloom.txt
    licence "$SOURCES/sdl2/LICENSE.txt" SDL2.txt
    licence "$SOURCES/sdl12-compat/LICENSE.txt" sdl12-compat.txt
    licence /usr/share/doc/mingw-w64-x86-64-dev/copyright mingw-w64.txt
    licence /usr/share/doc/gcc-mingw-w64-base/copyright gcc-runtime.txt
    # entries sorted, each dated SOURCE_DATE_EPOCH, with the same modes
    # whatever the umask
    (cd "$1/stage" && python3 - "$ROOT/$NAME.zip" "$NAME" <<'PYTHON'
import os, sys, time, zipfile
when = time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))[:6]
names = sorted(os.path.join(d, f) for d, _, fs in os.walk(sys.argv[2]) for f in fs)
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for name in names:
        entry = zipfile.ZipInfo(name, when)
        entry.compress_type, entry.create_system = zipfile.ZIP_DEFLATED, 0
        with open(name, "rb") as f:
            z.writestr(entry, f.read())
PYTHON
    )
}

fetchsdl2
fetchsdl12
buildzip "$TOP" tests
ZIP=$TOP/$NAME.zip
say "the static checks of the Windows sources"
cxx=$(x86_64-w64-mingw32-g++-posix -print-file-name=include)/c++
bash scripts/lint.sh "$TOP/build/cubebloom" --extra-arg=--target=x86_64-w64-mingw32 \
    --extra-arg=-isystem"$cxx" --extra-arg=-isystem"$cxx/x86_64-w64-mingw32"
say "the unit tests, under wine"
# SDL.dll and SDL2.dll from the prefix, as wine names its folders
export WINEPREFIX=$TOP/wine WINEDEBUG=-all WINEPATH="Z:${TOP//\//\\}\\prefix\\bin"
rm -rf "$WINEPREFIX" && wineboot -i >"$TOP/wineboot.log" 2>&1
# the windows the tests make need no display; wine's desktop takes the
# driver as it starts, so the wineserver that wineboot left has to end
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >>"$TOP/wineboot.log" 2>&1
wineserver -w
ctest --test-dir "$TOP/build/cubebloom" --output-on-failure -j 2
say "the zip and the program, under wine"
cc -O2 -o "$TOP/xprobe" tests/tools/xprobe.c -lX11 -lXfixes -lXss
x86_64-w64-mingw32-gcc-posix -O2 -o "$TOP/showwindow.exe" tests/platform/windows/showwindow.c -lgdi32
KEEP_LOGS=$TOP/logs bash tests/platform/windows/windows_test.sh "$ZIP" "$TOP/build/cubebloom/cubebloom.map" \
    "$TOP/xprobe" "$TOP/showwindow.exe"
say "built again under another umask, from a path with a space"
AGAIN="$TOP/other tree/cubebloom"
rm -rf "$TOP/other tree" && mkdir -p "$AGAIN/build/windows"
git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$AGAIN"
cp -r "$SOURCES" "$AGAIN/build/windows/sources"
(umask 077 && cd "$AGAIN" && SOURCES=$PWD/build/windows/sources && buildzip "$PWD/build/windows") \
    >"$TOP/again.log" 2>&1 || { tail -n 30 "$TOP/again.log" >&2; exit 1; }
cmp "$ZIP" "$AGAIN/build/windows/$NAME.zip" || { echo "the second build's zip differs" >&2; exit 1; }
echo "$ZIP"
