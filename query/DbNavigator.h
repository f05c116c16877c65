#pragma once

#include <QWidget>

#include <array>

class QToolButton;

/// The navigator bar of a dataset: First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel.
/// It only reports presses; its owner acts on the dataset and tells it what is possible.
class DbNavigator final : public QWidget
{
    Q_OBJECT
public:
    enum class Button
    {
        First,
        Prior,
        Next,
        Last,
        Insert,
        Delete,
        Edit,
        Post,
        Cancel,
    };
    static constexpr int kButtonCount = 9;

    /// What the dataset allows now.
    struct Abilities
    {
        bool active = false;
        bool atFirst = true; ///< the current record is the first (or there is none)
        bool atLast = true;  ///< the current record is the last (or there is none)
        bool empty = true;
        bool canModify = false;
        bool editing = false;
    };

    explicit DbNavigator(QWidget* parent = nullptr);

    QToolButton* button(Button which) const { return m_buttons[int(which)]; }
    void setAbilities(const Abilities& abilities);

Q_SIGNALS:
    void clicked(DbNavigator::Button which);

private:
    std::array<QToolButton*, kButtonCount> m_buttons{};
};
