#include "query/ResultGridView.h"

#include <QKeyEvent>

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

void ResultGridView::keyPressEvent(QKeyEvent* event)
{
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
