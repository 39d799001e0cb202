#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the Debian package on a clean machine, the way Debian tests its
# packages: builds the source package, bootstraps a fresh minimal install
# of a release into build/clean (debootstrap, as root) and runs autopkgtest
# there. It builds the package in that install, installs it with apt, and
# runs its test (debian/tests): the installed program on a virtual X
# display.
#   scripts/clean-install.sh [RELEASE]   (default bookworm)
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
need debootstrap autopkgtest
bash scripts/package.sh build/package >/dev/null
. scripts/chroot.sh
root=$PWD/build/clean
bootstrap "${1:-bookworm}" "$root"
chrootmount "$root"
autopkgtest build/package/cubebloom_*.dsc -- chroot "$root"
