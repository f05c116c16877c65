#pragma once

#include <QStyledItemDelegate>

#include <functional>

/// The grid's own cell drawing, with a call after each drawn data cell (the grid stores the width
/// of a drawn column). The call must be cheap: it runs for every painted cell. A NULL cell shows a
/// grey "(null)" marker, drawn only: the model's texts stay empty, so the marker never reaches
/// an editor, a search, a copy or a report, and an empty text still looks empty.
class CellPaintDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using CellDrawn = std::function<void(int column)>;

    explicit CellPaintDelegate(QObject* parent = nullptr);

    static inline const QString kNullMarker = QStringLiteral("(null)");

    void setCellDrawn(CellDrawn hook) { m_cellDrawn = std::move(hook); }
    /// Called with each editor created, so edits can begin at the first key stroke.
    void setEditorCreated(std::function<void(QWidget*)> hook) { m_editorCreated = std::move(hook); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    CellDrawn m_cellDrawn;
    std::function<void(QWidget*)> m_editorCreated;
};
