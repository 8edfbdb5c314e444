#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# The real host (kcmshell5, or kcmshell6 for the Qt 6 build), under Xvfb, on sample data that shows what the
# panel is for: devices with quotas on and off, members with usage and
# limits, one of them over its soft limit with its grace time running, and a
# notification task. One picture per tab at the window's own size, and one
# of the member dialog. run.sh shows a newcomer these pictures.

shots=$(dirname "$KCMQ_REPORT")/screenshots
mkdir -p "$shots"

# Sample data on the ext4 device, whose user and group quotas are on.
# user1 owns 3 MiB: over its 2 MiB soft limit, so its grace time runs.
setquota -t 604800 86400 "$KCMQ_EXT4_DEVICE"
setquota -u "$KCMQ_USER1" 2048 5120 40 60 "$KCMQ_EXT4_DEVICE"
head -c 1048576 /dev/zero > "$KCMQ_EXT4_MOUNT/user2/notes"
chown "$KCMQ_USER2:$KCMQ_GROUP2" "$KCMQ_EXT4_MOUNT/user2/notes"
setquota -u "$KCMQ_USER2" 10240 20480 100 200 "$KCMQ_EXT4_DEVICE"
setquota -g "$KCMQ_GROUP1" 8192 16384 0 0 "$KCMQ_EXT4_DEVICE"
# A daily warning mail to users over a limit, as the panel writes it.
cat > /etc/cron.d/warnquota <<'CRON'
# Cron job for quota notifications
# Dont edit this file
PATH=/usr/sbin
0 8 * * * root warnquota -u
CRON
chmod 0644 /etc/cron.d/warnquota

# A folder quota on each device that accounts projects; the ext4 one is
# over its soft limit, so its grace time runs too.
alpha=$KCMQ_PRJ_MOUNT/projects/alpha
media=$KCMQ_XFS_MOUNT/media
mkdir -p "$alpha" "$media/films"
head -c 3145728 /dev/zero > "$alpha/report.odt"
head -c 1048576 /dev/zero > "$media/films/trailer.webm"
printf '61:%s\n62:%s\n' "$alpha" "$media" >> /etc/projects
printf 'alpha:61\nmedia:62\n' >> /etc/projid
chmod 0644 /etc/projects /etc/projid
# chattr stops at the first file that cannot take the inherit flag, so the
# id and the flag are given apart.
chattr -R -p 61 "$alpha"
chattr +P "$alpha"
xfs_quota -x -c 'project -s -p '"$media"' 62' "$KCMQ_XFS_MOUNT" > /dev/null
setquota -t -P 604800 86400 "$KCMQ_PRJ_DEVICE"
setquota -P 61 2048 8192 0 100 "$KCMQ_PRJ_DEVICE"
xfs_quota -x -c 'limit -p bsoft=20m bhard=40m isoft=500 ihard=1000 62' "$KCMQ_XFS_MOUNT"
check_contains "sample data: the ext4 folder's grace time runs" "+-" "$(repquota -P -n "$KCMQ_PRJ_DEVICE" | grep "^#61 ")"

check_contains "sample data: user1's grace time runs" "+-" "$(repquota -u "$KCMQ_EXT4_DEVICE" | grep "^$KCMQ_USER1 ")"

Xvfb :42 -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
as_user "$KCMQ_GRANTED_USER" env DISPLAY=:42 QT_QPA_PLATFORM=xcb \
    dbus-run-session -- timeout 280 "$KCMQ_KCMSHELL" kcm-quotas > "$shots/$KCMQ_KCMSHELL.log" 2>&1 &
KCMQ_DIALOG_MEMBER=$KCMQ_USER1 "$KCMQ_SOURCE_DIR"/scripts/panel-screenshots.sh :42 "$shots" "$KCMQ_KCMSHELL" > /dev/null 2> "$shots/screenshots.log"
cat "$shots/screenshots.log" >> "$shots/$KCMQ_KCMSHELL.log"
check "$KCMQ_KCMSHELL kcm-quotas under Xvfb: a picture of each of the five tabs" \
    test "$(find "$shots" -name "$KCMQ_KCMSHELL-[1-5]-*.png" -size +1k | wc -l)" -eq 5
check "$KCMQ_KCMSHELL kcm-quotas under Xvfb: the fifth picture is the folders tab" test -s "$shots/$KCMQ_KCMSHELL-5-folders.png"
# Five different pictures: the tabs were really switched, and no tab is the
# blank window of a panel still loading.
check_equal "$KCMQ_KCMSHELL kcm-quotas under Xvfb: the five tabs look different" 5 \
    "$(md5sum "$shots/$KCMQ_KCMSHELL"-[1-5]-*.png 2> /dev/null | cut -d' ' -f1 | sort -u | wc -l)"
check "$KCMQ_KCMSHELL kcm-quotas under Xvfb: the member dialog opens from the users tab" \
    test -s "$shots/$KCMQ_KCMSHELL-6-member-dialog.png"
check_contains "$KCMQ_KCMSHELL kcm-quotas under Xvfb: the dialog is user1's" "dialog Setting quotas for a user: $KCMQ_USER1" "$(cat "$shots/screenshots.log")"
size=$(sed -n 's/^window //p' "$shots/screenshots.log")
check "$KCMQ_KCMSHELL opens the panel at a usable size (at least 800x500, got ${size:-none})" \
    awk -F x -v s="$size" 'BEGIN { split(s, d, "x"); exit !(d[1] >= 800 && d[2] >= 500) }'
pkill -u "$KCMQ_GRANTED_USER" -x "$KCMQ_KCMSHELL" 2> /dev/null
sleep 1
kill "$xvfb" 2> /dev/null
wait 2> /dev/null

setquota -u "$KCMQ_USER1" 0 0 0 0 "$KCMQ_EXT4_DEVICE"
setquota -u "$KCMQ_USER2" 0 0 0 0 "$KCMQ_EXT4_DEVICE"
setquota -g "$KCMQ_GROUP1" 0 0 0 0 "$KCMQ_EXT4_DEVICE"
rm -f "$KCMQ_EXT4_MOUNT/user2/notes"
setquota -t 604800 604800 "$KCMQ_EXT4_DEVICE"
setquota -P 61 0 0 0 0 "$KCMQ_PRJ_DEVICE"
setquota -t -P 604800 604800 "$KCMQ_PRJ_DEVICE"
xfs_quota -x -c 'limit -p bsoft=0 bhard=0 isoft=0 ihard=0 62' "$KCMQ_XFS_MOUNT"
rm -rf "$KCMQ_PRJ_MOUNT/projects" "$media"
