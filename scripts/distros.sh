#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Tries the README's two commands as a new user would, on other Debian
# releases: for each, a fresh minimal install (debootstrap, as root) in
# build/distros/RELEASE with git added, a clone of the current commit, then
# scripts/run.sh and scripts/test.sh inside it, as root and with no
# display. Prints one row a release, keeps each release's logs beside its
# install, and exits 1 if any command failed there.
#   scripts/distros.sh [RELEASE...]   (default: bookworm trixie sid)
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
need debootstrap git bsdextrautils
. scripts/chroot.sh
releases=(bookworm trixie sid)
[ $# -eq 0 ] || releases=("$@")
top=$PWD/build/distros
mkdir -p "$top"
git bundle create "$top/cubebloom.bundle" HEAD 2>/dev/null

rows=() failed=0
for release in "${releases[@]}"; do
    root=$top/$release
    rm -f "$root".*.log
    echo "== $release: bootstrapping into $root" >&2
    status_run=- status_test=-
    if bootstrap "$release" "$root"; then
        cp "$top/cubebloom.bundle" "$root/root/"
        chrootmount "$root"
        if inside "$root" 'apt-get update -qq && apt-get install -y -qq git >/dev/null &&
                git clone -q /root/cubebloom.bundle /root/cubebloom' >"$root.setup.log" 2>&1; then
            echo "== $release: scripts/run.sh" >&2
            status_run=0
            inside "$root" 'cd /root/cubebloom && bash scripts/run.sh' >"$root.run.log" 2>&1 ||
                status_run=$?
            echo "== $release: scripts/test.sh" >&2
            status_test=0
            inside "$root" 'cd /root/cubebloom && bash scripts/test.sh' >"$root.test.log" 2>&1 ||
                status_test=$?
        fi
        rows+=("$release|$status_run|$status_test|$(inside "$root" "$VERSIONS")")
        chrootumount
    else
        rows+=("$release|-|-||||||")
    fi
    [ "$status_run$status_test" = 00 ] || failed=1
done

{
    echo "release|run.sh|test.sh|g++|CMake|sdl12-compat|under it|Mesa|clang-tidy"
    printf '%s\n' "${rows[@]}"
} | column -t -s '|'
echo "logs: $top/RELEASE.{setup,run,test}.log"
exit "$failed"
