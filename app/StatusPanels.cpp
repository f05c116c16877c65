#include "app/StatusPanels.h"

#include <QLabel>

StatusPanels::StatusPanels(const QList<int>& widths, QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    for (qsizetype i = 0; i < widths.size(); ++i) {
        const bool last = i + 1 == widths.size();
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        // As on the platform's own status bars, the last panel runs on to the bar's right end.
        if (last) {
            label->setMinimumWidth(widths[i]);
            label->setSizePolicy(QSizePolicy::Ignored,
                                 QSizePolicy::Preferred); // long texts are cut, not widening
        } else {
            label->setFixedWidth(widths[i]);
        }
        label->setTextFormat(Qt::PlainText); // user and data source names are not markup
        label->setAlignment(Qt::AlignCenter);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        addWidget(label, last ? 1 : 0);
        m_panels.append(label);
    }
}

QString StatusPanels::panelText(int index) const
{
    return m_panels.at(index)->text();
}

void StatusPanels::setPanelText(int index, const QString& text)
{
    m_panels.at(index)->setText(text);
}
