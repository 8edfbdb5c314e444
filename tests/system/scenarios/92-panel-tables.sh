#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# The users tab at the size of a site with directory accounts, through the
# installed panel's test host: sorting by used space puts the biggest
# consumer first, the search finds one user, "Set limits…" for five selected
# users gives all five the limits in repquota -n, and the exported CSV's
# numbers are repquota -n's. Pictures of the sorted and the searched tab and
# of the dialog for many members are kept with the results.
#
# KCMQ_TABLE_USERS (default 2000) sets the number of extra users. Until the
# load fetches all records in one request, every member costs a helper round
# trip per device, so an emulated guest manages a few dozen users within the
# scenario's time limit (KCMQ_SCENARIO_TIMEOUT).

plugin=$(installed_plugin)
shots=$(dirname "$KCMQ_REPORT")/screenshots
mkdir -p "$shots"
chmod 1777 "$shots"
count=${KCMQ_TABLE_USERS:-2000}
first_id=30000
device=$KCMQ_EXT4_DEVICE

panel() {
    as_user "$KCMQ_GRANTED_USER" timeout "${KCMQ_PANEL_TIMEOUT:-280}" "$KCMQ_PANEL_HOST" "$plugin" "$@" 2>/dev/null
}

name_of() {
    printf 'kcmqt%04d\n' "$1"
}

# Appended to the files directly, as useradd costs a process or more per
# account; the guest's /etc is a throwaway overlay, put back all the same.
cp -a /etc/passwd /run/kcmq/passwd.tables
for ((i = 0; i < count; i++)); do
    printf '%s:x:%d:100::/nonexistent:/usr/sbin/nologin\n' "$(name_of "$i")" $((first_id + i))
done >> /etc/passwd

# Usage of distinct sizes; user 7 is the biggest consumer by far.
data=$KCMQ_EXT4_MOUNT/tables
mkdir -p "$data"
for usage in 3:2 5:4 7:12 11:6 13:1; do
    n=${usage%%:*}
    dd if=/dev/zero of="$data/$n" bs=1M count="${usage##*:}" status=none
    chown "$(name_of "$n")" "$data/$n"
done
sync

five=$(for i in 1 2 4 6 8; do name_of "$i"; done | paste -sd,)
csv=$shots/kcm-quotas-users.csv
rm -f "$csv"
output=$(panel \
    users-view "$device" 1 "" 2 desc users-shot "$shots/kcm-quotas-users-sorted.png" \
    users-view "$device" 0 "$(name_of 11)" 0 asc users-shot "$shots/kcm-quotas-users-search.png" \
    set-many "$device" "$shots/kcm-quotas-set-many.png" 100 200 20 "$five" \
    users-view "$device" 0 kcmqt 0 asc users-export "$csv")
printf '%s\n' "$output" > "$shots/tables-host.log"

sorted=$(sed -n '1,/^done=users-view/p' <<< "$output")
searched=$(awk '/^done=users-shot/ { on = 1; next } on && /^done=users-view/ { exit } on' <<< "$output")
many=$(sed -n '/^done=users-shot/,/^done=set-many/p' <<< "$output" | sed -n '/^selected=/,$p')

check_contains "the device chooser names the mount point, device and file system" \
    "device-text=$KCMQ_EXT4_MOUNT — $device (ext4)" "$sorted"
check_equal "sorted by used blocks, the biggest consumer comes first" "$(name_of 7)" \
    "$(grep -m1 '^row=' <<< "$sorted" | cut -d= -f2 | cut -d'|' -f1)"
check_equal "the second biggest follows" "$(name_of 11)" \
    "$(grep '^row=' <<< "$sorted" | sed -n 2p | cut -d= -f2 | cut -d'|' -f1)"
check_equal "the search finds exactly one user" "rows=1" "$(grep '^rows=' <<< "$searched")"
check_contains "the search finds that user" "row=$(name_of 11)|" "$searched"
check_equal "five members selected" "selected=5" "$(grep '^selected=' <<< "$many")"
check_contains "the dialog is for all five" "dialog-title=Setting quotas for 5 users: " "$many"
check_contains "the limits for many are applied" "message=0|Changes applied successfully|" "$many"
check "a picture of the sorted users tab" test -s "$shots/kcm-quotas-users-sorted.png"
check "a picture of the searched users tab" test -s "$shots/kcm-quotas-users-search.png"
check "a picture of the dialog for many members" test -s "$shots/kcm-quotas-set-many.png"

# -v: the five use no space, and repquota leaves unused records out without it.
for i in 1 2 4 6 8; do
    line=$(repquota -nv -u "$device" 2>/dev/null | awk -v id="#$((first_id + i))" '$1 == id' | tr -s ' ')
    check_contains "repquota -n: $(name_of "$i") has the new hard block limit" " 0 20480 " "$line"
    check_contains "repquota -n: $(name_of "$i") has the new file limits" " 100 200" "$line"
done

# The export against repquota -n: every row of the created users, used
# space rounded up to KiB blocks as repquota shows it, limits exact.
check "the table is exported" test -s "$csv"
check_equal "the CSV has a header and one row per created user" $((count + 1)) "$(grep -c '' "$csv")"
check_equal "the CSV header names the columns shown" \
    "Name,Quota is on,Used space (bytes),Soft space limit (bytes),Hard space limit (bytes),Grace space period (seconds),Space grace ends (UTC),Used inodes (files),Soft inode limit (files),Hard inode limit (files),Grace inode period (seconds),Inodes grace ends (UTC)" \
    "$(head -n 1 "$csv" | tr -d '\r')"
declare -A reported
# A "+" in the flags means a grace column follows that usage.
while read -r id used soft hard files fsoft fhard; do
    reported[$id]="$used $soft $hard $files $fsoft $fhard"
done < <(repquota -nv -u "$device" 2>/dev/null | awk '/^#/ {
    i = 3; used = $i; bsoft = $(i + 1); bhard = $(i + 2); i += 3
    if (substr($2, 1, 1) == "+") i++
    print $1, used, bsoft, bhard, $i, $(i + 1), $(i + 2) }')
# No file must not pass as no mismatch.
mismatches=0
[ -s "$csv" ] || mismatches=missing
while IFS=, read -r name _ used bsoft bhard _ _ files isoft ihard _ _; do
    id=$((first_id + 10#${name#kcmqt}))
    mine="$(((used + 1023) / 1024)) $((bsoft / 1024)) $((bhard / 1024)) $files $isoft $ihard"
    theirs=${reported[#$id]:-0 0 0 0 0 0}
    if [ "$mine" != "$theirs" ]; then
        echo "    | $name: CSV $mine, repquota $theirs" >> "$KCMQ_REPORT"
        mismatches=$((mismatches + 1))
    fi
done < <(tail -n +2 "$csv" 2>/dev/null | tr -d '\r')
check_equal "every CSV number matches repquota -n" 0 "$mismatches"

rm -rf "$data"
for ((i = 0; i < count; i++)); do
    printf '%s 0 0 0 0\n' "$(name_of "$i")"
done | setquota -b -u "$device" 2>/dev/null
cp -a /run/kcmq/passwd.tables /etc/passwd
