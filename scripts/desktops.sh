#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The show under the desktops Debian's users run, as root: on this
# machine's release, or for any other in a fresh minimal install
# (debootstrap) in build/desktops/RELEASE. There the current commit is
# built, and scripts/desktopcases.sh runs it as the unprivileged user
# nobody under sway and GNOME Shell, started headless, weston in a window
# on Xvfb, and openbox and xfwm4 on Xvfb, through XWayland and natively.
# Prints one table, keeps every case's logs and screenshots in
# build/desktops/RELEASE.cases, and exits 1 if any row is wrong. Packages
# it needs stay installed; all else it starts, mounts or makes on the host
# goes when it ends. Not part of the tests: each release takes minutes.
#   scripts/desktops.sh [RELEASE...]   (default: this machine's release)
set -eu -o pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
DESKTOP_PACKAGES="sway xwayland grim libxkbcommon-dev weston gnome-shell xfwm4 openbox dbus dbus-daemon python3-dbus python3-gi kwin-wayland
    libglib2.0-bin x11-utils xdotool xvfb xauth imagemagick libxfixes-dev gcc"
# KWin's lock screen: Plasma 5's on Debian 12; Plasma 6's from 13 on, whose
# greeter also needs the layer shell and Plasma's QML modules. Each
# release gets those of its index.
LOCKER_PACKAGES="libkscreenlocker5 qtwayland5 | libkscreenlocker6 qt6-wayland layer-shell-qt plasma-workspace"
need debootstrap git bsdextrautils
. scripts/chroot.sh
host=$(. /etc/os-release && echo "$VERSION_CODENAME")
releases=("$host")
[ $# -eq 0 ] || releases=("$@")
top=$PWD/build/desktops
mkdir -p "$top"
git archive -o "$top/cubebloom.tar" HEAD

# The program and the test tools, built from the current commit as root
# in STAGE/src (world-readable), with the packages the cases need.
BUILD='cd "$STAGE/src" && . scripts/deps.sh && aptget update -qq &&
    locker=${LOCKER_PACKAGES%%|*} && { apt-cache policy libkscreenlocker5 | grep -q "Candidate: [0-9]" || locker=${LOCKER_PACKAGES#*|}; } &&
    need $BUILD_PACKAGES $DESKTOP_PACKAGES $locker && buildrelease &&
    cc -O2 -shared -fPIC $(sdl-config --cflags) -o build/libxhook.so tests/tools/xhook.c -ldl &&
    cc -O2 -o build/xprobe tests/tools/xprobe.c -lX11 -lXfixes -lXss &&
    wayland-scanner client-header tests/tools/virtual-keyboard.xml build/virtual-keyboard-client.h &&
    wayland-scanner private-code tests/tools/virtual-keyboard.xml build/virtual-keyboard.c &&
    cc -O2 -Ibuild -o build/wlkeys tests/tools/wlkeys.c build/virtual-keyboard.c -lwayland-client -lxkbcommon'
CASES='cd "$STAGE/src" && CUBEBLOOM=$PWD/build/release/cubebloom XHOOK=$PWD/build/libxhook.so \
    XPROBE=$PWD/build/xprobe WLKEYS=$PWD/build/wlkeys bash scripts/desktopcases.sh "$STAGE/cases"'

# What to undo on the host, last first, when the script ends.
UNDO=()
undo() {
    local i
    for ((i = ${#UNDO[@]} - 1; i >= 0; i--)); do eval "${UNDO[i]}" || :; done
    chrootcleanup
}
trap undo EXIT

# desktops RELEASE ROOT STAGE: the cases of one release, whose root is
# ROOT, staged in STAGE (a path inside ROOT); its rows in RELEASE.rows
desktops() {
    local release=$1 root=$2 stage=$3 env
    env="STAGE=$stage DESKTOP_PACKAGES='$DESKTOP_PACKAGES' LOCKER_PACKAGES='$LOCKER_PACKAGES' DEBIAN_FRONTEND=noninteractive"
    mkdir -p "$root$stage/src" "$root$stage/cases"
    tar -x -C "$root$stage/src" -f "$top/cubebloom.tar"
    echo "== $release: packages, then the build" >&2
    inside "${root:-/}" "export $env; $BUILD" >"$top/$release.build.log" 2>&1 || {
        echo "$release|-|-|-|-|the build failed: $(tail -n1 "$top/$release.build.log")" >"$top/$release.rows"
        return 1
    }
    STACKS+=("$release: $(inside "${root:-/}" "$VERSIONS" | awk -F '|' '{print "sdl12-compat " $3 " on " $4 ", Mesa " $5}')")
    if [ ! -d "$root/tmp/.X11-unix" ]; then
        mkdir -m 1777 "$root/tmp/.X11-unix"
        [ -n "$root" ] || UNDO+=("rmdir /tmp/.X11-unix")
    fi
    chown nobody: "$root$stage/cases"
    echo "== $release: the desktops, as nobody (logs: $top/$release.cases)" >&2
    local status=0
    inside -u nobody "${root:-/}" "export $env; $CASES" 2>"$top/$release.cases.log" |
        sed "s/^/$release|/" >"$top/$release.rows" || status=1
    rm -rf "$top/$release.cases" && cp -r "$root$stage/cases" "$top/$release.cases"
    return "$status"
}

rows=() STACKS=() failed=0
for release in "${releases[@]}"; do
    rm -f "$top/$release".*.log "$top/$release.rows"
    if [ "$release" = "$host" ]; then
        stage=$(mktemp -d /var/tmp/cubebloom-desktops.XXXXXX)
        chmod 755 "$stage"
        UNDO+=("rm -rf $stage")
        desktops "$release" "" "$stage" || failed=1
    else
        root=$top/$release
        echo "== $release: bootstrapping into $root" >&2
        if bootstrap "$release" "$root"; then
            chrootmount "$root"
            desktops "$release" "$root" /var/tmp/cubebloom || failed=1
            chrootumount
        else
            echo "$release|-|-|-|-|debootstrap failed" >"$top/$release.rows"
            failed=1
        fi
    fi
    mapfile -t -O "${#rows[@]}" rows <"$top/$release.rows"
done

{
    echo "release|desktop|version|path|driver|frame|keys|Escape|close|CPU % seen (frames)|unseen|back after|again|verdict"
    printf '%s\n' "${rows[@]}" | cut -d '|' -f 1-14
} | column -t -s '|'
printf '%s\n' "" "${STACKS[@]}" "" "what the program was told while hidden:"
printf '%s\n' "${rows[@]}" | awk -F '|' 'NF > 14 {print "  " $2 " " $3 " " $4 " (" $1 "): " $15}'
echo "logs: $top/RELEASE.{build,cases}.log and $top/RELEASE.cases/DESKTOP-PATH/"
exit "$failed"
