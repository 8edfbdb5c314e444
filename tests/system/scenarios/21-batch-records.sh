#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# One device's records of one kind in one request ("get_all_quota_info"),
# and every table of a load in one ("get_quota_tables"), checked against
# repquota, on the ext4 device that also holds records of
# ids without an account; then the panel finds those as "#<id>" rows.

dev=$KCMQ_EXT4_DEVICE
stray_user=45678
stray_group=45679
restore_records() {
    setquota -u "$stray_user" 0 0 0 0 "$dev"
    setquota -g "$stray_group" 0 0 0 0 "$dev"
}
trap restore_records EXIT
check "a record of a user id without an account" setquota -u "$stray_user" 1000 2000 10 20 "$dev"
check "a record of a group id without an account" setquota -g "$stray_group" 3000 4000 30 40 "$dev"

# Both as "#id used-KiB bsoft bhard files isoft ihard", one line per id.
# repquota -p prints the grace columns as numbers, so the fields stay put;
# it rounds the space up to whole KiB.
repquota_records() { # -u|-g
    repquota -npv "$1" "$dev" | awk '$1 ~ /^#[0-9]+$/ { print $1, $3, $4, $5, $7, $8, $9 }' | sort
}
reply_records() {
    printf '%s\n' "$reply" | sed -n 's/^record\.\([0-9]*\)=/\1,/p' |
        awk -F, '{ printf "#%s %d %s %s %s %s %s\n", $1, int(($4 + 1023) / 1024), $3, $2, $7, $6, $5 }' | sort
}

granted_id=$(id -u "$KCMQ_GRANTED_USER")
for kind in u g; do
    if [ $kind = u ]; then
        type=0 ids="0,$granted_id,$KCMQ_USER1_ID,$KCMQ_USER2_ID" stray=$stray_user
    else
        type=1 ids="0,$KCMQ_GROUP1_ID,$KCMQ_GROUP2_ID" stray=$stray_group
    fi
    check_action "-$kind: get_all_quota_info answers in one request" access get_all_quota_info device_name=s:"$dev" type=i:"$type" ids=n:"$ids"
    expected=$(repquota_records -$kind)
    got=$(reply_records)
    check "-$kind: repquota lists records" test -n "$expected"
    check_equal "-$kind: every record repquota lists comes back unchanged" "" "$(comm -23 <(printf '%s\n' "$expected") <(printf '%s\n' "$got"))"
    extra=$(comm -13 <(printf '%s\n' "$expected") <(printf '%s\n' "$got") | awk '{ print substr($1, 2) }' | sort -n | tr '\n' ' ')
    unrequested=$(for id in $extra; do [[ ",$ids," == *",$id,"* ]] || echo "$id"; done)
    check_equal "-$kind: records beyond repquota's are requested ids only" "" "$unrequested"
    check_contains "-$kind: the id without an account is among them" "record.$stray=" "$reply"
    for id in ${ids//,/ }; do
        check_contains "-$kind: requested id $id is answered" "record.$id=" "$reply"
    done
done

esrch="No disk map was found for the specified user. Quota turned off in file system"
check_action_fails "get_all_quota_info with quotas off" "$esrch" access get_all_quota_info device_name=s:"$KCMQ_EXT2_DEVICE" type=i:0 ids=n:"$KCMQ_USER1_ID"
check_action_fails "get_all_quota_info of a missing device" "Device /dev/kcmq-missing is not a block device" access get_all_quota_info device_name=s:/dev/kcmq-missing type=i:0 ids=n:0
check_action_fails "get_all_quota_info with ids that are not packed" "Invalid list of user or group ids" access get_all_quota_info device_name=s:"$dev" type=i:0 ids=s:"$KCMQ_USER1_ID"
check_action_fails "get_all_quota_info without ids" "Invalid list of user or group ids" access get_all_quota_info device_name=s:"$dev" type=i:0
check_action_fails "get_all_quota_info is no part of the change action" "The request get_all_quota_info is not part of the action org.velun.kcm.quotas.change" change get_all_quota_info device_name=s:"$dev" type=i:0 ids=n:0
check_equal "get_all_quota_info as a change attaches no data" "" "$(printf '%s\n' "$reply" | grep '^data\.\|^record\.')"

# A load's one request: both kinds of the device, and a missing device
# whose table alone answers with the reason.
check_action "get_quota_tables answers every table in one request" access get_quota_tables \
    user_devices=c:"$dev",/dev/kcmq-missing group_devices=c:"$dev" user_ids=n:"0,$KCMQ_USER1_ID" group_ids=n:"0,$KCMQ_GROUP1_ID"
check_contains "get_quota_tables: the user table holds the id without an account" "table.user_records.0.record.$stray_user=" "$reply"
check_contains "get_quota_tables: the user table answers a requested id" "table.user_records.0.record.$KCMQ_USER1_ID=" "$reply"
check_contains "get_quota_tables: the group table holds the id without an account" "table.group_records.0.record.$stray_group=" "$reply"
check_contains "get_quota_tables: the missing device's table answers with a reason" "error " "$(field table.user_records.1 "$reply")"
check_action_fails "get_quota_tables without the ids of a kind it reads" "Invalid list of user or group ids" access get_quota_tables user_devices=c:"$dev"

# The panel, as the host loads it, lists the stray records as members.
plugin=$(installed_plugin)
shown=$(as_user "$KCMQ_GRANTED_USER" timeout 280 "$KCMQ_PANEL_HOST" "$plugin" show 2>/dev/null)
check_contains "users tab: a \"#<id>\" row for the user id without an account" "user=$dev #$stray_user|on|" "$shown"
check_contains "groups tab: a \"#<id>\" row for the group id without an account" "group=$dev #$stray_group|on|" "$shown"
check_contains "users tab: the fixture's users are still there" "user=$dev $KCMQ_USER1|" "$shown"
