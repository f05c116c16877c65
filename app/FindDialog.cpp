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

FindDialog::FindDialog(QWidget* parent)
    : SearchDialog(QStringLiteral("FDI_Vemra"), QStringLiteral("Find"), parent)
{
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

    auto* fields = new QGridLayout;
    fields->addWidget(m_findLabel, 0, 0);
    fields->addWidget(m_findText, 0, 1, 1, 2);
    auto* options = new QVBoxLayout;
    options->addStretch();
    options->addWidget(m_wholeWord);
    options->addWidget(m_matchCase);
    fields->addLayout(options, 1, 0, 1, 2);
    fields->addWidget(direction, 1, 2);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_findNext);
    buttons->addWidget(m_cancel);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
    // Tab goes through the fields as they stand, then the buttons.
    chainTabOrder({m_findText, m_wholeWord, m_matchCase, m_up, m_down, m_findNext, m_cancel});
    finish();
}

bool FindDialog::down() const
{
    return m_down->isChecked();
}

void FindDialog::setDown(bool down)
{
    (down ? m_down : m_up)->setChecked(true);
}
