#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

/// The modal input box: caption, prompt, one text field limited to a length, OK and Cancel.
class InputBoxDialog final : public QDialog
{
    Q_OBJECT

public:
    /// maxLength 0 or less means no limit.
    InputBoxDialog(const QString& caption, const QString& prompt, const QString& initial, int maxLength,
                   QWidget* parent = nullptr);

    QString value() const;

private:
    QLabel* m_prompt = nullptr;
    QLineEdit* m_edit = nullptr;
};
