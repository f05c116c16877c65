#include "query/ResultGridModel.h"

#include "connection/EngineError.h"
#include "query/DataSourceLink.h"
#include "query/Generic.h"

namespace {

bool IsBinary(const Field& field)
{
    return field.type == FieldType::Blob;
}

} // namespace

ResultGridModel::ResultGridModel(DataSourceLink& link, QObject* parent)
    : QAbstractTableModel(parent), m_link(link)
{
    connect(&m_link, &DataSourceLink::dataSetChanged, this, &ResultGridModel::attach);
    attach(m_link.dataSet());
}

bool ResultGridModel::isActive() const
{
    return m_query && m_query->isActive();
}

void ResultGridModel::attach(Query* query)
{
    for (const QMetaObject::Connection& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_query = query;
    if (query) {
        m_connections = {
            connect(query, &Query::opened, this, &ResultGridModel::resetAll),
            connect(query, &Query::closed, this, &ResultGridModel::resetAll),
            connect(query, &Query::recordsReset, this, &ResultGridModel::onRecordsReset),
            connect(query, &Query::fieldsChanged, this, &ResultGridModel::onFieldsChanged),
            connect(query, &Query::recordChanged, this,
                    [this](int record) {
                        if (record >= 0 && record < rowCount() && columnCount() > 0)
                            Q_EMIT dataChanged(index(record, 0), index(record, columnCount() - 1));
                    }),
            connect(query, &Query::currentChanged, this, &ResultGridModel::onCurrentChanged),
            connect(query, &Query::stateChanged, this,
                    [this] {
                        refreshIndicator();
                        Q_EMIT currentRecordChanged(m_indicatorRow);
                    }),
            connect(query, &QObject::destroyed, this, [this] { attach(nullptr); }),
        };
    }
    resetAll();
}

void ResultGridModel::resetAll()
{
    beginResetModel();
    m_columns = visiblePositions();
    m_rowCount = isActive() ? std::max(0, m_query->recordCount()) : 0;
    m_indicatorRow = isActive() ? m_query->recNo() : -1;
    endResetModel();
}

void ResultGridModel::onRecordsReset()
{
    if (!isActive() || visiblePositions() != m_columns) {
        resetAll();
        return;
    }
    const int count = std::max(0, m_query->recordCount());
    if (count > m_rowCount) {
        beginInsertRows({}, m_rowCount, count - 1);
        m_rowCount = count;
        endInsertRows();
    } else if (count < m_rowCount) {
        beginRemoveRows({}, count, m_rowCount - 1);
        m_rowCount = count;
        endRemoveRows();
    }
    if (m_rowCount > 0 && !m_columns.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(m_rowCount - 1, int(m_columns.size()) - 1));
    onCurrentChanged(m_query->recNo());
}

QList<int> ResultGridModel::visiblePositions() const
{
    QList<int> positions;
    if (!isActive())
        return positions;
    for (int p = 0; p < m_query->fieldCount(); ++p) {
        if (m_query->field(p).visible)
            positions.append(p);
    }
    return positions;
}

void ResultGridModel::onFieldsChanged()
{
    if (m_movingField)
        return;
    if (visiblePositions() != m_columns) {
        resetAll();
        return;
    }
    if (!m_columns.isEmpty())
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, int(m_columns.size()) - 1);
}

void ResultGridModel::onCurrentChanged(int record)
{
    const int old = m_indicatorRow;
    m_indicatorRow = record;
    if (old >= 0 && old < rowCount() && old != record)
        Q_EMIT headerDataChanged(Qt::Vertical, old, old);
    refreshIndicator();
    Q_EMIT currentRecordChanged(record);
}

void ResultGridModel::refreshIndicator()
{
    if (m_indicatorRow >= 0 && m_indicatorRow < rowCount())
        Q_EMIT headerDataChanged(Qt::Vertical, m_indicatorRow, m_indicatorRow);
}

int ResultGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int ResultGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

int ResultGridModel::fieldPosition(int column) const
{
    return (column >= 0 && column < m_columns.size()) ? m_columns[column] : -1;
}

const Field& ResultGridModel::field(int column) const
{
    return m_query->field(m_columns.at(column));
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() ||
        (role != Qt::DisplayRole && role != Qt::EditRole && role != NullRole && role != Qt::ToolTipRole))
        return {};
    const int position = fieldPosition(index.column());
    if (position < 0 || index.row() >= rowCount())
        return {};
    if (role == Qt::ToolTipRole)
        return IsBinary(m_query->field(position)) ? QVariant(kBinaryReadOnly) : QVariant();
    if (role == NullRole)
        return m_query->isNull(index.row(), position);
    return m_query->valueText(index.row(), position);
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal) {
        const int position = fieldPosition(section);
        return position < 0 ? QVariant() : QVariant(m_query->field(position).displayLabel);
    }
    if (!isActive() || section != m_query->recNo())
        return QString();
    switch (m_query->state()) {
    case Query::State::Edit:
        return kEditMark;
    case Query::State::Insert:
        return kInsertMark;
    default:
        return kCurrentMark;
    }
}

Qt::ItemFlags ResultGridModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    // A binary cell shows a preview, not its value: an editor would start from the wrong text.
    if (index.isValid() && isActive() && m_query->canModify() && fieldPosition(index.column()) >= 0 &&
        !IsBinary(field(index.column())))
        f |= Qt::ItemIsEditable;
    return f;
}

bool ResultGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !isActive() || !m_query->canModify())
        return false;
    const int position = fieldPosition(index.column());
    if (position < 0 || IsBinary(m_query->field(position)))
        return false;
    // An unchanged cell leaves the record as it is: an editor that is only passed through (or
    // that closes on a row being left) neither begins an edit nor moves the cursor.
    const QString text = value.toString();
    if (text == m_query->valueText(index.row(), position))
        return false;
    try {
        if (m_query->recNo() != index.row())
            m_query->setRecNo(index.row());
        m_query->setFieldValue(position, text.isEmpty() ? QVariant() : QVariant(text));
    } catch (const EngineError& e) {
        Q_EMIT editFailed(EngineErrorText(e));
        return false;
    } catch (const std::exception& e) {
        Q_EMIT editFailed(QString::fromUtf8(e.what()));
        return false;
    }
    Q_EMIT dataChanged(index, index);
    refreshIndicator();
    return true;
}

void ResultGridModel::moveFieldColumn(int from, int to)
{
    if (from == to || fieldPosition(from) < 0 || fieldPosition(to) < 0)
        return;
    const int fromPosition = m_columns[from];
    const int toPosition = m_columns[to];
    // The columns stay the visible fields in field order, so moving the field moves the column.
    if (!beginMoveColumns({}, from, from, {}, to > from ? to + 1 : to))
        return;
    m_movingField = true;
    m_query->moveField(fromPosition, toPosition);
    m_movingField = false;
    m_columns = visiblePositions();
    endMoveColumns();
}
