#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# An ext4 file system made with the "quota" feature: its records live in
# hidden inodes and are accounted from mount time on. quotaon -p calls that
# "on" whenever accounting runs, so enforcement is judged by writes as the
# limited user and by the kernel's enforcement flags.

image=/var/lib/kcmq-images/internal.img
mnt=/srv/kcmq/internal
truncate -s 64M "$image"
mkfs.ext4 -q -F -O quota -L kcmq-internal "$image" > /dev/null 2>&1
KCMQ_INTERNAL_DEVICE=$(losetup --find --show "$image")
export KCMQ_INTERNAL_DEVICE
mkdir -p "$mnt"
# Listed without quota options; fixtures_restore takes the line out again.
echo "$KCMQ_INTERNAL_DEVICE  $mnt  ext4  defaults  0  0" >> /etc/fstab
mount "$mnt"
install -d -o "$KCMQ_USER1" -g "$KCMQ_GROUP1" "$mnt/user1"

# The kernel's enforcement flags from Q_XGETQSTATV, without our code:
# "ENFD" when user limits are enforced, else "-".
user_enforcement() {
    python3 - "$KCMQ_INTERNAL_DEVICE" <<'PY'
import ctypes, struct, sys
libc = ctypes.CDLL(None, use_errno=True)
buf = ctypes.create_string_buffer(256)
buf[0] = 1  # FS_QSTATV_VERSION1
cmd = ((ord('X') << 8) + 8) << 8  # QCMD(Q_XGETQSTATV, USRQUOTA)
if libc.quotactl(cmd, sys.argv[1].encode(), 0, buf) != 0:
    print("-")
else:
    flags = struct.unpack_from("<H", buf.raw, 2)[0]
    print("ENFD" if flags & 2 else "-")
PY
}

# A 3 MiB write as user1, who gets a 1 MiB hard limit.
write_as_user1() {
    rm -f "$mnt/user1/big"
    as_user "$KCMQ_USER1" dd if=/dev/zero of="$mnt/user1/big" bs=1M count=3 conv=fsync 2>&1
}

check "quota feature accounts from mount time on" test "$(quotaon -p -u "$KCMQ_INTERNAL_DEVICE" 2>/dev/null | grep -c ' is on')" -ge 1
check_equal "no limits are enforced after mkfs" "-" "$(user_enforcement)"
check "load shows quotas off with the quota files present" core_test internalLoad

check_action "limits written while not enforced" change set_quota_info device_name=s:"$KCMQ_INTERNAL_DEVICE" \
    id=i:"$KCMQ_USER1_ID" type=i:0 info=q:1024,512,0,0,0,0,0,0,5
check "a write past the hard limit works while not enforced" write_as_user1

check "manager enables user quotas without remount or quotacheck, then writes grace periods" core_test internalEnable
check_equal "the kernel enforces user limits" ENFD "$(user_enforcement)"
check_contains "fstab gets usrquota" "defaults,usrquota" "$(grep "^$KCMQ_INTERNAL_DEVICE " /etc/fstab)"
check "no quota file is created" test ! -e "$mnt/aquota.user"
check_contains "a write past the hard limit fails" "Disk quota exceeded" "$(write_as_user1)"
check_equal "repquota sees the limits" "512 1024" \
    "$(repquota_line "$KCMQ_INTERNAL_DEVICE" -u "$KCMQ_USER1_ID" | awk '{ print $4, $5 }')"
check_equal "repquota sees the grace periods the apply wrote" "2days 05:00" \
    "$(repquota -u -v "$KCMQ_INTERNAL_DEVICE" 2>/dev/null | sed -n 's/^Block grace time: \(.*\); Inode grace time: \(.*\)$/\1 \2/p')"

check "manager disables user quotas and reports success" core_test internalDisable
check_equal "the kernel no longer enforces user limits" "-" "$(user_enforcement)"
check "the write works again" write_as_user1
check_equal "the fstab line is back without quota options" "defaults" "$(grep "^$KCMQ_INTERNAL_DEVICE " /etc/fstab | awk '{ print $4 }')"

rm -f "$mnt/user1/big"
umount "$mnt"
losetup -d "$KCMQ_INTERNAL_DEVICE"
rm -f "$image"
restore_fstab
