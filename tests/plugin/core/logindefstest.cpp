// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/users/logindefs.h"
#include "platform/users/groupinfo.h"
#include "platform/users/userinfo.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <unistd.h>

class LoginDefsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numericValue_data();
    void numericValue();
    void isSystemId_data();
    void isSystemId();
    void nameServiceListsTheRunningUser();
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

void LoginDefsTest::nameServiceListsTheRunningUser()
{
    const QList<UserInfo> users = UserInfo::getUsers();
    const bool found = std::any_of(users.cbegin(), users.cend(), [](const UserInfo &user) {
        return user.uid() == getuid() && !user.name().isEmpty();
    });
    QVERIFY(found);
    const QList<GroupInfo> groups = GroupInfo::getGroups();
    QVERIFY(std::any_of(groups.cbegin(), groups.cend(), [](const GroupInfo &group) {
        return group.gid() == 0 && group.isSystem();
    }));
}

QTEST_GUILESS_MAIN(LoginDefsTest)

#include "logindefstest.moc"
