#pragma once

#include <QSpinBox>

/// A spin field of the options dialog.
///
/// A value set into it is brought into its range; digits typed beyond the range are kept until
/// the field loses the focus and then brought to the nearest bound; fieldValue() reads the text as
/// a whole number in range, or the minimum when the text is not a number (an emptied field).
class OptionsSpinField final : public QSpinBox
{
    Q_OBJECT

public:
    OptionsSpinField(int minimum, int maximum, QWidget* parent = nullptr);

    /// Limits how many characters can be typed (0: no limit).
    void setMaxTextLength(int length);
    int maxTextLength() const;
    int fieldValue() const;

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

private:
    /// The text as a number in range, or the minimum.
    int interpret(const QString& text) const;
};
