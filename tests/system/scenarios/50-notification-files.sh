#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# write_cron_file and write_conf_file: exact bytes, modes, and the paths
# and cron lines the helper must refuse (a cron line is a root command).

cron=/etc/cron.d/warnquota
conf=/etc/warnquota.conf
work=/run/kcmq/notification-files
mkdir -p "$work"
saved_conf=
[ -e "$conf" ] && { cp -p "$conf" "$work/conf"; saved_conf=1; }
cleanup() {
    rm -f "$cron" /etc/warnquota-kcmq-extra.conf /etc/quotatab.kcmq
    if [ -n "$saved_conf" ]; then cp -p "$work/conf" "$conf"; else rm -f "$conf"; fi
    [ -L /etc/quotatab ] && rm -f /etc/quotatab
    [ -e /etc/quotatab.saved ] && mv /etc/quotatab.saved /etc/quotatab
}
trap cleanup EXIT
rm -f "$cron"

lines=$'# Cron job for quota notifications\n# Dont edit this file\nPATH=/usr/sbin\n0 8 * * * root warnquota -u --config=/etc/warnquota-kcmq-extra.conf #daily'
check_action "write_cron_file" setnotifications write_cron_file=s:"$cron" added_lines=l:"$lines"
check_equal "cron file bytes: the lines and one final line feed" "$(printf '%s\n' "$lines" | od -c)" "$(od -c < "$cron")"
check_equal "a new cron file is 0644 root" "644 root root" "$(file_mode "$cron")"
chmod 0600 "$cron"
check_action "write_cron_file again" setnotifications write_cron_file=s:"$cron" added_lines=l:"$lines"
check_equal "the cron file keeps its mode" "600 root root" "$(file_mode "$cron")"

printf 'MAIL_CMD = "/bin/true"\0hidden tail' > "$work/text"
check_action "write_conf_file" setnotifications write_conf_file=s:"$conf" text=f:"$work/text"
check_equal "conf file bytes are cut at U+0000" 'MAIL_CMD = "/bin/true"' "$(cat "$conf")"
check_action "write_conf_file of a file a cron job names" setnotifications write_conf_file=s:/etc/warnquota-kcmq-extra.conf text=s:"x = 1"
check_equal "named file written" "x = 1" "$(cat /etc/warnquota-kcmq-extra.conf)"
check_action "both keys write only the cron table" setnotifications write_cron_file=s:"$cron" added_lines=c: write_conf_file=s:"$conf" text=s:changed
check_equal "cron table of an empty list is one line feed" "$(printf '\n' | od -c)" "$(od -c < "$cron")"
check_equal "the conf file was not written" 'MAIL_CMD = "/bin/true"' "$(cat "$conf")"

cp -p "$cron" "$work/cron"
while read -r name line; do
    check_action_fails "cron line refused: $name" "Can'n create $cron file" setnotifications write_cron_file=s:"$cron" added_lines=l:"$line"
    check "cron file untouched: $name" cmp -s "$work/cron" "$cron"
done <<'TABLE'
other-command * * * * * root rm -rf /
warnquota-then-shell 0 8 * * * root warnquota -u; touch /tmp/x
unknown-option 0 8 * * * root warnquota -u --mail-cmd=/bin/sh
TABLE
while read -r name key path; do
    check_action_fails "path refused: $name" "Can'n create $path file" setnotifications "$key"=s:"$path" added_lines=c: text=s:x
done <<'TABLE'
other-cron-file write_cron_file /etc/cron.d/kcmq-other
etc-passwd write_conf_file /etc/passwd
dot-dot write_conf_file /etc/../etc/warnquota.conf
relative write_conf_file warnquota.conf
TABLE
check "refused paths: /etc/cron.d/kcmq-other not created" test ! -e /etc/cron.d/kcmq-other
check_equal "refused paths: /etc/passwd unchanged" "$(getent passwd root)" "$(grep '^root:' /etc/passwd)"

[ -e /etc/quotatab ] && mv /etc/quotatab /etc/quotatab.saved
: > /etc/quotatab.kcmq
ln -s /etc/quotatab.kcmq /etc/quotatab
check_action_fails "a default file that is a symbolic link is refused" "The path of the file /etc/quotatab passes through the symbolic link /etc/quotatab" setnotifications write_conf_file=s:/etc/quotatab text=s:x
check_equal "the link target stayed empty" "" "$(cat /etc/quotatab.kcmq)"
