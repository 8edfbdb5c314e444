#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Removing the package leaves none of its files; purging it afterwards
# leaves what the administrator wrote. The last scenario, since the panel
# is gone after it (dpkg is slow under emulation: no reinstall).

packaged=$(package_files)
check "the package is installed before its removal" test -n "$packaged"

# A warnquota table as an administrator (or the panel) writes it.
printf '# written by the administrator\n0 8 * * 1 root /usr/sbin/warnquota -u\n' > /etc/cron.d/warnquota
admin_files=(/etc/fstab /etc/cron.d/warnquota /etc/warnquota.conf /etc/quotatab /etc/quotagrpadmins)
admin_sums() {
    local f
    for f in "${admin_files[@]}"; do
        if [ -e "$f" ]; then sha256sum "$f"; else echo "absent $f"; fi
    done
}
before=$(admin_sums)

export DEBIAN_FRONTEND=noninteractive
check "apt-get remove kcm-quotas succeeds" sh -c 'apt-get remove -y -q kcm-quotas > /run/kcmq/remove.log 2>&1'
left=$(
    while read -r f; do
        if [ -e "$f" ] || [ -L "$f" ]; then echo "$f"; fi
    done <<< "$packaged"
    project_files
)
check_equal "no file of the package is left after its removal" "" "$(sort -u <<< "$left")"
check "dpkg no longer has kcm-quotas installed" \
    sh -c "! dpkg-query -W -f='\${Status}' kcm-quotas 2> /dev/null | grep -q 'ok installed'"
# A package that kept configuration files or a purge script would still be
# known to dpkg here, and purging would run that script. (apt no longer
# knows a package installed from a file once it is removed.)
check "dpkg --purge kcm-quotas succeeds" sh -c 'dpkg --purge kcm-quotas > /run/kcmq/purge.log 2>&1'
check_equal "purging leaves fstab, the warnquota cron table and the quota tools' files as they were" \
    "$before" "$(admin_sums)"
check "the package has no maintainer script that could touch them" \
    sh -c 'dpkg-deb --ctrl-tarfile "$KCMQ_PACKAGE" | tar -t | grep -E "/(pre|post)(inst|rm)$|/conffiles$" && exit 1 || exit 0'
