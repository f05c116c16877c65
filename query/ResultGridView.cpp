#include "query/ResultGridView.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace {

bool IsCopyWithTitles(const QKeyEvent* event)
{
    return event->key() == Qt::Key_C && event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier);
}

/// Keys that work on cells rather than on the text of the current one.
bool IsCellKey(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll) ||
        IsCopyWithTitles(event))
        return true;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return (event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier;
    default:
        return false;
    }
}

bool IsUntouchedEditor(QObject* watched)
{
    const auto* line = qobject_cast<QLineEdit*>(watched);
    return line && !line->isModified();
}

} // namespace

ResultGridView::ResultGridView(QWidget* parent) : QTableView(parent) {}

void ResultGridView::commitOpenEditor()
{
    if (QWidget* editor = indexWidget(currentIndex()))
        commitData(editor);
}

void ResultGridView::discardOpenEditor()
{
    if (QWidget* editor = indexWidget(currentIndex()))
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

bool ResultGridView::contains(const QWidget* w) const
{
    for (; w; w = w->parentWidget()) {
        if (w == this)
            return true;
    }
    return false;
}

void ResultGridView::watchEditor(QWidget* editor)
{
    editor->installEventFilter(this);
}

bool ResultGridView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && IsUntouchedEditor(watched) &&
        IsCellKey(static_cast<QKeyEvent*>(event))) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    // A shortcut elsewhere in the window must not win over the grid's own copy keys either.
    if (event->type() == QEvent::ShortcutOverride && IsUntouchedEditor(watched) &&
        IsCellKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::ContextMenu && IsUntouchedEditor(watched)) {
        Q_EMIT menuRequested(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void ResultGridView::contextMenuEvent(QContextMenuEvent* event)
{
    Q_EMIT menuRequested(event->globalPos());
}

void ResultGridView::mousePressEvent(QMouseEvent* event)
{
    // An editor opened at the press would take the drag and the release that chooses cells.
    if (event->button() == Qt::LeftButton && !m_heldTriggers) {
        m_heldTriggers = editTriggers();
        setEditTriggers(*m_heldTriggers & ~CurrentChanged);
    }
    QTableView::mousePressEvent(event);
}

void ResultGridView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->buttons() == Qt::NoButton)
        releaseHeldTriggers();
}

void ResultGridView::releaseHeldTriggers()
{
    if (!m_heldTriggers)
        return;
    setEditTriggers(*m_heldTriggers);
    m_heldTriggers.reset();
    const QModelIndex current = currentIndex();
    if ((editTriggers() & CurrentChanged) && current.isValid() && !indexWidget(current))
        edit(current, CurrentChanged, nullptr);
}

void ResultGridView::keyPressEvent(QKeyEvent* event)
{
    // A release that went elsewhere (a box that came up meanwhile) does not keep the editor away.
    releaseHeldTriggers();
    if (event->matches(QKeySequence::Copy) || IsCopyWithTitles(event)) {
        Q_EMIT copyRequested(IsCopyWithTitles(event));
        return;
    }
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        Q_EMIT insertRequested();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
        Q_EMIT deleteRequested();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Q_EMIT cancelRequested();
        return;
    }
    QTableView::keyPressEvent(event);
}

void ResultGridView::keyboardSearch(const QString& search)
{
    Q_UNUSED(search)
    if (currentIndex().isValid())
        Q_EMIT typedIntoReadOnlyCell(currentIndex());
}
