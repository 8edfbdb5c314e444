#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# The quotas manager applying general settings: disabling group quotas, and
# a real helper failure in the middle of an apply. Kept apart from
# 40-quotas-manager because every step is a full load over KAuth.

check "manager disables group quotas on the ext4 device" core_test disableGroupQuotas
check_equal "group quotas are off for the ext4 device" off "$(quota_state "$KCMQ_EXT4_DEVICE" group)"
check_equal "user quotas stay on for the ext4 device" on "$(quota_state "$KCMQ_EXT4_DEVICE" user)"
check_equal "grpquota is gone from the ext4 fstab line" "rw,usrquota" "$(grep "^UUID=$KCMQ_EXT4_UUID" /etc/fstab | awk '{ print $4 }')"
quotaon -g "$KCMQ_EXT4_DEVICE"
restore_fstab

# A read-only bind mount over /etc/fstab: the helper can still read it but
# cannot replace it, so the first fstab rewrite of the apply fails for real.
mount --bind /etc/fstab /etc/fstab && mount -o remount,ro,bind /etc/fstab
check "a helper failure mid-apply reaches the caller intact" core_test helperFailureMidApply
umount /etc/fstab
check_equal "user quotas went on for the device before the failing one" on "$(quota_state "$KCMQ_EXT2_DEVICE" user)"
check_contains "the spare device after the failing one keeps its fstab line" "noauto,usrquota" "$(grep "^$KCMQ_SPARE_DEVICE " /etc/fstab)"
quotaoff -u "$KCMQ_EXT2_DEVICE" 2>/dev/null
rm -f "$KCMQ_EXT2_MOUNT/aquota.user"
restore_fstab
