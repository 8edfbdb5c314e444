#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# set_device_options rewrites only the options field of the device's
# entries; every other byte of /etc/fstab, its mode and owner stay. Only a
# quota option may be added or removed.

saved=/run/kcmq/saved/fstab
restore() { cp -a "$saved" /etc/fstab; }
# The expected file: the saved one with one line's options replaced.
expect_options() { # line-prefix old-options new-options
    awk -v p="$1" -v o="$2" -v n="$3" 'index($0, p) == 1 { i = index($0, o); $0 = substr($0, 1, i - 1) n substr($0, i + length(o)) } { print }' "$saved"
}
ext4_line="UUID=$KCMQ_EXT4_UUID	"
ext3_line="LABEL=$KCMQ_EXT3_LABEL "
ext2_line="$KCMQ_EXT2_DEVICE "

while read -r name device prefix old new sent; do
    restore
    check_action "set_device_options: $name" change set_device_options device_name=s:"$device" options=c:"$sent"
    check_equal "fstab bytes after: $name" "$(expect_options "${!prefix}" "$old" "$new")" "$(cat /etc/fstab)"
done <<TABLE
UUID-entry $KCMQ_EXT4_DEVICE ext4_line rw,usrquota,grpquota rw,usrquota rw,usrquota
LABEL-entry $KCMQ_EXT3_DEVICE ext3_line defaults defaults,grpquota defaults,grpquota
path-entry $KCMQ_EXT2_DEVICE ext2_line rw,usrquota rw,usrquota,grpquota rw,usrquota,grpquota
user-quota-removed $KCMQ_EXT2_DEVICE ext2_line rw,usrquota rw rw
TABLE

restore
chmod 0640 /etc/fstab
chown root:disk /etc/fstab
check_action "set_device_options on an fstab of mode 0640" change set_device_options device_name=s:"$KCMQ_EXT2_DEVICE" options=c:rw
check_equal "mode and owner of fstab kept" "640 root disk" "$(file_mode /etc/fstab)"

# Two entries of one device, and a field with an escaped blank nearby.
restore
printf '%s  /srv/kcmq/ext2\\040again  ext2  ro  0  0\n' "$KCMQ_EXT2_DEVICE" >> /etc/fstab
cp /etc/fstab /run/kcmq/fstab.two
check_action "set_device_options with two entries of the device" change set_device_options device_name=s:"$KCMQ_EXT2_DEVICE" options=c:rw,usrquota,grpquota
check_equal "the first entry got grpquota" 1 "$(grep -c "^$KCMQ_EXT2_DEVICE .*rw,usrquota,grpquota" /etc/fstab)"
check_contains "the second keeps its own options, its escape as it was" '/srv/kcmq/ext2\040again  ext2  ro,grpquota  0  0' "$(cat /etc/fstab)"

# Refusals leave the file as it was.
restore
free_loop=$(losetup -f)
while read -r name device expected; do
    check_action_fails "set_device_options refused: $name" "$expected" change set_device_options device_name=s:"$device" options=c:rw
    check "fstab untouched: $name" cmp -s "$saved" /etc/fstab
done <<TABLE
device-without-entry $free_loop Device $free_loop is not a block device
regular-file /etc/passwd Device /etc/passwd is not a block device
option-word -a Device -a is not a block device
relative-name loop0 Device loop0 is not a block device
TABLE
check "no temporary file left in /etc" sh -c '! ls -a /etc | grep -q "^\.fstab"'
