# SPDX-License-Identifier: MIT
# Sourced by the project's scripts: installs the Debian packages a step
# needs when any are missing, and nothing when all are there; builds the
# Release program that several of them show; names the mirror apt uses.

# libsdl1.2-compat-dev is sdl12-compat on every release: a package of its
# own on Debian 12 (where libsdl1.2-dev is still the classic library), a
# name that libsdl1.2-dev carries on later ones.
BUILD_PACKAGES="cmake g++ make libsdl1.2-compat-dev libgl-dev libglu1-mesa-dev libx11-dev libxinerama-dev libxrandr-dev libxss-dev libwayland-dev libdbus-1-dev libgl1-mesa-dri"
WINDOW_PACKAGES="xvfb xauth xdotool imagemagick"
PACKAGE_PACKAGES="git build-essential dpkg-dev debhelper libgtest-dev libxfixes-dev libxkbcommon-dev"
TEST_PACKAGES="$PACKAGE_PACKAGES lintian desktop-file-utils appstream clang-format clang-tidy openbox x11-utils xserver-xephyr xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils sway xwayland grim foot xfwm4 i3-wm i3lock xsecurelock xterm dbus-daemon python3-dbus python3-gi librsvg2-bin $WINDOW_PACKAGES"
BENCH_PACKAGES="libbenchmark-dev"

# The mirror of this machine's own release, as apt's sources name it.
mirror() {
    apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 2>/dev/null |
        awk '$2 !~ /-(security|updates|backports)$/ {print $1; exit}'
}

# Every installed package's name, and each name it provides, one a line.
installednames() {
    dpkg-query -W -f='${db:Status-Abbrev}|${Package}, ${Provides}\n' 2>/dev/null |
        sed -n 's/^ii *|//p' | tr ',' '\n' | sed -E 's/^ *([^ (]+).*/\1/' | sort -u
}

need() {  # need PACKAGE...
    local missing=() p have
    have=$(installednames)
    for p in "$@"; do
        grep -qxF "$p" <<<"$have" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}" >&2
    aptget update -qq
    aptget install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# aptget ARG...: apt-get as root. Another apt or dpkg at work holds a lock
# that apt-get fails on at once: it is waited for, up to APT_WAIT seconds.
APT_WAIT=300
aptget() {
    local sudo= end=$((SECONDS + APT_WAIT)) err status
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    err=$(mktemp)
    while :; do
        status=0
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout="$APT_WAIT" "$@" \
            2>"$err" || status=$?
        [ "$status" -ne 0 ] && [ "$SECONDS" -lt "$end" ] &&
            grep -qE "Could not get lock|Unable to (lock|acquire)" "$err" || break
        echo "Waiting for another apt to finish" >&2
        sleep 5
    done
    cat "$err" >&2
    rm -f "$err"
    return "$status"
}

# prefixmaps PATH=NAME...: compiler flags that write each PATH as NAME in
# what is built, so that no build's own path is in it. Each is quoted, for
# the build commands take the flags as the shell would and a path may hold
# a space; GCC takes the last map that fits, so the narrower come later.
prefixmaps() {
    local map flags=
    for map in "$@"; do
        flags+="${flags:+ }\"-ffile-prefix-map=$map\""
    done
    echo "$flags"
}

buildrelease() {  # build/release/cubebloom, without tests
    need $BUILD_PACKAGES
    cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
    cmake --build build/release -j "$(nproc)" >/dev/null
}

buildtests() {  # build/test, with every test
    need $BUILD_PACKAGES $TEST_PACKAGES
    cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON >/dev/null
    cmake --build build/test -j "$(nproc)"
}
