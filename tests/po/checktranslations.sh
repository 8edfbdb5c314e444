#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Fails when a message of the freshly extracted template has no German
# translation in the merged catalogue.
set -euo pipefail
top=$1
merged=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$top/po/extract.sh" "$work/template.pot"
if ! msgcmp "$merged" "$work/template.pot" 2> "$work/report"; then
    cat "$work/report"
    echo "Messages without a German translation: $(grep -c 'this message is used but not defined' "$work/report" || true)"
    exit 1
fi
echo "every message has a German translation"
