#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# The installed panel writes exactly what the administrator asked, checked
# with the system's own tools: "Set limits…" for two users whose file limits
# differ changes only their hard space limit; a 5 TiB limit (the fixture's
# vfsv1 quota files hold it) survives an edit of the file limit; and the
# member dialog, accepted after an edit on one device, leaves the member's
# other device alone: its fstab line, its quota state and its limits.

plugin=$(installed_plugin)
ext4=$KCMQ_EXT4_DEVICE
ext2=$KCMQ_EXT2_DEVICE
u1=$KCMQ_USER1_ID
u2=$KCMQ_USER2_ID

panel() {
    as_user "$KCMQ_GRANTED_USER" timeout $((${KCMQ_SCENARIO_TIMEOUT:-300} - 30)) "$KCMQ_PANEL_HOST" "$plugin" "$@" 2>/dev/null
}

restore() {
    [ -n "${syslog_pid:-}" ] && kill "$syslog_pid"
    setquota -u "$u1" 0 0 0 0 "$ext4"
    setquota -u "$u2" 0 0 0 0 "$ext4"
    quotaoff -u "$ext2" 2>/dev/null
    rm -f "$KCMQ_EXT2_MOUNT/aquota.user"
}
trap restore EXIT

# 5 TiB in KiB blocks, above what 32-bit limits hold.
five_tib=5368709120
setquota -u "$u1" "$five_tib" 0 10 20 "$ext4"
setquota -u "$u2" 0 0 30 40 "$ext4"

# User quotas are on for the ext2 device too, so user1 has a record there.
# Its fstab line then loses "usrquota": writing that device would put it
# back (and switch quotas on again).
quotacheck -F vfsv1 -um "$ext2" && quotaon -u "$ext2"
sed -i "s|^\($ext2[[:space:]].*[[:space:]]\)rw,usrquota\([[:space:]]\)|\1rw\2|" /etc/fstab
ext2_line=$(grep "^$ext2[[:space:]]" /etc/fstab)
check_contains "the ext2 device's fstab line has no usrquota" " rw " "$(tr -s ' ' <<< "$ext2_line")"
check_equal "user quotas are on for the ext2 device" on "$(quota_state "$ext2" user)"
ext2_limits=$(repquota -n -u "$ext2" 2>&1)

# The guest runs no journal: a syslog daemon on /dev/log stands in for it
# and receives the helper's audit trail.
syslog=$(mktemp)
busybox syslogd -n -O "$syslog" &
syslog_pid=$!
sleep 1

# The new hard limit, 8 TiB in Mb, stays above user1's soft limit.
output=$(panel set-many-hard "$ext4" 8388608 "$KCMQ_USER1,$KCMQ_USER2" edit-files "$KCMQ_USER1" "$ext4" 15)
printf '%s\n' "$output" > "$(dirname "$KCMQ_REPORT")/exact-edits-host.log"
many=$(sed -n '1,/^done=set-many-hard/p' <<< "$output")
single=$(sed -n '/^done=set-many-hard/,$p' <<< "$output")

# Several members: where they differ, "various"; only the hard limit written.
check_contains "the differing soft space limit shows various" "field=softLimitMemoryValue|various" "$many"
check_contains "the differing hard file limit shows various" "field=hardLimitFilesValue|various" "$many"
check_contains "the multi-edit is applied" "message=0|Changes applied successfully|" "$many"
line1=$(repquota_line "$ext4" -u "$u1" | tr -s ' ')
line2=$(repquota_line "$ext4" -u "$u2" | tr -s ' ')
check_contains "user1: new hard space limit, the file limits kept" " 8589934592 " "$line1"
check_contains "user2: new hard space limit" " 0 8589934592 " "$line2"
check_contains "user2 keeps its own file limits" " 30 40" "$line2"

# One member, one field: the 5 TiB soft limit goes back bit for bit.
check_contains "the file limit edit is applied" "message=0|Changes applied successfully|" "$single"
line1=$(repquota_line "$ext4" -u "$u1" | tr -s ' ')
check_contains "user1's 5 TiB soft limit survives the file limit edit" " $five_tib 8589934592 " "$line1"
check_contains "user1's new soft file limit, hard file limit kept" " 15 20" "$line1"

# The other device was not touched.
check_equal "the ext2 device's fstab line is unchanged" "$ext2_line" "$(grep "^$ext2[[:space:]]" /etc/fstab)"
check_equal "user quotas are still on for the ext2 device" on "$(quota_state "$ext2" user)"
check_equal "the limits on the ext2 device are unchanged" "$ext2_limits" "$(repquota -n -u "$ext2" 2>&1)"

# The administrator can read afterwards who changed what, from where to where.
sleep 1
check_contains "the system log names the panel user's limit change of user2" \
    "uid=$(id -u "$KCMQ_GRANTED_USER") action=org.velun.kcm.quotas.change request=set_quota_info device=$ext4 type=0 id=$u2 old_limits=bsoft:0,bhard:0,isoft:30,ihard:40 new_limits=bsoft:0,bhard:8589934592,isoft:30,ihard:40 result=done" \
    "$(cat "$syslog")"
