#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Builds and installs the panel and its root helper.
set -euo pipefail
cd "$(dirname "$0")"

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        exec sudo -E "$0" "$@"
    fi
    echo "run as root" >&2
    exit 1
fi

. ./scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}"

build_dir=${KCMQ_BUILD_DIR:-build-run}
cmake -S . -B "$build_dir" -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
cmake --build "$build_dir" -j "$(nproc)"
cmake --install "$build_dir"

echo "Installed the root helper kcm-quotas-helper and its KAuth actions under /usr."
