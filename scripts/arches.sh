#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package as Debian's build daemons do, on other
# architectures: for each, a fresh minimal install (debootstrap, as root;
# through qemu-user-static where this machine cannot run it) in
# build/arches/ARCH-RELEASE, the build dependencies installed by apt, then
# dpkg-buildpackage -us -uc -b as an unprivileged user, with the unit tests.
# Prints one row an architecture, keeps each one's logs beside its install,
# and exits 1 if any build or test failed.
#   scripts/arches.sh [ARCH[:RELEASE]...]
#   (default: Debian 13's release architectures besides amd64, and i386 on
#   Debian 12 and 13; RELEASE defaults to trixie)
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
need debootstrap qemu-user-static git bsdextrautils
. scripts/chroot.sh
targets=(arm64 armel armhf ppc64el riscv64 s390x i386:bookworm i386:trixie)
[ $# -eq 0 ] || targets=("$@")
top=$PWD/build/arches
mkdir -p "$top"

# How the unit tests went, from the build's ctest summary: passed|skipped.
testcounts() {
    awk '/tests passed, .* tests failed out of/ {total = $NF; failed = $4}
         /\(Skipped\)$/ {skipped++}
         END {if (total != "") printf "%d|%d", total - failed - skipped, skipped; else printf "-|-"}' "$1"
}

rows=() failed=0
for target in "${targets[@]}"; do
    arch=${target%%:*} release=trixie
    [ "$target" = "$arch" ] || release=${target#*:}
    root=$top/$arch-$release
    rm -f "$root".*.log
    echo "== $arch on $release: bootstrapping into $root" >&2
    SECONDS=0
    built=no
    if bootstrap "$release" "$root" "$arch"; then
        chrootmount "$root"
        useradd --root "$root" --create-home builder
        mkdir "$root/home/builder/cubebloom"
        git archive HEAD | tar -x -C "$root/home/builder/cubebloom"
        chown -R --reference="$root/home/builder" "$root/home/builder/cubebloom"
        echo "== $arch on $release: build dependencies, then the package" >&2
        if inside "$root" 'apt-get update -qq &&
                DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq /home/builder/cubebloom' \
                >"$root.deps.log" 2>&1 &&
            inside -u builder "$root" 'cd ~/cubebloom && dpkg-buildpackage -us -uc -b' \
                >"$root.build.log" 2>&1; then
            built=yes
        fi
        chrootumount
    fi
    tests=-\|-
    [ ! -f "$root.build.log" ] || tests=$(testcounts "$root.build.log")
    rows+=("$arch|$release|$built|$tests|$((SECONDS / 60)) min")
    [ "$built" = yes ] || failed=1
done

{
    echo "architecture|release|built|unit tests passed|skipped|time"
    printf '%s\n' "${rows[@]}"
} | column -t -s '|'
echo "logs: $top/ARCH-RELEASE.{debootstrap,deps,build}.log"
exit "$failed"
