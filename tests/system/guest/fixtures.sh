#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Sourced by main.sh as root: installs the project and builds the world the
# scenarios run in. Everything a scenario needs to know about it is written
# to /run/kcmq/fixtures.env (see README.md). Returns non-zero on the first
# step that fails, after saying which.

fixture_step() {
    echo "KCMQ-FIXTURE [$(cut -d' ' -f1 /proc/uptime)s] $*"
}

fixture_error() {
    echo "KCMQ-FIXTURE-ERROR $*"
    return 1
}

images=/var/lib/kcmq-images
mounts=/srv/kcmq
env_file=/run/kcmq/fixtures.env

fixture_step "kernel modules"
modprobe -a quota_v2 loop ext4 xfs vfat nls_cp437 nls_ascii nls_utf8 nls_iso8859-1 ||
    fixture_error "modprobe of the quota, loop and file system modules" || return 1

fixture_step "removal of earlier installs of the project"
project_files | while read -r f; do
    echo "KCMQ-FIXTURE removing $f"
    rm -f "$f"
done

fixture_step "install of the package built from $KCMQ_BUILD_DIR"
# The package an administrator installs, built from the same tree as the
# build's test programs (scripts/build-deb.sh, run by ctest first). Its
# dependencies are installed on the host already; only what is missing
# would need the network, which the guest has not.
KCMQ_PACKAGE=$(package_file) || fixture_error "no package in $KCMQ_PACKAGE_DIR" || return 1
# The manual page index is of no use here and slow to update under
# emulation.
rm -f /var/lib/man-db/auto-update
dpkg -i "$KCMQ_PACKAGE" > /run/kcmq/install.log 2>&1 || {
    tail -20 /run/kcmq/install.log
    fixture_error "dpkg -i $KCMQ_PACKAGE failed"
    return 1
}

fixture_step "users and groups"
# Two ordinary accounts that use the panel, and the quota subjects.
KCMQ_GRANTED_USER=kcmqadmin
KCMQ_DENIED_USER=kcmqguest
KCMQ_USER1=kcmquser1 KCMQ_USER1_ID=2101
KCMQ_USER2=kcmquser2 KCMQ_USER2_ID=2102
KCMQ_GROUP1=kcmqgroup1 KCMQ_GROUP1_ID=3101
KCMQ_GROUP2=kcmqgroup2 KCMQ_GROUP2_ID=3102
{
    groupadd -g "$KCMQ_GROUP1_ID" "$KCMQ_GROUP1" &&
        groupadd -g "$KCMQ_GROUP2_ID" "$KCMQ_GROUP2" &&
        useradd -m -u 2001 -U -s /bin/bash "$KCMQ_GRANTED_USER" &&
        useradd -m -u 2002 -U -s /bin/bash "$KCMQ_DENIED_USER" &&
        useradd -M -u "$KCMQ_USER1_ID" -g "$KCMQ_GROUP1" -s /usr/sbin/nologin "$KCMQ_USER1" &&
        useradd -M -u "$KCMQ_USER2_ID" -g "$KCMQ_GROUP2" -G "$KCMQ_GROUP1" -s /usr/sbin/nologin "$KCMQ_USER2"
} || fixture_error "account creation" || return 1
for u in "$KCMQ_GRANTED_USER" "$KCMQ_DENIED_USER"; do
    uid=$(id -u "$u")
    install -d -m 0700 -o "$u" -g "$u" "/run/user/$uid"
done

fixture_step "loop devices"
mkdir -p "$images" "$mounts"/{ext4,ext3,ext2,vfat,spare,xfs,prj}
# Fixed identities, so scenarios and reports can name them.
KCMQ_EXT4_UUID=7d8e4b8e-6a51-4c57-9b0b-5c3a8f2e1d40
KCMQ_EXT3_LABEL=kcmq-ext3
KCMQ_VFAT_LABEL=KCMQVFAT
make_device() { # name mkfs-command...
    local name=$1
    shift
    # mkfs.xfs refuses file systems under 300 MiB; the images are sparse.
    local size=64M
    [ "$name" != xfs ] || size=320M
    truncate -s "$size" "$images/$name.img" || return 1
    "$@" "$images/$name.img" > /dev/null 2>&1 || return 1
    losetup --find --show "$images/$name.img"
}
KCMQ_EXT4_DEVICE=$(make_device ext4 mkfs.ext4 -q -F -U "$KCMQ_EXT4_UUID" -L kcmq-ext4) &&
    KCMQ_EXT3_DEVICE=$(make_device ext3 mkfs.ext3 -q -F -L "$KCMQ_EXT3_LABEL") &&
    KCMQ_EXT2_DEVICE=$(make_device ext2 mkfs.ext2 -q -F) &&
    KCMQ_VFAT_DEVICE=$(make_device vfat mkfs.vfat -n "$KCMQ_VFAT_LABEL") &&
    KCMQ_SPARE_DEVICE=$(make_device spare mkfs.ext4 -q -F -L kcmq-spare) &&
    KCMQ_XFS_DEVICE=$(make_device xfs mkfs.xfs -q -f -L kcmq-xfs) &&
    KCMQ_PRJ_DEVICE=$(make_device prj mkfs.ext4 -q -F -O quota,project -I 256 -L kcmq-prj) ||
    fixture_error "loop device file systems" || return 1
KCMQ_EXT4_MOUNT=$mounts/ext4
KCMQ_EXT3_MOUNT=$mounts/ext3
KCMQ_EXT2_MOUNT=$mounts/ext2
KCMQ_VFAT_MOUNT=$mounts/vfat
KCMQ_SPARE_MOUNT=$mounts/spare
KCMQ_XFS_MOUNT=$mounts/xfs
KCMQ_PRJ_MOUNT=$mounts/prj

fixture_step "/etc/fstab"
# Comments, blank lines and the three ways of naming a device; the spare
# device is listed but never mounted. XFS accounts a kind only when mounted
# with its option; the ext4 device with the "project" feature accounts
# every kind from mount time, prjquota enforces its folder limits.
cat > /etc/fstab <<FSTAB
# /etc/fstab of the kcm-quotas test VM
# <file system>  <mount point>  <type>  <options>  <dump>  <pass>

UUID=$KCMQ_EXT4_UUID	$KCMQ_EXT4_MOUNT	ext4	rw,usrquota,grpquota	0	2
# labelled, no quota options yet
LABEL=$KCMQ_EXT3_LABEL  $KCMQ_EXT3_MOUNT  ext3  defaults  0  2

$KCMQ_EXT2_DEVICE  $KCMQ_EXT2_MOUNT  ext2  rw,usrquota  0  0
$KCMQ_VFAT_DEVICE  $KCMQ_VFAT_MOUNT  vfat  defaults  0  0
$KCMQ_SPARE_DEVICE  $KCMQ_SPARE_MOUNT  ext4  noauto,usrquota  0  0
$KCMQ_XFS_DEVICE  $KCMQ_XFS_MOUNT  xfs  usrquota,grpquota,prjquota  0  0
$KCMQ_PRJ_DEVICE  $KCMQ_PRJ_MOUNT  ext4  rw,prjquota  0  0
FSTAB
chmod 0644 /etc/fstab
# mount(8) keeps no mtab of its own any more; the panel reads /etc/mtab.
ln -sf ../proc/self/mounts /etc/mtab

fixture_step "mounts"
for m in "$KCMQ_EXT4_MOUNT" "$KCMQ_EXT3_MOUNT" "$KCMQ_EXT2_MOUNT" "$KCMQ_VFAT_MOUNT" "$KCMQ_XFS_MOUNT" "$KCMQ_PRJ_MOUNT"; do
    mount "$m" || fixture_error "mount $m" || return 1
done

fixture_step "quotas on the ext4 device"
# Some usage of known size, so repquota has numbers to show.
install -d -o "$KCMQ_USER1" -g "$KCMQ_GROUP1" "$KCMQ_EXT4_MOUNT/user1"
for i in 1 2 3; do
    head -c 1048576 /dev/zero > "$KCMQ_EXT4_MOUNT/user1/file$i"
    chown "$KCMQ_USER1:$KCMQ_GROUP1" "$KCMQ_EXT4_MOUNT/user1/file$i"
done
install -d -o "$KCMQ_USER2" -g "$KCMQ_GROUP2" "$KCMQ_EXT4_MOUNT/user2"
sync
{
    # vfsv1: 64-bit limits, so limits of several TiB can be set and checked.
    quotacheck -F vfsv1 -ugm "$KCMQ_EXT4_DEVICE" && quotaon -ug "$KCMQ_EXT4_DEVICE"
} || fixture_error "quotacheck/quotaon on $KCMQ_EXT4_DEVICE" || return 1

fixture_step "system bus and polkit"
mkdir -p /run/dbus /var/lib/dbus
[ -s /etc/machine-id ] || dbus-uuidgen --ensure=/etc/machine-id
dbus-daemon --system --fork || fixture_error "dbus-daemon --system" || return 1
# The rules file grants our three actions to one account only; the other
# ordinary account has to face the actions' own policy, with no agent.
mkdir -p /etc/polkit-1/rules.d
cat > /etc/polkit-1/rules.d/10-kcmq-system-test.rules <<RULES
polkit.addRule(function(action, subject) {
    var granted = ["org.velun.kcm.quotas.access",
                   "org.velun.kcm.quotas.change",
                   "org.velun.kcm.quotas.setnotifications"];
    if (granted.indexOf(action.id) >= 0 && subject.user == "$KCMQ_GRANTED_USER") {
        return polkit.Result.YES;
    }
});
RULES
/usr/lib/polkit-1/polkitd --no-debug > /run/kcmq/polkitd.log 2>&1 &
for _ in $(seq 1 100); do
    if dbus-send --system --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
        string:org.freedesktop.PolicyKit1 2>/dev/null | grep -q 'boolean true'; then
        break
    fi
    sleep 0.2
done
dbus-send --system --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    string:org.freedesktop.PolicyKit1 2>/dev/null | grep -q 'boolean true' ||
    fixture_error "polkitd did not take its bus name ($(cat /run/kcmq/polkitd.log))" || return 1

fixture_step "saving the restorable files"
mkdir -p /run/kcmq/saved
cp -a /etc/fstab /run/kcmq/saved/fstab
# The folder quota files, when the host has them (usually not).
for f in /etc/projects /etc/projid; do
    [ ! -e "$f" ] || cp -a "$f" "/run/kcmq/saved/${f#/etc/}"
done

{
    printf 'export KCMQ_SOURCE_DIR=%q KCMQ_BUILD_DIR=%q\n' "$KCMQ_SOURCE_DIR" "$KCMQ_BUILD_DIR"
    printf 'export KCMQ_CLIENT=%q\n' "${KCMQ_CLIENT:-$KCMQ_BUILD_DIR/bin/kcmq-action-client}"
    printf 'export KCMQ_PACKAGE=%q\n' "$KCMQ_PACKAGE"
    for v in KCMQ_GRANTED_USER KCMQ_DENIED_USER KCMQ_USER1 KCMQ_USER1_ID KCMQ_USER2 KCMQ_USER2_ID \
        KCMQ_GROUP1 KCMQ_GROUP1_ID KCMQ_GROUP2 KCMQ_GROUP2_ID \
        KCMQ_EXT4_DEVICE KCMQ_EXT4_UUID KCMQ_EXT4_MOUNT KCMQ_EXT3_DEVICE KCMQ_EXT3_LABEL KCMQ_EXT3_MOUNT \
        KCMQ_EXT2_DEVICE KCMQ_EXT2_MOUNT KCMQ_VFAT_DEVICE KCMQ_VFAT_LABEL KCMQ_VFAT_MOUNT \
        KCMQ_SPARE_DEVICE KCMQ_SPARE_MOUNT KCMQ_XFS_DEVICE KCMQ_XFS_MOUNT KCMQ_PRJ_DEVICE KCMQ_PRJ_MOUNT; do
        printf 'export %s=%q\n' "$v" "${!v}"
    done
    # Whatever else the ctest command line handed over (test programs).
    grep -v -E '^KCMQ_(SOURCE_DIR|BUILD_DIR|SCENARIOS|CLIENT)=' /run/kcmq/out/boot.env | sed 's/^/export /'
} > "$env_file"
fixture_step "ready"
cat "$env_file"

# Called by main.sh after every scenario: puts back the files a scenario
# may rewrite. Device and quota states are the scenario's own to restore.
fixtures_restore() {
    cp -a /run/kcmq/saved/fstab /etc/fstab
    chmod 0644 /etc/fstab
    chown root:root /etc/fstab
    rm -f /etc/cron.d/warnquota
    local f
    for f in projects projid; do
        if [ -e "/run/kcmq/saved/$f" ]; then
            cp -a "/run/kcmq/saved/$f" "/etc/$f"
        else
            rm -f "/etc/$f"
        fi
    done
}
