#!/usr/bin/env bash
# Checks the Debian package on a clean machine: builds it, bootstraps a
# minimal Debian 12 into build/clean (debootstrap, as root), installs the
# package there with apt, and runs the installed program against a virtual
# X display of this machine until waves show; Escape must end it with 0.
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
need $WINDOW_PACKAGES dpkg-dev debootstrap
buildrelease
(cd build/release && cpack -G DEB >/dev/null)
root=$PWD/build/clean
deb=$(ls build/release/cubebloom_*_amd64.deb | head -n1)
[ -x "$root/usr/bin/apt-get" ] || debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian
mkdir -p "$root/tmp/.X11-unix"
mount -t proc proc "$root/proc"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
trap 'umount "$root/tmp/.X11-unix" "$root/proc"' EXIT
cp "$deb" "$root/tmp/"
chroot "$root" sh -c "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/$(basename "$deb")" >/dev/null
echo "installed: $(chroot "$root" dpkg-query -W cubebloom)"

CUBEBLOOM=/usr/bin/cubebloom
. scripts/xsession.sh
trap 'cleanup; umount "$root/tmp/.X11-unix" "$root/proc"' EXIT
xstart 1024x768x24
chroot "$root" env DISPLAY="$DISPLAY" XDG_RUNTIME_DIR=/tmp "$CUBEBLOOM" 2>"$WORK/app.err" &
APP_PID=$!
waveshot "$WORK/clean.png" && echo "the installed program shows waves"
appquit
echo "exit status $STATUS"
[ "$STATUS" = 0 ]
