#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QVBoxLayout;

/// A framed group of radio buttons with one chosen item, addressed by index and item text.
class RadioGroup final : public QGroupBox
{
    Q_OBJECT
public:
    explicit RadioGroup(const QString& title, const QStringList& items = {}, QWidget* parent = nullptr);

    void setItems(const QStringList& items);
    QStringList items() const;
    int itemIndex() const;
    void setItemIndex(int index);
    /// The chosen item's text; empty when none is chosen.
    QString chosenText() const;

private:
    QButtonGroup* m_buttons;
    QVBoxLayout* m_layout;
};
