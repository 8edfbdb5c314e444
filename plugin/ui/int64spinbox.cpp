// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "int64spinbox.h"

#include <QLineEdit>
#include <QLocale>

#include <limits>

Int64SpinBox::Int64SpinBox(QWidget *parent)
    : QAbstractSpinBox(parent)
{
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString &text) {
        qint64 typed = 0;
        if (valueFromText(text, &typed) && typed >= m_minimum && typed <= m_maximum && typed != m_value) {
            m_value = typed;
            Q_EMIT valueChanged(m_value);
        }
    });
    connect(this, &QAbstractSpinBox::editingFinished, this, &Int64SpinBox::showValue);
    showValue();
}

qint64 Int64SpinBox::value() const
{
    return m_value;
}

void Int64SpinBox::setValue(qint64 value)
{
    const qint64 bounded = qBound(m_minimum, value, m_maximum);
    const bool changed = bounded != m_value;
    m_value = bounded;
    showValue();
    if (changed) {
        Q_EMIT valueChanged(m_value);
    }
}

qint64 Int64SpinBox::minimum() const
{
    return m_minimum;
}

void Int64SpinBox::setMinimum(qint64 minimum)
{
    setRange(minimum, qMax(minimum, m_maximum));
}

qint64 Int64SpinBox::maximum() const
{
    return m_maximum;
}

void Int64SpinBox::setMaximum(qint64 maximum)
{
    setRange(qMin(m_minimum, maximum), maximum);
}

void Int64SpinBox::setRange(qint64 minimum, qint64 maximum)
{
    m_minimum = minimum;
    m_maximum = qMax(minimum, maximum);
    setValue(m_value);
}

QString Int64SpinBox::suffix() const
{
    return m_suffix;
}

void Int64SpinBox::setSuffix(const QString &suffix)
{
    m_suffix = suffix;
    showValue();
}

void Int64SpinBox::stepBy(int steps)
{
    // Saturating: a step past either end stops there instead of wrapping.
    qint64 next = m_value;
    if (steps > 0) {
        next = m_maximum - m_value < steps ? m_maximum : m_value + steps;
    } else if (steps < 0) {
        next = m_value - m_minimum < -qint64(steps) ? m_minimum : m_value + steps;
    }
    setValue(next);
    selectAll();
}

QAbstractSpinBox::StepEnabled Int64SpinBox::stepEnabled() const
{
    if (isReadOnly()) {
        return StepNone;
    }
    StepEnabled enabled = StepNone;
    if (m_value < m_maximum) {
        enabled |= StepUpEnabled;
    }
    if (m_value > m_minimum) {
        enabled |= StepDownEnabled;
    }
    return enabled;
}

QValidator::State Int64SpinBox::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos)
    if (!specialValueText().isEmpty() && input == specialValueText()) {
        return QValidator::Acceptable;
    }
    QString number = input;
    if (!m_suffix.isEmpty() && number.endsWith(m_suffix)) {
        number.chop(m_suffix.size());
    }
    number = number.trimmed();
    if (number.isEmpty()) {
        return QValidator::Intermediate;
    }
    qint64 typed = 0;
    if (!valueFromText(input, &typed)) {
        return QValidator::Invalid;
    }
    if (typed > m_maximum || (typed < m_minimum && typed >= 0)) {
        return typed > m_maximum ? QValidator::Invalid : QValidator::Intermediate;
    }
    return typed < m_minimum ? QValidator::Invalid : QValidator::Acceptable;
}

void Int64SpinBox::fixup(QString &input) const
{
    input = textFromValue(m_value);
}

QString Int64SpinBox::textFromValue(qint64 value) const
{
    if (value == m_minimum && !specialValueText().isEmpty()) {
        return specialValueText();
    }
    // No group separators: the number is typed and read back as it stands.
    return QString::number(value) + m_suffix;
}

bool Int64SpinBox::valueFromText(const QString &text, qint64 *value) const
{
    QString number = text;
    if (!m_suffix.isEmpty() && number.endsWith(m_suffix)) {
        number.chop(m_suffix.size());
    }
    bool ok = false;
    const qint64 parsed = number.trimmed().toLongLong(&ok);
    if (ok) {
        *value = parsed;
    }
    return ok;
}

void Int64SpinBox::showValue()
{
    lineEdit()->setText(textFromValue(m_value));
}
