#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# The quotas manager as the panel runs it: an ordinary user, the installed
# helper over KAuth, the fixture devices. Each step is one test function of
# coresystemtest; the system's own tools check what it did.

check "manager loads devices by UUID, label and path, the noauto one with quotas off" core_test load

# User quotas on the labelled ext3 device, which has neither the option nor a file.
check "manager enables user quotas on the ext3 device" core_test enableUserQuotas
check_contains "fstab gets usrquota appended" "defaults,usrquota" "$(grep "^LABEL=$KCMQ_EXT3_LABEL" /etc/fstab)"
check_contains "ext3 device is remounted with usrquota" usrquota "$(mount_options "$KCMQ_EXT3_DEVICE")"
check "user quota file is created on the ext3 device" test -f "$KCMQ_EXT3_MOUNT/aquota.user"
check_equal "user quotas are on for the ext3 device" on "$(quota_state "$KCMQ_EXT3_DEVICE" user)"
check_equal "grace periods written by the apply that switched quotas on" "172800 18000" \
    "$(repquota -u -v "$KCMQ_EXT3_DEVICE" 2>/dev/null | sed -n 's/^Block grace time: \(.*\); Inode grace time: \(.*\)$/\1 \2/p' |
        sed 's/2days/172800/; s/05:00/18000/')"
quotaoff -u "$KCMQ_EXT3_DEVICE"
rm -f "$KCMQ_EXT3_MOUNT/aquota.user"
restore_fstab
mount -o remount "$KCMQ_EXT3_DEVICE"

# One member's limits through the member edit path.
check "manager writes user2's limits on the ext4 device" core_test writeMemberLimits
# "#id flags used soft hard files soft hard": no grace runs, so no grace columns.
check_equal "repquota shows user2's block and file limits" "10240 20480 100 200" \
    "$(repquota_line "$KCMQ_EXT4_DEVICE" -u "$KCMQ_USER2_ID" | awk '{ print $4, $5, $7, $8 }')"
setquota -u "$KCMQ_USER2_ID" 0 0 0 0 "$KCMQ_EXT4_DEVICE"
