// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Input: a warnquota configuration text. Properties: every setting read has
// a name without '=' and without blanks around it and a value without a
// line feed; a setting written back as "NAME = value" on a line of its own
// reads as the same setting; and a MAIL_CMD value whose words the rule
// accepts holds nothing a shell acts on.

#include "common/mailcommandrule.h"
#include "common/warnquotaconfigreader.h"

#include <cstdio>
#include <cstdlib>

namespace
{
// Names the property that failed before the fuzzer records the input.
void check(bool condition, int line)
{
    if (!condition) {
        std::fprintf(stderr, "property of line %d failed\n", line);
        std::abort();
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const QVector<WarnquotaConfigReader::Setting> settings = WarnquotaConfigReader::read(text);
    const int lineCount = text.count(QLatin1Char('\n')) + 1;
    for (const auto &setting : settings) {
        check(!setting.name.contains(QLatin1Char('=')), __LINE__);
        check(!setting.value.contains(QLatin1Char('\n')) && !setting.name.contains(QLatin1Char('\n')), __LINE__);
        for (const QString &blanks : {QStringLiteral(" "), QStringLiteral("\t")}) {
            // A quoted value keeps its blanks; a name never does.
            check(!setting.name.startsWith(blanks) && !setting.name.endsWith(blanks), __LINE__);
        }
        check(setting.line >= 1 && setting.line <= lineCount, __LINE__);

        if (!setting.name.isEmpty() && !setting.name.startsWith(QLatin1Char('#')) && !setting.name.startsWith(QLatin1Char(';'))
            && !setting.value.endsWith(QLatin1Char('\\')) && setting.value == setting.value.trimmed() && !setting.value.startsWith(QLatin1Char('"'))) {
            const QVector<WarnquotaConfigReader::Setting> again = WarnquotaConfigReader::read(setting.name + QStringLiteral(" = ") + setting.value);
            check(again.size() == 1 && again.first().name == setting.name && again.first().value == setting.value, __LINE__);
        }

        if (MailCommandRule::checkWords(setting.value).isEmpty()) {
            check(setting.value.startsWith(QLatin1Char('/')), __LINE__);
            for (const QChar c : setting.value) {
                check(!QStringLiteral("$`'\"\\;&|<>()*?[]{}~#!\t\n").contains(c), __LINE__);
            }
        }
    }
    return 0;
}
