#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Runs inside the VM as root, in the overlay root: brings the exported trees
# to their real paths, installs the project, builds the fixtures and runs
# every scenario. Writes the report and the summary to the results export.
set -u
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
export HOME=/root LANG=C.UTF-8 LC_ALL=C.UTF-8
umask 022

out=/run/kcmq/out
. "$out/boot.env"
export KCMQ_SOURCE_DIR KCMQ_BUILD_DIR
export KCMQ_REPORT=$out/report
: > "$KCMQ_REPORT"
guest=/run/kcmq/source/tests/system/guest
. "$guest/lib.sh"

# Overlay each tree at its real path: cmake --install and the tests use
# absolute paths, and the install writes its manifest into the build tree.
overlay_tree() {
    local lower=$1 target=$2 name=$3
    mkdir -p "/run/kcmq/upper/$name" "/run/kcmq/work/$name" "$target" &&
        mount -t overlay -o "lowerdir=$lower,upperdir=/run/kcmq/upper/$name,workdir=/run/kcmq/work/$name" \
            "overlay-$name" "$target"
}

finish() {
    local passed failed
    passed=$(grep -c '^PASS ' "$KCMQ_REPORT")
    failed=$(grep -c '^FAIL ' "$KCMQ_REPORT")
    printf 'passed=%s\nfailed=%s\n' "$passed" "$failed" > "$out/summary"
    sync
    echo "KCMQ-GUEST-SUMMARY $passed passed, $failed failed"
    exit 0
}

if ! overlay_tree /run/kcmq/source "$KCMQ_SOURCE_DIR" source || ! overlay_tree /run/kcmq/build "$KCMQ_BUILD_DIR" build; then
    record_fail "guest: the source and build trees cannot be mounted at their real paths"
    finish
fi
# Clones under /root are closed to other users; the scenarios' ordinary
# users must reach the build tree's programs. Only the guest sees this.
d=$KCMQ_BUILD_DIR
while [ "$d" != / ]; do
    chmod o+x "$d" 2>/dev/null
    d=$(dirname "$d")
done

if ! . "$guest/fixtures.sh"; then
    record_fail "guest: fixtures could not be set up (see the guest log)"
    finish
fi

# A scenario is a script in scenarios/ named NN-name.sh; KCMQ_SCENARIOS
# (shell patterns on the name, separated by blanks) narrows the run during
# development.
wanted() {
    local pattern
    [ -n "${KCMQ_SCENARIOS:-}" ] || return 0
    set -f
    for pattern in $KCMQ_SCENARIOS; do
        # shellcheck disable=SC2254
        case "$1" in $pattern)
            set +f
            return 0
            ;;
        esac
    done
    set +f
    return 1
}
for scenario in "$KCMQ_SOURCE_DIR"/tests/system/scenarios/[0-9]*.sh; do
    name=$(basename "$scenario" .sh)
    wanted "$name" || continue
    echo "KCMQ-SCENARIO $name"
    before=$(grep -c '' "$KCMQ_REPORT")
    KCMQ_SCENARIO=$name timeout --kill-after=5 "${KCMQ_SCENARIO_TIMEOUT:-600}" \
        bash -c '. "$1"; . "$2"; . "$3"' scenario "$guest/lib.sh" /run/kcmq/fixtures.env "$scenario"
    status=$?
    after=$(grep -c '' "$KCMQ_REPORT")
    if [ "$status" -ne 0 ]; then
        record_fail "$name: scenario ended with status $status"
    elif [ "$after" -eq "$before" ]; then
        record_fail "$name: scenario checked nothing"
    fi
    fixtures_restore
done
finish
