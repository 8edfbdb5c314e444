#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Photographs each tab of a kcmshell5 window showing the panel on an X
# display where no one else works (Xvfb), with xdotool and ImageMagick.
# Usage: panel-screenshots.sh DISPLAY OUTPUT-DIR [FILE-PREFIX]
# Prints the path of each PNG written; exits non-zero when no panel window
# shows up. Starting kcmshell5 is the caller's part.
set -uo pipefail

[ $# -ge 2 ] || {
    echo "usage: $0 DISPLAY OUTPUT-DIR [FILE-PREFIX]" >&2
    exit 2
}
export DISPLAY=$1
out=$2
prefix=${3:-kcm-quotas}
width=1100
height=760
mkdir -p "$out" || exit 1

window=$(timeout "${KCMQ_WINDOW_TIMEOUT:-180}" xdotool search --sync --onlyvisible --class kcmshell5 | head -n 1)
if [ -z "$window" ]; then
    echo "no kcmshell5 window appeared on $DISPLAY" >&2
    exit 1
fi
xdotool windowmove "$window" 0 0 windowsize "$window" "$width" "$height"

# CPU ticks of the panel and of its helper: the first load asks the helper
# about every device and member, and a tab photographed before that ends
# shows empty tables. The helper may come and go between requests.
busy_ticks() {
    local pid total=0 stat fields
    for pid in $(xdotool getwindowpid "$window" 2>/dev/null) $(pgrep -f '(^|/)kcm-quotas-helper$'); do
        stat=$(cat "/proc/$pid/stat" 2>/dev/null) || continue
        # After the command name: utime and stime are the 12th and 13th.
        read -r -a fields <<< "${stat##*) }"
        total=$((total + ${fields[11]:-0} + ${fields[12]:-0}))
    done
    echo "$total"
}

# Settled once two seconds pass without a tick; bounded, as a panel that
# keeps working still deserves its photographs.
previous=-1
quiet=0
for _ in $(seq "${KCMQ_SETTLE_TIMEOUT:-240}"); do
    sleep 1
    now=$(busy_ticks)
    if [ "$now" -le $((previous + 1)) ]; then
        quiet=$((quiet + 1))
        [ "$quiet" -ge 2 ] && break
    else
        quiet=0
    fi
    previous=$now
done

# The tab bar runs across the window below the module's title; its four
# tabs share the width between the page margins.
names=(general notifications groups users)
left=27
right=$((width - 27))
row=81
for i in 0 1 2 3; do
    xdotool mousemove --window "$window" $((left + (2 * i + 1) * (right - left) / 8)) "$row" click 1
    sleep 1.5
    xdotool mousemove --window "$window" 1 1
    shot=$out/$prefix-$((i + 1))-${names[$i]}.png
    import -window root "$shot" && echo "$shot"
done
