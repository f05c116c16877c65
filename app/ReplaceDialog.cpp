#include "app/ReplaceDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ReplaceDialog::ReplaceDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RDI_Vemra"));
    setWindowTitle(QStringLiteral("Replace"));
    setModal(false);

    auto* findLabel = new QLabel(QStringLiteral("Fi&nd what:"), this);
    m_findText = new QLineEdit(this);
    m_findText->setObjectName(QStringLiteral("EDT_FindWhat"));
    findLabel->setBuddy(m_findText);
    auto* replaceLabel = new QLabel(QStringLiteral("Re&place with:"), this);
    m_replaceText = new QLineEdit(this);
    m_replaceText->setObjectName(QStringLiteral("EDT_ReplaceWith"));
    replaceLabel->setBuddy(m_replaceText);

    m_wholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    m_wholeWord->setObjectName(QStringLiteral("CHK_WholeWord"));
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_matchCase->setObjectName(QStringLiteral("CHK_MatchCase"));

    m_findNext = new QPushButton(QStringLiteral("&Find Next"), this);
    m_findNext->setObjectName(QStringLiteral("BTN_FindNext"));
    m_findNext->setDefault(true);
    m_replace = new QPushButton(QStringLiteral("&Replace"), this);
    m_replace->setObjectName(QStringLiteral("BTN_Replace"));
    m_replaceAll = new QPushButton(QStringLiteral("Replace &All"), this);
    m_replaceAll->setObjectName(QStringLiteral("BTN_ReplaceAll"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("BTN_Cancel"));

    auto* fields = new QGridLayout;
    fields->addWidget(findLabel, 0, 0);
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
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
    m_findText->setMinimumWidth(200);
    setFixedSize(sizeHint());

    connect(m_findText, &QLineEdit::textChanged, this, &ReplaceDialog::updateButtons);
    connect(m_findNext, &QPushButton::clicked, this, &ReplaceDialog::findNextRequested);
    connect(m_replace, &QPushButton::clicked, this, [this] { Q_EMIT replaceRequested(false); });
    connect(m_replaceAll, &QPushButton::clicked, this, [this] { Q_EMIT replaceRequested(true); });
    connect(cancel, &QPushButton::clicked, this, &ReplaceDialog::reject);
    updateButtons();
}

QString ReplaceDialog::findText() const
{
    return m_findText->text();
}

void ReplaceDialog::setFindText(const QString& text)
{
    m_findText->setText(text);
}

QString ReplaceDialog::replaceText() const
{
    return m_replaceText->text();
}

void ReplaceDialog::setReplaceText(const QString& text)
{
    m_replaceText->setText(text);
}

bool ReplaceDialog::matchCase() const
{
    return m_matchCase->isChecked();
}

void ReplaceDialog::setMatchCase(bool on)
{
    m_matchCase->setChecked(on);
}

bool ReplaceDialog::wholeWord() const
{
    return m_wholeWord->isChecked();
}

void ReplaceDialog::setWholeWord(bool on)
{
    m_wholeWord->setChecked(on);
}

void ReplaceDialog::present()
{
    show();
    raise();
    activateWindow();
    m_findText->setFocus();
    m_findText->selectAll();
}

void ReplaceDialog::updateButtons()
{
    const bool any = !m_findText->text().isEmpty();
    m_findNext->setEnabled(any);
    m_replace->setEnabled(any);
    m_replaceAll->setEnabled(any);
}
