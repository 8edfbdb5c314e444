#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Boots the test VM for the scenario 95-update-benchmark alone, with the
# switch that makes it measure, and prints its figures: for 1000 and 10000
# users and as many groups on two devices, one line
#   BENCH users=U groups=G devices=D load_ms=... repquota_ms=... ratio=... helper_requests=... peak_rss_kb=...
# (the first load: the kernel support check and the manager's load), one
# line with its parts, and one line with the memory before and after 20
# reloads (KCMQ_BENCH_RELOADS=N for another number; KCMQ_BENCH_SIZES="1000"
# for other sizes).
# Usage: run-update-benchmark.sh <build dir> [output dir]
# (an optimised build: the panel's side is timed as that build made it)
#
# Software emulation by default, as on CI machines; KCMQ_VM_KVM=1 uses KVM
# when /dev/kvm is writable. Both figures slow down alike under emulation,
# so their ratio still holds. (A /dev/kvm can exist and still hang the
# guest's early boot inside another VM.)
set -uo pipefail

[ $# -ge 1 ] || {
    echo "usage: $0 <build dir> [output dir]" >&2
    exit 2
}
here=$(cd "$(dirname "$0")" && pwd -P)
src=$(cd "$here/../../.." && pwd -P)
build=$(cd "$1" && pwd -P) || exit 2
out=${2:-$build/tests/system/benchmark/vm}

# The guest runs the benchmark from the build tree, so it must be complete,
# and installs the panel and the helper from the Debian package built from
# the same tree, as the VM tier's fixture does.
cmake --build "$build" || exit 1
# KCMQ_PACKAGE_DIR names a package built from this tree already.
package=${KCMQ_PACKAGE_DIR:-$build/package}
if [ -z "${KCMQ_PACKAGE_DIR:-}" ]; then
    KCMQ_JOBS=${KCMQ_JOBS:-2} "$src/scripts/build-deb.sh" "$package" || exit 1
fi

# The panel's side runs as this build made it, the helper as the package
# did (optimised): a Debug build overstates the panel's share.
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
echo "Build type: ${build_type:-none}"
case "$build_type" in
Release | RelWithDebInfo | MinSizeRel) ;;
*) echo "Note: for the panel as installed, time an optimised build (-DCMAKE_BUILD_TYPE=RelWithDebInfo)" >&2 ;;
esac

accel=tcg
if [ "${KCMQ_VM_KVM:-0}" = 1 ] && [ -w /dev/kvm ]; then
    accel=kvm
fi
echo "Accelerator: $accel"
KCMQ_SCENARIOS=95-update-benchmark KCMQ_VM_KVM=${KCMQ_VM_KVM:-0} KCMQ_VM_TIMEOUT=${KCMQ_VM_TIMEOUT:-3600} \
    "$src/tests/system/vm/start-guest.sh" "$src" "$build" "$out" \
    KCMQ_BENCHMARK=1 KCMQ_SCENARIO_TIMEOUT="${KCMQ_SCENARIO_TIMEOUT:-3500}" \
    KCMQ_UPDATE_BENCHMARK="$build/bin/quotasupdatebenchmark" KCMQ_BENCH_RELOADS="${KCMQ_BENCH_RELOADS:-20}" \
    KCMQ_BENCH_SIZES="${KCMQ_BENCH_SIZES:-1000 10000}" KCMQ_PACKAGE_DIR="$package"
status=$?
echo "---- figures ($accel) ----"
grep '^BENCH ' "$out/results/report" 2>/dev/null || echo "none: see $out/guest.log"
exit "$status"
