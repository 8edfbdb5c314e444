#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Folder quotas and XFS through the installed panel's test host: user and
# group limits on the XFS device as xfs_quota reports them; a folder added
# on the ext4 device with the project feature and one on the XFS device,
# their limits as repquota -P and xfs_quota report them and as the kernel
# enforces them on a write; a folder's limits changed through the member
# dialog; both removed again, which leaves /etc/projects and /etc/projid as
# they were before. Pictures of the folders tab and of the dialog are kept
# with the results.

plugin=$(installed_plugin)
shots=$(dirname "$KCMQ_REPORT")/screenshots
mkdir -p "$shots"
chmod 1777 "$shots"

panel() {
    as_user "$KCMQ_GRANTED_USER" timeout "${KCMQ_PANEL_TIMEOUT:-280}" "$KCMQ_PANEL_HOST" "$plugin" "$@" 2>/dev/null
}

# What an administrator had before: comments, a blank line, a project of
# another folder.
projects_before='# folders with quotas

50:/srv/elsewhere
'
projid_before='# names of the folders
elsewhere:50
'
printf '%s' "$projects_before" > /etc/projects
printf '%s' "$projid_before" > /etc/projid
chmod 0644 /etc/projects /etc/projid

prj_folder=$KCMQ_PRJ_MOUNT/shared
xfs_folder=$KCMQ_XFS_MOUNT/shared
cleanup() {
    local id
    for id in $(cut -s -d: -f1 /etc/projects 2> /dev/null); do
        setquota -P "$id" 0 0 0 0 "$KCMQ_PRJ_DEVICE" 2> /dev/null
        setquota -P "$id" 0 0 0 0 "$KCMQ_XFS_DEVICE" 2> /dev/null
    done
    for dev in "$KCMQ_XFS_DEVICE"; do
        setquota -u "$KCMQ_USER2" 0 0 0 0 "$dev" 2> /dev/null
        setquota -g "$KCMQ_GROUP1" 0 0 0 0 "$dev" 2> /dev/null
    done
    rm -rf "$prj_folder" "$xfs_folder"
}
trap cleanup EXIT

# A folder with 1 MiB in it and room for its user.
for folder in "$prj_folder" "$xfs_folder"; do
    mkdir -p "$folder/docs"
    head -c 1048576 /dev/zero > "$folder/docs/old"
    chown -R "$KCMQ_USER1:$KCMQ_GROUP1" "$folder"
done
sync

# xfs_quota's numeric report: "#id used soft hard" of blocks or inodes.
xfs_line() { # -u|-g|-p -b|-i mount-point id
    xfs_quota -x -c "report $1 $2 -n -N" "$3" 2> /dev/null | awk -v id="#$4" '$1 == id { print $2, $3, $4 }'
}
# repquota -P -n: "used soft hard files soft hard" of a project.
prj_line() { # id
    repquota -P -n -v "$KCMQ_PRJ_DEVICE" 2> /dev/null | awk -v id="#$1" '$1 == id {
        i = 3; used = $i; soft = $(i + 1); hard = $(i + 2); i += 3
        if (substr($2, 1, 1) == "+") i++
        print used, soft, hard, $i, $(i + 1), $(i + 2) }'
}

output=$(panel show \
    edit-user "$KCMQ_USER2" "$KCMQ_XFS_DEVICE" 100 200 20 \
    edit-group "$KCMQ_GROUP1" "$KCMQ_XFS_DEVICE" 30 40 16 \
    add-folder "$prj_folder" "" 0 2 4 0 50 "$shots/kcm-quotas-add-folder.png" \
    add-folder "$xfs_folder" shared_xfs 0 3 6 0 60 "" \
    folders-view "$KCMQ_PRJ_DEVICE" "" \
    folders-view "$KCMQ_XFS_DEVICE" "" \
    folders-shot "$shots/kcm-quotas-folders.png" \
    edit-folder shared "$KCMQ_PRJ_DEVICE" 10 20 8)
printf '%s\n' "$output" > "$shots/folders-host.log"
shown=$(sed -n '1,/^done=show/p' <<< "$output")
user_edit=$(sed -n '/^done=show/,/^done=edit-user/p' <<< "$output")
group_edit=$(sed -n '/^done=edit-user/,/^done=edit-group/p' <<< "$output")
added=$(sed -n '/^done=edit-group/,/^done=add-folder/p' <<< "$output")
added_xfs=$(awk '/^done=add-folder/ { n++ } n == 1' <<< "$output" | sed -n '2,/^done=add-folder/p')
viewed_prj=$(awk '/^done=add-folder/ { n++ } n == 2' <<< "$output" | sed -n '2,/^done=folders-view/p')
viewed_xfs=$(awk '/^done=folders-view/ { n++ } n == 1' <<< "$output" | sed -n '2,/^done=folders-view/p')
edited=$(sed -n '/^done=folders-shot/,$p' <<< "$output")

check_contains "general tab: the XFS device with user and group quotas on" "general=$KCMQ_XFS_DEVICE fs=xfs users=on groups=on" "$shown"
check_contains "general tab: the ext4 device with the project feature has folder quotas on" "general=$KCMQ_PRJ_DEVICE fs=ext4 users=off groups=off projects=on" "$shown"
check_contains "general tab: the XFS device has folder quotas on" "general=$KCMQ_XFS_DEVICE fs=xfs users=on groups=on projects=on" "$shown"
check_contains "general tab: XFS needs its mount options" "general-note=$KCMQ_XFS_DEVICE XFS counts quotas only while it is mounted with their options" "$shown"
check_contains "general tab: the ext4 device without the feature says how to add it" \
    "general-note=$KCMQ_EXT4_DEVICE $KCMQ_EXT4_DEVICE has no folder quotas yet: unmount it and run tune2fs -O project,quota $KCMQ_EXT4_DEVICE, then mount it again." "$shown"
check "general tab: no folder quota switch for the ext4 device without the feature" \
    bash -c '! grep -q "^general=$0 .*projects=" <<< "$1"' "$KCMQ_EXT4_DEVICE" "$shown"
check_contains "the folders tab follows the users tab" "tab=users
tab=folders" "$shown"

# User and group limits on XFS, as xfs_quota reports them.
check_contains "the user's edit on XFS is applied" "message=0|Changes applied successfully|" "$user_edit"
check_contains "the group's edit on XFS is applied" "message=0|Changes applied successfully|" "$group_edit"
check_equal "xfs_quota: user2's space limits (KiB)" "0 20480" "$(xfs_line -u -b "$KCMQ_XFS_MOUNT" "$KCMQ_USER2_ID" | cut -d' ' -f2-)"
check_equal "xfs_quota: user2's file limits" "100 200" "$(xfs_line -u -i "$KCMQ_XFS_MOUNT" "$KCMQ_USER2_ID" | cut -d' ' -f2-)"
check_equal "xfs_quota: group1's space limits (KiB)" "0 16384" "$(xfs_line -g -b "$KCMQ_XFS_MOUNT" "$KCMQ_GROUP1_ID" | cut -d' ' -f2-)"
check_equal "xfs_quota: group1's file limits" "30 40" "$(xfs_line -g -i "$KCMQ_XFS_MOUNT" "$KCMQ_GROUP1_ID" | cut -d' ' -f2-)"

# The two folders: the dialog's proposals, the files, the limits.
check_contains "the dialog proposes the folder's name" "proposed=shared|" "$added"
proposed=$(sed -n 's/^proposed=[^|]*|//p' <<< "$added")
check "the dialog proposes a free project id (got ${proposed:-none})" test "${proposed:-0}" -ge 1 -a "${proposed:-0}" -ne 50
check_contains "the dialog names the folder's device" "$KCMQ_PRJ_DEVICE" "$(grep '^folder-device=' <<< "$added")"
check "a picture of the add folder dialog" test -s "$shots/kcm-quotas-add-folder.png"
# A message left from an earlier command must not pass for this one's.
no_error() { # name output
    check "$1: no error shown" bash -c '! grep -qE "^(message=3|error=|problem=)" <<< "$1"' _ "$2"
}
check_contains "adding the folder on the ext4 device succeeds" "message=0|" "$added"
no_error "adding the folder on the ext4 device" "$added"
check_contains "adding the folder on the XFS device succeeds" "message=0|" "$added_xfs"
no_error "adding the folder on the XFS device" "$added_xfs"
prj_id=$(awk -F: -v f="$prj_folder" '$2 == f { print $1 }' /etc/projects)
xfs_id=$(awk -F: -v f="$xfs_folder" '$2 == f { print $1 }' /etc/projects)
check_equal "the ext4 folder got the proposed id" "$proposed" "$prj_id"
check "the second folder got another id (${xfs_id:-none})" test -n "$xfs_id" -a "$xfs_id" != "$prj_id"
check_equal "/etc/projects: the administrator's lines kept, one line per folder added" \
    "$projects_before$prj_id:$prj_folder
$xfs_id:$xfs_folder" "$(cat /etc/projects)"
check_equal "/etc/projid: the administrator's lines kept, one name per folder added" \
    "${projid_before}shared:$prj_id
shared_xfs:$xfs_id" "$(cat /etc/projid)"
check_equal "the folder and what was in it carry the project id" "$prj_id $prj_id $prj_id" \
    "$(project_of "$prj_folder") $(project_of "$prj_folder/docs") $(project_of "$prj_folder/docs/old")"
check_equal "the XFS folder and what was in it carry the project id" "$xfs_id $xfs_id $xfs_id" \
    "$(project_of "$xfs_folder") $(project_of "$xfs_folder/docs") $(project_of "$xfs_folder/docs/old")"
check_equal "xfs_quota: the XFS folder's space limits (KiB)" "3072 6144" "$(xfs_line -p -b "$KCMQ_XFS_MOUNT" "$xfs_id" | cut -d' ' -f2-)"
check_equal "xfs_quota: the XFS folder's file limits" "0 60" "$(xfs_line -p -i "$KCMQ_XFS_MOUNT" "$xfs_id" | cut -d' ' -f2-)"

# The folders tab: one row per folder with its path, name and id.
check_contains "folders tab: the ext4 device is named by mount point" "device-text=$KCMQ_PRJ_MOUNT" "$viewed_prj"
check_equal "folders tab: one folder on the ext4 device" "rows=1" "$(grep '^rows=' <<< "$viewed_prj")"
row=$(grep -m1 '^row=' <<< "$viewed_prj")
for cell in "$prj_folder" shared "$prj_id"; do
    check_contains "folders tab: the ext4 folder's row shows $cell" "|$cell|" "|${row#row=}|"
done
check "folders tab: the ext4 folder's usage is 1 Mb or a little more" grep -qE '\|1(\.[0-9]+)? Mb\|' <<< "$row"
xfs_row=$(grep -m1 '^row=' <<< "$viewed_xfs")
check_contains "folders tab: the XFS folder's row" "|$xfs_folder|" "|${xfs_row#row=}|"
check "a picture of the folders tab" test -s "$shots/kcm-quotas-folders.png"

# The member dialog changed the ext4 folder's limits.
check_contains "the folder's member dialog is applied" "message=0|Changes applied successfully|" "$edited"
check_equal "repquota -P: the folder's new limits, its soft space limit kept" "2048 8192 10 20" "$(prj_line "$prj_id" | cut -d' ' -f2,3,5,6)"

# The kernel enforces them on a write as the folder's user. XFS answers a
# project's hard limit with ENOSPC, ext4 with EDQUOT.
for folder in "$prj_folder" "$xfs_folder"; do
    check "a write past the hard limit fails in $folder" grep -qE "Disk quota exceeded|No space left on device" \
        <<< "$(as_user "$KCMQ_USER1" dd if=/dev/zero of="$folder/docs/big" bs=1M count=12 conv=fsync 2>&1)"
    rm -f "$folder/docs/big"
    check "a small write still works in $folder" as_user "$KCMQ_USER1" sh -c "echo note > '$folder/docs/note'"
done

# Removal: the ext4 folder's files lose the id, the XFS folder's keep it;
# both lose their limits and their lines.
output=$(panel remove-folder "$prj_folder" clear remove-folder "$xfs_folder" keep folders-view "$KCMQ_PRJ_DEVICE" "")
printf '%s\n' "$output" >> "$shots/folders-host.log"
removed=$(sed -n '1,/^done=remove-folder/p' <<< "$output")
removed_xfs=$(awk '/^done=remove-folder/ { n++ } n == 1' <<< "$output" | sed -n '2,/^done=remove-folder/p')
check_contains "the removal asks about the folder" "remove-question=" "$removed"
check_contains "removing the ext4 folder succeeds" "message=0|" "$removed"
check_contains "removing the XFS folder succeeds" "message=0|" "$removed_xfs"
no_error "removing the folders" "$output"
check_equal "folders tab: no folder left on the ext4 device" "rows=0" "$(grep '^rows=' <<< "$output")"
check_equal "/etc/projects is as it was before the add" "$projects_before." "$(cat /etc/projects; echo .)"
check_equal "/etc/projid is as it was before the add" "$projid_before." "$(cat /etc/projid; echo .)"
check_equal "the ext4 folder's files are back in project 0" "0 0 0" \
    "$(project_of "$prj_folder") $(project_of "$prj_folder/docs") $(project_of "$prj_folder/docs/old")"
check_equal "the XFS folder's files kept their project id" "$xfs_id $xfs_id" \
    "$(project_of "$xfs_folder") $(project_of "$xfs_folder/docs/old")"
# An ext4 record with neither usage nor limits is not listed at all.
cleared=$(prj_line "$prj_id" | cut -d' ' -f2,3,5,6)
check_equal "repquota -P: the ext4 folder's limits are cleared" "0 0 0 0" "${cleared:-0 0 0 0}"
check_equal "xfs_quota: the XFS folder's limits are cleared" "0 0" "$(xfs_line -p -b "$KCMQ_XFS_MOUNT" "$xfs_id" | cut -d' ' -f2- | sed 's/^$/0 0/')"
