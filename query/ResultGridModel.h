#pragma once

#include "connection/Query.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

class DataSourceLink;
struct Field;

/// The grid's view of the dataset a DataSourceLink points at: one column per visible field, in
/// field order, one row per record of the row store. Cells are read from the store only when the
/// view asks for them, so the size of the result costs nothing here. The vertical header is the
/// record indicator: the current record's row shows the cursor, edit or insert mark.
class ResultGridModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    static inline const QString kCurrentMark = QStringLiteral("\u25B6");
    static inline const QString kEditMark = QStringLiteral("I");
    static inline const QString kInsertMark = QStringLiteral("*");
    /// Whether a cell holds NULL (a bool). Its display and edit texts are empty, like an empty text.
    static constexpr int NullRole = Qt::UserRole + 1;
    /// The tooltip of a binary cell, which the grid keeps read-only.
    static inline const QString kBinaryReadOnly =
        QStringLiteral("A binary value is shown as hex and cannot be edited in the grid; "
                       "Copy and Export to CSV give all of its bytes.");

    explicit ResultGridModel(DataSourceLink& link, QObject* parent = nullptr);

    /// The dataset shown, or nullptr when the link points at nothing.
    Query* query() const { return m_query; }
    bool isActive() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    /// Sets a field of the current record (which enters edit); an empty text stores NULL. A binary
    /// field is never set here.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    /// The field position shown in a column, -1 outside the columns.
    int fieldPosition(int column) const;
    /// The field shown in a column; the column must exist.
    const Field& field(int column) const;
    /// Moves a column, and with it its field, so that the field order stays the column order.
    void moveFieldColumn(int from, int to);

Q_SIGNALS:
    /// An edit was refused; the text is the failure's own message.
    void editFailed(const QString& message);
    /// The dataset's current record moved (or its state changed); -1 when there is none.
    void currentRecordChanged(int record);

private:
    void attach(Query* query);
    void resetAll();
    /// Rows came or went while the fields stayed: the columns and their widths are kept.
    void onRecordsReset();
    void onFieldsChanged();
    void onCurrentChanged(int record);
    void refreshIndicator();
    QList<int> visiblePositions() const;

    DataSourceLink& m_link;
    QPointer<Query> m_query;
    QList<QMetaObject::Connection> m_connections;
    QList<int> m_columns;
    int m_rowCount = 0;
    int m_indicatorRow = -1;
    bool m_movingField = false;
};
