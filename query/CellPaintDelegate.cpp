#include "query/CellPaintDelegate.h"

CellPaintDelegate::CellPaintDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void CellPaintDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (m_cellDrawn)
        m_cellDrawn(index.column());
}

QWidget* CellPaintDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (editor && m_editorCreated)
        m_editorCreated(editor);
    return editor;
}
