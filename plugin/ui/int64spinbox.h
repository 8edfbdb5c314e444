// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QAbstractSpinBox>

// A spin box for whole numbers up to 2^63 - 1: QSpinBox stops at 2^31 - 1,
// far below the file counts the kernel takes. As in QSpinBox, the special
// value text stands for the minimum.
class Int64SpinBox : public QAbstractSpinBox
{
    Q_OBJECT
    Q_PROPERTY(qint64 value READ value WRITE setValue NOTIFY valueChanged USER true)
    Q_PROPERTY(qint64 minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(qint64 maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(QString suffix READ suffix WRITE setSuffix)
public:
    explicit Int64SpinBox(QWidget *parent = nullptr);

    qint64 value() const;
    qint64 minimum() const;
    void setMinimum(qint64 minimum);
    qint64 maximum() const;
    void setMaximum(qint64 maximum);
    void setRange(qint64 minimum, qint64 maximum);
    QString suffix() const;
    void setSuffix(const QString &suffix);

    void stepBy(int steps) override;
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

public Q_SLOTS:
    void setValue(qint64 value);

Q_SIGNALS:
    void valueChanged(qint64 value);

protected:
    StepEnabled stepEnabled() const override;

private:
    QString textFromValue(qint64 value) const;
    // The number in `text` without the suffix; false when there is none.
    bool valueFromText(const QString &text, qint64 *value) const;
    void showValue();

    qint64 m_value = 0;
    qint64 m_minimum = 0;
    qint64 m_maximum = 99;
    QString m_suffix;
};
