#include "connection/SqliteDriver.h"

#include "connection/EngineError.h"
#include "connection/FieldValue.h"
#include "connection/RowStore.h"
#include "connection/SchemaCatalogue.h"
#include "connection/SqlLexer.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <new>

#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 5000;
/// Virtual machine steps between two looks at the stop request and the clock: a few microseconds.
constexpr int kProgressSteps = 1000;

/// A prepared statement finalised on every way out.
class Statement final
{
public:
    Statement() = default;
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt** out() { return &m_stmt; }
    sqlite3_stmt* get() const { return m_stmt; }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

QString columnText(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

FieldType typeOfStorageClass(int storageClass)
{
    switch (storageClass) {
    case SQLITE_INTEGER:
        return FieldType::Integer;
    case SQLITE_FLOAT:
        return FieldType::Real;
    case SQLITE_BLOB:
        return FieldType::Blob;
    default:
        return FieldType::Text;
    }
}

} // namespace

class SqliteDriver::Call final
{
public:
    explicit Call(SqliteDriver& driver) : m_driver(driver)
    {
        driver.m_cancelled.store(false);
        driver.m_rowsSoFar = -1;
        driver.m_pacer.emplace(driver.m_progress);
    }
    ~Call() { m_driver.m_pacer.reset(); }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

private:
    SqliteDriver& m_driver;
};

int SqliteDriver::onProgress(void* self)
{
    auto* driver = static_cast<SqliteDriver*>(self);
    if (driver->m_cancelled.load(std::memory_order_relaxed))
        return 1;
    if (driver->m_pacer)
        driver->m_pacer->waiting(driver->m_rowsSoFar);
    // The callback may have asked to stop.
    return driver->m_cancelled.load(std::memory_order_relaxed) ? 1 : 0;
}

void SqliteDriver::cancel()
{
    m_cancelled.store(true);
    sqlite3_interrupt(m_db);
}

SqliteDriver::SqliteDriver(const QString& path, bool create)
{
    const QByteArray file = QFile::encodeName(path);
    // The connection may create files: ATTACH of a file that does not exist yet makes it, as
    // the engine's own shell does. Only the data source's own file must be there already.
    if (!create && !QFileInfo(path).isFile()) {
        throw EngineError(
            QString::number(SQLITE_CANTOPEN), SQLITE_CANTOPEN,
            QStringLiteral("%1: %2").arg(QString::fromUtf8(sqlite3_errstr(SQLITE_CANTOPEN)), path));
    }
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(file.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        const int code = m_db ? sqlite3_errcode(m_db) : SQLITE_CANTOPEN;
        const QString message =
            QStringLiteral("%1: %2").arg(m_db ? columnText(sqlite3_errmsg(m_db)) : QString(), path);
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw EngineError(QString::number(code & 0xff), code, message);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    sqlite3_progress_handler(m_db, kProgressSteps, &SqliteDriver::onProgress, this);
    // A file that is not a database fails here rather than in the first query. A constructor
    // that throws gets no destructor, so the handle is closed here.
    try {
        run("SELECT count(*) FROM sqlite_schema");
    } catch (...) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw;
    }
}

SqliteDriver::~SqliteDriver()
{
    sqlite3_close_v2(m_db);
}

void SqliteDriver::raise() const
{
    const int code = sqlite3_extended_errcode(m_db);
    throw EngineError(QString::number(code & 0xff), code, columnText(sqlite3_errmsg(m_db)));
}

bool SqliteDriver::inTransaction() const
{
    return sqlite3_get_autocommit(m_db) == 0;
}

void SqliteDriver::run(const char* sql) const
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        raise();
}

QString SqliteDriver::placeholder(int index) const
{
    return QLatin1Char('?') + QString::number(index + 1);
}

QString SqliteDriver::bindableText(const QString& sql, const QList<ParameterMarker>& markers) const
{
    return ParameterScanner::Replace(sql, markers, [this](int k) { return placeholder(k); });
}

QString SqliteDriver::quoteIdentifier(const QString& name) const
{
    return DoubleQuotedSqlName(name);
}

QString SqliteDriver::nameForSql(const QString& name) const
{
    // SQLite reads bare names without regard to case.
    return IsBareSqlName(name, false) ? name : quoteIdentifier(name);
}

SchemaCatalogue SqliteDriver::readCatalogue()
{
    return ReadSqliteCatalogue(*this);
}

void SqliteDriver::bindAll(sqlite3_stmt* statement, const QVariantList& values) const
{
    // Placeholders are "?N", so index N takes value N-1 in every statement of a batch.
    const int count = sqlite3_bind_parameter_count(statement);
    for (int i = 1; i <= count && i <= values.size(); ++i) {
        const QVariant& v = values[i - 1];
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(statement, i);
        } else {
            switch (v.metaType().id()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::Bool:
                rc = sqlite3_bind_int64(statement, i, v.toLongLong());
                break;
            case QMetaType::Double:
                rc = sqlite3_bind_double(statement, i, v.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray bytes = v.toByteArray();
                rc = sqlite3_bind_blob64(statement, i, bytes.constData(), sqlite3_uint64(bytes.size()),
                                         SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray text = FieldValue::Text(v);
                rc = sqlite3_bind_text64(statement, i, text.constData(), sqlite3_uint64(text.size()),
                                         SQLITE_TRANSIENT, SQLITE_UTF8);
                break;
            }
            }
        }
        if (rc != SQLITE_OK)
            raise();
    }
}

FetchedResult SqliteDriver::fetch(const QString& sql, const QVariantList& values, bool wantLive)
{
    const Call call(*this);
    const QByteArray text = sql.toUtf8();
    Statement st;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), st.out(), nullptr) != SQLITE_OK)
        raise();
    if (!st.get() || sqlite3_column_count(st.get()) == 0)
        throw WrapperError(QStringLiteral("The statement returns no rows"));
    bindAll(st.get(), values);
    return fetchPrepared(st.get(), wantLive);
}

FetchedResult SqliteDriver::fetchPrepared(sqlite3_stmt* s, bool wantLive) const
{
    const int columns = sqlite3_column_count(s);
    FetchedResult result;
    QList<bool> typeFromData;
    for (int c = 0; c < columns; ++c) {
        ColumnInfo info;
        info.name = columnText(sqlite3_column_name(s, c));
        info.type =
            FieldValue::FromDeclaredType(columnText(sqlite3_column_decltype(s, c)), &info.displayWidth);
        typeFromData.append(info.type == FieldType::Other);
        result.columns.append(info);
    }
    if (wantLive)
        result.live = liveTarget(s);

    result.rows = std::make_unique<RowStore>(columns);
    RowStore& rows = *result.rows;
    qint64 fetched = 0;
    int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        // Expressions declare no type: the first row's storage classes stand in.
        for (int c = 0; c < columns; ++c) {
            if (typeFromData[c]) {
                ColumnInfo& info = result.columns[c];
                info.type = typeOfStorageClass(sqlite3_column_type(s, c));
                info.displayWidth = FieldValue::DefaultWidth(info.type);
            }
        }
    }
    try {
        for (; rc == SQLITE_ROW; rc = sqlite3_step(s)) {
            for (int c = 0; c < columns; ++c) {
                const unsigned char* cell = sqlite3_column_text(s, c);
                if (cell)
                    rows.appendCell(c, reinterpret_cast<const char*>(cell),
                                    std::size_t(sqlite3_column_bytes(s, c)));
                else
                    rows.appendNull(c);
            }
            rows.finishRow();
            m_rowsSoFar = ++fetched;
        }
    } catch (const std::bad_alloc&) {
        result.rows.reset();
        throw ResultTooLarge(fetched);
    }
    if (rc != SQLITE_DONE)
        raise();
    rows.publish();
    return result;
}

std::optional<LiveTarget> SqliteDriver::liveTarget(sqlite3_stmt* s) const
{
    const int columns = sqlite3_column_count(s);
    QString database;
    QString table;
    LiveTarget target;
    QSet<QString> origins;
    int rowidColumn = -1;
    for (int c = 0; c < columns; ++c) {
        const char* db = sqlite3_column_database_name(s, c);
        const char* tab = sqlite3_column_table_name(s, c);
        const char* origin = sqlite3_column_origin_name(s, c);
        if (!db || !tab || !origin)
            return std::nullopt;
        if (c == 0) {
            database = QString::fromUtf8(db);
            table = QString::fromUtf8(tab);
        } else if (database != QString::fromUtf8(db) ||
                   table.compare(QString::fromUtf8(tab), Qt::CaseInsensitive)) {
            return std::nullopt;
        }
        const QString column = QString::fromUtf8(origin);
        // Two fields showing one column could not both be posted.
        if (origins.contains(column.toLower()))
            return std::nullopt;
        origins.insert(column.toLower());
        if (column == u"rowid")
            rowidColumn = c;
        target.columnSql.append(quoteIdentifier(column));
    }
    if (columns == 0)
        return std::nullopt;

    Statement pk;
    const QByteArray tableUtf8 = table.toUtf8();
    const QByteArray dbUtf8 = database.toUtf8();
    if (sqlite3_prepare_v2(m_db, "SELECT name FROM pragma_table_info(?1, ?2) WHERE pk > 0 ORDER BY pk", -1,
                           pk.out(), nullptr) != SQLITE_OK)
        return std::nullopt;
    sqlite3_bind_text(pk.get(), 1, tableUtf8.constData(), int(tableUtf8.size()), SQLITE_STATIC);
    sqlite3_bind_text(pk.get(), 2, dbUtf8.constData(), int(dbUtf8.size()), SQLITE_STATIC);
    QStringList keyNames;
    while (sqlite3_step(pk.get()) == SQLITE_ROW)
        keyNames.append(columnText(reinterpret_cast<const char*>(sqlite3_column_text(pk.get(), 0))));
    if (keyNames.isEmpty()) {
        if (rowidColumn < 0)
            return std::nullopt;
        target.keyColumns.append(rowidColumn);
    } else {
        for (const QString& key : keyNames) {
            int found = -1;
            for (int c = 0; c < columns && found < 0; ++c) {
                if (QString::fromUtf8(sqlite3_column_origin_name(s, c)).compare(key, Qt::CaseInsensitive) ==
                    0)
                    found = c;
            }
            if (found < 0)
                return std::nullopt;
            target.keyColumns.append(found);
        }
    }
    target.tableSql = quoteIdentifier(database) + QLatin1Char('.') + quoteIdentifier(table);
    return target;
}

int SqliteDriver::execute(const QString& sql, const QVariantList& values, FetchedResult* rows)
{
    const Call call(*this);
    const QByteArray text = sql.toUtf8();
    const char* tail = text.constData();
    const char* end = text.constData() + text.size();
    sqlite3_int64 changed = 0;
    // Every statement of the text runs, not only the first.
    while (tail < end) {
        Statement st;
        if (sqlite3_prepare_v2(m_db, tail, int(end - tail), st.out(), &tail) != SQLITE_OK)
            raise();
        if (!st.get())
            break;
        bindAll(st.get(), values);
        const sqlite3_int64 before = sqlite3_total_changes64(m_db);
        if (rows && sqlite3_column_count(st.get()) > 0) {
            *rows = fetchPrepared(st.get(), false);
            continue;
        }
        int rc;
        while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            raise();
        // The statement's own count: rows its triggers changed are in the total, not in this.
        // A statement that changed nothing leaves the count of the one before it.
        if (sqlite3_total_changes64(m_db) != before)
            changed += sqlite3_changes64(m_db);
    }
    return int(changed);
}

std::optional<bool> SqliteDriver::returnsRows(const QString& sql) const
{
    const QByteArray text = sql.toUtf8();
    Statement st;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), st.out(), nullptr) != SQLITE_OK ||
        !st.get())
        return std::nullopt;
    return sqlite3_column_count(st.get()) > 0;
}

int SqliteDriver::runKeyedChange(const QString& sql, const QVariantList& values,
                                 QList<std::optional<QByteArray>>* returned)
{
    const Call call(*this);
    run("SAVEPOINT vemra_keyed_change");
    int touched = 0;
    try {
        const QByteArray text = sql.toUtf8();
        Statement st;
        if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), st.out(), nullptr) != SQLITE_OK)
            raise();
        bindAll(st.get(), values);
        int rc;
        while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
            if (returned && touched == 0) {
                returned->clear();
                for (int c = 0; c < sqlite3_column_count(st.get()); ++c) {
                    const auto* cell = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), c));
                    if (cell)
                        returned->append(QByteArray(cell, sqlite3_column_bytes(st.get(), c)));
                    else
                        returned->append(std::nullopt);
                }
            }
            ++touched;
        }
        if (rc != SQLITE_DONE)
            raise();
        if (!returned)
            touched = sqlite3_changes(m_db);
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK TO vemra_keyed_change; RELEASE vemra_keyed_change", nullptr, nullptr,
                     nullptr);
        throw;
    }
    if (touched == 1)
        run("RELEASE vemra_keyed_change");
    else
        run("ROLLBACK TO vemra_keyed_change; RELEASE vemra_keyed_change");
    return touched;
}
