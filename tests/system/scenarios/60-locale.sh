#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# The helper answers in the panel's language: the client sends the
# languages it runs with, as the panel does.

catalogue=/usr/share/locale/de/LC_MESSAGES/velun_kcm_quotas.mo
check "the German catalogue is installed" test -s "$catalogue"
german() { # msgid
    msgunfmt --no-wrap "$catalogue" 2> /dev/null | awk -v id="msgid \"$1\"" '$0 == id { getline; sub(/^msgstr "/, ""); sub(/"$/, ""); print; exit }'
}
no_args=$(german "No arguments.")
check "\"No arguments.\" has a German translation" test -n "$no_args" -a "$no_args" != "No arguments."
LANGUAGE=de check_action_fails "empty request under LANGUAGE=de" "$no_args" change
check_action_fails "empty request with languages [de]" "$no_args" change languages=c:de
esrch=$(german "No disk map was found for the specified user. Quota turned off in file system")
LANGUAGE=de check_action_fails "the kernel's refusal in German" "$esrch" access get_quota_info device_name=s:"$KCMQ_EXT2_DEVICE" id=i:0 type=i:0
check_action_fails "the next English request is English again" "No arguments." change
