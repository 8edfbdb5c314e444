#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# The world every other scenario relies on, checked with the system's tools.

check "kernel switched user quotas on for the ext4 device" test "$(quota_state "$KCMQ_EXT4_DEVICE" user)" = on
check "kernel switched group quotas on for the ext4 device" test "$(quota_state "$KCMQ_EXT4_DEVICE" group)" = on
check "usage of user1 is counted" sh -c "repquota -n -u '$KCMQ_EXT4_DEVICE' | grep -q '^#$KCMQ_USER1_ID '"
check "ext3 device is found by its label" test "$(blkid -L "$KCMQ_EXT3_LABEL")" = "$KCMQ_EXT3_DEVICE"
check "ext4 device is found by its UUID" test "$(blkid -U "$KCMQ_EXT4_UUID")" = "$KCMQ_EXT4_DEVICE"
for option in usrquota grpquota prjquota; do
    check_contains "XFS device is mounted with $option" ",$option" "$(mount_options "$KCMQ_XFS_DEVICE")"
done
check_equal "xfs_quota sees project accounting on the XFS device" "ON ON" \
    "$(xfs_quota -x -c 'state -p' "$KCMQ_XFS_MOUNT" 2>/dev/null | awk '/Accounting:|Enforcement:/ { printf "%s%s", sep, $2; sep = " " }')"
check_contains "ext4 device with the project feature enforces folder limits" "prjquota" "$(mount_options "$KCMQ_PRJ_DEVICE")"
check "ext4 device with the project feature has it" sh -c "dumpe2fs -h '$KCMQ_PRJ_DEVICE' 2>/dev/null | grep -q 'features:.* project'"
check "spare device is not mounted" sh -c "! findmnt --source '$KCMQ_SPARE_DEVICE' >/dev/null"
check "granted user is an ordinary account" test "$(id -u "$KCMQ_GRANTED_USER")" -ge 1000
check "client runs as the granted user" test "$(as_user "$KCMQ_GRANTED_USER" id -un)" = "$KCMQ_GRANTED_USER"
check "polkit owns its bus name" sh -c "dbus-send --system --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:org.freedesktop.PolicyKit1 | grep -q 'boolean true'"

# Only what the package installed: every file of the project the guest
# finds is one of the package's, and each of those is there as packed.
packaged=$(package_files)
check "the package lists the plug-in, the helper, the bus and polkit files, the catalogue and the metadata" \
    bash -c 'for pattern in "$@"; do grep -q -- "$pattern" <<< "$0" || { echo "missing: $pattern"; exit 1; }; done' \
    "$packaged" '/plasma/kcms/systemsettings_qwidgets/kcm-quotas\.so$' '/kauth/libexec/kcm-quotas-helper$' \
    '^/usr/share/dbus-1/system\.d/org\.velun\.kcm\.quotas\.conf$' \
    '^/usr/share/dbus-1/system-services/org\.velun\.kcm\.quotas\.service$' \
    '^/usr/share/polkit-1/actions/org\.velun\.kcm\.quotas\.policy$' \
    '^/usr/share/locale/de/LC_MESSAGES/velun_kcm_quotas\.mo$' \
    '^/usr/share/metainfo/org\.velun\.kcm\.quotas\.metainfo\.xml$'
strays=$(project_files | grep -vxFf <(echo "$packaged"))
check_equal "no project file but the package's" "" "$strays"
check_equal "every file of the package is installed as packed" "" "$(dpkg --verify kcm-quotas 2>&1)"
check "the installed plug-in sits where the hosts look" \
    test -f "$(installed_plugin)"

listing=$(as_user "$KCMQ_GRANTED_USER" "$KCMQ_KCMSHELL" --list 2> /dev/null)
check "$KCMQ_KCMSHELL --list finds the panel, as the granted user" grep -q '^kcm-quotas ' <<< "$listing"
