// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/users/logindefs.h"
#include "platform/users/groupinfo.h"
#include "platform/users/userinfo.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class LoginDefsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numericValue_data();
    void numericValue();
    void isSystemId_data();
    void isSystemId();
    void accountFiles_data();
    void accountFiles();
};

void LoginDefsTest::numericValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("value");

    QTest::newRow("plain setting") << "MAIL_DIR /var/mail\nUID_MIN 1000\nUID_MAX 60000\n" << 1000u;
    QTest::newRow("indented with a tab") << "\tUID_MIN\t500\n" << 500u;
    QTest::newRow("commented out") << "#UID_MIN 500\n" << 1000u;
    QTest::newRow("longer key not taken") << "UID_MIN_EXTRA 7\n" << 1000u;
    QTest::newRow("hexadecimal") << "UID_MIN 0x3e8\n" << 1000u;
    QTest::newRow("last setting wins") << "UID_MIN 500\nUID_MIN 2000\n" << 2000u;
    QTest::newRow("not a number falls back") << "UID_MIN many\n" << 1000u;
    QTest::newRow("key missing") << "GID_MIN 10\n" << 1000u;
}

void LoginDefsTest::numericValue()
{
    QFETCH(QString, text);
    QFETCH(uint, value);

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("login.defs")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
    file.close();
    QCOMPARE(LoginDefs::numericValue(QStringLiteral("UID_MIN"), 1000, file.fileName()), value);
    QCOMPARE(LoginDefs::numericValue(QStringLiteral("UID_MIN"), 1000, dir.filePath(QStringLiteral("missing"))), 1000u);
}

void LoginDefsTest::isSystemId_data()
{
    QTest::addColumn<uint>("id");
    QTest::addColumn<bool>("system");

    QTest::newRow("root") << 0u << true;
    QTest::newRow("just below the minimum") << 999u << true;
    QTest::newRow("first ordinary account") << 1000u << false;
    QTest::newRow("nobody") << 65534u << true;
    QTest::newRow("above nobody") << 65535u << false;
}

void LoginDefsTest::isSystemId()
{
    QFETCH(uint, id);
    QFETCH(bool, system);
    QCOMPARE(LoginDefs::isSystemId(id, 1000), system);
}

namespace
{
QString writeFile(const QTemporaryDir &dir, const QString &name, const QString &text)
{
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
    }
    return file.fileName();
}
}

void LoginDefsTest::accountFiles_data()
{
    QTest::addColumn<QString>("passwd");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("loginDefs");
    QTest::addColumn<QStringList>("users");
    QTest::addColumn<QStringList>("groups");

    const QString passwd = QStringLiteral(
        "root:x:0:0:root:/root:/bin/bash\n"
        "anna:x:1001:1001:Anna:/home/anna:/bin/bash\n"
        "svc:x:600:600::/var/lib/svc:/usr/sbin/nologin\n"
        "nobody:x:65534:65534:nobody:/nonexistent:/usr/sbin/nologin\n");
    const QString group = QStringLiteral("root:x:0:\nusers:x:100:\nstaff:x:1500:anna\nnogroup:x:65534:\n");
    QTest::newRow("no login.defs: ordinary from 1000, in file order")
        << passwd << group << QString() << QStringList{"0 root system", "1001 anna", "600 svc system", "65534 nobody system"}
        << QStringList{"0 root system", "100 users system", "1500 staff", "65534 nogroup system"};
    QTest::newRow("UID_MIN and GID_MIN of the site") << passwd << group << "UID_MIN 500\nGID_MIN 100\n"
                                                     << QStringList{"0 root system", "1001 anna", "600 svc", "65534 nobody system"}
                                                     << QStringList{"0 root system", "100 users", "1500 staff", "65534 nogroup system"};
    QTest::newRow("missing files: no accounts") << QString() << QString() << QString() << QStringList() << QStringList();
}

void LoginDefsTest::accountFiles()
{
    QFETCH(QString, passwd);
    QFETCH(QString, group);
    QFETCH(QString, loginDefs);
    QFETCH(QStringList, users);
    QFETCH(QStringList, groups);

    QTemporaryDir dir;
    const QString passwdPath = passwd.isEmpty() ? dir.filePath(QStringLiteral("passwd")) : writeFile(dir, QStringLiteral("passwd"), passwd);
    const QString groupPath = group.isEmpty() ? dir.filePath(QStringLiteral("group")) : writeFile(dir, QStringLiteral("group"), group);
    const QString loginDefsPath = loginDefs.isEmpty() ? dir.filePath(QStringLiteral("login.defs")) : writeFile(dir, QStringLiteral("login.defs"), loginDefs);

    QStringList readUsers;
    for (const UserInfo &user : UserInfo::readUsers(passwdPath, loginDefsPath)) {
        readUsers.append(QStringLiteral("%1 %2%3").arg(user.uid()).arg(user.name(), user.isSystem() ? QStringLiteral(" system") : QString()));
    }
    QCOMPARE(readUsers, users);
    QStringList readGroups;
    for (const GroupInfo &entry : GroupInfo::readGroups(groupPath, loginDefsPath)) {
        readGroups.append(QStringLiteral("%1 %2%3").arg(entry.gid()).arg(entry.name(), entry.isSystem() ? QStringLiteral(" system") : QString()));
    }
    QCOMPARE(readGroups, groups);
}

QTEST_GUILESS_MAIN(LoginDefsTest)

#include "logindefstest.moc"
