// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/system/configreader.h"

#include "common/helperprotocol.h"
#include "common/localearguments.h"
#include "plugin/system/helperactionexecutor.h"

#include "plugin/system/kcmquotas_debug.h"

#include <mntent.h>

#include <stdexcept>

namespace
{
const QString systemFstab = QStringLiteral("/etc/fstab");
const QString systemMtab = QStringLiteral("/etc/mtab");
}

ConfigReader::ConfigReader()
    : m_fstabPath(systemFstab)
    , m_mtabPath(systemMtab)
{
    m_tabs.insert(Fstab, {});
    m_tabs.insert(Mtab, {});
}

ConfigReader::~ConfigReader() = default;

ConfigReader &ConfigReader::instance()
{
    static ConfigReader reader;
    return reader;
}

QList<ConfigReader::TabLine> ConfigReader::tabFile(TabId id)
{
    auto &table = m_tabs[id];
    if (!table.second) {
        table.first = readTabFile(tabFilePath(id));
        table.second = true;
    }
    return table.first;
}

QStringList ConfigReader::blkid()
{
    if (!m_blkid.isEmpty()) {
        return m_blkid;
    }
    QVariantMap arguments = localeArguments();
    arguments.insert(HelperProtocol::GetData, QVariant());
    if (!m_executor && !m_ownExecutor) {
        m_ownExecutor = HelperActionExecutor::createDefault();
    }
    HelperActionExecutor &executor = m_executor ? *m_executor : *m_ownExecutor;
    const HelperActionExecutor::Result result = executor.execute(accessActionName(), arguments, HelperActionExecutor::AccessTimeoutMs);
    if (!result.succeeded) {
        qCWarning(KCMQUOTAS) << "listing the block devices failed:" << result.errorText;
        throw std::runtime_error(result.errorText.toStdString());
    }
    m_blkid = result.data.value(HelperProtocol::BlkidData).toStringList();
    return m_blkid;
}

bool ConfigReader::hasBlkid() const
{
    return !m_blkid.isEmpty();
}

void ConfigReader::setBlkid(const QStringList &lines)
{
    m_blkid = lines;
}

void ConfigReader::reset()
{
    m_blkid.clear();
    for (auto &table : m_tabs) {
        table.first.clear();
        table.second = false;
    }
}

QList<ConfigReader::TabLine> ConfigReader::readTabFile(const QString &path)
{
    QList<TabLine> lines;
    FILE *file = setmntent(path.toUtf8().constData(), "r");
    if (!file) {
        qCWarning(KCMQUOTAS) << QStringLiteral("File %1 can not be open").arg(path);
        return lines;
    }
    // getmntent_r keeps the entry in our buffer instead of a static one;
    // lines longer than the buffer are cut by getmntent either way.
    struct mntent entry;
    char buffer[8192];
    while (getmntent_r(file, &entry, buffer, sizeof(buffer))) {
        lines.append({QString::fromLocal8Bit(entry.mnt_fsname),
                      QString::fromLocal8Bit(entry.mnt_dir),
                      QString::fromLocal8Bit(entry.mnt_type),
                      QString::fromLocal8Bit(entry.mnt_opts)});
    }
    endmntent(file);
    return lines;
}

void ConfigReader::setTabFilePaths(const QString &fstabPath, const QString &mtabPath)
{
    m_fstabPath = fstabPath.isEmpty() ? systemFstab : fstabPath;
    m_mtabPath = mtabPath.isEmpty() ? systemMtab : mtabPath;
    reset();
}

QString ConfigReader::tabFilePath(TabId id) const
{
    return id == Fstab ? m_fstabPath : m_mtabPath;
}

void ConfigReader::setHelperExecutor(HelperActionExecutor *executor)
{
    m_executor = executor;
}

HelperActionExecutor *ConfigReader::helperExecutor() const
{
    return m_executor;
}
