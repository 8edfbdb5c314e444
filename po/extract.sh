#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Writes the translation template of the domain "velun_kcm_quotas" from the
# sources: every i18nd/ki18nd/ki18ndp call and every translatable string of
# the .ui forms. Usage: po/extract.sh [output.pot]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/po/velun_kcm_quotas.pot}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$top"

# .ui strings become fake i18n calls so xgettext sees them with their
# disambiguation comments; strings marked notr are left out.
: > "$work/ui.cpp"
find helper plugin platform -name '*.ui' 2>/dev/null | sort | while read -r ui; do
    perl -0777 -ne '
        while (/<string(?![^>]*notr="true")((?:\s+[a-z]+="[^"]*")*)\s*>([^<]*)<\/string>/g) {
            my ($attrs, $text) = ($1, $2);
            next if $text eq "";
            for ($text) { s/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g; s/&apos;/\x27/g; s/&amp;/&/g; s/\\/\\\\/g; s/"/\\"/g; s/\n/\\n/g; }
            if ($attrs =~ /comment="([^"]*)"/) {
                print "i18ndc(\"velun_kcm_quotas\", \"$1\", \"$text\");\n";
            } else {
                print "i18nd(\"velun_kcm_quotas\", \"$text\");\n";
            }
        }' "$ui" >> "$work/ui.cpp"
done

find common helper plugin platform \( -name '*.cpp' -o -name '*.h' \) | sort > "$work/files"
echo "$work/ui.cpp" >> "$work/files"

xgettext --from-code=UTF-8 -C --force-po --no-location --sort-output \
    --package-name=kcm-quotas --msgid-bugs-address=https://invalid.example/ \
    -ki18nd:2 -ki18ndc:2c,3 -ki18ndp:2,3 -ki18ndcp:2c,3,4 \
    -kki18nd:2 -kki18ndc:2c,3 -kki18ndp:2,3 -kki18ndcp:2c,3,4 \
    -ktr2i18nd:2 -ktr2i18nd:2,3c \
    -f "$work/files" -o "$work/out.pot"
mv "$work/out.pot" "$out"
