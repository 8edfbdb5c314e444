// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "common/quotastate.h"

#include <QTest>

#include <cerrno>

class QuotaStateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rules_data();
    void rules();
};

void QuotaStateTest::rules_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("flags");
    QTest::addColumn<qulonglong>("userInode");
    QTest::addColumn<qulonglong>("groupInode");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("accounting");
    QTest::addColumn<bool>("internal");
    QTest::addColumn<bool>("metadata");

    const int userBoth = FS_QUOTA_UDQ_ACCT | FS_QUOTA_UDQ_ENFD;
    const int groupBoth = FS_QUOTA_GDQ_ACCT | FS_QUOTA_GDQ_ENFD;
    // Quota files: quotaon switches accounting and limits together.
    QTest::newRow("quota file, user quotas on") << 0 << userBoth << 12ULL << 0ULL << int(Users) << true << true << false << false;
    QTest::newRow("quota file, user quotas on, groups off") << 0 << userBoth << 12ULL << 0ULL << int(Groups) << false << false << false << false;
    QTest::newRow("quota files, both on, group") << 0 << (userBoth | groupBoth) << 12ULL << 13ULL << int(Groups) << true << true << false << false;
    QTest::newRow("no kind accounted: the kernel says ENOSYS") << ENOSYS << 0 << 0ULL << 0ULL << int(Users) << false << false << false << false;
    QTest::newRow("not a mounted device") << ENODEV << userBoth << 3ULL << 4ULL << int(Users) << false << false << false << false;
    // The ext4 quota feature: accounting from mount time on, limits only
    // once enforcement is switched on.
    QTest::newRow("internal, accounting only, users") << 0 << int(FS_QUOTA_UDQ_ACCT | FS_QUOTA_GDQ_ACCT) << 3ULL << 4ULL << int(Users) << false << true << true
                                                      << false;
    QTest::newRow("internal, accounting only, groups")
        << 0 << int(FS_QUOTA_UDQ_ACCT | FS_QUOTA_GDQ_ACCT) << 3ULL << 4ULL << int(Groups) << false << true << true << false;
    QTest::newRow("internal, users enforced") << 0 << int(userBoth | FS_QUOTA_GDQ_ACCT) << 3ULL << 4ULL << int(Users) << true << true << true << false;
    QTest::newRow("internal, groups not enforced while users are")
        << 0 << int(userBoth | FS_QUOTA_GDQ_ACCT) << 3ULL << 4ULL << int(Groups) << false << true << true << false;
    QTest::newRow("internal inode of a kind not accounted does not count")
        << 0 << int(FS_QUOTA_UDQ_ACCT) << 3ULL << 4ULL << int(Groups) << false << false << false << false;
    QTest::newRow("inode 10 is still reserved") << 0 << int(FS_QUOTA_UDQ_ACCT) << 10ULL << 0ULL << int(Users) << false << true << true << false;
    QTest::newRow("inode 11 is an ordinary file") << 0 << int(FS_QUOTA_UDQ_ACCT) << 11ULL << 0ULL << int(Users) << false << true << false << false;
    QTest::newRow("project quota flags are not group quotas")
        << 0 << int(FS_QUOTA_PDQ_ACCT | FS_QUOTA_PDQ_ENFD) << 0ULL << 0ULL << int(Groups) << false << false << false << false;
    QTest::newRow("unknown kind is off") << 0 << (userBoth | groupBoth) << 3ULL << 4ULL << 3 << false << false << false << false;
    // ext4's project records always live in an inode the feature allocates.
    const int projectBoth = FS_QUOTA_PDQ_ACCT | FS_QUOTA_PDQ_ENFD;
    QTest::newRow("ext4 projects enforced, ordinary inode number")
        << 0 << (userBoth | projectBoth) << 3ULL << 4ULL << int(Projects) << true << true << true << false;
    QTest::newRow("ext4 projects accounted only") << 0 << int(FS_QUOTA_PDQ_ACCT) << 0ULL << 0ULL << int(Projects) << false << true << true << false;
    QTest::newRow("user flags are not project quotas") << 0 << userBoth << 3ULL << 4ULL << int(Projects) << false << false << false << false;
    // XFS: every kind in metadata, whatever the inode number.
    QTest::newRow("xfs users in metadata") << 0 << userBoth << 131ULL << 0ULL << int(Users) << true << true << true << true;
    QTest::newRow("xfs groups accounted only") << 0 << int(FS_QUOTA_GDQ_ACCT) << 0ULL << 132ULL << int(Groups) << false << true << true << true;
    QTest::newRow("xfs kind not accounted is not internal") << 0 << userBoth << 131ULL << 0ULL << int(Groups) << false << false << false << true;
    QTest::newRow("xfs query failed") << ENOSYS << userBoth << 131ULL << 0ULL << int(Users) << false << false << false << true;
}

void QuotaStateTest::rules()
{
    QFETCH(int, result);
    QFETCH(int, flags);
    QFETCH(qulonglong, userInode);
    QFETCH(qulonglong, groupInode);
    QFETCH(int, type);
    QFETCH(bool, on);
    QFETCH(bool, accounting);
    QFETCH(bool, internal);
    QFETCH(bool, metadata);

    fs_quota_statv answer = QuotaState::request();
    answer.qs_flags = static_cast<quint16>(flags);
    answer.qs_uquota.qfs_ino = userInode;
    answer.qs_gquota.qfs_ino = groupInode;
    answer.qs_pquota.qfs_ino = 12;
    const QuotaState state = metadata ? QuotaState::ofMetadataQuotas(result, answer) : QuotaState(result, answer);
    const SettingsId kind = static_cast<SettingsId>(type);
    QCOMPARE(state.limitsEnforced(kind), on);
    QCOMPARE(state.accounting(kind), accounting);
    QCOMPARE(state.keptInternally(kind), internal);
}

QTEST_GUILESS_MAIN(QuotaStateTest)

#include "quotastatetest.moc"
