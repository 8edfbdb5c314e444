#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Makes (or brings up to date) the Debian 13 root that the Qt 6/KF6 variant
# is built and tested in: debootstrap once into a cache folder outside the
# tree, then the packages below. Later runs only install what the list
# gained. The same root is the test VM's root, so it also carries the
# kernel, QEMU and the programs the scenarios run.
# Usage: qt6-root.sh [ROOT]   (default: $KCMQ_QT6_ROOT or /var/cache/kcmq/trixie-root)
set -euo pipefail

root=${1:-${KCMQ_QT6_ROOT:-/var/cache/kcmq/trixie-root}}
mirror=${KCMQ_DEBIAN_MIRROR:-http://deb.debian.org/debian}
suite=trixie

QT6_ROOT_PACKAGES=(
    # build
    cmake g++ make pkg-config gettext extra-cmake-modules ccache
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
    libkf6auth-dev libkf6i18n-dev libkf6config-dev libkf6configwidgets-dev
    libkf6widgetsaddons-dev libkf6coreaddons-dev libkf6kcmutils-dev libkf6kcmutils-bin
    # the Debian package (scripts/build-deb.sh) and its check
    build-essential debhelper dpkg-dev lintian
    # KF6 Auth's polkit backend needs a logind
    systemd libpam-systemd
    # what the helper and the scenarios run in the guest
    # Debian 13's C library ignores LANGUAGE under C.UTF-8: the helper's
    # German answers need the German locale, as a German desktop has it
    locales
    dbus polkitd quota e2fsprogs dosfstools xfsprogs util-linux mount kmod procps python3
    xvfb xdotool imagemagick x11-utils
    # the VM itself: its kernel, QEMU and the initramfs tools
    qemu-system-x86 linux-image-amd64 busybox-static cpio gzip xz-utils zstd
)

if [ "$(id -u)" -ne 0 ]; then
    echo "Making the Debian 13 root needs root." >&2
    exit 1
fi
command -v debootstrap >/dev/null || {
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q && apt-get install -y -q debootstrap
}

# Runs of other branches share the root: one at a time, and a root that
# already has every package of this list is left alone, whatever else it
# carries (a branch with a shorter list must not make the next one install
# again).
mkdir -p "$(dirname "$root")"
exec 9> "$root.lock"
flock 9
stamp=$root/.kcmq-packages
wanted=$(printf '%s\n' "${QT6_ROOT_PACKAGES[@]}" | sort -u)
if [ -f "$stamp" ] && [ -z "$(comm -23 <(echo "$wanted") <(sort -u "$stamp"))" ]; then
    exit 0
fi

if [ ! -f "$root/.kcmq-base" ]; then
    # A half-made root from an interrupted run is thrown away; nothing else
    # lives there.
    partial=$root.partial
    umount -R "$partial"/{proc,sys,dev} 2>/dev/null || true
    rm -rf --one-file-system "$partial"
    mkdir -p "$(dirname "$root")"
    echo "Making the Debian 13 root in $root (debootstrap, a few minutes)"
    debootstrap --variant=minbase "$suite" "$partial" "$mirror" > "$(dirname "$root")/debootstrap.log" 2>&1 || {
        tail -20 "$(dirname "$root")/debootstrap.log" >&2
        echo "debootstrap of $suite failed" >&2
        exit 1
    }
    touch "$partial/.kcmq-base"
    rm -rf --one-file-system "$root"
    mv "$partial" "$root"
fi

cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
# Package scripts must not start services in the chroot.
printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
# The VM packs its own initramfs; the kernel package's would only cost time.
mkdir -p "$root/etc/initramfs-tools"
echo update_initramfs=no > "$root/etc/initramfs-tools/update-initramfs.conf"
echo "Installing the Qt 6/KF6 packages into $root"
"$(dirname "$0")/in-root.sh" "$root" -- env DEBIAN_FRONTEND=noninteractive \
    sh -c 'dpkg --configure -a && apt-get update -q &&
        apt-get install -y -q --no-install-recommends -o Dpkg::Options::=--force-confold "$@" &&
        apt-get clean &&
        { grep -qx "de_DE.UTF-8 UTF-8" /etc/locale.gen || echo "de_DE.UTF-8 UTF-8" >> /etc/locale.gen; } &&
        locale-gen' \
    apt "${QT6_ROOT_PACKAGES[@]}"
{ echo "$wanted"; [ ! -f "$stamp" ] || cat "$stamp"; } | sort -u > "$stamp.new"
mv "$stamp.new" "$stamp"
