#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Boots the test VM once and runs every scenario inside it.
# Usage: start-guest.sh <source dir> <build dir> <output dir> [NAME=value...]
# Each NAME=value reaches the scenarios as an environment variable (paths of
# test programs in the build tree, for instance).
#
# The guest sees this machine's root read-only over 9p with a tmpfs overlay
# (for the Qt 6 variant, "this machine" is the Debian 13 root that
# scripts/in-root.sh runs this script in: its kernel, its programs),
# so it has every installed program and library while nothing it does
# reaches the host; the output dir is the only writable export. The VM tier
# never skips: a missing kernel, a failed boot or a missing summary is a
# failure with the reason on standard output.
set -uo pipefail

die() {
    echo "VM tier FAILED: $*" >&2
    echo "0 passed, 1 failed"
    exit 1
}

[ $# -ge 3 ] || die "usage: $0 <source dir> <build dir> <output dir> [NAME=value...]"
src=$(cd "$1" && pwd -P) || die "no source dir $1"
build=$(cd "$2" && pwd -P) || die "no build dir $2"
mkdir -p "$3" || die "cannot create $3"
out=$(cd "$3" && pwd -P)
shift 3
for assignment in "$@"; do
    [[ "$assignment" =~ ^[A-Za-z_][A-Za-z0-9_]*= ]] || die "not a NAME=value word: $assignment"
done
here=$(cd "$(dirname "$0")" && pwd -P)

# Software emulation on CI: a generous bound (the tier takes 10 to 25
# minutes under emulation), still inside ctest's timeout.
vm_timeout=${KCMQ_VM_TIMEOUT:-2400}
log=$out/guest.log
results=$out/results

for tool in qemu-system-x86_64 busybox cpio gzip; do
    command -v "$tool" >/dev/null || die "$tool is missing (scripts/packages.sh lists the packages of this tier)"
done
busybox_bin=$(command -v busybox)
# A dynamically linked busybox would need the host's loader in the initramfs.
if [[ "$(ldd "$busybox_bin" 2>&1)" != *"not a dynamic"* ]]; then
    die "$busybox_bin is not statically linked (install busybox-static)"
fi

# The newest Debian kernel that has the quota format module; the running
# kernel of this machine may lack it, which is why the tier needs a VM.
kernel=
kver=
for image in $(ls -1 /boot/vmlinuz-* 2>/dev/null | sort -V -r); do
    v=${image#/boot/vmlinuz-}
    if [ -n "$(find "/lib/modules/$v" -name 'quota_v2.ko*' 2>/dev/null | head -1)" ]; then
        kernel=$image
        kver=$v
        break
    fi
done
[ -n "$kernel" ] || die "no kernel under /boot with quota_v2 modules (install linux-image-amd64)"
[ -r "$kernel" ] || die "kernel $kernel is not readable"

# Modules the initramfs needs to reach the 9p root, each after its
# dependencies as modules.dep lists them.
moddir=/lib/modules/$kver
declare -A seen=()
order=()
add_module() {
    local path=$1 deps d
    [ -n "${seen[$path]:-}" ] && return 0
    seen[$path]=1
    deps=$(grep -m1 "^$path:" "$moddir/modules.dep" | cut -d: -f2-)
    for d in $deps; do
        add_module "$d"
    done
    order+=("$path")
}
for name in virtio_pci 9pnet_virtio 9p overlay; do
    # Newer kernels build some of them in.
    grep -q -E "/$name\.ko$" "$moddir/modules.builtin" 2>/dev/null && continue
    path=$(grep -m1 -E "/$name\.ko(\.[a-z]+)?:" "$moddir/modules.dep" | cut -d: -f1)
    [ -n "$path" ] || die "module $name not found for kernel $kver"
    add_module "$path"
done

rm -rf "$out/initramfs" "$results"
mkdir -p "$out/initramfs"/{bin,dev,proc,sys,modules,newroot} "$results" || die "cannot prepare $out"
cp "$busybox_bin" "$out/initramfs/bin/busybox"
cp "$here/init" "$out/initramfs/init"
chmod 755 "$out/initramfs/init" "$out/initramfs/bin/busybox"
: > "$out/initramfs/modules/order"
for path in "${order[@]}"; do
    file=$(basename "$path")
    case "$file" in
    *.ko) cp "$moddir/$path" "$out/initramfs/modules/$file" ;;
    *.ko.xz) xz -dc "$moddir/$path" > "$out/initramfs/modules/${file%.xz}" ;;
    *.ko.zst) zstd -qdc "$moddir/$path" > "$out/initramfs/modules/${file%.zst}" ;;
    *.ko.gz) gzip -dc "$moddir/$path" > "$out/initramfs/modules/${file%.gz}" ;;
    *) die "unknown module file $path" ;;
    esac
    file=${file%.xz}; file=${file%.zst}; file=${file%.gz}
    echo "$file" >> "$out/initramfs/modules/order"
done
(cd "$out/initramfs" && find . | cpio -o -H newc --quiet | gzip -1) > "$out/initramfs.img" \
    || die "cannot pack the initramfs"

# The guest reads its paths from here rather than from the kernel command
# line, which cannot carry blanks.
{
    printf 'KCMQ_SOURCE_DIR=%q\n' "$src"
    printf 'KCMQ_BUILD_DIR=%q\n' "$build"
    printf 'KCMQ_SCENARIOS=%q\n' "${KCMQ_SCENARIOS:-}"
    for assignment in "$@"; do
        name=${assignment%%=*}
        printf '%s=%q\n' "$name" "${assignment#*=}"
    done
} > "$results/boot.env"

accel=(-accel tcg)
if [ "${KCMQ_VM_KVM:-0}" = 1 ] && [ -w /dev/kvm ]; then
    accel=(-accel kvm)
fi

# qemu's option syntax takes a doubled comma for a comma inside a value.
q() { printf '%s' "${1//,/,,}"; }

echo "Booting $kernel; guest log: $log"
start=$(date +%s)
timeout --kill-after=10 "$vm_timeout" qemu-system-x86_64 \
    -machine q35 -cpu max -m 3072 -smp 2 -nographic -no-reboot "${accel[@]}" \
    -kernel "$kernel" -initrd "$out/initramfs.img" \
    -append "console=ttyS0 panic=-1 loglevel=4 rdinit=/init" \
    -virtfs "local,path=/,mount_tag=hostroot,security_model=passthrough,readonly=on,multidevs=remap" \
    -virtfs "local,path=$(q "$src"),mount_tag=kcmqsrc,security_model=passthrough,readonly=on,multidevs=remap" \
    -virtfs "local,path=$(q "$build"),mount_tag=kcmqbuild,security_model=passthrough,readonly=on,multidevs=remap" \
    -virtfs "local,path=$(q "$results"),mount_tag=kcmqout,security_model=passthrough,multidevs=remap" \
    < /dev/null > "$log" 2>&1
qemu_status=$?
elapsed=$(( $(date +%s) - start ))
echo "VM ran ${elapsed}s (qemu status $qemu_status)"

show_log_tail() {
    echo "---- last lines of the guest log ($log) ----"
    tail -n "${1:-60}" "$log" | tr -d '\r'
    echo "---- end of guest log ----"
}

if [ "$qemu_status" -eq 124 ] || [ "$qemu_status" -eq 137 ]; then
    show_log_tail 80
    die "the VM did not finish within ${vm_timeout}s"
fi
if ! grep -q 'KCMQ-GUEST-STARTED' "$log"; then
    show_log_tail 80
    die "the VM did not boot (qemu status $qemu_status)"
fi
summary=$results/summary
if [ ! -s "$summary" ]; then
    show_log_tail 80
    die "the guest ended without a summary"
fi

# The guest's own report: one line per check, then the counts.
cat "$results/report" 2>/dev/null
passed=$(sed -n 's/^passed=//p' "$summary")
failed=$(sed -n 's/^failed=//p' "$summary")
passed=${passed:-0}
failed=${failed:-1}
if [ "$failed" -ne 0 ] || [ "$passed" -eq 0 ]; then
    show_log_tail 60
    echo "Guest log kept in $log"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
