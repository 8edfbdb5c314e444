// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/ui/int64spinbox.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <limits>

namespace
{
constexpr qint64 largest = std::numeric_limits<qint64>::max();
}

class Int64SpinBoxTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void values_data();
    void values();
    void typing_data();
    void typing();
    void specialValueText();
};

void Int64SpinBoxTest::values_data()
{
    QTest::addColumn<qint64>("maximum");
    QTest::addColumn<qint64>("set");
    QTest::addColumn<int>("steps");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("beyond 2^31") << largest << qint64(3000000000LL) << 0 << qint64(3000000000LL) << "3000000000 files";
    QTest::newRow("clamped to the maximum") << qint64(100) << qint64(3000000000LL) << 0 << qint64(100) << "100 files";
    QTest::newRow("negative clamped to the minimum") << largest << qint64(-5) << 0 << qint64(0) << "0 files";
    QTest::newRow("a step up stops at the top, no wrap") << largest << largest - 1 << 5 << largest << "9223372036854775807 files";
    QTest::newRow("a step down stops at 0") << largest << qint64(2) << -5 << qint64(0) << "0 files";
}

void Int64SpinBoxTest::values()
{
    QFETCH(qint64, maximum);
    QFETCH(qint64, set);
    QFETCH(int, steps);
    QFETCH(qint64, value);
    QFETCH(QString, text);

    Int64SpinBox spin;
    spin.setSuffix(QStringLiteral(" files"));
    spin.setMaximum(maximum);
    spin.setValue(set);
    spin.stepBy(steps);
    QCOMPARE(spin.value(), value);
    QCOMPARE(spin.text(), text);
}

void Int64SpinBoxTest::typing_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("signals");

    QTest::newRow("a count above 2^32") << "5000000000" << qint64(5000000000LL) << 1;
    QTest::newRow("letters are refused") << "12ab" << qint64(12) << 1;
    QTest::newRow("beyond 2^63 is refused") << "99999999999999999999" << qint64(999999999999999999LL) << 1;
}

void Int64SpinBoxTest::typing()
{
    QFETCH(QString, typed);
    QFETCH(qint64, value);
    QFETCH(int, signals);

    Int64SpinBox spin;
    spin.setMaximum(largest);
    spin.show();
    spin.findChild<QLineEdit *>()->selectAll();
    QSignalSpy changed(&spin, &Int64SpinBox::valueChanged);
    QTest::keyClicks(&spin, typed);
    QTest::keyClick(&spin, Qt::Key_Return);
    QCOMPARE(spin.value(), value);
    QVERIFY(changed.count() >= signals);
    QCOMPARE(changed.last().first().value<qint64>(), value);
}

void Int64SpinBoxTest::specialValueText()
{
    Int64SpinBox spin;
    spin.setMaximum(largest);
    spin.setSpecialValueText(QStringLiteral("various"));
    spin.setValue(0);
    QCOMPARE(spin.text(), QStringLiteral("various"));
    spin.setValue(7);
    QCOMPARE(spin.text(), QStringLiteral("7"));
}

QTEST_MAIN(Int64SpinBoxTest)

#include "int64spinboxtest.moc"
