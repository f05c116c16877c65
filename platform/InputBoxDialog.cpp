#include "platform/InputBoxDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

InputBoxDialog::InputBoxDialog(const QString& caption, const QString& prompt, const QString& initial,
                               int maxLength, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("InputBox"));
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_prompt = new QLabel(prompt, this);
    m_prompt->setObjectName(QStringLiteral("LBL_Prompt"));
    m_prompt->setTextFormat(Qt::PlainText);
    m_prompt->setWordWrap(true);

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("EDT_Value"));
    if (maxLength > 0)
        m_edit->setMaxLength(maxLength);
    m_edit->setText(initial);
    m_edit->selectAll();
    m_prompt->setBuddy(m_edit);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("Buttons"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BTN_Ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BTN_Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
    setMinimumWidth(320);
    m_edit->setFocus();
}

QString InputBoxDialog::value() const
{
    return m_edit->text();
}

#include "moc_InputBoxDialog.cpp"
