#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Photographs a kcmshell5 (or kcmshell6) window showing the panel on an X display where no
# one else works (Xvfb), with xdotool and ImageMagick: each of the five tabs
# at the size the host chose for the window, then the member dialog opened
# from the users tab.
# Usage: panel-screenshots.sh DISPLAY OUTPUT-DIR [FILE-PREFIX]
# The prefix, when given, is the host's name and so its window class.
# KCMQ_DIALOG_MEMBER names the user whose dialog is opened (found through
# the tab's search field; empty: the first row); "-" skips the dialog.
# Prints the path of each PNG written; exits non-zero when no panel window
# shows up. Starting the host is the caller's part.
set -uo pipefail

[ $# -ge 2 ] || {
    echo "usage: $0 DISPLAY OUTPUT-DIR [FILE-PREFIX]" >&2
    exit 2
}
export DISPLAY=$1
out=$2
prefix=${3:-kcm-quotas}
class=${3:-kcmshell5}
member=${KCMQ_DIALOG_MEMBER:-}
mkdir -p "$out" || exit 1

window=$(timeout "${KCMQ_WINDOW_TIMEOUT:-180}" xdotool search --sync --onlyvisible --class "$class" | head -n 1)
if [ -z "$window" ]; then
    echo "no $class window appeared on $DISPLAY" >&2
    exit 1
fi

# CPU ticks of the panel and of its helper: the first load asks the helper
# about every device, and a tab photographed before that ends shows empty
# tables. The helper may come and go between requests.
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
settle() {
    local previous=-1 quiet=0 now
    for _ in $(seq "${KCMQ_SETTLE_TIMEOUT:-240}"); do
        sleep 1
        now=$(busy_ticks)
        if [ "$now" -le $((previous + 1)) ]; then
            quiet=$((quiet + 1))
            [ "$quiet" -ge 2 ] && return 0
        else
            quiet=0
        fi
        previous=$now
    done
}
settle

# The window as the host sized it: the pictures show what a newcomer sees.
eval "$(xdotool getwindowgeometry --shell "$window")"
width=$WIDTH
height=$HEIGHT
echo "window ${width}x${height}" >&2

# The tab bar runs across the window below the module's title; its tabs
# share the width between the page margins. kcmshell6 frames the
# panel with smaller margins and a lower title than kcmshell5, and its
# style draws lower lines: the users tab's search field and first table
# row sit elsewhere too.
case "$class" in
kcmshell6) margin=18 row=67 search_y=127 first_row_y=170 ;;
*) margin=27 row=81 search_y=144 first_row_y=194 ;;
esac
names=(general notifications groups users folders)
left=$margin
right=$((width - margin))
click_tab() { # index
    xdotool mousemove --window "$window" $((left + (2 * $1 + 1) * (right - left) / (2 * ${#names[@]}))) "$row" click 1
}
for i in "${!names[@]}"; do
    click_tab "$i"
    sleep 1.5
    xdotool mousemove --window "$window" 1 1
    shot=$out/$prefix-$((i + 1))-${names[$i]}.png
    import -window "$window" "$shot" && echo "$shot"
done

[ "$member" = - ] && exit 0
# Back on the users tab. Below the tab bar come the device line, the
# search line, the table's header, then the rows: the member is searched
# for, and a double click on the first row opens its dialog.
click_tab 3
sleep 1.5
if [ -n "$member" ]; then
    xdotool mousemove --window "$window" 300 "$search_y" click 1
    xdotool type --delay 60 "$member"
    sleep 2
fi
xdotool mousemove --window "$window" 160 "$first_row_y" click --repeat 2 --delay 80 1
dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^Setting quotas for ' | head -n 1)
if [ -z "$dialog" ]; then
    echo "the member dialog did not open" >&2
    exit 1
fi
echo "dialog $(xdotool getwindowname "$dialog")" >&2
settle
sleep 1
shot=$out/$prefix-6-member-dialog.png
import -window root "$shot" && echo "$shot"
xdotool key --window "$dialog" Escape
