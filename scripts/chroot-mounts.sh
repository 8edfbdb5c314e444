# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Sourced: the kernel file systems a chroot needs for packages, builds,
# tests and QEMU, and their removal. scripts/in-root.sh mounts them in a
# private mount namespace, where they vanish with the command. /dev is the
# kernel's devtmpfs: never delete files under a root while it is mounted
# there (qt6-root.sh removes roots with --one-file-system).

chroot_mount() {
    local root=$1
    mountpoint -q "$root/proc" || mount -t proc proc "$root/proc"
    mountpoint -q "$root/sys" || mount -t sysfs sysfs "$root/sys"
    mountpoint -q "$root/dev" || mount -t devtmpfs devtmpfs "$root/dev"
    mkdir -p "$root/dev/pts" "$root/dev/shm"
    mountpoint -q "$root/dev/pts" || mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
    mountpoint -q "$root/dev/shm" || mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
    mountpoint -q "$root/tmp" || mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
}

chroot_umount() {
    local root=$1 m
    for m in tmp dev/shm dev/pts dev sys proc; do
        mountpoint -q "$root/$m" && umount -l "$root/$m"
    done
    return 0
}
