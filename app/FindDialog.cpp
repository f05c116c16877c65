#include "app/FindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

FindDialog::FindDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FDI_Vemra"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);

    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    m_findText = new QLineEdit(this);
    m_findText->setObjectName(QStringLiteral("EDT_FindWhat"));
    label->setBuddy(m_findText);

    m_wholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    m_wholeWord->setObjectName(QStringLiteral("CHK_WholeWord"));
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_matchCase->setObjectName(QStringLiteral("CHK_MatchCase"));

    auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
    direction->setObjectName(QStringLiteral("RGB_Direction"));
    m_up = new QRadioButton(QStringLiteral("&Up"), direction);
    m_up->setObjectName(QStringLiteral("RGB_Direction_Up"));
    m_down = new QRadioButton(QStringLiteral("&Down"), direction);
    m_down->setObjectName(QStringLiteral("RGB_Direction_Down"));
    m_down->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(m_up);
    directionLayout->addWidget(m_down);

    m_findNext = new QPushButton(QStringLiteral("&Find Next"), this);
    m_findNext->setObjectName(QStringLiteral("BTN_FindNext"));
    m_findNext->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("BTN_Cancel"));

    auto* fields = new QGridLayout;
    fields->addWidget(label, 0, 0);
    fields->addWidget(m_findText, 0, 1, 1, 2);
    auto* options = new QVBoxLayout;
    options->addStretch();
    options->addWidget(m_wholeWord);
    options->addWidget(m_matchCase);
    fields->addLayout(options, 1, 0, 1, 2);
    fields->addWidget(direction, 1, 2);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_findNext);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
    m_findText->setMinimumWidth(200);
    setFixedSize(sizeHint());

    connect(m_findText, &QLineEdit::textChanged, this, &FindDialog::updateButtons);
    connect(m_findNext, &QPushButton::clicked, this, &FindDialog::findNextRequested);
    connect(cancel, &QPushButton::clicked, this, &FindDialog::reject);
    updateButtons();
}

QString FindDialog::findText() const
{
    return m_findText->text();
}

void FindDialog::setFindText(const QString& text)
{
    m_findText->setText(text);
}

bool FindDialog::matchCase() const
{
    return m_matchCase->isChecked();
}

void FindDialog::setMatchCase(bool on)
{
    m_matchCase->setChecked(on);
}

bool FindDialog::wholeWord() const
{
    return m_wholeWord->isChecked();
}

void FindDialog::setWholeWord(bool on)
{
    m_wholeWord->setChecked(on);
}

bool FindDialog::down() const
{
    return m_down->isChecked();
}

void FindDialog::setDown(bool down)
{
    (down ? m_down : m_up)->setChecked(true);
}

void FindDialog::present()
{
    show();
    raise();
    activateWindow();
    m_findText->setFocus();
    m_findText->selectAll();
}

void FindDialog::updateButtons()
{
    m_findNext->setEnabled(!m_findText->text().isEmpty());
}
