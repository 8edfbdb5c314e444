#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Installs what the build and the tests need, builds, and runs every test,
# for both variants of the panel:
#   qt5  Qt 5/KF5 on this Debian 12 machine (build/)
#   qt6  Qt 6/KF6 in a Debian 13 root made by debootstrap and cached outside
#        the tree (build-qt6/, built and tested inside that root; its VM
#        boots that root with its own kernel)
# In each variant ctest also builds that variant's Debian package
# (scripts/build-deb.sh into <build>/package), which the VM installs, and
# checks it with lintian (no error, no warning).
# KCMQ_VARIANTS="qt5 qt6" (the default), "qt5" or "qt6" picks the variants.
# KCMQ_FAST=1 runs only the fast tier (no VM). KCMQ_QT6_ROOT moves the
# Debian 13 root (default /var/cache/kcmq/trixie-root).
set -uo pipefail
cd "$(dirname "$0")"
. ./scripts/packages.sh

variants=${KCMQ_VARIANTS:-qt5 qt6}
for variant in $variants; do
    case "$variant" in
    qt5 | qt6) ;;
    *)
        echo "KCMQ_VARIANTS: unknown variant '$variant' (qt5, qt6)" >&2
        exit 2
        ;;
    esac
done

ctest_args=(--output-on-failure --timeout 1800)
if [ "${KCMQ_FAST:-0}" = 1 ]; then
    ctest_args+=(-LE system)
fi

test_qt5()
{
    local build_dir=${KCMQ_BUILD_DIR:-build}
    ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_BUILD_PACKAGES[@]}" "${SYSTEM_TEST_PACKAGES[@]}" || return 1
    cmake -S . -B "$build_dir" -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON &&
        cmake --build "$build_dir" -j "$(nproc)" &&
        ctest --test-dir "$build_dir" "${ctest_args[@]}"
}

# The source tree is bound at its own path inside the root, so the build
# tree's absolute paths hold inside the root, in the VM that boots it, and
# here.
test_qt6()
{
    local root=${KCMQ_QT6_ROOT:-/var/cache/kcmq/trixie-root}
    local src build_dir
    src=$(pwd -P)
    build_dir=$src/${KCMQ_QT6_BUILD_DIR:-build-qt6}
    ensure_packages debootstrap || return 1
    ./scripts/qt6-root.sh "$root" || return 1
    ./scripts/in-root.sh "$root" "$src" -- bash -c '
        src=$1 build=$2
        shift 2
        # The root is a cache already: its compiler cache makes later runs
        # quick, from any clone (debug information names the build directory,
        # which must not count).
        export CCACHE_DIR=/var/cache/kcmq-ccache CCACHE_BASEDIR=$src CCACHE_NOHASHDIR=1
        cd "$src" &&
            cmake -S . -B "$build" -DBUILD_WITH_QT6=ON -DCMAKE_INSTALL_PREFIX=/usr \
                -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON -DCMAKE_CXX_COMPILER_LAUNCHER=ccache &&
            cmake --build "$build" -j "$(nproc)" &&
            ctest --test-dir "$build" "$@"' qt6 "$src" "$build_dir" "${ctest_args[@]}" || return 1
    if [ -d "$build_dir/tests/system/vm/results/screenshots" ]; then
        echo "Pictures of kcmshell6 kcm-quotas in the Debian 13 guest:"
        ls -1 "$build_dir"/tests/system/vm/results/screenshots/*.png 2>/dev/null
    fi
}

failed=()
for variant in $variants; do
    started=$SECONDS
    echo "==== variant $variant ===="
    if "test_$variant"; then
        echo "==== variant $variant passed ($((SECONDS - started)) s) ===="
    else
        echo "==== variant $variant FAILED ($((SECONDS - started)) s) ===="
        failed+=("$variant")
    fi
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "Failed variants: ${failed[*]}" >&2
    exit 1
fi
echo "All variants passed: $variants"
