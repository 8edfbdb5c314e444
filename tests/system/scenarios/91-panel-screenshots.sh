#!/bin/bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# The real host, kcmshell5, under Xvfb as run.sh shows the panel on a
# headless machine: one screenshot per tab once the first load has settled,
# kept with the test results. Apart from 90-panel, whose test host already
# takes most of a scenario's time in an emulated guest.

shots=$(dirname "$KCMQ_REPORT")/screenshots
mkdir -p "$shots"

Xvfb :42 -screen 0 1100x760x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
as_user "$KCMQ_GRANTED_USER" env DISPLAY=:42 QT_QPA_PLATFORM=xcb \
    dbus-run-session -- timeout 280 kcmshell5 kcm-quotas > "$shots/kcmshell5.log" 2>&1 &
"$KCMQ_SOURCE_DIR"/scripts/panel-screenshots.sh :42 "$shots" kcmshell5 > /dev/null 2>> "$shots/kcmshell5.log"
check "kcmshell5 kcm-quotas under Xvfb: a screenshot of each of the four tabs" \
    test "$(find "$shots" -name 'kcmshell5-*.png' -size +1k | wc -l)" -eq 4
# Four different pictures: the tabs were really switched, and no tab is the
# blank window of a panel still loading.
check_equal "kcmshell5 kcm-quotas under Xvfb: the four tabs look different" 4 \
    "$(md5sum "$shots"/kcmshell5-*.png 2> /dev/null | cut -d' ' -f1 | sort -u | wc -l)"
pkill -u "$KCMQ_GRANTED_USER" -x kcmshell5 2> /dev/null
sleep 1
kill "$xvfb" 2> /dev/null
wait 2> /dev/null
