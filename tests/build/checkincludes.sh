#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Velun contributors
# SPDX-License-Identifier: BSD-3-Clause
#
# Dependencies point one way: a folder includes headers only from itself and
# from the folders below it,
#   common <- values <- system <- members <- core <- ui/notifications <- module
# with the helper on common alone and the platform stand-ins beside. Every
# library has the top of the tree on its include path, so the compiler
# would not notice a header taken from a folder above; this check does.
# A header that shadows a system header (time.h, string.h, ...) fails too.
# Usage: checkincludes.sh <source dir>
set -uo pipefail
top=${1:?usage: $0 <source dir>}
cd "$top" || exit 2

declare -A allowed=(
    [common]="common"
    [helper]="common helper"
    [platform/users]="platform/users"
    [platform/kcm]="common platform/kcm"
    [plugin/model/values]="common plugin/model/values"
    [plugin/system]="common plugin/model/values plugin/system"
    [plugin/model/members]="common plugin/model/values plugin/system plugin/model/members"
    [plugin/core]="common platform/users plugin/model/values plugin/system plugin/model/members plugin/core"
    [plugin/ui]="common platform/users plugin/model/values plugin/system plugin/model/members plugin/core plugin/ui"
    [plugin/notifications]="common plugin/model/values plugin/system plugin/notifications"
    [plugin/module]="common platform/kcm platform/users plugin/model/values plugin/system plugin/model/members plugin/core plugin/ui plugin/notifications plugin/module"
)
shadowed=" assert.h ctype.h errno.h fcntl.h float.h limits.h locale.h math.h setjmp.h signal.h stdarg.h stddef.h stdint.h stdio.h stdlib.h string.h time.h unistd.h wchar.h "

status=0
for folder in "${!allowed[@]}"; do
    for file in "$folder"/*.h "$folder"/*.cpp; do
        [ -e "$file" ] || continue
        case "$shadowed" in
        *" ${file##*/} "*)
            echo "$file: shadows the system header <${file##*/}>"
            status=1
            ;;
        esac
    done
    # One "file:included" line per quoted include of the folder.
    while IFS= read -r line; do
        file=${line%%:*}
        included=${line#*:}
        dir=${included%/*}
        [ "$dir" = "$included" ] && continue # beside the file itself
        case " ${allowed[$folder]} " in
        *" $dir "*) ;;
        *)
            echo "$file: includes \"$included\" from a folder above $folder"
            status=1
            ;;
        esac
    done < <(grep -H '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$folder"/*.h "$folder"/*.cpp 2>/dev/null |
        sed 's/^\([^:]*\):[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1:\2/')
done
[ "$status" = 0 ] && echo "every include points down the folder order"
exit "$status"
