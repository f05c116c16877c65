#pragma once

#include <QTableView>

/// The data grid's view: a table view that reports the record keys (Insert, Ctrl+Delete, Escape
/// outside an editor) and lets its owner commit or drop the editor of the current cell.
class ResultGridView final : public QTableView
{
    Q_OBJECT
public:
    explicit ResultGridView(QWidget* parent = nullptr);

    /// Writes the open editor's text into the model (before a post or a row change by a button).
    void commitOpenEditor();
    /// Closes the open editor without writing its text.
    void discardOpenEditor();
    /// Whether w is the view or one of its children (an editor).
    bool contains(const QWidget* w) const;

Q_SIGNALS:
    void insertRequested();
    void deleteRequested();
    void cancelRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
