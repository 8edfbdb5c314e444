#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# A measurement, not a check, so it only runs when KCMQ_BENCHMARK=1 reaches
# the guest (benchmark/run-update-benchmark.sh hands it over): the panel's
# first load (its kernel support check and one full load of the quotas
# manager) as the granted user over real KAuth, split into its parts, next to
# repquota -augv as root over the same devices (-v: unused records too,
# like the panel's), with 1000 and then 10000 extra users and groups holding
# records on two devices with user and group quotas on; then 20 reloads in
# the same process, with its memory before and after. Without the switch
# it leaves one SKIP line in the report, which the summary counts neither
# as passed nor as failed.

if [ "${KCMQ_BENCHMARK:-0}" != 1 ]; then
    echo "SKIP $KCMQ_SCENARIO: only with KCMQ_BENCHMARK=1 (tests/system/benchmark/run-update-benchmark.sh)" >> "$KCMQ_REPORT"
    return 0
fi

benchmark=${KCMQ_UPDATE_BENCHMARK:-$KCMQ_BUILD_DIR/bin/quotasupdatebenchmark}
devices=("$KCMQ_EXT4_DEVICE" "$KCMQ_EXT3_DEVICE")
first_id=20000
# Made-up limits: any record with a file limit shows the load fetched it.
limits="10240 20480 100 200"

# Figures go to the report too, so the host prints them with the checks.
bench_line() {
    echo "BENCH $*" >> "$KCMQ_REPORT"
    echo "BENCH $*"
}

now_ms() {
    echo $(($(date +%s%N) / 1000000))
}

reloads=${KCMQ_BENCH_RELOADS:-20}

# Ends a running helper and waits until it is gone.
stop_helper() {
    local tries=0
    pkill -f 'kauth/.*kcm-quotas-helper' 2> /dev/null
    while pgrep -f 'kauth/.*kcm-quotas-helper' > /dev/null && [ $tries -lt 50 ]; do
        sleep 0.2
        tries=$((tries + 1))
    done
}

# Accounts [from, to): appended to the files directly, as useradd would
# cost a process or more per account; the guest's /etc is a throwaway
# overlay, put back at the end all the same. Each account gets its own
# group, and both get a record on both devices, in one setquota per device
# and kind.
add_members() { # from to
    local i
    for ((i = $1; i < $2; i++)); do
        printf 'kcmqb%05d:x:%d:%d::/nonexistent:/usr/sbin/nologin\n' "$i" $((first_id + i)) $((first_id + i))
    done >> /etc/passwd
    for ((i = $1; i < $2; i++)); do
        printf 'kcmqb%05d:x:%d:\n' "$i" $((first_id + i))
    done >> /etc/group
    set_limits "$1" "$2" "$limits"
}

set_limits() { # from to "bsoft bhard isoft ihard"
    local i device kind
    for device in "${devices[@]}"; do
        for kind in -u -g; do
            for ((i = $1; i < $2; i++)); do
                printf 'kcmqb%05d %s\n' "$i" "$3"
            done | setquota -b "$kind" "$device" || return 1
        done
    done
}

measure() { # total extra members
    local u=$1 output load_ms rq_start rq_end rq_ms rq_status rq_records ratio update_ratio
    # A first load starts the helper: one still running from the last
    # measurement (it quits only after some idle seconds) would hide that.
    stop_helper
    output=$(as_user "$KCMQ_GRANTED_USER" "$benchmark" "$reloads" 2> /run/kcmq/benchmark.err)
    check "U=$u: the manager's load as $KCMQ_GRANTED_USER succeeds" test -n "$(field load_ms "$output")" ||
        sed 's/^/    | /' /run/kcmq/benchmark.err | head -20
    load_ms=$(field load_ms "$output")
    # The XFS device has them on from its mount.
    check_equal "U=$u: the load sees both devices and the XFS device with user and group quotas on" 3 "$(field quota_devices "$output")"
    check_equal "U=$u: the load fetched every created user's record" "$u" "$(field users_with_records "$output")"
    check_equal "U=$u: the load fetched every created group's record" "$u" "$(field groups_with_records "$output")"
    # The quota format is loaded, so no kernel support check: one request
    # for the blkid lines and the records of every device and kind.
    check "U=$u: one helper request" test "$(field helper_requests "$output")" -le 1

    # The whole process, as repquota has no clock of its own: a few
    # milliseconds of start-up that the manager's figure does not carry.
    rq_start=$(now_ms)
    repquota -augv > /run/kcmq/repquota.out 2>&1
    rq_status=$?
    rq_end=$(now_ms)
    rq_ms=$((rq_end - rq_start))
    rq_records=$(grep -c '^kcmqb' /run/kcmq/repquota.out)
    check_equal "U=$u: repquota -augv lists every created record on both devices" $((4 * u)) "$rq_records"
    [ "$rq_status" = 0 ] || echo "    repquota -augv exited with $rq_status"

    ratio=$(awk -v a="$load_ms" -v b="$rq_ms" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }')
    update_ratio=$(awk -v a="$(field update_ms "$output")" -v b="$rq_ms" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }')
    bench_line "users=$u groups=$u devices=$(field quota_devices "$output") load_ms=$load_ms repquota_ms=$rq_ms ratio=$ratio" \
        "helper_requests=$(field helper_requests "$output") peak_rss_kb=$(field peak_rss_kb "$output")" \
        "update_ms=$(field update_ms "$output") update_ratio=$update_ratio"
    # Where the first load's time goes: the panel's authorisation check when
    # it opens (before the load, not in load_ms), whether the kernel support
    # check was asked, each request, the helper's start (the first request
    # beyond the same one later), one polkit authorisation, a request that
    # runs nothing, and what modinfo, blkid and the records add to such a
    # request.
    bench_line "first_load users=$u opening_ms=$(field opening_ms "$output") support_check=$(field support_check "$output")" \
        "requests_ms=$(field requests_ms "$output") helper_start_ms=$(field helper_start_ms "$output")" \
        "authorisation_ms=$(field authorisation_ms "$output") empty_request_ms=$(field empty_request_ms "$output")" \
        "support_check_ms=$(field support_check_ms "$output") blkid_ms=$(field blkid_ms "$output")" \
        "records_ms=$(field records_ms "$output") local_ms=$(field local_ms "$output")"
    bench_line "reloads=$(field reloads "$output") users=$u groups=$u reload_ms=$(field reload_ms "$output")" \
        "rss_before_kb=$(field rss_before_kb "$output") rss_after_kb=$(field rss_after_kb "$output") objects_alive=$(field objects_alive "$output")"
    bench_line "reload_rss users=$u rss_per_reload_kb=$(field rss_per_reload_kb "$output")"
}

cp -a /etc/passwd /run/kcmq/saved/benchmark-passwd
cp -a /etc/group /run/kcmq/saved/benchmark-group

# The ext3 device becomes the second one with user and group quotas, as
# the ext4 device already is.
sed -i "s|^\(LABEL=${KCMQ_EXT3_LABEL}[[:space:]].*[[:space:]]\)defaults\([[:space:]]\)|\1usrquota,grpquota\2|" /etc/fstab
mount -o remount,usrquota,grpquota "$KCMQ_EXT3_DEVICE" &&
    quotacheck -ugm "$KCMQ_EXT3_DEVICE" && quotaon -ug "$KCMQ_EXT3_DEVICE"
check_equal "ext3 device has user quotas on" on "$(quota_state "$KCMQ_EXT3_DEVICE" user)"
check_equal "ext3 device has group quotas on" on "$(quota_state "$KCMQ_EXT3_DEVICE" group)"

# Each size adds to the accounts of the one before; KCMQ_BENCH_SIZES
# picks others (ascending).
made=0
for size in ${KCMQ_BENCH_SIZES:-1000 10000}; do
    check "records for $size users and groups" add_members "$made" "$size"
    made=$size
    measure "$size"
done

set_limits 0 "$made" "0 0 0 0"
cp -a /run/kcmq/saved/benchmark-passwd /etc/passwd
cp -a /run/kcmq/saved/benchmark-group /etc/group
quotaoff -ug "$KCMQ_EXT3_DEVICE"
rm -f "$KCMQ_EXT3_MOUNT/aquota.user" "$KCMQ_EXT3_MOUNT/aquota.group"
restore_fstab
mount -o remount "$KCMQ_EXT3_DEVICE"
