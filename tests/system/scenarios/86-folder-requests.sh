#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Folder quotas through the helper on the ext4 device with the project
# feature and on the XFS device: project records, a folder's project id
# (set and cleared), the two project files. Then requests the panel never
# sends, each followed by a look at the files and at every project id
# below the folders: nothing may have changed.

work=/run/kcmq/folders
inner_image=/var/lib/kcmq-images/inner.img
inner_mount=
mkdir -p "$work"

# Files an administrator wrote before: their comments, blank lines and
# entries must stay as they are.
projects_before='# folders with quotas

50:/srv/elsewhere
'
projid_before='# names of the folders
elsewhere:50
'
printf '%s' "$projects_before" > /etc/projects
printf '%s' "$projid_before" > /etc/projid
chmod 0644 /etc/projects /etc/projid

cleanup() {
    local dev mnt
    [ -z "$inner_mount" ] || umount "$inner_mount" 2> /dev/null
    for dev in "$KCMQ_PRJ_DEVICE" "$KCMQ_XFS_DEVICE"; do
        setquota -P 4201 0 0 0 0 "$dev" 2> /dev/null
        setquota -P 4202 0 0 0 0 "$dev" 2> /dev/null
    done
    for mnt in "$KCMQ_PRJ_MOUNT" "$KCMQ_XFS_MOUNT"; do
        rm -rf "$mnt/alpha" "$mnt/outside" "$mnt/to-alpha" "$mnt/outside-file"
    done
    rm -f "$inner_image"
}
trap cleanup EXIT

# A small ext4 with the project feature, to mount below a folder: a change
# that crossed into it would show in its project ids.
truncate -s 32M "$inner_image"
mkfs.ext4 -q -F -O project -I 256 "$inner_image" > /dev/null 2>&1

# alpha/{sub/file,file,link-out -> ../outside,file-link -> ../outside-file,inner/}
make_tree() { # mount point
    local mnt=$1
    mkdir -p "$mnt/alpha/sub" "$mnt/alpha/inner" "$mnt/outside"
    head -c 1048576 /dev/zero > "$mnt/alpha/sub/file"
    echo data > "$mnt/alpha/file"
    echo data > "$mnt/outside/file"
    echo data > "$mnt/outside-file"
    ln -s ../outside "$mnt/alpha/link-out"
    ln -s ../outside-file "$mnt/alpha/file-link"
    ln -s alpha "$mnt/to-alpha"
    chown -R "$KCMQ_USER1:$KCMQ_GROUP1" "$mnt/alpha"
    mount -o loop "$inner_image" "$mnt/alpha/inner" && inner_mount=$mnt/alpha/inner
    mkdir -p "$inner_mount/deep"
    echo data > "$inner_mount/deep/file"
    sync
}

# Everything a refused request must leave alone: both files and every
# project id on the device, inside and outside the folder and below the
# second mount.
state() { # mount point
    sha256sum /etc/projects /etc/projid
    stat -c '%n %a %U' /etc/projects /etc/projid
    project_tree "$1"
}

# The project files as the scenario wrote them, byte for byte.
files_are() { # name projects projid
    check_equal "$1: /etc/projects" "$2" "$(cat /etc/projects; echo .)"
    check_equal "$1: /etc/projid" "$3" "$(cat /etc/projid; echo .)"
}

# "used soft hard files isoft ihard" of a project, in KiB, as the tools see
# it (-v: repquota leaves out records without usage otherwise).
project_line() { # device mount-point id
    if [ "$(findmnt -n -o FSTYPE --source "$1" | head -1)" = xfs ]; then
        local blocks inodes
        blocks=$(xfs_quota -x -c 'report -p -n -N -b' "$2" 2> /dev/null | awk -v id="#$3" '$1 == id { print $2, $3, $4 }')
        inodes=$(xfs_quota -x -c 'report -p -n -N -i' "$2" 2> /dev/null | awk -v id="#$3" '$1 == id { print $2, $3, $4 }')
        echo "$blocks $inodes"
    else
        repquota -P -n -v "$1" 2> /dev/null | awk -v id="#$3" '$1 == id {
            i = 3; used = $i; soft = $(i + 1); hard = $(i + 2); i += 3
            if (substr($2, 1, 1) == "+") i++
            print used, soft, hard, $i, $(i + 1), $(i + 2) }'
    fi
}

run_on() { # label device mount-point project-id
    local label=$1 dev=$2 mnt=$3 id=$4 name=kcmq_alpha_$1
    local folder=$mnt/alpha before
    make_tree "$mnt"

    # Project records through the record requests and the load's one request.
    check_action "$label: set_quota_info of a project" change set_quota_info device_name=s:"$dev" id=i:"$id" type=i:2 info=q:2048,1024,0,100,50,0,0,0,5
    check_equal "$label: the tools see the project's limits" "1024 2048 50 100" \
        "$(project_line "$dev" "$mnt" "$id" | awk '{ print $2, $3, $5, $6 }')"
    check_action "$label: get_quota_info of a project" access get_quota_info device_name=s:"$dev" id=i:"$id" type=i:2
    check_contains "$label: get_quota_info answers the project's limits" "data.quota_info=2048,1024,0,100,50,0," "$reply"
    check_action "$label: get_quota_tables reads project records" access get_quota_tables \
        project_devices=c:"$dev" project_ids=n:"0,$id"
    check_contains "$label: get_quota_tables answers the project" "table.project_records.0.record.$id=2048,1024," "$reply"

    # The folder gets the id, inheritance on its folders; nothing behind a
    # link and nothing on the second mount does.
    before=$(project_tree "$mnt/outside"; project_tree "$mnt/outside-file"; project_tree "$inner_mount")
    check_action "$label: set_folder_project" change set_folder_project device_name=s:"$dev" folder=s:"$folder" id=i:"$id"
    tree=$(project_tree "$folder" | grep -v "^$inner_mount/")
    check_equal "$label: the folder and its folders carry the id and the inherit flag" \
        "$folder $id P
$folder/sub $id P" "$(grep -E "^$folder(/sub)? " <<< "$tree")"
    check_equal "$label: the files beneath carry the id" \
        "$folder/file $id -
$folder/sub/file $id -" "$(grep -E "^$folder(/sub)?/file " <<< "$tree")"
    check_equal "$label: links are left as links" \
        "$folder/file-link link
$folder/link-out link" "$(grep ' link$' <<< "$tree")"
    check_equal "$label: nothing behind a link and nothing on the mount below changed" "$before" \
        "$(project_tree "$mnt/outside"; project_tree "$mnt/outside-file"; project_tree "$inner_mount")"
    check_equal "$label: the second mount's root keeps project 0" 0 "$(project_of "$inner_mount")"
    as_user "$KCMQ_USER1" sh -c "echo new > '$folder/sub/new'"
    check_equal "$label: a file made afterwards inherits the id" "$id" "$(project_of "$folder/sub/new")"
    check "$label: the kernel charges the folder's 1 MiB to the project" \
        test "$(project_line "$dev" "$mnt" "$id" | awk '{ print $1 }')" -ge 1024
    # XFS answers a project's hard limit with ENOSPC, ext4 with EDQUOT.
    check "$label: a write past the project's hard limit fails" grep -qE "Disk quota exceeded|No space left on device" \
        <<< "$(as_user "$KCMQ_USER1" dd if=/dev/zero of="$folder/sub/big" bs=1M count=3 conv=fsync 2>&1)"
    rm -f "$folder/sub/big"

    # The project files: the entry appended, every other line kept.
    check_action "$label: add_project_entry" change add_project_entry id=i:"$id" project_name=s:"$name" folder=s:"$folder"
    files_are "$label: after the add" "$projects_before$id:$folder
." "$projid_before$name:$id
."
    check_equal "$label: both files stay readable by everyone" "644 root root
644 root root" "$(file_mode /etc/projects; file_mode /etc/projid)"

    # Requests the panel never sends: each refused, nothing changed.
    before=$(state "$mnt")
    refused() { # name expected-error args...
        local what=$1
        check_action_fails "$label: $what is refused" "${@:2}"
        check_equal "$label: $what changed nothing" "$before" "$(state "$mnt")"
    }
    refused "a folder that is a link" "The folder $mnt/to-alpha is a symbolic link or lies behind one" \
        change set_folder_project device_name=s:"$dev" folder=s:"$mnt/to-alpha" id=i:4299
    refused "a folder behind a link" "The folder $mnt/to-alpha/sub is a symbolic link or lies behind one" \
        change set_folder_project device_name=s:"$dev" folder=s:"$mnt/to-alpha/sub" id=i:4299
    # The checks that do not depend on the file system run on the first
    # device only: every request costs seconds under emulation.
    if [ "$dev" = "$KCMQ_PRJ_DEVICE" ]; then
        refused "a folder with a .. part" "The folder \"$folder/../outside\" must be an absolute path without \".\" or \"..\" parts, empty parts or control characters" \
            change set_folder_project device_name=s:"$dev" folder=s:"$folder/../outside" id=i:4299
        refused "a relative folder" "The folder \"${folder#/}\" must be an absolute path without \".\" or \"..\" parts, empty parts or control characters" \
            change set_folder_project device_name=s:"$dev" folder=s:"${folder#/}" id=i:4299
        refused "clearing a folder with a .. part" "The folder \"$folder/..\" must be an absolute path without \".\" or \"..\" parts, empty parts or control characters" \
            change clear_folder_project device_name=s:"$dev" folder=s:"$folder/.."
    fi
    refused "a folder on another device" "The folder $KCMQ_EXT4_MOUNT/user1 is not on device $dev" \
        change set_folder_project device_name=s:"$dev" folder=s:"$KCMQ_EXT4_MOUNT/user1" id=i:4299
    refused "the second mount below the folder" "The folder $inner_mount/deep is not on device $dev" \
        change set_folder_project device_name=s:"$dev" folder=s:"$inner_mount/deep" id=i:4299
    refused "a file as the folder" "$folder/file is not a folder" \
        change set_folder_project device_name=s:"$dev" folder=s:"$folder/file" id=i:4299
    refused "project id 0" "The project id 0 is not a number from 1 to 4294967294" \
        change set_folder_project device_name=s:"$dev" folder=s:"$folder" id=i:0
    refused "a project id beyond the last" "The project id 4294967295 is not a number from 1 to 4294967294" \
        change set_folder_project device_name=s:"$dev" folder=s:"$folder" id=u:4294967295
    if [ "$dev" = "$KCMQ_PRJ_DEVICE" ]; then
        refused "a duplicate project id" "The project id $id is already in use" \
            change add_project_entry id=i:"$id" project_name=s:kcmq_other folder=s:"$mnt/outside"
        refused "the administrator's project id" "The project id 50 is already in use" \
            change add_project_entry id=i:50 project_name=s:kcmq_other folder=s:"$mnt/outside"
        refused "a duplicate project name" "The project name $name is already in use" \
            change add_project_entry id=i:4299 project_name=s:"$name" folder=s:"$mnt/outside"
        local bad
        for bad in 7up "a b" "a:b" "$(printf 'x%.0s' {1..33})" ""; do
            refused "the project name \"$bad\"" "The project name \"$bad\" must begin with a letter or '_' and hold at most 32 letters, digits, '_', '.' and '-'" \
                change add_project_entry id=i:4299 project_name=s:"$bad" folder=s:"$mnt/outside"
        done
        refused "a folder with a new line in the project files" "*" \
            change add_project_entry id=i:4299 project_name=s:kcmq_other folder=s:"$mnt/outside
    4300:/etc"
    fi
    check_contains "$label: the denied user's request fails" "result=failed" \
        "$(action_as "$KCMQ_DENIED_USER" change set_folder_project device_name=s:"$dev" folder=s:"$mnt/outside" id=i:4299 2>&1)"
    check_equal "$label: the denied user's request changed nothing" "$before" "$(state "$mnt")"

    # Back: ids cleared (inherit flags too), entries removed, the files as
    # the administrator left them.
    check_action "$label: clear_folder_project" change clear_folder_project device_name=s:"$dev" folder=s:"$folder"
    check_equal "$label: no project id or inherit flag is left in the folder" "" \
        "$(project_tree "$folder" | grep -v ' link$' | grep -v ' 0 -$')"
    check_action "$label: remove_project_entry" change remove_project_entry id=i:"$id"
    files_are "$label: after the removal" "$projects_before." "$projid_before."
    check_action "$label: remove_project_entry of an id not recorded" change remove_project_entry id=i:"$id"
    files_are "$label: removing an unknown id" "$projects_before." "$projid_before."

    umount "$inner_mount"
    inner_mount=
    setquota -P "$id" 0 0 0 0 "$dev"
    rm -rf "$folder" "$mnt/outside" "$mnt/outside-file" "$mnt/to-alpha"
}

run_on prj "$KCMQ_PRJ_DEVICE" "$KCMQ_PRJ_MOUNT" 4201
run_on xfs "$KCMQ_XFS_DEVICE" "$KCMQ_XFS_MOUNT" 4202
