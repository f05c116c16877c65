#include "app/ReplaceDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ReplaceDialog::ReplaceDialog(QWidget* parent)
    : SearchDialog(QStringLiteral("RDI_Vemra"), QStringLiteral("Replace"), parent)
{
    auto* replaceLabel = new QLabel(QStringLiteral("Re&place with:"), this);
    m_replaceText = new QLineEdit(this);
    m_replaceText->setObjectName(QStringLiteral("EDT_ReplaceWith"));
    replaceLabel->setBuddy(m_replaceText);
    m_replace = new QPushButton(QStringLiteral("&Replace"), this);
    m_replace->setObjectName(QStringLiteral("BTN_Replace"));
    m_replaceAll = new QPushButton(QStringLiteral("Replace &All"), this);
    m_replaceAll->setObjectName(QStringLiteral("BTN_ReplaceAll"));
    addButtonsNeedingText({m_replace, m_replaceAll});

    auto* fields = new QGridLayout;
    fields->addWidget(m_findLabel, 0, 0);
    fields->addWidget(m_findText, 0, 1);
    fields->addWidget(replaceLabel, 1, 0);
    fields->addWidget(m_replaceText, 1, 1);
    fields->setRowStretch(2, 1);
    fields->addWidget(m_wholeWord, 3, 0, 1, 2);
    fields->addWidget(m_matchCase, 4, 0, 1, 2);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_findNext);
    buttons->addWidget(m_replace);
    buttons->addWidget(m_replaceAll);
    buttons->addWidget(m_cancel);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
    // Tab goes through the fields as they stand, then the buttons.
    chainTabOrder(
        {m_findText, m_replaceText, m_wholeWord, m_matchCase, m_findNext, m_replace, m_replaceAll, m_cancel});
    connect(m_replace, &QPushButton::clicked, this, [this] { Q_EMIT replaceRequested(false); });
    connect(m_replaceAll, &QPushButton::clicked, this, [this] { Q_EMIT replaceRequested(true); });
    finish();
}

QString ReplaceDialog::replaceText() const
{
    return m_replaceText->text();
}

void ReplaceDialog::setReplaceText(const QString& text)
{
    m_replaceText->setText(text);
}
