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
    rm -rf /tmp/kcmq-x /tmp/kcmq-dev /tmp/kcmq-blk /dev/shm/kcmq-dev /etc/warnquota-staff.conf /etc/warnquota-evil.conf "$cron"
    cp -a "$saved" /etc/fstab
    [ -n "${loose_loop:-}" ] && losetup -d "$loose_loop"
    [ -n "${syslog_pid:-}" ] && kill "$syslog_pid"
    setquota -u "$KCMQ_USER2" 0 0 0 0 "$KCMQ_EXT4_DEVICE"
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

# The guest runs no journal: a syslog daemon on /dev/log stands in for it,
# and receives what the helper logs through syslog(3).
syslog=$work/syslog
busybox syslogd -n -O "$syslog" &
syslog_pid=$!
for _ in $(seq 50); do [ -S /dev/log ] && break; sleep 0.1; done

# What the refusals below must leave as it is: fstab, every quota record
# and grace period, the configuration files and the cron table.
state() {
    cat /etc/fstab
    repquota -anp -u
    repquota -anp -g
    cat /etc/warnquota.conf /etc/quotatab /etc/quotagrpadmins 2> /dev/null
    ls -l "$cron" 2> /dev/null
}
state > "$work/state-before"
unchanged() { # NAME
    state > "$work/state-after"
    check "nothing changed: $1" cmp -s "$work/state-before" "$work/state-after"
}
QIF_LIMITS=5 QIF_SPACE=2 QIF_INODES=8 QIF_TIMES=48
user1=$KCMQ_USER1_ID
ext4=$KCMQ_EXT4_DEVICE

# 6. Each action takes only its own sub-commands.
access_action=org.velun.kcm.quotas.access
change_action=org.velun.kcm.quotas.change
while read -r action key words; do
    other=$([ "$action" == access ] && echo "$access_action" || echo "$change_action")
    # shellcheck disable=SC2086
    check_action_fails "$action refuses $key" "The request $key is not part of the action $other" "$action" $words device_name=s:"$ext4"
    unchanged "$action $key"
done << TABLE
access set_quota_info set_quota_info id=i:$user1 type=i:0 info=q:1,1,0,1,1,0,0,0,$QIF_LIMITS
access set_device_options set_device_options options=c:rw
access enable_device_quota get_data enable_device_quota type=i:0 enable=i:0
access set_device_grace_period set_device_grace_period type=i:0 bgrace=u:1 igrace=u:1
access remount_device remount_device
change get_data get_data
change get_all_quota_info get_all_quota_info type=i:0 ids=n:0
TABLE

# 7. Limits and grace times only, and no number that wraps.
while read -r name record error; do
    check_action_fails "set_quota_info refused: $name" "$error" change set_quota_info device_name=s:"$ext4" id=i:"$user1" type=i:0 info=q:"$record"
    unchanged "set_quota_info $name"
done << TABLE
usage-reset 0,0,0,0,0,0,0,0,$QIF_SPACE The validity mask 0x2 sets more than limits and grace times
usage-with-limits 1,1,0,1,1,0,0,0,$((QIF_LIMITS | QIF_SPACE | QIF_INODES)) The validity mask 0xf sets more than limits and grace times
bit-32 1,1,0,1,1,0,0,0,$(((1 << 32) | QIF_LIMITS)) The validity mask 0x100000005 sets more than limits and grace times
2^54-blocks $((1 << 54)),0,0,0,0,0,0,0,$QIF_LIMITS The space limit of 18014398509481984 KiB is too large
2^54+1-blocks $(((1 << 54) + 1)),0,0,0,0,0,0,0,$QIF_LIMITS The space limit of 18014398509481985 KiB is too large
2^63-inodes 0,0,0,9223372036854775808,0,0,0,0,$QIF_LIMITS The inode limit of 9223372036854775808 is too large
TABLE
check_action_fails "a grace period of 2^32 s is refused" "The grace period of 4294967296 seconds is too long" \
    change set_device_grace_period device_name=s:"$ext4" type=i:0 bgrace=u:4294967296 igrace=u:60
unchanged "grace period of 2^32 s"

# 8. No shell code in warnquota's configuration, even behind a job of our own.
printf '#!/bin/sh\n' > /tmp/kcmq-x/mail && chmod 0755 /tmp/kcmq-x/mail && chown "$KCMQ_GRANTED_USER" /tmp/kcmq-x/mail
evil_job='0 8 1 * * root warnquota -u --config=/etc/warnquota-evil.conf'
while read -r name expected; do
    read -r text
    check_action_fails "MAIL_CMD refused: $name" "$expected" setnotifications write_conf_file=s:/etc/warnquota.conf text=s:"$(printf '%b' "$text")"
    unchanged "MAIL_CMD $name"
done << 'TABLE'
separator MAIL_CMD /bin/true; id holds more than a program and plain arguments
MAIL_CMD = "/bin/true; id"
substitution MAIL_CMD /bin/true $(id) holds more than a program and plain arguments
MAIL_CMD = /bin/true $(id)
continued-line MAIL_CMD /bin/true >/etc/shadow holds more than a program and plain arguments
MAIL_CMD = /bin/true \\\n>/etc/shadow
relative The program sh of MAIL_CMD is not an absolute path
MAIL_CMD = sh -c id
users-program The program /tmp/kcmq-x/mail of MAIL_CMD is not an executable file of root's that only root can change
MAIL_CMD = /tmp/kcmq-x/mail
TABLE
check_action "a job naming a new configuration" setnotifications write_cron_file=s:"$cron" added_lines=l:"$header
$evil_job"
check_action_fails "that configuration may not hold shell code" "MAIL_CMD /bin/true|id holds more than a program and plain arguments" \
    setnotifications write_conf_file=s:/etc/warnquota-evil.conf text=s:'MAIL_CMD = /bin/true|id'
check "the configuration was not written" test ! -e /etc/warnquota-evil.conf
rm -f "$cron"
unchanged "job with a shell configuration"

# 9. Devices: only the system's own names of a device /etc/fstab names.
as_user "$KCMQ_GRANTED_USER" ln -s "$KCMQ_EXT2_DEVICE" /dev/shm/kcmq-dev
truncate -s 8M "$work/loose.img"
loose_loop=$(losetup --find --show "$work/loose.img")
for device in /dev/shm/kcmq-dev "$loose_loop" /root/.profile /root/kcmq-none; do
    check_action_fails "quota switch refused: $device" "Device $device is not a block device" change enable_device_quota device_name=s:"$device" type=i:0 enable=i:1
    check_action_fails "record read refused: $device" "Device $device is not a block device" access get_quota_info device_name=s:"$device" id=i:0 type=i:0
    unchanged "device $device"
done

# 10. Bounds, refused before anything is read or written.
head -c $((1024 * 1024 + 1)) /dev/zero | tr '\0' '#' > "$work/big.conf"
check_action_fails "a configuration text above 1 MiB" "The text for /etc/warnquota.conf is larger than 1 MiB" \
    setnotifications write_conf_file=s:/etc/warnquota.conf text=f:"$work/big.conf"
jobs=$(for _ in $(seq 101); do echo '0 8 1 * * root warnquota -u'; done)
check_action_fails "a cron table of 101 jobs" "The cron table holds more than 100 jobs" setnotifications write_cron_file=s:"$cron" added_lines=l:"$header
$jobs"
check_action_fails "a job above 1 KiB" "A line of the cron table is longer than 1024 bytes" setnotifications write_cron_file=s:"$cron" added_lines=l:"$header
0 8 1 * * root warnquota -u$(printf ' %.0s' {1..1000}) -g"
unchanged "bounds"

etc_state > "$work/after"
check "nothing in /etc changed through the refusals" cmp -s "$work/before" "$work/after"
check "no temporary file left in /etc or /etc/cron.d" sh -c '! ls -a /etc /etc/cron.d | grep -q "^\.\(fstab\|warnquota\|quota\)"'

# 11. What the panel sends still works.
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

# 12. The audit trail: a limit the panel's manager writes, and a refusal.
granted_uid=$(id -u "$KCMQ_GRANTED_USER")
check "the manager writes user2's limits" core_test writeMemberLimits
sleep 1
check_contains "the system log holds the limit change" \
    "kcm-quotas-helper[" "$(grep "uid=$granted_uid action=$change_action request=set_quota_info device=$ext4 type=0 id=$KCMQ_USER2_ID" "$syslog")"
check_contains "with the old and new limits and the result" "new_limits=bsoft:10240,bhard:20480,isoft:100,ihard:200 result=done" \
    "$(grep "request=set_quota_info device=$ext4 type=0 id=$KCMQ_USER2_ID" "$syslog")"
check_contains "the system log holds a refusal" "request=set_quota_info device=$ext4 result=refused reason=\"The request set_quota_info is not part of the action $access_action\"" \
    "$(cat "$syslog")"
