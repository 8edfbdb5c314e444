#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# The installed panel as the host loads it: the test host goes through the
# plug-in factory, the host's load, and then only the widget tree (object
# names). The system's own tools check what an edit did.

plugin=$(grep -m1 '/plasma/kcms/systemsettings_qwidgets/kcm-quotas.so$' "$KCMQ_BUILD_DIR/install_manifest.txt")
shots=$(dirname "$KCMQ_REPORT")/screenshots
mkdir -p "$shots"
chmod 1777 "$shots"

panel() {
    # A panel that hangs fails its checks instead of the whole scenario. Every
    # load asks the helper once per member and device, which is slow in an
    # emulated guest, so one run does all the steps.
    as_user "$KCMQ_GRANTED_USER" timeout 280 "$KCMQ_PANEL_HOST" "$plugin" "$@" 2>/dev/null
}

check "the plug-in is installed" test -f "$plugin"
edited=$(panel show shots "$shots" edit-user "$KCMQ_USER2" "$KCMQ_EXT4_DEVICE" 100 200 20 enable-users "$KCMQ_EXT2_DEVICE")
printf '%s\n' "$edited" > "$shots/host.log"
shown=$(sed -n '1,/^done=show/p' <<< "$edited")
applied=$(sed -n '/^done=edit-user/,$p' <<< "$edited")
check_contains "the factory is the panel's" "factory=QuotasFactory" "$shown"
check_contains "four tabs, users last" "tab=generalTab
tab=notification
tab=groups
tab=users" "$shown"
check_contains "general tab: ext4 device with user and group quotas on" "general=$KCMQ_EXT4_DEVICE fs=ext4 users=on groups=on" "$shown"
check_contains "general tab: ext2 device with quotas off" "general=$KCMQ_EXT2_DEVICE fs=ext2 users=off groups=off" "$shown"
check "general tab: no vfat device" bash -c "! grep -q 'general=$KCMQ_VFAT_DEVICE' <<< \"\$1\"" _ "$shown"
check_contains "users tab: user1 uses 3 Mb on the ext4 device" "user=$KCMQ_EXT4_DEVICE $KCMQ_USER1|" "$shown"
# 3 MiB of data plus the file's own blocks: just over 3 Mb.
check "users tab: user1's usage in Mb" grep -qE "^user=$KCMQ_EXT4_DEVICE $KCMQ_USER1\|[a-z]+\|3(\.[0-9]+)? Mb\|" <<< "$shown"
check_contains "groups tab: group1 on the ext4 device" "group=$KCMQ_EXT4_DEVICE $KCMQ_GROUP1|" "$shown"

check "a screenshot of each of the four tabs" test "$(ls "$shots"/kcm-quotas-*.png 2>/dev/null | wc -l)" -eq 4

# A member edit through the dialog is applied at once.
edited=$(sed -n '/^done=shots/,/^done=edit-user/p' <<< "$edited")
check_contains "the member dialog's edit is applied" "message=0|Changes applied successfully|" "$edited"
line=$(repquota_line "$KCMQ_EXT4_DEVICE" -u "$KCMQ_USER2_ID" | tr -s ' ')
check_contains "repquota shows user2's new hard block limit" " 0 20480 " "$line"
check_contains "repquota shows user2's new file limits" " 100 200 " "$line"
setquota -u "$KCMQ_USER2_ID" 0 0 0 0 "$KCMQ_EXT4_DEVICE"

# User quotas switched on in the general tab and applied.
check_contains "Apply of the general tab succeeds" "message=0|Changes applied successfully|" "$applied"
check_equal "user quotas are on for the ext2 device" on "$(quota_state "$KCMQ_EXT2_DEVICE" user)"
quotaoff -u "$KCMQ_EXT2_DEVICE" 2>/dev/null
rm -f "$KCMQ_EXT2_MOUNT/aquota.user"
restore_fstab
