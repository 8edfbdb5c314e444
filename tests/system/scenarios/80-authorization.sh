#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# An ordinary user without the grant: polkit asks for an administrator,
# there is no agent, every action fails and nothing changes.

denied() {
    reply=$(action_as "$KCMQ_DENIED_USER" "$@" 2>&1)
    [ "$(field result "$reply")" == failed ]
}
before=$(repquota -np -u "$KCMQ_EXT4_DEVICE")
check "denied: kernel check" denied access check_support_kernel
check "denied: get_data returns nothing" sh -c "! printf '%s' \"\$1\" | grep -q '^data\.'" _ "$(action_as "$KCMQ_DENIED_USER" access get_data)"
check "denied: set_quota_info" denied change set_quota_info device_name=s:"$KCMQ_EXT4_DEVICE" id=i:"$KCMQ_USER1_ID" type=i:0 info=q:9,9,0,9,9,0,0,0,5
check_equal "denied: the quota records are unchanged" "$before" "$(repquota -np -u "$KCMQ_EXT4_DEVICE")"
check "denied: set_device_options" denied change set_device_options device_name=s:"$KCMQ_EXT2_DEVICE" options=c:ro
check "denied: fstab unchanged" cmp -s /run/kcmq/saved/fstab /etc/fstab
check "denied: write_cron_file" denied setnotifications write_cron_file=s:/etc/cron.d/warnquota added_lines=c:
check "denied: no cron file" test ! -e /etc/cron.d/warnquota
check "denied: enable_device_quota off" denied change enable_device_quota device_name=s:"$KCMQ_EXT4_DEVICE" type=i:0 enable=i:0
check_equal "denied: quotas stay on" on "$(quota_state "$KCMQ_EXT4_DEVICE" user)"
check_action "the granted user is still served" access check_support_kernel
