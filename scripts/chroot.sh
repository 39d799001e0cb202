# SPDX-License-Identifier: MIT
# Sourced after deps.sh by scripts/distros.sh, scripts/arches.sh,
# scripts/desktops.sh and scripts/clean-install.sh (as root): minimal
# Debian installs in folders of build/, from the mirror that this
# machine's apt already uses, of this machine's architecture or another
# one (emulated by qemu-user-static where this machine cannot run it),
# with what a program inside needs mounted.
# Everything mounted is unmounted, everything left running inside is ended,
# and the host's binfmt_misc is put back as it was, when the sourcing
# script exits.

CHROOT_ROOTS=()
CHROOT_MOUNTS=()
BINFMT_UNDO=()  # shell commands that put the host's binfmt_misc back, in order
BINFMT=/proc/sys/fs/binfmt_misc

# The qemu-user-static handler that runs Debian architecture ARCH here, or
# nothing where this machine runs it itself.
emulator() {
    local host
    host=$(dpkg --print-architecture)
    case "$host:$1" in
        "$host:$host" | amd64:i386) ;;
        *:arm64) echo qemu-aarch64 ;;
        *:armel | *:armhf) echo qemu-arm ;;
        *:ppc64el) echo qemu-ppc64le ;;
        *:*) echo "qemu-$1" ;;
    esac
}

# binfmton HANDLER: the kernel runs HANDLER's binaries through qemu until
# the script exits. Its interpreter is opened when it is registered, so
# installs need no copy of it.
binfmton() {
    if [ ! -e "$BINFMT/register" ]; then
        mount -t binfmt_misc binfmt_misc "$BINFMT" && BINFMT_UNDO=("umount $BINFMT" "${BINFMT_UNDO[@]}")
    fi
    if [ "$(cat "$BINFMT/status")" = disabled ]; then
        echo 1 >"$BINFMT/status" && BINFMT_UNDO=("echo 0 >$BINFMT/status" "${BINFMT_UNDO[@]}")
    fi
    if [ ! -e "$BINFMT/$1" ]; then
        cat "/usr/lib/binfmt.d/$1.conf" >"$BINFMT/register" &&
            BINFMT_UNDO=("echo -1 >$BINFMT/$1" "${BINFMT_UNDO[@]}")
    elif [ "$(head -n 1 "$BINFMT/$1")" = disabled ]; then
        echo 1 >"$BINFMT/$1" && BINFMT_UNDO=("echo 0 >$BINFMT/$1" "${BINFMT_UNDO[@]}")
    fi
}

# bootstrap RELEASE DIR [ARCH]: a fresh minimal install of RELEASE (of
# ARCH, by default this machine's) in DIR, in place of whatever was there
# unless something is still mounted in it; apt there accepts a mirror copy
# whose Release file has passed its Valid-Until date (unstable's can) and
# leaves recommended packages out.
bootstrap() {
    local uri arch=${3:-$(dpkg --print-architecture)} qemu
    if grep -q " $(realpath -m "$2")[/ ]" /proc/mounts; then
        echo "$2 is still mounted: not touching it" >&2
        return 1
    fi
    rm -rf --one-file-system "$2"
    uri=$(mirror)
    [ -n "$uri" ] || { echo "no Debian mirror in apt's sources" >&2; return 1; }
    qemu=$(emulator "$arch")
    if [ -n "$qemu" ]; then
        binfmton "$qemu"
        debootstrap --variant=minbase --arch="$arch" --foreign "$1" "$2" "$uri" \
            >"$2.debootstrap.log" 2>&1 &&
            chroot "$2" /debootstrap/debootstrap --second-stage >>"$2.debootstrap.log" 2>&1
    else
        debootstrap --variant=minbase --arch="$arch" "$1" "$2" "$uri" >"$2.debootstrap.log" 2>&1
    fi || { tail -n 20 "$2.debootstrap.log" >&2; return 1; }
    printf 'Acquire::Check-Valid-Until "false";\nAPT::Install-Recommends "false";\n' \
        >"$2/etc/apt/apt.conf.d/90cubebloom"
}

# chrootmount DIR: /proc, /sys, /dev, /dev/pts, and a fresh /dev/shm (where
# sway's buffers are) and /tmp
chrootmount() {
    local root=$1
    CHROOT_ROOTS+=("$(realpath "$root")")
    mount -t proc proc "$root/proc" && CHROOT_MOUNTS+=("$root/proc")
    mount -t sysfs sysfs "$root/sys" && CHROOT_MOUNTS+=("$root/sys")
    mount --bind /dev "$root/dev" && CHROOT_MOUNTS+=("$root/dev")
    mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts" &&
        CHROOT_MOUNTS+=("$root/dev/pts")
    mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm" && CHROOT_MOUNTS+=("$root/dev/shm")
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

chrootcleanup() {
    local undo
    chrootumount
    for undo in "${BINFMT_UNDO[@]}"; do
        eval "$undo" 2>/dev/null || echo "could not undo: $undo" >&2
    done
    BINFMT_UNDO=()
}
trap chrootcleanup EXIT
trap 'exit 130' INT TERM

# The versions of an install's tools and stack, read inside it:
# g++|CMake|sdl12-compat|what it runs on|Mesa|clang-tidy
VERSIONS='v() { dpkg-query -W -f="\${source:Package} \${source:Version}\n" 2>/dev/null |
    awk -v s="$1" "\$1 == s {print \$2; exit}"; }
printf "%s|%s|%s|%s|%s|%s\n" "$(g++ -dumpfullversion 2>/dev/null)" \
    "$(cmake --version 2>/dev/null | awk "NR == 1 {print \$3}")" "$(v sdl12-compat)" \
    "$(if [ -n "$(v sdl2-compat)" ]; then echo "sdl2-compat $(v sdl2-compat) on SDL3 $(v libsdl3)"; else echo "SDL2 $(v libsdl2)"; fi)" \
    "$(v mesa)" "$(clang-tidy --version 2>/dev/null | awk "/version/ {print \$NF; exit}")"'

# inside [-u USER] DIR COMMAND: run a shell command in DIR as root, or as
# USER, as on a fresh login
inside() {
    local user=root home=/root
    if [ "$1" = -u ]; then
        user=$2 home=/home/$2
        shift 2
    fi
    chroot --userspec="$user:" "$1" env -i HOME="$home" TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin bash -c "$2"
}
