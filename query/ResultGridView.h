#pragma once

#include <QTableView>

#include <optional>

/// The data grid's view: a table view that reports the record keys (Insert, Ctrl+Delete, Escape
/// outside an editor), the copy keys and the context menu, and lets its owner commit or drop the
/// editor of the current cell.
///
/// The current cell always holds an editor. Until its text is changed, the keys that work on
/// cells (Shift with the arrows and page keys, Ctrl+A, Ctrl+C, Ctrl+Shift+C) and the context menu
/// belong to the grid; once the user types into the cell, they are the editor's own again. While
/// a mouse button is down the mouse chooses cells (a drag, a click into chosen cells); the current
/// cell gets its editor when the button is released.
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
    /// Lets the grid take its cell keys and the context menu from a new cell editor.
    void watchEditor(QWidget* editor);
    /// Typing never jumps to another record: the grid's rows are no list to search by first letters.
    void keyboardSearch(const QString& search) override;

Q_SIGNALS:
    void insertRequested();
    void deleteRequested();
    void cancelRequested();
    void copyRequested(bool withTitles);
    /// The context menu was asked for (mouse, menu key or Shift+F10), at a screen position.
    void menuRequested(const QPoint& globalPos);
    /// Text was typed into a cell that takes no editor (a read-only result, a binary value).
    void typedIntoReadOnlyCell(const QModelIndex& cell);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Gives back the edit triggers held while a mouse button was down; opens the current editor.
    void releaseHeldTriggers();

    std::optional<EditTriggers> m_heldTriggers;
};
