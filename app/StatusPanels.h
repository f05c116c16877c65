#pragma once

#include <QList>
#include <QStatusBar>

class QLabel;

/// A status bar of panels of the given widths, each showing one centred text; the last panel
/// takes its width at least and the rest of the bar besides.
class StatusPanels final : public QStatusBar
{
    Q_OBJECT
public:
    explicit StatusPanels(const QList<int>& widths, QWidget* parent = nullptr);

    int panelCount() const { return static_cast<int>(m_panels.size()); }
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);
    QLabel* panel(int index) const { return m_panels.at(index); }

private:
    QList<QLabel*> m_panels;
};
