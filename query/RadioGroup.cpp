#include "query/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

RadioGroup::RadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent), m_buttons(new QButtonGroup(this)), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(8, 4, 8, 4);
    m_layout->setSpacing(2);
    setItems(items);
}

void RadioGroup::setItems(const QStringList& items)
{
    for (QAbstractButton* b : m_buttons->buttons()) {
        m_buttons->removeButton(b);
        m_layout->removeWidget(b);
        b->hide();
        b->deleteLater();
    }
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        m_buttons->addButton(b, i);
        m_layout->addWidget(b);
    }
}

QStringList RadioGroup::items() const
{
    QStringList texts;
    for (QAbstractButton* b : m_buttons->buttons())
        texts.append(b->text());
    return texts;
}

int RadioGroup::itemIndex() const
{
    return m_buttons->checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    if (QAbstractButton* b = m_buttons->button(index))
        b->setChecked(true);
}

QString RadioGroup::chosenText() const
{
    QAbstractButton* b = m_buttons->checkedButton();
    return b ? b->text() : QString();
}
