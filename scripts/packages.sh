# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Sourced by run.sh and test.sh: the Debian packages the project needs and a
# function that installs the missing ones without asking (CI has no stdin).

BUILD_PACKAGES=(
    cmake g++ make pkg-config gettext
    qtbase5-dev libkf5auth-dev libkf5i18n-dev libkf5config-dev libkf5configwidgets-dev
    libkf5widgetsaddons-dev libkf5coreaddons-dev extra-cmake-modules
    kde-cli-tools dbus polkitd quota xvfb
    clang libclang-rt-14-dev
)
# Building and checking the Debian package (scripts/build-deb.sh).
PACKAGE_BUILD_PACKAGES=(
    build-essential debhelper dpkg-dev lintian
)
# The guest runs this machine's programs: the panel's screenshots under
# Xvfb need xdotool and ImageMagick there too, the XFS fixture xfsprogs.
SYSTEM_TEST_PACKAGES=(
    qemu-system-x86 linux-image-amd64 busybox-static cpio dosfstools xfsprogs
    xdotool imagemagick
)
RUN_PACKAGES=(
    xdotool imagemagick x11-apps
)

ensure_packages()
{
    local missing=() p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]}; installing them needs root." >&2
        return 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q "${missing[@]}"
}
