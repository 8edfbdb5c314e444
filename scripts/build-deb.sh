#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Builds the Debian package kcm-quotas (source and binary) from this tree.
# Usage: build-deb.sh OUTPUT_DIR
#
# The generation follows the system it runs on: Debian 12 (bookworm) gets
# the Qt 5/KF5 panel (build profile pkg.kcm-quotas.qt5), every later
# release the Qt 6/KF6 panel; KCMQ_DEB_GENERATION=qt5|qt6 overrides that.
# dpkg-buildpackage writes next to the tree it builds, so it builds a copy
# of the tree inside OUTPUT_DIR, and nothing lands outside OUTPUT_DIR. The
# package's tests are the VM tier's, so the build skips them. Standard
# output is the path of the .deb; progress goes to standard error.
set -euo pipefail

[ $# -eq 1 ] || {
    echo "usage: $0 OUTPUT_DIR" >&2
    exit 2
}
top=$(cd "$(dirname "$0")/.." && pwd -P)
mkdir -p "$1"
out=$(cd "$1" && pwd -P)

generation=${KCMQ_DEB_GENERATION:-}
if [ -z "$generation" ]; then
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    if [ "$codename" = bookworm ]; then
        generation=qt5
    else
        generation=qt6
    fi
fi
profiles=()
case "$generation" in
qt5) profiles=(-Ppkg.kcm-quotas.qt5) ;;
qt6) ;;
*)
    echo "KCMQ_DEB_GENERATION: unknown generation '$generation' (qt5, qt6)" >&2
    exit 2
    ;;
esac

version=$(dpkg-parsechangelog -l "$top/debian/changelog" -S Version)
src=$out/kcm-quotas-$version
rm -rf "$src" "$out"/kcm-quotas_* "$out"/kcm-quotas-dbgsym_*
mkdir -p "$src"

# The working tree as it is (the tests build the same files), without
# version control, build trees (wherever they live) or this output.
(
    cd "$top"
    find . -mindepth 1 \( -name .git -o -path './build*' -o -path ./screenshots \
        -o -path "./${out#"$top"/}" -o \( -type d -exec test -e '{}/CMakeCache.txt' \; \) \) -prune \
        -o \( -type f -o -type l \) -print0 | tar --null -T - -cf -
) | tar -xf - -C "$src"

jobs=${KCMQ_JOBS:-$(nproc)}
export DEB_BUILD_OPTIONS="nocheck parallel=$jobs ${DEB_BUILD_OPTIONS:-}"
# A second build of the same sources costs little with the compiler cache.
if [ -d /usr/lib/ccache ]; then
    export PATH=/usr/lib/ccache:$PATH CCACHE_BASEDIR=$src
fi

echo "Building the $generation package kcm-quotas $version in $src" >&2
(cd "$src" && dpkg-buildpackage --no-sign "${profiles[@]}") > "$out/build.log" 2>&1 || {
    tail -40 "$out/build.log" >&2
    echo "dpkg-buildpackage failed; the whole log is $out/build.log" >&2
    exit 1
}
# The build tree is large and of no further use; the log stays.
rm -rf "$src"

deb=$(ls "$out"/kcm-quotas_"$version"_*.deb)
echo "$deb"
