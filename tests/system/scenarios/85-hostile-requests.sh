#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# While an administrator's grant is remembered, any program of the session
# can talk to the helper. Requests the panel never sends, made here as the
# granted user, must be refused without changing anything; what the panel
# does send keeps working.

cron=/etc/cron.d/warnquota
work=/run/kcmq/hostile
saved=/run/kcmq/saved/fstab
mkdir -p "$work"
catalogue=/usr/share/locale/de/LC_MESSAGES/velun_kcm_quotas.mo
german() { # msgid
    msgunfmt --no-wrap "$catalogue" 2> /dev/null | awk -v id="msgid \"$1\"" '$0 == id { getline; sub(/^msgstr "/, ""); sub(/"$/, ""); print; exit }'
}
cleanup() {
    rm -rf /tmp/kcmq-x /tmp/kcmq-dev /tmp/kcmq-blk /etc/warnquota-staff.conf "$cron"
    cp -a "$saved" /etc/fstab
}
trap cleanup EXIT
rm -f "$cron"

# Everything /etc holds, with sizes, times, modes and owners, to compare
# after the refusals (directories without times: a hand-edited cron table
# comes and goes below).
etc_state() {
    find /etc ! -type d -printf '%p %y %s %T@ %m %u\n' 2> /dev/null | sort
    find /etc -type d -printf '%p %m %u\n' 2> /dev/null | sort
}
etc_state > "$work/before"

# 1. Locale names reach the translation system and glibc as paths.
mkdir -p /tmp/kcmq-x/LC_MESSAGES
printf 'msgid "No arguments."\nmsgstr "HIJACKED"\n' > /tmp/kcmq-x/hijack.po
msgfmt -o /tmp/kcmq-x/LC_MESSAGES/velun_kcm_quotas.mo /tmp/kcmq-x/hijack.po
chown -R "$KCMQ_GRANTED_USER" /tmp/kcmq-x
check_action_fails "a language that is a path is refused" "Invalid locale name ../../../tmp/kcmq-x" change languages=c:../../../tmp/kcmq-x
check_action_fails "a language that is a path is refused in setnotifications" "Invalid locale name ../../../tmp/kcmq-x" \
    setnotifications languages=c:../../../tmp/kcmq-x write_conf_file=s:/etc/warnquota.conf text=s:x
invalid_de=$(german "Invalid locale name %1")
check "\"Invalid locale name %1\" has a German translation" test -n "$invalid_de"
check_action_fails "a locale name with a slash is refused, in German" "$(printf '%s' "$invalid_de" | sed 's|%1|/tmp/kcmq-x|')" change languages=c:de lcmessages=s:/tmp/kcmq-x
check_action_fails "a locale name of 65 characters is refused" "Invalid locale name $(printf 'a%.0s' {1..65})" \
    access get_data lcmessages=s:"$(printf 'a%.0s' {1..65})"

# 2. The language of an answer depends only on its own request.
no_args=$(german "No arguments.")
check_action_fails "plain C answers in English" "No arguments." change languages=c:de lcmessages=s:C
check_action_fails "German with a locale that is not installed, after plain C" "$no_args" change languages=c:de lcmessages=s:xx_KCMQ.UTF-8
check_action_fails "German with C.UTF-8" "$no_args" change languages=c:de lcmessages=s:C.UTF-8
check_action_fails "German with a locale that is not installed, after C.UTF-8" "$no_args" change languages=c:de lcmessages=s:xx_KCMQ.UTF-8

# 3. Cron jobs that name foreign files or are no jobs at all.
header='# Cron job for quota notifications
# Dont edit this file
PATH=/usr/sbin'
while read -r name expected; do
    read -r job
    check_action_fails "cron job refused: $name" "$expected" setnotifications write_cron_file=s:"$cron" added_lines=l:"$header
$job"
done << 'TABLE'
preload The name of the file /etc/ld.so.preload does not begin with warnquota
0 8 1 * * root warnquota -u --config=/etc/ld.so.preload
cron-file-as-config The file /etc/cron.d/warnquota is the cron table of the quota notifications
0 8 1 * * root warnquota -u --config=/etc/cron.d/warnquota
sudoers-as-admins The file /etc/sudoers.d/quota is neither in /etc nor in a quota directory of /etc
0 8 1 * * root warnquota -g --admins-file=/etc/sudoers.d/quota
quota-tab-in-tmp The file /tmp/d/quotatab is neither in /etc nor in a quota directory of /etc
0 8 1 * * root warnquota -u --quota-tab=/tmp/d/quotatab
path-with-dollar The file name /etc/warnquota$b is not a plain absolute path
0 8 1 * * root warnquota -u --config=/etc/warnquota$b
variable-assignment Can'n create /etc/cron.d/warnquota file
MAILTO=X 1 1 1 1 root warnquota -u
month-name Can'n create /etc/cron.d/warnquota file
0 8 1 JAN * root warnquota -u
other-user Can'n create /etc/cron.d/warnquota file
0 8 1 * * nobody warnquota -u
TABLE
check "no cron table was written" test ! -e "$cron"
check_action_fails "a configuration text for the loader is refused" "Can'n create /etc/ld.so.preload file" \
    setnotifications write_conf_file=s:/etc/ld.so.preload text=s:/tmp/kcmq-x/evil.so

# A hand-edited job on disk does not open its file to the helper.
printf '%s\n0 8 1 * * root warnquota -u --config=/etc/ld.so.preload\n' "$header" > "$cron"
check_action_fails "a file named only by a hand-edited job is refused, by name" \
    "The name of the file /etc/ld.so.preload does not begin with warnquota" setnotifications write_conf_file=s:/etc/ld.so.preload text=s:x
rm -f "$cron"

# 4. Mount options other than the quota options.
check_action_fails "foreign mount options are refused" "Only the quota options of device $KCMQ_EXT2_DEVICE can be changed" \
    change set_device_options device_name=s:"$KCMQ_EXT2_DEVICE" options=c:rw,relatime,suid,dev,exec,user
check_action_fails "a quota option with another one is refused" "Only the quota options of device $KCMQ_EXT3_DEVICE can be changed" \
    change set_device_options device_name=s:"$KCMQ_EXT3_DEVICE" options=c:defaults,usrquota,user

# 5. Device names outside /dev, even when they lead to a block device.
as_user "$KCMQ_GRANTED_USER" ln -s "$KCMQ_EXT2_DEVICE" /tmp/kcmq-dev
read -r major minor < <(stat -L -c '%t %T' "$KCMQ_EXT2_DEVICE")
mknod /tmp/kcmq-blk b "$((16#$major))" "$((16#$minor))"
for device in /dev/../etc/fstab /tmp/kcmq-dev /tmp/kcmq-blk /dev//../dev/null; do
    check_action_fails "device refused: $device" "Device $device is not a block device" change remount_device device_name=s:"$device"
done

etc_state > "$work/after"
check "nothing in /etc changed through the refusals" cmp -s "$work/before" "$work/after"
check "no temporary file left in /etc or /etc/cron.d" sh -c '! ls -a /etc /etc/cron.d | grep -q "^\.\(fstab\|warnquota\|quota\)"'

# 6. What the panel sends still works.
check_action "a quota option added" change set_device_options device_name=s:"$KCMQ_EXT3_DEVICE" options=c:defaults,usrquota
check_contains "the ext3 entry has usrquota" "LABEL=$KCMQ_EXT3_LABEL" "$(grep -F 'defaults,usrquota' /etc/fstab)"
check_action "and removed again" change set_device_options device_name=s:"$KCMQ_EXT3_DEVICE" options=c:defaults
check "fstab is as it was" cmp -s "$saved" /etc/fstab
staff_job='0 8 1 * * root warnquota -u --config=/etc/warnquota-staff.conf #staff'
check_action "a job naming /etc/warnquota-staff.conf" setnotifications write_cron_file=s:"$cron" added_lines=l:"$header
$staff_job"
check_contains "the job is in the cron table" "$staff_job" "$(cat "$cron")"
check_action "that file is written" setnotifications write_conf_file=s:/etc/warnquota-staff.conf text=s:'MAIL_CMD = "/bin/true"'
check_equal "its text" 'MAIL_CMD = "/bin/true"' "$(cat /etc/warnquota-staff.conf)"
check_equal "a new configuration file is 0644 root" "644 root root" "$(file_mode /etc/warnquota-staff.conf)"
