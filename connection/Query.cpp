#include "connection/Query.h"

#include "connection/Connection.h"
#include "connection/DatabaseDriver.h"
#include "connection/EngineError.h"
#include "connection/FieldValue.h"
#include "connection/KeyedStatements.h"
#include "connection/ParameterScanner.h"
#include "connection/RowStore.h"
#include "connection/SqlLexer.h"

#include <algorithm>

namespace {

/// Announces the connection's transaction state when the statements of a call are done, also
/// when they failed (a failed statement can leave a transaction aborted but open).
class TransactionAnnouncer
{
public:
    explicit TransactionAnnouncer(Connection& connection) : m_connection(connection) {}
    ~TransactionAnnouncer() { m_connection.noteStatementsRan(); }
    TransactionAnnouncer(const TransactionAnnouncer&) = delete;
    TransactionAnnouncer& operator=(const TransactionAnnouncer&) = delete;

private:
    Connection& m_connection;
};

} // namespace

namespace {

const QString kNotOpen = QStringLiteral("The query is not open");
const QString kReadOnly = QStringLiteral("Cannot modify a read-only result");
const QString kEmptyStatement = QStringLiteral("The statement is empty: there is no SQL to execute.");

/// Statements whose count of changed rows means something; for others the count is -1.
bool changesRows(const QString& keyword)
{
    static const QStringList kinds = {QStringLiteral("INSERT"), QStringLiteral("UPDATE"),
                                      QStringLiteral("DELETE"), QStringLiteral("REPLACE"),
                                      QStringLiteral("MERGE"),  QStringLiteral("UPSERT"),
                                      QStringLiteral("WITH")};
    return kinds.contains(keyword);
}

struct ParamSlot
{
    QString name;
    QString value;
    bool set = false;
};

} // namespace

struct Query::Impl
{
    QList<ParameterMarker> markers;
    QList<ParamSlot> params;

    std::unique_ptr<RowStore> rows;
    QList<Field> fields;
    std::optional<KeyedStatements> keyed;
    bool returning = false;

    int current = -1;
    bool bof = true;
    bool eof = true;
    State state = State::Inactive;
    /// The record being edited or inserted, one cell per store column.
    QList<RowStore::Cell> buffer;
    QList<bool> changed;
    /// The record that was current before an insert, to go back to on cancel.
    Bookmark beforeInsert = -1;

    int disabled = 0;
    int pending = 0;
};

Query::Query(Connection& connection, QObject* parent)
    : QObject(parent), m_connection(connection), d(std::make_unique<Impl>())
{
    connect(&connection, &Connection::aboutToDisconnect, this, &Query::close);
}

Query::~Query() = default;

// ---- Signals

void Query::notify(Pending kind, int record)
{
    if (d->disabled > 0) {
        // A changed record folds into a reset when the controls come back.
        d->pending |= kind;
        return;
    }
    switch (kind) {
    case PendingOpenState:
        if (isActive())
            Q_EMIT opened();
        else
            Q_EMIT closed();
        break;
    case PendingFields:
        Q_EMIT fieldsChanged();
        break;
    case PendingRecords:
        if (record >= 0)
            Q_EMIT recordChanged(record);
        else
            Q_EMIT recordsReset();
        break;
    case PendingCurrent:
        Q_EMIT currentChanged(d->current);
        break;
    case PendingState:
        Q_EMIT stateChanged(d->state);
        break;
    }
}

void Query::disableControls()
{
    ++d->disabled;
}

void Query::enableControls()
{
    if (d->disabled == 0 || --d->disabled > 0)
        return;
    const int pending = std::exchange(d->pending, 0);
    if (pending & PendingOpenState) {
        notify(PendingOpenState);
    } else {
        if (pending & PendingFields)
            notify(PendingFields);
        if (pending & PendingRecords)
            notify(PendingRecords);
    }
    if (pending & PendingCurrent)
        notify(PendingCurrent);
    if (pending & PendingState)
        notify(PendingState);
}

bool Query::controlsDisabled() const
{
    return d->disabled > 0;
}

// ---- SQL text and parameters

void Query::clearSql()
{
    setSql({});
}

void Query::addSql(const QString& line)
{
    setSql(m_sql + QStringList{line});
}

void Query::setSql(const QStringList& lines)
{
    close();
    m_sql = lines;
    // Values follow their parameter's name into the new text, by order of appearance.
    const QList<ParamSlot> old = d->params;
    QList<bool> taken(old.size(), false);
    d->markers = ParameterScanner::Scan(sqlText(), m_connection.sqlDialect());
    d->params.clear();
    for (const ParameterMarker& marker : std::as_const(d->markers)) {
        ParamSlot slot{marker.name, {}, false};
        for (qsizetype i = 0; i < old.size(); ++i) {
            if (!taken[i] && old[i].name.compare(marker.name, Qt::CaseInsensitive) == 0) {
                taken[i] = true;
                slot.value = old[i].value;
                slot.set = old[i].set;
                break;
            }
        }
        d->params.append(slot);
    }
}

QString Query::sqlText() const
{
    return m_sql.join(QLatin1Char('\n'));
}

int Query::paramCount() const
{
    return int(d->params.size());
}

QString Query::paramName(int index) const
{
    if (index < 0 || index >= paramCount())
        throw WrapperError(QStringLiteral("Parameter index %1 out of range").arg(index));
    return d->params[index].name;
}

void Query::setParamAsString(int index, const QString& value)
{
    if (index < 0 || index >= paramCount())
        throw WrapperError(QStringLiteral("Parameter index %1 out of range").arg(index));
    d->params[index].value = value;
    d->params[index].set = true;
}

QString Query::paramAsText(int index) const
{
    if (index < 0 || index >= paramCount())
        throw WrapperError(QStringLiteral("Parameter index %1 out of range").arg(index));
    return d->params[index].value;
}

bool Query::paramIsSet(int index) const
{
    return index >= 0 && index < paramCount() && d->params[index].set;
}

void Query::clearParamValues()
{
    for (ParamSlot& slot : d->params) {
        slot.value.clear();
        slot.set = false;
    }
}

void Query::copyParamsFrom(const Query& other)
{
    for (int i = 0; i < paramCount() && i < other.paramCount(); ++i) {
        d->params[i].value = other.d->params[i].value;
        d->params[i].set = other.d->params[i].set;
    }
}

QVariantList Query::boundParameters() const
{
    QVariantList values;
    for (const ParamSlot& slot : d->params) {
        if (!slot.set)
            throw WrapperError(QStringLiteral("No value for parameter '%1'").arg(slot.name));
        values.append(slot.value);
    }
    return values;
}

// ---- Running

void Query::refuseEmpty(const QString& text) const
{
    // Some engines accept a text without a statement and do nothing; that is never what was meant.
    if (IsEmptySql(text, m_connection.sqlDialect()))
        throw EngineError(QString(), 0, kEmptyStatement);
}

void Query::open()
{
    const TransactionAnnouncer announce(m_connection);
    close();
    refuseEmpty(sqlText());
    DatabaseDriver& driver = m_connection.driver();
    const QVariantList values = boundParameters();
    install(driver.fetch(driver.bindableText(sqlText(), d->markers), values, m_requestLive));
}

void Query::openReplacing(const QStringList& lines, const QStringList& values)
{
    const TransactionAnnouncer announce(m_connection);
    const QString text = lines.join(QLatin1Char('\n'));
    refuseEmpty(text);
    const QList<ParameterMarker> markers = ParameterScanner::Scan(text, m_connection.sqlDialect());
    QVariantList bound;
    for (qsizetype k = 0; k < markers.size(); ++k) {
        if (k >= values.size())
            throw WrapperError(QStringLiteral("No value for parameter '%1'").arg(markers[k].name));
        bound.append(values[k]);
    }
    DatabaseDriver& driver = m_connection.driver();
    FetchedResult result = driver.fetch(driver.bindableText(text, markers), bound, m_requestLive);
    // Only now is the old result given up.
    setSql(lines);
    for (int k = 0; k < paramCount(); ++k)
        setParamAsString(k, values[k]);
    install(std::move(result));
}

void Query::install(FetchedResult&& result)
{
    DatabaseDriver& driver = m_connection.driver();
    d->rows = std::move(result.rows);
    QList<FieldType> types;
    for (int c = 0; c < result.columns.size(); ++c) {
        const ColumnInfo& column = result.columns[c];
        Field field;
        field.name = column.name;
        field.displayLabel = column.name;
        field.displayWidth = column.displayWidth;
        field.type = column.type;
        field.storeColumn = c;
        d->fields.append(field);
        types.append(column.type);
    }
    if (result.live) {
        Connection* connection = &m_connection;
        d->keyed.emplace(
            *result.live, types, [connection](int k) { return connection->driver().placeholder(k); },
            driver.bindsRealsAsText());
        d->returning = driver.supportsReturning();
    }
    const int count = d->rows->recordCount();
    d->current = count > 0 ? 0 : -1;
    d->bof = true;
    d->eof = count == 0;
    d->state = State::Browse;
    notify(PendingOpenState);
    notify(PendingState);
}

void Query::execSQL()
{
    const TransactionAnnouncer announce(m_connection);
    close();
    m_rowsAffected = -1;
    refuseEmpty(sqlText());
    DatabaseDriver& driver = m_connection.driver();
    const QVariantList values = boundParameters();
    FetchedResult rows;
    const int touched = driver.execute(driver.bindableText(sqlText(), d->markers), values, &rows);
    if (rows.rows) {
        // It returned rows after all: they are kept as the open result, read-only.
        install(std::move(rows));
        return;
    }
    m_rowsAffected =
        changesRows(FirstSqlKeyword(sqlText(), m_connection.sqlDialect())) && touched >= 0 ? touched : -1;
}

std::optional<bool> Query::returnsRows() const
{
    if (IsEmptySql(sqlText(), m_connection.sqlDialect()))
        return std::nullopt;
    const DatabaseDriver& driver = m_connection.driver();
    return driver.returnsRows(driver.bindableText(sqlText(), d->markers));
}

void Query::close()
{
    if (d->state == State::Inactive)
        return;
    d->rows.reset();
    d->fields.clear();
    d->keyed.reset();
    d->buffer.clear();
    d->changed.clear();
    d->current = -1;
    d->bof = true;
    d->eof = true;
    d->state = State::Inactive;
    notify(PendingOpenState);
    notify(PendingState);
}

bool Query::isActive() const
{
    return d->state != State::Inactive;
}

bool Query::canModify() const
{
    return isActive() && d->keyed.has_value();
}

qint64 Query::memoryBytes() const
{
    qint64 total = d->rows ? d->rows->memoryBytes() : 0;
    for (const Field& field : std::as_const(d->fields))
        total +=
            qint64(sizeof(Field)) + (field.name.size() + field.displayLabel.size()) * qint64(sizeof(QChar));
    return total;
}

// ---- Fields

int Query::fieldCount() const
{
    return int(d->fields.size());
}

const Field& Query::field(int position) const
{
    if (position < 0 || position >= fieldCount())
        throw WrapperError(QStringLiteral("Field index %1 out of range").arg(position));
    return d->fields[position];
}

int Query::storeColumn(int position) const
{
    return field(position).storeColumn;
}

int Query::findField(const QString& name) const
{
    for (int i = 0; i < fieldCount(); ++i) {
        if (d->fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void Query::setDisplayLabel(int position, const QString& label)
{
    field(position);
    d->fields[position].displayLabel = label;
    notify(PendingFields);
}

void Query::setDisplayWidth(int position, int characters)
{
    field(position);
    d->fields[position].displayWidth = std::max(characters, 0);
    notify(PendingFields);
}

void Query::setVisible(int position, bool visible)
{
    field(position);
    d->fields[position].visible = visible;
    notify(PendingFields);
}

void Query::moveField(int from, int to)
{
    field(from);
    to = std::clamp(to, 0, fieldCount() - 1);
    if (from == to)
        return;
    d->fields.move(from, to);
    notify(PendingFields);
}

// ---- Cursor

int Query::recordCount() const
{
    return d->rows ? d->rows->recordCount() : 0;
}

int Query::recNo() const
{
    return d->current;
}

bool Query::bof() const
{
    return d->bof;
}

bool Query::eof() const
{
    return d->eof;
}

void Query::setCurrent(int record, bool bof, bool eof)
{
    const bool moved = record != d->current;
    d->current = record;
    d->bof = bof;
    d->eof = eof;
    if (moved)
        notify(PendingCurrent);
}

void Query::setRecNo(int record)
{
    if (!isActive())
        throw WrapperError(kNotOpen);
    checkBrowseMode();
    const int count = recordCount();
    if (count == 0)
        return;
    setCurrent(std::clamp(record, 0, count - 1), false, false);
}

void Query::first()
{
    if (!isActive())
        throw WrapperError(kNotOpen);
    checkBrowseMode();
    const int count = recordCount();
    setCurrent(count > 0 ? 0 : -1, true, count == 0);
}

void Query::last()
{
    if (!isActive())
        throw WrapperError(kNotOpen);
    checkBrowseMode();
    const int count = recordCount();
    setCurrent(count - 1, count == 0, true);
}

void Query::next()
{
    if (!isActive())
        throw WrapperError(kNotOpen);
    checkBrowseMode();
    if (d->current + 1 < recordCount())
        setCurrent(d->current + 1, false, false);
    else
        d->eof = true;
}

void Query::prior()
{
    if (!isActive())
        throw WrapperError(kNotOpen);
    checkBrowseMode();
    if (d->current > 0)
        setCurrent(d->current - 1, false, false);
    else
        d->bof = true;
}

Query::Bookmark Query::bookmark() const
{
    return d->rows && d->current >= 0 ? d->rows->recordId(d->current) : -1;
}

void Query::gotoBookmark(Bookmark mark)
{
    if (!isActive())
        throw WrapperError(kNotOpen);
    checkBrowseMode();
    const int record = d->rows->recordOfId(mark);
    if (record < 0)
        throw WrapperError(QStringLiteral("Record not found"));
    setCurrent(record, false, false);
}

void Query::freeBookmark(Bookmark mark)
{
    // A bookmark is the record's identity in the store: nothing is held for it.
    Q_UNUSED(mark)
}

// ---- Values

void Query::checkRecord(int record) const
{
    if (record < 0 || record >= recordCount())
        throw WrapperError(QStringLiteral("Record %1 out of range").arg(record));
}

const std::optional<QByteArray>* Query::editedCell(int record, int column) const
{
    if ((d->state == State::Edit || d->state == State::Insert) && record == d->current)
        return &d->buffer[column];
    return nullptr;
}

bool Query::isNull(int record, int position) const
{
    const int column = storeColumn(position);
    checkRecord(record);
    if (const auto* cell = editedCell(record, column))
        return !cell->has_value();
    return d->rows->isNull(record, column);
}

std::string_view Query::valueBytes(int record, int position) const
{
    const int column = storeColumn(position);
    checkRecord(record);
    if (const auto* cell = editedCell(record, column))
        return *cell ? std::string_view((*cell)->constData(), std::size_t((*cell)->size()))
                     : std::string_view();
    return d->rows->cell(record, column);
}

QString Query::valueText(int record, int position) const
{
    if (isNull(record, position))
        return QString();
    const std::string_view bytes = valueBytes(record, position);
    if (field(position).type == FieldType::Blob)
        return FieldValue::BinaryPreview(bytes);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

QVariant Query::value(int record, int position) const
{
    if (isNull(record, position))
        return QVariant();
    return FieldValue::Typed(field(position).type, valueBytes(record, position));
}

QList<std::optional<QByteArray>> Query::recordCells(int record) const
{
    QList<RowStore::Cell> cells;
    for (int c = 0; c < d->rows->columnCount(); ++c) {
        if (d->rows->isNull(record, c)) {
            cells.append(std::nullopt);
        } else {
            const std::string_view bytes = d->rows->cell(record, c);
            cells.append(QByteArray(bytes.data(), qsizetype(bytes.size())));
        }
    }
    return cells;
}

// ---- Editing

Query::State Query::state() const
{
    return d->state;
}

void Query::setState(State state)
{
    if (d->state == state)
        return;
    d->state = state;
    notify(PendingState);
}

void Query::requireLive() const
{
    if (!isActive())
        throw WrapperError(kNotOpen);
    if (!canModify())
        throw WrapperError(kReadOnly);
}

void Query::checkBrowseMode()
{
    if (d->state != State::Edit && d->state != State::Insert)
        return;
    if (modified())
        post();
    else
        cancel();
}

void Query::edit()
{
    requireLive();
    if (d->state == State::Edit || d->state == State::Insert)
        return;
    if (recordCount() == 0) {
        insert();
        return;
    }
    d->buffer = recordCells(d->current);
    d->changed = QList<bool>(d->buffer.size(), false);
    setState(State::Edit);
}

void Query::beginInsert(int at)
{
    d->beforeInsert = bookmark();
    at = d->rows->insertRecord(at);
    d->buffer = QList<RowStore::Cell>(d->rows->columnCount());
    d->changed = QList<bool>(d->buffer.size(), false);
    d->current = at;
    d->bof = false;
    d->eof = false;
    d->state = State::Insert;
    notify(PendingRecords);
    notify(PendingCurrent);
    notify(PendingState);
}

void Query::insert()
{
    requireLive();
    checkBrowseMode();
    beginInsert(std::max(d->current, 0));
}

void Query::append()
{
    requireLive();
    checkBrowseMode();
    beginInsert(recordCount());
}

void Query::setFieldValue(int position, const QVariant& value)
{
    const int column = storeColumn(position);
    if (d->state == State::Browse || d->state == State::Inactive)
        edit();
    d->buffer[column] = value.isNull() ? RowStore::Cell() : RowStore::Cell(FieldValue::Text(value));
    d->changed[column] = true;
    notify(PendingRecords, d->current);
}

bool Query::modified() const
{
    return std::find(d->changed.cbegin(), d->changed.cend(), true) != d->changed.cend();
}

void Query::refuse(int touched) const
{
    const QString table = d->keyed->target().tableSql;
    QString message;
    if (touched == 0)
        message =
            QStringLiteral("The row was not found in %1: it may have been changed or deleted meanwhile. "
                           "Nothing was changed.")
                .arg(table);
    else if (touched > 1)
        message =
            QStringLiteral("The change would have touched %1 rows of %2 instead of one. Nothing was changed.")
                .arg(touched)
                .arg(table);
    else
        message = QStringLiteral("The engine could not tell how many rows of %1 the change touched. "
                                 "Nothing was changed.")
                      .arg(table);
    throw EngineError(QString(), touched, message);
}

void Query::post()
{
    const TransactionAnnouncer announce(m_connection);
    if (d->state != State::Edit && d->state != State::Insert)
        return;
    if (d->state == State::Edit && !modified()) {
        d->buffer.clear();
        setState(State::Browse);
        return;
    }
    DatabaseDriver& driver = m_connection.driver();
    const KeyedStatements& keyed = *d->keyed;
    const bool inserting = d->state == State::Insert;
    const KeyedStatement st =
        inserting ? keyed.insert(d->buffer, d->changed, d->returning)
                  : keyed.update(recordCells(d->current), d->buffer, d->changed, d->returning);
    QList<RowStore::Cell> returned;
    const int touched = driver.runKeyedChange(st.sql, st.values, d->returning ? &returned : nullptr);
    if (touched != 1)
        refuse(touched);

    QList<RowStore::Cell> stored = d->buffer;
    if (d->returning && returned.size() == stored.size()) {
        stored = returned;
    } else if (inserting) {
        // Without RETURNING, read the row back when its key is known, to see the engine's defaults.
        const bool keyGiven =
            std::all_of(keyed.target().keyColumns.cbegin(), keyed.target().keyColumns.cend(),
                        [this](int key) { return d->changed[key] && d->buffer[key]; });
        if (keyGiven) {
            const KeyedStatement select = keyed.selectByKey(d->buffer);
            const FetchedResult row = driver.fetch(select.sql, select.values, false);
            if (row.rows->recordCount() == 1) {
                for (int c = 0; c < stored.size(); ++c) {
                    stored[c] = row.rows->isNull(0, c)
                                    ? RowStore::Cell()
                                    : RowStore::Cell(QByteArray(row.rows->cell(0, c).data(),
                                                                qsizetype(row.rows->cell(0, c).size())));
                }
            }
        }
    }
    d->rows->setRecord(d->current, stored);
    d->buffer.clear();
    d->changed.clear();
    setState(State::Browse);
    notify(PendingRecords, d->current);
}

void Query::cancel()
{
    if (d->state == State::Edit) {
        d->buffer.clear();
        d->changed.clear();
        setState(State::Browse);
        notify(PendingRecords, d->current);
    } else if (d->state == State::Insert) {
        d->rows->removeRecord(d->current);
        d->buffer.clear();
        d->changed.clear();
        const int count = recordCount();
        const int back = d->rows->recordOfId(d->beforeInsert);
        d->current = back >= 0 ? back : std::min(d->current, count - 1);
        d->bof = count == 0;
        d->eof = count == 0;
        d->state = State::Browse;
        notify(PendingRecords);
        notify(PendingCurrent);
        notify(PendingState);
    }
}

void Query::deleteRecord()
{
    const TransactionAnnouncer announce(m_connection);
    requireLive();
    if (d->state == State::Insert) {
        cancel();
        return;
    }
    cancel();
    if (d->current < 0)
        throw WrapperError(QStringLiteral("There is no record to delete"));
    DatabaseDriver& driver = m_connection.driver();
    const KeyedStatement st = d->keyed->remove(recordCells(d->current));
    const int touched = driver.runKeyedChange(st.sql, st.values, nullptr);
    if (touched != 1)
        refuse(touched);
    d->rows->removeRecord(d->current);
    const int count = recordCount();
    d->current = std::min(d->current, count - 1);
    d->eof = count == 0;
    d->bof = count == 0;
    notify(PendingRecords);
    notify(PendingCurrent);
}
