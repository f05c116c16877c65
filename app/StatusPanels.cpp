#include "app/StatusPanels.h"

#include <QLabel>

StatusPanels::StatusPanels(const QList<int>& widths, QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    for (int width : widths) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("Panel%1").arg(m_panels.size()));
        label->setFixedWidth(width);
        label->setTextFormat(Qt::PlainText); // user and data source names are not markup
        label->setAlignment(Qt::AlignCenter);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        addWidget(label);
        m_panels.append(label);
    }
}

QString StatusPanels::panelText(int index) const { return m_panels.at(index)->text(); }

void StatusPanels::setPanelText(int index, const QString& text) { m_panels.at(index)->setText(text); }
