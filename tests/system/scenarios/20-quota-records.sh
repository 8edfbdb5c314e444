#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Quota records and grace periods through quotactl on the ext4 device,
# checked with repquota (numeric ids, raw grace times).

dev=$KCMQ_EXT4_DEVICE
# Later scenarios expect the fixture's records and grace periods.
restore_records() {
    setquota -u "$KCMQ_USER1" 0 0 0 0 "$dev"
    setquota -g "$KCMQ_GROUP1" 0 0 0 0 "$dev"
    setquota -g "$KCMQ_GROUP2" 0 0 0 0 "$dev"
    setquota -t -u 604800 604800 "$dev"
    setquota -t -g 604800 604800 "$dev"
}
trap restore_records EXIT
# QIF_* validity bits of the kernel's dqblk.
QIF_BLIMITS=1 QIF_SPACE=2 QIF_ILIMITS=4 QIF_INODES=8 QIF_BTIME=16 QIF_ITIME=32
QIF_LIMITS=$((QIF_BLIMITS | QIF_ILIMITS))
QIF_ALL=63

# repquota -np: "#id +- used soft hard grace files soft hard grace".
rq() { # -u|-g id
    repquota -np "$1" "$dev" | awk -v id="#$2" '$1 == id { $2 = ""; print }' | tr -s ' '
}

# Limits and grace moments go in and come back (usage is the kernel's
# alone): user1's space and files over their soft limits so the kernel
# keeps the grace moments it is given.
read -r _ used0 _ _ _ files0 _ <<< "$(rq -u "$KCMQ_USER1_ID")"
record="5000,1000,0,20,2,0,2000000000,2000000100,$((QIF_LIMITS | QIF_BTIME | QIF_ITIME))"
check_action "set_quota_info takes limits and times" change set_quota_info device_name=s:"$dev" id=i:"$KCMQ_USER1_ID" type=i:0 info=q:"$record"
check_equal "repquota shows the limits and times" "#$KCMQ_USER1_ID $used0 1000 5000 2000000000 $files0 2 20 2000000100" "$(rq -u "$KCMQ_USER1_ID")"
check_action "get_quota_info reads it back" access get_quota_info device_name=s:"$dev" id=i:"$KCMQ_USER1_ID" type=i:0
check_equal "get_quota_info returns them with the usage" "5000,1000,$((used0 * 1024)),20,2,$files0,2000000000,2000000100,$QIF_ALL" "$(field data.quota_info "$reply")"

# Usage that the kernel counted: user1 owns three files of 1 MiB.
check_action "get_quota_info of a user with files" access get_quota_info device_name=s:"$dev" id=i:"$KCMQ_USER1_ID" type=i:0
IFS=, read -r _ _ space _ _ inodes _ _ valid <<< "$(field data.quota_info "$reply")"
read -r _ used _ _ _ files _ <<< "$(rq -u "$KCMQ_USER1_ID")"
check_equal "space in use matches repquota (bytes against KiB)" "$((used * 1024))" "$space"
check_equal "files in use match repquota" "$files" "$inodes"
check_equal "the kernel marks every field of a read record valid" "$QIF_ALL" "$valid"

# Only the fields the validity mask names reach the kernel; bits above 31
# do not exist in dqblk and must not turn into valid bits.
set_user1() { # valid bhard bsoft ihard isoft
    action change set_quota_info device_name=s:"$dev" id=i:"$KCMQ_USER1_ID" type=i:0 info=q:"$2,$3,0,$4,$5,0,0,0,$1"
}
set_user1 $QIF_LIMITS 20480 10240 100 50 > /dev/null
while read -r name valid bhard bsoft ihard isoft expected; do
    set_user1 "$valid" "$bhard" "$bsoft" "$ihard" "$isoft" > /dev/null
    read -r _ _ s h _ f fs fh _ <<< "$(rq -u "$KCMQ_USER1_ID")"
    check_equal "validity: $name" "$expected" "$s $h $fs $fh"
done <<TABLE
space-limits-only $QIF_BLIMITS 30720 15360 999 999 15360 30720 50 100
file-limits-only $QIF_ILIMITS 1 1 300 200 15360 30720 200 300
no-bits-changes-nothing 0 7 7 7 7 15360 30720 200 300
bit-32-alone-is-cut-to-nothing $((1 << 32)) 7 7 7 7 15360 30720 200 300
bit-32-with-file-limits-is-refused $(((1 << 32) | QIF_ILIMITS)) 7 7 400 250 15360 30720 200 300
both-limits $QIF_LIMITS 0 0 0 0 0 0 0 0
TABLE

check_action "a record without \"info\" is accepted" change set_quota_info device_name=s:"$dev" id=i:"$KCMQ_USER1_ID" type=i:0
check_equal "a record without \"info\" changes nothing" "0 0 0 0" "$(rq -u "$KCMQ_USER1_ID" | awk '{ print $3, $4, $7, $8 }')"

check_action "group limits" change set_quota_info device_name=s:"$dev" id=i:"$KCMQ_GROUP1_ID" type=i:1 info=q:"8192,4096,0,80,40,0,0,0,$QIF_LIMITS"
check_equal "group limits are seen by repquota -g" "4096 8192 40 80" "$(rq -g "$KCMQ_GROUP1_ID" | awk '{ print $3, $4, $7, $8 }')"
check_action "type 257 is the group type" change set_quota_info device_name=s:"$dev" id=i:"$KCMQ_GROUP2_ID" type=i:257 info=q:"2048,1024,0,8,4,0,0,0,$QIF_LIMITS"
check_equal "type 257 reached the group record" "1024 2048 4 8" "$(rq -g "$KCMQ_GROUP2_ID" | awk '{ print $3, $4, $7, $8 }')"
check_equal "type 257 left the user record of that id alone" "" "$(rq -u "$KCMQ_GROUP2_ID" | awk '$3 != 0 || $4 != 0')"

check_action "change with get_quota_info succeeds" change get_quota_info device_name=s:"$dev" id=i:"$KCMQ_USER1_ID" type=i:0
check_equal "change attaches no reply data" "" "$(printf '%s\n' "$reply" | grep '^data\.')"
check_action "set wins over get in one request" change set_quota_info get_quota_info device_name=s:"$dev" id=i:"$KCMQ_USER1_ID" type=i:0 info=q:"0,0,0,11,6,0,0,0,$QIF_ILIMITS"
check_equal "set wins: the limits changed" "6 11" "$(rq -u "$KCMQ_USER1_ID" | awk '{ print $7, $8 }')"
check_equal "set wins: no record came back" "" "$(printf '%s\n' "$reply" | grep '^data\.')"

# Grace periods of the device, in repquota's own words.
grace_line() { # -u|-g
    repquota -n "$1" "$dev" | grep 'grace time'
}
while read -r name type bgrace igrace expected; do
    check_action "grace periods: $name" change set_device_grace_period device_name=s:"$dev" type=i:"$type" bgrace=u:"$bgrace" igrace=u:"$igrace"
    check_equal "grace periods seen by repquota: $name" "$expected" "$(grace_line "$([ "$type" = 1 ] && echo -g || echo -u)")"
done <<TABLE
users 0 172800 3600 Block grace time: 2days; Inode grace time: 01:00
groups 1 604800 86400 Block grace time: 7days; Inode grace time: 24:00
TABLE

# The kernel's refusals, in the helper's words.
esrch="No disk map was found for the specified user. Quota turned off in file system"
check_action_fails "get_quota_info with quotas off" "$esrch" access get_quota_info device_name=s:"$KCMQ_EXT2_DEVICE" id=i:"$KCMQ_USER1_ID" type=i:0
check_action_fails "set_quota_info with quotas off" "$esrch" change set_quota_info device_name=s:"$KCMQ_EXT2_DEVICE" id=i:"$KCMQ_USER1_ID" type=i:0 info=q:"1,1,0,1,1,0,0,0,$QIF_LIMITS"
check_action_fails "set_device_grace_period with quotas off" "$esrch" change set_device_grace_period device_name=s:"$KCMQ_EXT2_DEVICE" type=i:0 bgrace=u:60 igrace=u:60
check_action_fails "get_quota_info of a regular file" "Device $KCMQ_EXT4_MOUNT/user1/file1 is not a block device" access get_quota_info device_name=s:"$KCMQ_EXT4_MOUNT/user1/file1" id=i:0 type=i:0
check_action_fails "get_quota_info of a missing device" "Device /dev/kcmq-missing is not a block device" access get_quota_info device_name=s:/dev/kcmq-missing id=i:0 type=i:0
check_action_fails "get_quota_info without a device" "Device  is not a block device" access get_quota_info id=i:0 type=i:0
