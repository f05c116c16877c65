#include "settings/OptionsSpinField.h"

#include <QLineEdit>

#include <algorithm>

OptionsSpinField::OptionsSpinField(int minimum, int maximum, QWidget* parent) : QSpinBox(parent)
{
    setRange(minimum, maximum);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

void OptionsSpinField::setMaxTextLength(int length)
{
    lineEdit()->setMaxLength(length > 0 ? length : 32767);
}

int OptionsSpinField::maxTextLength() const
{
    return lineEdit()->maxLength();
}

int OptionsSpinField::fieldValue() const
{
    return interpret(lineEdit()->text());
}

QValidator::State OptionsSpinField::validate(QString& input, int& /*pos*/) const
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return QValidator::Intermediate;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return QValidator::Invalid;
    }
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

void OptionsSpinField::fixup(QString& input) const
{
    input = QString::number(interpret(input));
}

int OptionsSpinField::interpret(const QString& text) const
{
    const QString digits = text.trimmed();
    bool ok = false;
    const qlonglong value = digits.toLongLong(&ok);
    if (!ok) {
        const bool tooLong = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(),
                                                              [](QChar c) { return c >= u'0' && c <= u'9'; });
        return tooLong ? maximum() : minimum();
    }
    return int(std::clamp<qlonglong>(value, minimum(), maximum()));
}
