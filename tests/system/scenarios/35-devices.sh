#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# The steps that make a device quota-ready, on the labelled ext3 device:
# new options, remount, quota files, quotas on and off.

dev=$KCMQ_EXT3_DEVICE
mnt=$KCMQ_EXT3_MOUNT
restore_device() {
    quotaoff -ug "$mnt" 2> /dev/null
    rm -f "$mnt/aquota.user" "$mnt/aquota.group"
    umount "$mnt" && mount -t ext3 -o defaults "$dev" "$mnt"
}
trap restore_device EXIT

check_action "usrquota into the ext3 entry" change set_device_options device_name=s:"$dev" options=c:defaults,usrquota
check_action "remount_device" change remount_device device_name=s:"$dev"
check_contains "remount made usrquota visible in /proc/self/mounts" "usrquota" "$(awk -v d="$dev" '$1 == d { print $4 }' /proc/self/mounts)"
check_action_fails "remount_device of a device that is not mounted" "Failed to remount device $KCMQ_SPARE_DEVICE" change remount_device device_name=s:"$KCMQ_SPARE_DEVICE"
check_action_fails "remount_device of a regular file" "Device /etc/fstab is not a block device" change remount_device device_name=s:/etc/fstab

check_action_fails "create_quota_file for folders" "Folder quotas have no quota file: the file system keeps their records itself" change create_quota_file device_name=s:"$dev" type=i:2
check_action_fails "create_quota_file with type 3" "Unknown type option for createQuotaFiles" change create_quota_file device_name=s:"$dev" type=i:3
check "types 2 and 3 created no file" sh -c "! ls '$mnt' | grep -q aquota"
check_action "create_quota_file for users" change create_quota_file device_name=s:"$dev" type=i:0
check_equal "aquota.user is a regular file of root" "600 root root" "$(file_mode "$mnt/aquota.user")"
# grpquota is not among the mount options: quotacheck refuses, and so
# must the helper.
check_action_fails "create_quota_file for groups without grpquota" "*" change create_quota_file device_name=s:"$dev" type=i:1
check_contains "the failure names the program" "Process /usr/sbin/quotacheck -gm $dev return error " "$(field error "$reply")"
check "no aquota.group after the failure" test ! -e "$mnt/aquota.group"
check_action_fails "create_quota_file of a regular file" "Device /etc/fstab is not a block device" change create_quota_file device_name=s:/etc/fstab type=i:0

check_action "enable_device_quota on" change enable_device_quota device_name=s:"$dev" type=i:0 enable=i:1
check_equal "quotaon -p reports user quotas on" on "$(quota_state "$dev" user)"
check_action "enable_device_quota on when already on" change enable_device_quota device_name=s:"$dev" type=i:0 enable=b:1
check_equal "user quotas still on" on "$(quota_state "$dev" user)"
check_action "enable_device_quota off" change enable_device_quota device_name=s:"$dev" type=i:0 enable=i:0
check_equal "quotaon -p reports user quotas off" off "$(quota_state "$dev" user)"
# Without grpquota among the mount options quotaon says nothing and exits
# 0; only the kernel's state tells that nothing was switched on.
check_action_fails "enable_device_quota for groups without grpquota" "*" change enable_device_quota device_name=s:"$dev" type=i:1 enable=i:1
check_contains "the failure names the program and its arguments" "Process quotaon -g $dev return error " "$(field error "$reply")"
check_equal "group quotas stayed off" off "$(quota_state "$dev" group)"
# The ext2 device is mounted with usrquota but has no quota file.
check_action_fails "enable_device_quota with no quota file" "*" change enable_device_quota device_name=s:"$KCMQ_EXT2_DEVICE" type=i:0 enable=i:1
check_contains "the failure carries quotaon's own message" "Process quotaon -u $KCMQ_EXT2_DEVICE return error quotaon" "$(field error "$reply")"
check_equal "ext2 user quotas stayed off" off "$(quota_state "$KCMQ_EXT2_DEVICE" user)"
check_action_fails "enable_device_quota with an option word" "Device -a is not a block device" change enable_device_quota device_name=s:-a type=i:0 enable=i:0
check_equal "the ext4 device's quotas were not touched by -a" on "$(quota_state "$KCMQ_EXT4_DEVICE" user)"
