#include "query/CellPaintDelegate.h"

#include "query/ResultGridModel.h"

#include <QLineEdit>

#include <limits>

CellPaintDelegate::CellPaintDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void CellPaintDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (m_cellDrawn)
        m_cellDrawn(index.column());
}

void CellPaintDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // Only an empty cell can be a NULL: the others cost no second look at the model.
    if (!option->text.isEmpty() || !index.data(ResultGridModel::NullRole).toBool())
        return;
    option->text = kNullMarker;
    option->features |= QStyleOptionViewItem::HasDisplay;
    option->font.setItalic(true);
    // Grey on the plain background; on a selected cell the highlight's text colour, faded.
    option->palette.setColor(QPalette::Text, option->palette.color(QPalette::PlaceholderText));
    QColor selected = option->palette.color(QPalette::HighlightedText);
    selected.setAlphaF(0.6f);
    option->palette.setColor(QPalette::HighlightedText, selected);
}

QWidget* CellPaintDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    // A line editor's own limit is 32,767 characters: it would cut a longer value as it shows it.
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->setMaxLength(std::numeric_limits<int>::max());
    if (editor && m_editorCreated)
        m_editorCreated(editor);
    return editor;
}
