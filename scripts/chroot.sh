# SPDX-License-Identifier: MIT
# Sourced by scripts/distros.sh and scripts/clean-install.sh (as root):
# minimal Debian installs in folders of build/, from the mirror that this
# machine's apt already uses, with what a program inside needs mounted.
# Everything mounted is unmounted, and everything left running inside is
# ended, when the sourcing script exits.

CHROOT_ROOTS=()
CHROOT_MOUNTS=()

# The mirror of this machine's own release, as apt's sources name it.
mirror() {
    apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 2>/dev/null |
        awk '$2 !~ /-(security|updates|backports)$/ {print $1; exit}'
}

# bootstrap RELEASE DIR: a fresh minimal install of RELEASE in DIR, in
# place of whatever was there unless something is still mounted in it;
# apt there accepts a mirror copy whose Release file has passed its
# Valid-Until date (unstable's can) and leaves recommended packages out.
bootstrap() {
    local uri
    if grep -q " $(realpath -m "$2")[/ ]" /proc/mounts; then
        echo "$2 is still mounted: not touching it" >&2
        return 1
    fi
    rm -rf --one-file-system "$2"
    uri=$(mirror)
    [ -n "$uri" ] || { echo "no Debian mirror in apt's sources" >&2; return 1; }
    debootstrap --variant=minbase "$1" "$2" "$uri" >"$2.debootstrap.log" 2>&1 ||
        { tail -n 20 "$2.debootstrap.log" >&2; return 1; }
    printf 'Acquire::Check-Valid-Until "false";\nAPT::Install-Recommends "false";\n' \
        >"$2/etc/apt/apt.conf.d/90cubebloom"
}

chrootmount() {  # chrootmount DIR: /proc, /sys, /dev, /dev/pts and a fresh /tmp
    local root=$1
    CHROOT_ROOTS+=("$(realpath "$root")")
    mount -t proc proc "$root/proc" && CHROOT_MOUNTS+=("$root/proc")
    mount -t sysfs sysfs "$root/sys" && CHROOT_MOUNTS+=("$root/sys")
    mount --bind /dev "$root/dev" && CHROOT_MOUNTS+=("$root/dev")
    mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts" &&
        CHROOT_MOUNTS+=("$root/dev/pts")
    mount -t tmpfs -o mode=1777 tmpfs "$root/tmp" && CHROOT_MOUNTS+=("$root/tmp")
}

# Ends what still runs inside the mounted installs, then unmounts them,
# innermost first.
chrootumount() {
    local i root pid
    for root in "${CHROOT_ROOTS[@]}"; do
        for pid in $(ls /proc | grep -E '^[0-9]+$'); do
            [ "$(readlink "/proc/$pid/root" 2>/dev/null)" != "$root" ] || kill -9 "$pid" 2>/dev/null || :
        done
    done
    for ((i = ${#CHROOT_MOUNTS[@]} - 1; i >= 0; i--)); do
        umount "${CHROOT_MOUNTS[i]}" 2>/dev/null || umount -l "${CHROOT_MOUNTS[i]}"
    done
    CHROOT_ROOTS=() CHROOT_MOUNTS=()
}
trap chrootumount EXIT
trap 'exit 130' INT TERM

inside() {  # inside DIR COMMAND: run a shell command in DIR as root, as on a fresh login
    chroot "$1" env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin bash -c "$2"
}
