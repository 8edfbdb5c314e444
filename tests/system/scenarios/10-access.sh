#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# The installed helper answers KAuth requests of an ordinary user: the
# kernel check, the dispatcher's refusal of an empty request, blkid lines.

check_action "kernel support check succeeds" access check_support_kernel
check_equal "kernel support check attaches no data" "" "$(printf '%s\n' "$reply" | grep '^data\.')"

# The fixtures use quotas, so the kernel has loaded its quota format
# module: the helper answers from that alone, without modinfo, even when
# the module's file is gone (the unit tests cover a kernel without it).
module=$(modinfo -n quota_v2)
mv "$module" "$module.hidden"
check "the quota format module is loaded" test -d /sys/module/quota_v2
check_action "a loaded quota format module answers the support check without modinfo" access check_support_kernel
mv "$module.hidden" "$module"

for action in access change setnotifications; do
    check_action_fails "$action without a sub-command says so" "No arguments." "$action"
done

check_action "get_data succeeds" access get_data
expected=$(blkid | sort)
got=$(printf '%s\n' "$reply" | sed -n 's/^data\.blkid_data=//p' | grep -v '^$' | sort)
check_equal "get_data returns the lines blkid prints" "$expected" "$got"
check_contains "get_data lists the ext4 device by its UUID" "$KCMQ_EXT4_DEVICE: " "$(printf '%s\n' "$reply" | grep "UUID=\"$KCMQ_EXT4_UUID\"")"

# The helper sets its own PATH; a missing blkid must be reported, not
# answered with an empty device list.
blkid_path=$(command -v blkid)
mv "$blkid_path" "$blkid_path.hidden"
check_action_fails "get_data without blkid reports that it cannot start it" "Process blkid can not started" access get_data
mv "$blkid_path.hidden" "$blkid_path"

# "access" runs the kernel check before anything else it is given.
check_action "kernel check wins over other keys" access check_support_kernel get_data
check_equal "kernel check with other keys attaches no data" "" "$(printf '%s\n' "$reply" | grep '^data\.')"
