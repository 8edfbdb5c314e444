#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Builds the Debian package of the panel and its root helper, then shows
# the panel.
#
#   ./run.sh             install the package, then open `kcmshell5 kcm-quotas`
#   ./run.sh --sandbox   show the panel inside the test VM (nothing installed here)
#   ./run.sh --no-open   build the package only and print where it is
#
# The package is Debian 12's Qt 5/KF5 one here (kcmshell5), Debian 13's
# Qt 6/KF6 one there (kcmshell6); it is installed with apt-get, which brings
# its dependencies along. The panel runs as the desktop user who called the
# script (SUDO_USER under sudo); only the helper runs as root. Without a
# display the panel is started under Xvfb and a picture of each tab is
# saved. Where the running kernel cannot do quotas, the same package is
# installed and shown inside the test VM instead, on sample devices,
# members, limits and a notification task, so this machine's /etc/fstab
# and /usr are never touched.
set -euo pipefail
cd "$(dirname "$0")"
top=$(pwd)

mode=auto
for arg in "$@"; do
    case "$arg" in
    --sandbox) mode=sandbox ;;
    --no-open) mode=none ;;
    -h | --help)
        sed -n '5,20p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *)
        echo "unknown option: $arg" >&2
        exit 2
        ;;
    esac
done

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        exec sudo -E "$0" "$@"
    fi
    echo "run as root" >&2
    exit 1
fi

. ./scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"

build_dir=${KCMQ_BUILD_DIR:-build-run}
mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd -P)
deb=$(./scripts/build-deb.sh "$build_dir/package")
if grep -q '^VERSION_CODENAME=bookworm$' /etc/os-release; then
    kcmshell=kcmshell5
else
    kcmshell=kcmshell6
fi

install_here()
{
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb"
    echo "Installed the package kcm-quotas: the panel and its root helper (open it with: $kcmshell kcm-quotas)."
}

if [ "$mode" = none ]; then
    echo "The package: $deb"
    echo "Install it with: apt-get install $deb"
    exit 0
fi

# The desktop user: the panel must not run as root.
desktop_user=${SUDO_USER:-}
if [ -z "$desktop_user" ] || [ "$desktop_user" = root ]; then
    desktop_user=root
fi

as_user()
{
    if [ "$desktop_user" = root ]; then
        "$@"
    else
        runuser -u "$desktop_user" -- "$@"
    fi
}

kernel_can_do_quotas()
{
    # The same check the panel makes through its helper.
    /usr/sbin/modinfo quota_v2 >/dev/null 2>&1
}

shots_dir=${KCMQ_SCREENSHOT_DIR:-$top/screenshots}

run_in_vm()
{
    local out=$build_dir/run-vm started=$SECONDS
    ensure_packages "${SYSTEM_TEST_PACKAGES[@]}"
    rm -rf "$out/results"
    # The guest installs this same package into its own root; this
    # machine's /usr is left alone.
    echo "Showing the panel in $kcmshell inside the test VM, on sample devices, users, groups and limits..."
    KCMQ_SCENARIOS='91-*' ./tests/system/vm/start-guest.sh "$top" "$build_dir" "$out" \
        KCMQ_PACKAGE_DIR="$build_dir/package" KCMQ_KCMSHELL="$kcmshell" || true
    if ! ls "$out"/results/screenshots/"$kcmshell"-*.png >/dev/null 2>&1; then
        echo "The test VM brought back no pictures; see $out/guest.log and $out/results/screenshots/$kcmshell.log" >&2
        return 1
    fi
    rm -f "$shots_dir"/"$kcmshell"-*.png
    mkdir -p "$shots_dir"
    cp "$out"/results/screenshots/"$kcmshell"-*.png "$shots_dir"/
    chown -R "$desktop_user" "$shots_dir" 2>/dev/null || true
    echo "The test VM took $((SECONDS - started)) s. Pictures of $kcmshell kcm-quotas in it, each tab and the member dialog:"
    ls -1 "$shots_dir"/"$kcmshell"-*.png
}

# Opens the panel on the caller's display and waits until it is closed.
run_on_display()
{
    echo "Opening the panel on $DISPLAY as $desktop_user..."
    as_user env DISPLAY="$DISPLAY" ${XAUTHORITY:+XAUTHORITY="$XAUTHORITY"} \
        ${DBUS_SESSION_BUS_ADDRESS:+DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"} \
        ${XDG_RUNTIME_DIR:+XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR"} \
        sh -c 'kbuildsycoca5 >/dev/null 2>&1; exec "$0" kcm-quotas' "$kcmshell"
}

# No display: the panel under Xvfb, one screenshot per tab.
run_headless()
{
    local display=:57 xvfb_pid panel_pid status=0
    mkdir -p "$shots_dir"
    chown "$desktop_user" "$shots_dir" 2>/dev/null || true
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill -- -"${panel_pid:-0}" 2>/dev/null; kill "$xvfb_pid" 2>/dev/null' EXIT
    for _ in $(seq 50); do
        DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && break
        sleep 0.2
    done

    echo "No display: starting the panel under Xvfb ($display) as $desktop_user..."
    # Its own process group, so the session bus and the panel end together.
    setsid bash -c "$(declare -f as_user); desktop_user=$desktop_user; as_user env DISPLAY=$display QT_QPA_PLATFORM=xcb \
        dbus-run-session -- sh -c 'kbuildsycoca5 >/dev/null 2>&1; exec $kcmshell kcm-quotas'" >"$shots_dir/$kcmshell.log" 2>&1 &
    panel_pid=$!

    echo "Screenshots of the panel:"
    ./scripts/panel-screenshots.sh "$display" "$shots_dir" "$kcmshell" || status=$?
    [ "$status" -eq 0 ] || echo "The panel did not open; see $shots_dir/$kcmshell.log" >&2
    chown -R "$desktop_user" "$shots_dir" 2>/dev/null || true
    kill -- -"$panel_pid" 2>/dev/null || true
    wait "$panel_pid" 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
    trap - EXIT
    return "$status"
}

if [ "$mode" = auto ] && ! kernel_can_do_quotas; then
    echo "This kernel cannot do disk quotas (modinfo quota_v2 fails)."
    mode=sandbox
fi

# The package is installed here only where the kernel can do quotas: a
# panel that can do nothing is no preview, and the VM tier sees this
# machine's root.
if [ "$mode" = sandbox ]; then
    run_in_vm
    exit
fi

install_here
if [ -n "${DISPLAY:-}" ] && as_user env DISPLAY="$DISPLAY" ${XAUTHORITY:+XAUTHORITY="$XAUTHORITY"} xdotool getdisplaygeometry >/dev/null 2>&1; then
    run_on_display
else
    run_headless
fi
