#include "app/SearchDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

SearchDialog::SearchDialog(const QString& objectName, const QString& title, QWidget* parent) : QDialog(parent)
{
    setObjectName(objectName);
    setWindowTitle(title);
    setModal(false);

    m_findLabel = new QLabel(QStringLiteral("Fi&nd what:"), this);
    m_findText = new QLineEdit(this);
    m_findText->setObjectName(QStringLiteral("EDT_FindWhat"));
    m_findLabel->setBuddy(m_findText);

    m_wholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    m_wholeWord->setObjectName(QStringLiteral("CHK_WholeWord"));
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_matchCase->setObjectName(QStringLiteral("CHK_MatchCase"));

    m_findNext = new QPushButton(QStringLiteral("&Find Next"), this);
    m_findNext->setObjectName(QStringLiteral("BTN_FindNext"));
    m_findNext->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("BTN_Cancel"));
    m_needText.append(m_findNext);
}

void SearchDialog::chainTabOrder(std::initializer_list<QWidget*> widgets)
{
    QWidget* before = nullptr;
    for (QWidget* widget : widgets) {
        if (before)
            setTabOrder(before, widget);
        before = widget;
    }
}

void SearchDialog::addButtonsNeedingText(QList<QPushButton*> buttons)
{
    m_needText.append(buttons);
}

void SearchDialog::finish()
{
    m_findText->setMinimumWidth(200);
    setFixedSize(sizeHint());
    connect(m_findText, &QLineEdit::textChanged, this, &SearchDialog::updateButtons);
    connect(m_findNext, &QPushButton::clicked, this, &SearchDialog::findNextRequested);
    connect(m_cancel, &QPushButton::clicked, this, &SearchDialog::reject);
    updateButtons();
}

QString SearchDialog::findText() const
{
    return m_findText->text();
}

void SearchDialog::setFindText(const QString& text)
{
    m_findText->setText(text);
}

bool SearchDialog::matchCase() const
{
    return m_matchCase->isChecked();
}

void SearchDialog::setMatchCase(bool on)
{
    m_matchCase->setChecked(on);
}

bool SearchDialog::wholeWord() const
{
    return m_wholeWord->isChecked();
}

void SearchDialog::setWholeWord(bool on)
{
    m_wholeWord->setChecked(on);
}

void SearchDialog::present()
{
    show();
    raise();
    activateWindow();
    m_findText->setFocus();
    m_findText->selectAll();
    // Shown, the dialog hands the focus back to the button clicked last (Cancel), which makes it
    // the one Return presses: Return is Find Next again.
    m_findNext->setDefault(true);
}

void SearchDialog::updateButtons()
{
    const bool any = !m_findText->text().isEmpty();
    for (QPushButton* button : m_needText)
        button->setEnabled(any);
}
