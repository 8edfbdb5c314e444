#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Sourced by every scenario: checks that write PASS/FAIL lines to the
# report, and ways to run programs as the guest's users.

# The host of the build under test: the Qt 6 build's tests name kcmshell6.
KCMQ_KCMSHELL=${KCMQ_KCMSHELL:-kcmshell5}

record_pass() {
    echo "PASS $*" >> "$KCMQ_REPORT"
    echo "PASS $*"
}

record_fail() {
    echo "FAIL $*" >> "$KCMQ_REPORT"
    echo "FAIL $*"
}

# Name of a check: the scenario plus the text given.
check_name() {
    echo "${KCMQ_SCENARIO:-guest}: $1"
}

# check NAME COMMAND...: passes when the command exits 0; its output goes
# to the guest log on failure.
check() {
    local name=$1 output status
    shift
    output=$("$@" 2>&1)
    status=$?
    if [ "$status" -eq 0 ]; then
        record_pass "$(check_name "$name")"
    else
        record_fail "$(check_name "$name") (status $status: $*)"
        printf '%s\n' "$output" | sed 's/^/    | /' | head -40
    fi
    return "$status"
}

# check_equal NAME EXPECTED ACTUAL
check_equal() {
    if [ "$2" == "$3" ]; then
        record_pass "$(check_name "$1")"
        return 0
    fi
    record_fail "$(check_name "$1")"
    echo "    expected: $(printf '%q' "$2")"
    echo "    got:      $(printf '%q' "$3")"
    return 1
}

# check_contains NAME NEEDLE HAYSTACK
check_contains() {
    if [[ "$3" == *"$2"* ]]; then
        record_pass "$(check_name "$1")"
        return 0
    fi
    record_fail "$(check_name "$1")"
    echo "    expected to contain: $(printf '%q' "$2")"
    echo "    got: $(printf '%q' "$3")"
    return 1
}

# as_user USER COMMAND...: runs the command with the user's ids and groups
# and a login-like environment, without PAM or a terminal. The account
# lookups are kept: every process costs under software emulation.
declare -A kcmq_account=()
as_user() {
    local user=$1
    shift
    if [ -z "${kcmq_account[$user]:-}" ]; then
        kcmq_account[$user]=$(getent passwd "$user" | cut -d: -f3,4,6) || return 125
    fi
    local uid gid home
    IFS=: read -r uid gid home <<< "${kcmq_account[$user]}"
    env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$home" USER="$user" LOGNAME="$user" \
        LANG="${KCMQ_LANG:-C.UTF-8}" ${LANGUAGE:+LANGUAGE="$LANGUAGE"} \
        DBUS_SYSTEM_BUS_ADDRESS=unix:path=/run/dbus/system_bus_socket \
        QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="/run/user/$uid" \
        setpriv --reuid="$uid" --regid="$gid" --init-groups -- "$@"
}

# The helper client as the panel runs it: as the user holding the grant.
# Prints result=, error= and data.KEY= lines; exits 0 on success.
action() {
    as_user "$KCMQ_GRANTED_USER" "$KCMQ_CLIENT" "$@"
}

# action_as USER ARGS...: the same for another user.
action_as() {
    local user=$1
    shift
    as_user "$user" "$KCMQ_CLIENT" "$@"
}

# core_test TEST-FUNCTION: one step of the quotas manager's system test,
# as the granted user, with the fixture names it checks against.
core_test() {
    as_user "$KCMQ_GRANTED_USER" env \
        KCMQ_EXT4_DEVICE="$KCMQ_EXT4_DEVICE" KCMQ_EXT3_DEVICE="$KCMQ_EXT3_DEVICE" KCMQ_EXT3_LABEL="$KCMQ_EXT3_LABEL" \
        KCMQ_EXT2_DEVICE="$KCMQ_EXT2_DEVICE" KCMQ_VFAT_DEVICE="$KCMQ_VFAT_DEVICE" KCMQ_SPARE_DEVICE="$KCMQ_SPARE_DEVICE" \
        KCMQ_XFS_DEVICE="$KCMQ_XFS_DEVICE" KCMQ_PRJ_DEVICE="$KCMQ_PRJ_DEVICE" \
        KCMQ_INTERNAL_DEVICE="${KCMQ_INTERNAL_DEVICE:-}" \
        KCMQ_USER1="$KCMQ_USER1" KCMQ_USER1_ID="$KCMQ_USER1_ID" KCMQ_USER2_ID="$KCMQ_USER2_ID" KCMQ_GROUP1_ID="$KCMQ_GROUP1_ID" \
        "$KCMQ_CORE_TEST" "$1"
}

# The fixture's /etc/fstab back, after a scenario let the panel edit it.
restore_fstab() {
    cp -a /run/kcmq/saved/fstab /etc/fstab
}

# field KEY OUTPUT: the value of the first KEY= line of client output.
field() {
    printf '%s\n' "$2" | sed -n "s/^$1=//p" | head -1
}

# check_action NAME ARGS...: the action must succeed. Leaves the output
# in $reply.
check_action() {
    local name=$1
    shift
    reply=$(action "$@" 2>&1)
    if [ "$(field result "$reply")" == succeeded ]; then
        record_pass "$(check_name "$name")"
        return 0
    fi
    record_fail "$(check_name "$name") (action $*)"
    printf '%s\n' "$reply" | sed 's/^/    | /' | head -20
    return 1
}

# check_action_fails NAME EXPECTED-ERROR ARGS...: the action must fail
# with exactly that error text ("*" accepts any text). Leaves $reply.
check_action_fails() {
    local name=$1 expected=$2 error
    shift 2
    reply=$(action "$@" 2>&1)
    error=$(field error "$reply")
    if [ "$(field result "$reply")" == failed ] && { [ "$expected" == "*" ] || [ "$error" == "$expected" ]; }; then
        record_pass "$(check_name "$name")"
        return 0
    fi
    record_fail "$(check_name "$name") (action $*)"
    echo "    expected failure with: $(printf '%q' "$expected")"
    printf '%s\n' "$reply" | sed 's/^/    | /' | head -20
    return 1
}

# Octal mode, owner and group of a file, as "644 root root".
file_mode() {
    stat -c '%a %U %G' "$1"
}

# quota_state DEVICE TYPE(user|group): "on" or "off" as quotaon -p reports.
quota_state() {
    local flag=-u
    [ "$2" == group ] && flag=-g
    if quotaon -p "$flag" "$1" 2>/dev/null | grep -q ' is on'; then
        echo on
    else
        echo off
    fi
}

# mount_options DEVICE: the options the kernel reports for the device.
mount_options() {
    findmnt -n -o OPTIONS --source "$1" | head -1
}

# repquota_line DEVICE TYPE(-u|-g) ID: the numeric line of one id.
repquota_line() {
    repquota -n "$2" "$1" 2>/dev/null | awk -v id="#$3" '$1 == id'
}

# Every file an earlier install of the project left on the host, wherever
# an older layout put it. The guest sees the host's root, so such a file
# could stand in for one this build fails to install and make a test pass
# that fails on every fresh machine; in the guest's overlay it is removed.
# After the package's install, it is every file of the project the guest
# finds.
project_files() {
    local lib=/usr/lib/x86_64-linux-gnu
    find "$lib/qt5" "$lib/qt6" "$lib/plugins" "$lib/libexec" /usr/lib/qt5 /usr/lib/qt6 /usr/lib/kauth /usr/lib/kf6 /usr/libexec \
        /usr/local /usr/share/kservices5 /usr/share/kservices6 \
        /usr/share/applications /usr/share/dbus-1 /etc/dbus-1 /usr/share/polkit-1 /etc/polkit-1 \
        /usr/share/locale /usr/share/metainfo /usr/share/qlogging-categories5 /usr/share/qlogging-categories6 \
        /usr/share/man/man1 /usr/share/doc/kcm-quotas \
        \( -name 'kcm-quotas.so' -o -name 'kcm_quotas.so' -o -name 'kcm-quotas.desktop' \
        -o -name 'kcm-quotas.json' -o -name 'kcm-quotas-helper' -o -name 'org.velun.kcm.quotas.*' \
        -o -name 'velun_kcm_quotas.mo' -o -name '*quotas*.categories' -o -name 'vyx-wmfunc.1*' \
        -o -path '/usr/share/doc/kcm-quotas/*' \) \( -type f -o -type l \) 2> /dev/null
    if grep -qs 'kcm-quotas stand-in' /usr/bin/vyx-wmfunc; then
        echo /usr/bin/vyx-wmfunc
    fi
}

# The one package file that ctest built for this run.
package_file() {
    local debs
    debs=$(ls -1 "$KCMQ_PACKAGE_DIR"/kcm-quotas_*.deb 2> /dev/null)
    [ -n "$debs" ] && [ "$(wc -l <<< "$debs")" -eq 1 ] && echo "$debs"
}

# The files (not folders) the installed package holds.
package_files() {
    dpkg-query -L kcm-quotas 2> /dev/null | while read -r f; do
        if [ -f "$f" ] || [ -L "$f" ]; then
            echo "$f"
        fi
    done
}

# The plug-in as the package installed it, where the hosts look for it.
installed_plugin() {
    dpkg-query -L kcm-quotas | grep -m1 '/plasma/kcms/systemsettings_qwidgets/kcm-quotas.so$'
}

# project_tree DIR: one line per file, folder and link at or under DIR,
# "path project-id inherit-flag" (links "path link"), read with
# FS_IOC_FSGETXATTR without our code; mounts below DIR are walked too, so a
# change that crossed into one shows.
project_tree() {
    python3 - "$1" <<'PY'
import fcntl, os, struct, sys
FS_IOC_FSGETXATTR = 0x801C581F
PROJINHERIT = 0x200
def show(path):
    if os.path.islink(path):
        print(path, "link")
        return
    try:
        fd = os.open(path, os.O_RDONLY | os.O_NOFOLLOW | os.O_NONBLOCK)
    except OSError as e:
        print(path, "error", e.errno)
        return
    try:
        buf = fcntl.ioctl(fd, FS_IOC_FSGETXATTR, bytes(28))
        xflags, _, _, projid = struct.unpack_from("<IIII", buf)
        print(path, projid, "P" if xflags & PROJINHERIT else "-")
    except OSError as e:
        print(path, "error", e.errno)
    finally:
        os.close(fd)
root = sys.argv[1]
show(root)
for top, dirs, files in os.walk(root):
    dirs.sort()
    for name in sorted(dirs + files):
        show(os.path.join(top, name))
PY
}

# project_of PATH: the project id of one file or folder.
project_of() {
    project_tree "$1" | head -1 | cut -d' ' -f2
}
