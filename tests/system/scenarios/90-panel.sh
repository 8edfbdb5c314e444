#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# The installed panel as the host loads it: the test host goes through the
# plug-in factory, the host's load, and then only the widget tree (object
# names). The system's own tools check what an edit did.

plugin=$(installed_plugin)
shots=$(dirname "$KCMQ_REPORT")/screenshots
mkdir -p "$shots"
chmod 1777 "$shots"

panel() {
    # A panel that hangs fails its checks instead of the whole scenario. Every
    # load asks the helper once per member and device, which is slow in an
    # emulated guest, so one run does all the steps.
    # The limit follows the scenario's own (KCMQ_SCENARIO_TIMEOUT), leaving
    # time for the checks.
    as_user "$KCMQ_GRANTED_USER" timeout $((${KCMQ_SCENARIO_TIMEOUT:-300} - 20)) "$KCMQ_PANEL_HOST" "$plugin" "$@" 2>/dev/null
}

# The notification edit below goes to the group administrators file; it is
# put back as it was afterwards.
admins_file=/etc/quotagrpadmins
admins_text="$KCMQ_GROUP1: $KCMQ_USER1"
if [ -e "$admins_file" ]; then
    cp -p "$admins_file" /run/kcmq/quotagrpadmins.saved
fi
restore_admins() {
    if [ -e /run/kcmq/quotagrpadmins.saved ]; then
        mv -f /run/kcmq/quotagrpadmins.saved "$admins_file"
    else
        rm -f "$admins_file"
    fi
}
trap restore_admins EXIT

check "the plug-in is installed" test -f "$plugin"
# A notification edit stays pending across the member edit; grace periods
# of two devices (the ext2 device's user quotas switched on in the same
# Apply) and the notification edit go in one Apply.
edited=$(panel show shots "$shots" note-admins "$admins_text" edit-user "$KCMQ_USER2" "$KCMQ_EXT4_DEVICE" 100 200 20 print-admins \
    grace "$KCMQ_EXT4_DEVICE" 3 grace "$KCMQ_EXT2_DEVICE" 5 apply)
printf '%s\n' "$edited" > "$shots/host.log"
shown=$(sed -n '1,/^done=show/p' <<< "$edited")
kept=$(sed -n '/^done=edit-user/,/^done=print-admins/p' <<< "$edited")
applied=$(sed -n '/^done=grace/,$p' <<< "$edited")
check_contains "the factory is the panel's" "factory=QuotasFactory" "$shown"
check_contains "five tabs, folders last" "tab=generalTab
tab=notification
tab=groups
tab=users
tab=folders" "$shown"
check_contains "general tab: ext4 device with user and group quotas on" "general=$KCMQ_EXT4_DEVICE fs=ext4 users=on groups=on" "$shown"
check_contains "general tab: ext2 device with quotas off" "general=$KCMQ_EXT2_DEVICE fs=ext2 users=off groups=off" "$shown"
check "general tab: no vfat device" bash -c "! grep -q 'general=$KCMQ_VFAT_DEVICE' <<< \"\$1\"" _ "$shown"
check_contains "users tab: user1 uses 3 Mb on the ext4 device" "user=$KCMQ_EXT4_DEVICE $KCMQ_USER1|" "$shown"
# 3 MiB of data plus the file's own blocks: just over 3 Mb.
check "users tab: user1's usage in Mb" grep -qE "^user=$KCMQ_EXT4_DEVICE $KCMQ_USER1\|[a-z]+\|3(\.[0-9]+)? Mb\|" <<< "$shown"
check_contains "groups tab: group1 on the ext4 device" "group=$KCMQ_EXT4_DEVICE $KCMQ_GROUP1|" "$shown"

check "a screenshot of each of the five tabs" test "$(ls "$shots"/kcm-quotas-[1-5]-*.png 2>/dev/null | wc -l)" -eq 5

# A member edit through the dialog is applied at once.
edited=$(sed -n '/^done=shots/,/^done=edit-user/p' <<< "$edited")
check_contains "the member dialog's edit is applied" "message=0|Changes applied successfully|" "$edited"
line=$(repquota_line "$KCMQ_EXT4_DEVICE" -u "$KCMQ_USER2_ID" | tr -s ' ')
check_contains "repquota shows user2's new hard block limit" " 0 20480 " "$line"
check_contains "repquota shows user2's new file limits" " 100 200 " "$line"
setquota -u "$KCMQ_USER2_ID" 0 0 0 0 "$KCMQ_EXT4_DEVICE"

# The member edit kept the pending notification edit; the Apply wrote it.
check_contains "a member edit keeps the pending notification text" "admins=$admins_text|" "$kept"
check_contains "Apply succeeds" "message=0|Changes applied successfully|" "$applied"
check "no part of the Apply failed" bash -c "! grep -q '^message=3|Applying changes occurred with errors.' <<< \"\$1\"" _ "$applied"
check_equal "the following Apply writes the notification text" "$admins_text" "$(head -n 1 "$admins_file" 2>/dev/null)"

# Grace periods of two devices in one Apply, user quotas switched on for
# the ext2 device in the same Apply.
check_equal "user quotas are on for the ext2 device" on "$(quota_state "$KCMQ_EXT2_DEVICE" user)"
# The ext4 device's period was one week; the host set its days to 3.
check_contains "repquota shows the ext4 device's new grace period" "Block grace time: 10days;" "$(repquota -u "$KCMQ_EXT4_DEVICE" | grep 'grace time')"
check_contains "repquota shows the ext2 device's grace period, set as quotas came on" "Block grace time: 5days;" "$(repquota -u "$KCMQ_EXT2_DEVICE" | grep 'grace time')"
check "no reboot question after the Apply" bash -c "! grep -q '^question=' <<< \"\$1\"" _ "$applied"
setquota -t -u 604800 604800 "$KCMQ_EXT4_DEVICE"
quotaoff -u "$KCMQ_EXT2_DEVICE" 2>/dev/null
rm -f "$KCMQ_EXT2_MOUNT/aquota.user"
restore_fstab
