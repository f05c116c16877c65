#pragma once

#include <QWidget>

class Desktop;
class QLineEdit;
class QTableView;
class SqlHistory;
class SqlHistoryModel;

/// The "SQL History" window: the statements run so far, newest first, narrowed by a filter box
/// as the user types. Enter or a double-click hands the chosen statement on through
/// statementChosen; the window reads the history file each time it is shown or told to refresh.
class HistoryWindow final : public QWidget
{
    Q_OBJECT
public:
    HistoryWindow(Desktop& desktop, const SqlHistory& history, QWidget* parent = nullptr);

    QLineEdit* EDT_Filter;
    QTableView* GRD_History;

    /// Reads the file again when the window is shown; a hidden window reads it at its next showing.
    void refresh();
    const SqlHistoryModel& model() const { return *m_model; }

Q_SIGNALS:
    void statementChosen(const QString& statement);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reload();
    void chooseCurrent();

    Desktop& m_desktop;
    const SqlHistory& m_history;
    SqlHistoryModel* m_model;
};
