#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Quota warnings end to end: the panel's notification model, run as an
# ordinary user, saves tasks and warnquota's files through the real helper;
# cron's way of running the saved command makes the real warnquota mail a
# user who is over a soft limit.

notifications_dir=/run/kcmq/notifications
saved_files=(/etc/warnquota.conf /etc/quotatab /etc/quotagrpadmins)
mkdir -p "$notifications_dir/saved"
for f in "${saved_files[@]}"; do
    [ -e "$f" ] && cp -p "$f" "$notifications_dir/saved/"
done
restore_notification_files() {
    for f in "${saved_files[@]}"; do
        if [ -e "$notifications_dir/saved/$(basename "$f")" ]; then
            cp -p "$notifications_dir/saved/$(basename "$f")" "$f"
        else
            rm -f "$f"
        fi
    done
    rm -f /etc/warnquota-kcmq.conf
}
trap restore_notification_files EXIT

# warnquota hands each mail to MAIL_CMD; this one only records it.
cat > "$notifications_dir/mail-stub" <<'STUB'
#!/bin/sh
/bin/cat >> /run/kcmq/notifications/mail.log
STUB
chmod 755 "$notifications_dir/mail-stub"
: > "$notifications_dir/mail.log"

check "a task naming a file the helper refuses is reported, the other texts are saved" \
    as_user "$KCMQ_GRANTED_USER" "$KCMQ_NOTIFICATIONS_TEST" unwritableTaskFileIsReported
check "a saved snapshot reads back unchanged" \
    as_user "$KCMQ_GRANTED_USER" "$KCMQ_NOTIFICATIONS_TEST" savedSnapshotReadsBack

# cron skips tables that are not root's or that others may write.
check_equal "the cron table belongs to root with mode 644" "644 root root" "$(file_mode /etc/cron.d/warnquota)"
expected_table='# Cron job for quota notifications
# Dont edit this file
PATH=/usr/sbin
5 8 * * * root warnquota -u --config=/etc/warnquota-kcmq.conf
0 6 15 * * root warnquota -g'
check_equal "the cron table is the header and the two jobs" "$expected_table" "$(cat /etc/cron.d/warnquota)"
check_equal "the cron table ends with a line feed" "0a" "$(tail -c 1 /etc/cron.d/warnquota | od -An -tx1 | tr -d ' ')"
check_contains "the task's own configuration text is written" 'MAIL_CMD = "/run/kcmq/notifications/mail-stub"' "$(cat /etc/warnquota-kcmq.conf)"
check_equal "texts are written as UTF-8" "# Gerätebeschreibungen" "$(cat /etc/quotatab)"
check_equal "configuration texts are readable by the panel" "644 root root" "$(file_mode /etc/warnquota-kcmq.conf)"

# A user over the soft limit on the ext4 device (user1 owns 3 MiB there).
before=$(repquota_line "$KCMQ_EXT4_DEVICE" -u "$KCMQ_USER1_ID")
setquota -u "$KCMQ_USER1" 1024 0 0 0 "$KCMQ_EXT4_MOUNT"

# Run the daily task the way cron does: its command through /bin/sh with
# the table's PATH and cron's minimal environment.
table_path=$(sed -n 's/^PATH=//p' /etc/cron.d/warnquota)
command=$(sed -n 's/^5 8 \* \* \* root //p' /etc/cron.d/warnquota)
check "the saved command runs under cron's environment" \
    env -i PATH="$table_path" SHELL=/bin/sh HOME=/root LOGNAME=root /bin/sh -c "$command"
mail=$(cat "$notifications_dir/mail.log")
check_contains "warnquota mailed the user over the limit" "To: $KCMQ_USER1" "$mail"
check_contains "the mail uses the task's configuration" "Subject: Quota warning from the panel" "$mail"

# Put user1's limits back as they were.
read -r _ _ _ bsoft bhard _ isoft ihard _ <<< "$(echo "$before" | tr -s ' ')"
setquota -u "$KCMQ_USER1" "${bsoft:-0}" "${bhard:-0}" "${isoft:-0}" "${ihard:-0}" "$KCMQ_EXT4_MOUNT"
check_equal "user1's limits are put back" "$before" "$(repquota_line "$KCMQ_EXT4_DEVICE" -u "$KCMQ_USER1_ID")"
