#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the show for web browsers with Debian's emscripten, on Debian 12,
# 13 or unstable, as root or as a user who may use sudo, and leaves
# build/web/: index.html, its style sheet and script, and cubebloom.js
# with the program in it. Open index.html from disk, or put the folder on
# any static web host. It installs what it needs that is missing.
# With --check it also runs the static checks and the unit tests under
# node, drives the page in Chromium and Firefox
# (tests/platform/web/web_test.sh), and builds it all again in another
# folder under another umask, which must give the same files to the bit.
#   scripts/web.sh [--check]
set -eu -o pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh

WEB_PACKAGES="cmake make emscripten"
CHECK_PACKAGES="googletest chromium firefox-esr xvfb xauth imagemagick python3 git clang-tidy clang-format"
PAGE_FILES="index.html page.css page.js"
TOOLCHAIN=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake
# Debian's emcc finds the JavaScript modules it runs under node there
export NODE_PATH=/usr/share/nodejs

check=
case "${1:-}" in
    "") ;;
    --check) check=1 ;;
    *) echo "usage: scripts/web.sh [--check]" >&2 && exit 2 ;;
esac

need $WEB_PACKAGES ${check:+$CHECK_PACKAGES}
command -v node >/dev/null || need nodejs
[ -z "$check" ] || command -v npm >/dev/null || need npm
TOP=$PWD/build/web-build
OUT=$PWD/build/web
say() { echo "== $*" >&2; }

# webbuild ROOT STAGE [TESTS]: the program built in ROOT and the page put
# together in STAGE; with TESTS, the unit tests too, on a GoogleTest built
# there
webbuild() {
    local root=$1 stage=$2 testing=OFF prefix=$1/prefix flags
    [ $# -lt 3 ] || testing=ON
    flags=$(prefixmaps "$PWD=/src" "$root=/build")
    rm -rf "$root" "$stage" && mkdir -p "$root" "$stage"
    if [ "$testing" = ON ]; then
        say "GoogleTest"
        cmake -S /usr/src/googletest -B "$root/googletest" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
            -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$prefix" \
            >"$root/googletest.log" 2>&1 &&
            cmake --build "$root/googletest" -j "$(nproc)" >>"$root/googletest.log" 2>&1 &&
            cmake --install "$root/googletest" >>"$root/googletest.log" 2>&1 ||
            { tail -n 30 "$root/googletest.log" >&2; return 1; }
    fi
    say "cubebloom for the browser"
    cmake -S . -B "$root/cubebloom" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$(command -v node)" -DCMAKE_FIND_ROOT_PATH="$prefix" \
        -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DBUILD_TESTING="$testing" \
        >"$root/cubebloom.log" 2>&1 &&
        cmake --build "$root/cubebloom" -j "$(nproc)" >>"$root/cubebloom.log" 2>&1 ||
        { tail -n 30 "$root/cubebloom.log" >&2; return 1; }
    for file in $PAGE_FILES; do
        install -m 644 "src/platform/web/$file" "$stage/"
    done
    install -m 644 "$root/cubebloom/cubebloom.js" "$stage/"
}

if [ -z "$check" ]; then
    webbuild "$TOP" "$OUT"
    echo "$OUT"
    exit 0
fi

webbuild "$TOP" "$OUT" tests
say "the static checks of the browser's sources"
sysroot=/usr/share/emscripten/cache/sysroot/include
bash scripts/lint.sh "$TOP/cubebloom" --extra-arg=--target=wasm32-unknown-emscripten \
    --extra-arg=-D__EMSCRIPTEN__ --extra-arg=-isystem"$sysroot/c++/v1" --extra-arg=-isystem"$sysroot" \
    --extra-arg=-isystem"$sysroot/SDL" --extra-arg=-I"$PWD/src" --extra-arg=-I"$TOP/cubebloom/generated"
say "the unit tests, under node"
ctest --test-dir "$TOP/cubebloom" --output-on-failure -j 2
say "the page, in Chromium and Firefox"
mkdir -p "$TOP/driver"
cp tests/platform/web/package.json tests/platform/web/package-lock.json \
    tests/platform/web/browser.mjs "$TOP/driver/"
(cd "$TOP/driver" && npm ci --ignore-scripts --no-audit --no-fund >npm.log 2>&1) ||
    { cat "$TOP/driver/npm.log" >&2; exit 1; }
KEEP_LOGS=$TOP/logs bash tests/platform/web/web_test.sh "$OUT" "$TOP/driver"
say "built again under another umask and path"
(umask 077 && webbuild "$TOP/again" "$TOP/again-web") >"$TOP/again.log" 2>&1 ||
    { tail -n 30 "$TOP/again.log" >&2; exit 1; }
diff -r "$OUT" "$TOP/again-web" >/dev/null || { echo "the second build's page differs" >&2; exit 1; }
echo "$OUT"
