// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/system/devicedatainformation.h"

#include "common/devicespecification.h"
#include "plugin/system/configreader.h"

#include <KLocalizedString>

#include <algorithm>
#include <stdexcept>

namespace
{
const QString typeKey = QStringLiteral("TYPE");

bool isSupportedFilesystem(const QString &type)
{
    return type == QLatin1String("ext2") || type == QLatin1String("ext3") || type == QLatin1String("ext4") || DeviceDataInformation::isXfs(type);
}

// The blkid line of a device path ("PATH: ..."), or a null string.
QString lineOfDevice(const QString &device, const QStringList &lines)
{
    for (const QString &line : lines) {
        if (DeviceSpecification::devicePath(line) == device) {
            return line;
        }
    }
    return QString();
}

QString resolve(const QString &fsSpec, const QStringList &lines)
{
    const QString device = DeviceDataInformation::blockDeviceName(fsSpec, lines);
    return device.isEmpty() ? fsSpec : device;
}

[[noreturn]] void fail(const QString &text)
{
    throw std::runtime_error(text.toStdString());
}
}

QString DeviceDataInformation::deviceName() const
{
    return m_deviceName;
}

void DeviceDataInformation::setDeviceName(const QString &deviceName)
{
    m_deviceName = deviceName;
}

GraceTimePeriod DeviceDataInformation::graceTimePeriod() const
{
    return m_graceTimePeriod;
}

void DeviceDataInformation::setGraceTimePeriod(const GraceTimePeriod &period)
{
    m_graceTimePeriod = period;
}

bool DeviceDataInformation::mountWithQuota() const
{
    return m_mountWithQuota;
}

void DeviceDataInformation::setMountWithQuota(bool on)
{
    m_mountWithQuota = on;
}

bool DeviceDataInformation::willMountWithQuota() const
{
    return m_willMountWithQuota;
}

void DeviceDataInformation::setWillMountWithQuota(bool on)
{
    m_willMountWithQuota = on;
}

bool DeviceDataInformation::quotaSupportOn() const
{
    return m_quotaSupportOn;
}

void DeviceDataInformation::setQuotaSupportOn(bool on)
{
    m_quotaSupportOn = on;
}

bool DeviceDataInformation::settingFileExist() const
{
    return m_settingFileExist;
}

void DeviceDataInformation::setSettingFileExist(bool exists)
{
    m_settingFileExist = exists;
}

bool DeviceDataInformation::quotaKeptInternally() const
{
    return m_quotaKeptInternally;
}

void DeviceDataInformation::setQuotaKeptInternally(bool internal)
{
    m_quotaKeptInternally = internal;
}

QStringList DeviceDataInformation::supportedDevices()
{
    ConfigReader &reader = ConfigReader::instance();
    const QStringList lines = reader.blkid();
    QStringList devices;
    // The entry is tied to its line by the same rule the helper uses when it
    // rewrites the entry, never by a text search: /dev/sda1 must not pick
    // the line of /dev/sda10, nor UUID=x a line whose PARTUUID is x.
    for (const ConfigReader::TabLine &entry : reader.tabFile(ConfigReader::Fstab)) {
        const QString device = blockDeviceName(entry.device, lines);
        if (!device.startsWith(QLatin1Char('/'))) {
            continue;
        }
        const QString line = lineOfDevice(device, lines);
        if (isSupportedFilesystem(DeviceSpecification::tagValue(line, typeKey))) {
            devices.append(device);
        }
    }
    devices.sort(Qt::CaseSensitive);
    return devices;
}

QStringList DeviceDataInformation::fstabDeviceSpecs(int limit)
{
    QStringList specs;
    for (const ConfigReader::TabLine &entry : ConfigReader::instance().tabFile(ConfigReader::Fstab)) {
        const bool mayName = entry.device.startsWith(QLatin1Char('/')) || entry.device.contains(QLatin1Char('='));
        if (mayName && !specs.contains(entry.device) && specs.size() < limit) {
            specs.append(entry.device);
        }
    }
    return specs;
}

QString DeviceDataInformation::blockDeviceName(const QString &fsSpec, const QStringList &blkidLines)
{
    return DeviceSpecification::blockDeviceName(fsSpec, blkidLines);
}

QString DeviceDataInformation::deviceFilesystem(const QString &device)
{
    ConfigReader &reader = ConfigReader::instance();
    const QStringList lines = reader.blkid();
    for (const ConfigReader::TabLine &entry : reader.tabFile(ConfigReader::Mtab)) {
        if (resolve(entry.device, lines) == device) {
            return entry.filesystem;
        }
    }
    // A noauto device is not in /etc/mtab, yet the panel lists it.
    const QString type = DeviceSpecification::tagValue(lineOfDevice(device, lines), typeKey);
    return type.isNull() ? QStringLiteral("") : type;
}

QString DeviceDataInformation::deviceMountPath(const QString &device)
{
    for (const ConfigReader::TabLine &entry : ConfigReader::instance().tabFile(ConfigReader::Mtab)) {
        if (entry.device == device) {
            return entry.mountPath;
        }
    }
    fail(i18nd("velun_kcm_quotas", "Device %1 not mounted", device));
}

bool DeviceDataInformation::deviceIsMounted(const QString &device)
{
    const QList<ConfigReader::TabLine> mounts = ConfigReader::instance().tabFile(ConfigReader::Mtab);
    return std::any_of(mounts.cbegin(), mounts.cend(), [&device](const ConfigReader::TabLine &entry) {
        return entry.device == device;
    });
}

QStringList DeviceDataInformation::deviceOptions(const QString &device, const QString &tabFileName)
{
    ConfigReader::TabId id;
    if (tabFileName == QLatin1String("/etc/fstab")) {
        id = ConfigReader::Fstab;
    } else if (tabFileName == QLatin1String("/etc/mtab")) {
        id = ConfigReader::Mtab;
    } else {
        fail(i18nd("velun_kcm_quotas", "Unknow file name %1", tabFileName));
    }
    ConfigReader &reader = ConfigReader::instance();
    const QStringList lines = reader.blkid();
    for (const ConfigReader::TabLine &entry : reader.tabFile(id)) {
        if (resolve(entry.device, lines) == device) {
            return entry.options.split(QLatin1Char(','));
        }
    }
    return QStringList();
}

bool DeviceDataInformation::deviceMountWithQuota(const QString &device, SettingsId id, const QString &tabFileName)
{
    if (!isKnownSettingsId(id)) {
        fail(i18nd("velun_kcm_quotas", "Unknown type for deviceMountWithQuota"));
    }
    const QStringList options = deviceOptions(device, tabFileName);
    const QStringList wanted = quotaMountOptions(id, deviceFilesystem(device));
    return std::any_of(wanted.cbegin(), wanted.cend(), [&options](const QString &option) {
        return options.contains(option, Qt::CaseSensitive);
    });
}

QStringList DeviceDataInformation::quotaMountOptions(SettingsId id, const QString &filesystem)
{
    if (!isXfs(filesystem)) {
        return {quotaMountOption(id)};
    }
    switch (id) {
    case Users:
        return {QStringLiteral("usrquota"), QStringLiteral("uquota"), QStringLiteral("quota"), QStringLiteral("uqnoenforce"), QStringLiteral("qnoenforce")};
    case Groups:
        return {QStringLiteral("grpquota"), QStringLiteral("gquota"), QStringLiteral("gqnoenforce")};
    case Projects:
        return {QStringLiteral("prjquota"), QStringLiteral("pquota"), QStringLiteral("pqnoenforce")};
    }
    return {};
}

bool DeviceDataInformation::isXfs(const QString &filesystem)
{
    return filesystem == QLatin1String("xfs");
}
