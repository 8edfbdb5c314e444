#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Installs what the build and the tests need, builds, and runs every test.
# KCMQ_FAST=1 runs only the fast tier (no VM).
set -euo pipefail
cd "$(dirname "$0")"
. ./scripts/packages.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${SYSTEM_TEST_PACKAGES[@]}"

build_dir=${KCMQ_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON
cmake --build "$build_dir" -j "$(nproc)"

ctest_args=(--test-dir "$build_dir" --output-on-failure --timeout 1800)
if [ "${KCMQ_FAST:-0}" = 1 ]; then
    ctest_args+=(-LE system)
fi
ctest "${ctest_args[@]}"
