#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Runs a command as root inside another Debian root (the Qt 6 variant's
# Debian 13 root), with a clean environment that keeps only the KCMQ_*
# variables. It runs in a private mount namespace: the root gets its own
# /proc, /sys, /dev, /dev/pts, /dev/shm and /tmp, and each DIR is bound at
# its own path, so paths in the build tree mean the same inside and out.
# Nothing stays mounted after the command, and no other user of the root
# (a parallel run) sees these mounts.
# Usage: in-root.sh ROOT [DIR...] -- COMMAND [ARG...]
set -euo pipefail

if [ -z "${KCMQ_IN_ROOT_NAMESPACE:-}" ]; then
    exec unshare --mount --propagation private -- env KCMQ_IN_ROOT_NAMESPACE=1 "$0" "$@"
fi

root=$1
shift
binds=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
    binds+=("$1")
    shift
done
[ "${1:-}" = -- ] && [ $# -ge 2 ] || {
    echo "usage: $0 ROOT [DIR...] -- COMMAND [ARG...]" >&2
    exit 2
}
shift

# /dev is the kernel's devtmpfs: never delete files under a root while
# this runs (qt6-root.sh removes roots with --one-file-system).
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount -t devtmpfs devtmpfs "$root/dev"
mkdir -p "$root/dev/pts" "$root/dev/shm"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
for dir in "${binds[@]}"; do
    mkdir -p "$root$dir"
    mount --bind "$dir" "$root$dir"
done

keep=(PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8)
while IFS= read -r -d '' assignment; do
    case "$assignment" in
    KCMQ_IN_ROOT_NAMESPACE=*) ;;
    KCMQ_*=*) keep+=("$assignment") ;;
    esac
done < <(env -0)
exec chroot "$root" /usr/bin/env -i "${keep[@]}" "$@"
