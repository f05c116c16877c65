#include "connection/QtSqlDriver.h"

#include "connection/EngineError.h"
#include "connection/FieldValue.h"
#include "connection/OdbcDiagnostics.h"
#include "connection/RowStore.h"
#include "connection/SchemaCatalogue.h"
#include "connection/SimpleSelect.h"
#include "connection/SqlLexer.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include <libpq-fe.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <new>

namespace {

constexpr int kPostgresMoneyType = 790;
const QString kNoActiveTransaction = QStringLiteral("25P01");

const QString kEmptyStatement = QStringLiteral("The statement is empty: there is no SQL to execute.");

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("vemra-connection-%1").arg(++counter);
}

FieldType typeOfField(const QSqlField& field, bool postgres)
{
    if (postgres && field.typeID() == kPostgresMoneyType)
        return FieldType::Money;
    switch (field.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return FieldType::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return FieldType::Real;
    case QMetaType::QDate:
        return FieldType::Date;
    case QMetaType::QDateTime:
        return FieldType::DateTime;
    case QMetaType::QTime:
        return FieldType::Time;
    case QMetaType::Bool:
        return FieldType::Boolean;
    case QMetaType::QByteArray:
        return FieldType::Blob;
    case QMetaType::QString:
        return FieldType::Text;
    default:
        return FieldType::Other;
    }
}

/// The message of a Qt Sql error, without the code that some drivers append in brackets.
QString messageOf(const QSqlError& error)
{
    QString message = error.databaseText().trimmed();
    if (message.isEmpty())
        message = error.driverText().trimmed();
    const QString suffix = QStringLiteral("(%1)").arg(error.nativeErrorCode());
    if (!error.nativeErrorCode().isEmpty() && message.endsWith(suffix))
        message = message.chopped(suffix.size()).trimmed();
    return message;
}

EngineError engineError(const QSqlError& error, bool odbc, const QString& sql = QString())
{
    EngineError::Entry entry;
    entry.message = messageOf(error);
    // PostgreSQL refuses an empty statement without a word; a box must still say why.
    if (entry.message.isEmpty())
        entry.message = sql.trimmed().isEmpty() ? kEmptyStatement : EngineFailure::NoReasonGiven();
    // QODBC reports the native error number; other drivers a state code such as SQLSTATE.
    if (odbc)
        entry.nativeError = error.nativeErrorCode().toInt();
    else
        entry.code = error.nativeErrorCode();
    return EngineError({entry});
}

/// Every diagnostic record an ODBC statement handle holds, in order.
QList<EngineError::Entry> odbcDiagnostics(const QSqlQuery& query)
{
    QList<EngineError::Entry> entries;
    if (!query.result())
        return entries;
    const QVariant handle = query.result()->handle();
    if (!handle.isValid() || !handle.data())
        return entries;
    SQLHANDLE statement = *static_cast<const SQLHANDLE*>(handle.constData());
    OdbcDiagnostics::Append(SQL_HANDLE_STMT, statement, entries);
    return entries;
}

QVariant bindable(const QVariant& value)
{
    // A typeless null is not bindable by every driver; a null string is.
    return value.isValid() ? value : QVariant(QMetaType::fromType<QString>());
}

/// The table name a field reports, cut at its first NUL (some drivers leave bytes after it).
QString fieldTable(const QSqlField& field)
{
    const QString table = field.tableName();
    const qsizetype nul = table.indexOf(QChar(0));
    return nul < 0 ? table : table.left(nul);
}

} // namespace

QtSqlDriver::QtSqlDriver(const QtSqlConnectionFacts& facts) : m_connectionName(nextConnectionName())
{
    m_isPostgres = facts.driver.compare(QStringLiteral("QPSQL"), Qt::CaseInsensitive) == 0;
    m_isOdbc = facts.driver.compare(QStringLiteral("QODBC"), Qt::CaseInsensitive) == 0;
    m_db = QSqlDatabase::addDatabase(facts.driver.toUpper(), m_connectionName);
    if (!m_db.isValid()) {
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw EngineError(QStringLiteral("IM003"), 0,
                          QStringLiteral("The database driver '%1' is not available").arg(facts.driver));
    }
    m_db.setDatabaseName(facts.databaseName);
    if (!facts.host.isEmpty())
        m_db.setHostName(facts.host);
    if (facts.port > 0)
        m_db.setPort(facts.port);
    if (!facts.options.isEmpty())
        m_db.setConnectOptions(facts.options);
    m_db.setUserName(facts.userName);
    m_db.setPassword(facts.password);
    if (!m_db.open()) {
        const EngineError error = engineError(m_db.lastError(), m_isOdbc);
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw error;
    }
}

QtSqlDriver::~QtSqlDriver()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

QString QtSqlDriver::placeholder(int index) const
{
    return m_isPostgres ? QLatin1Char('$') + QString::number(index + 1) : QStringLiteral("?");
}

QString QtSqlDriver::bindableText(const QString& sql, const QList<ParameterMarker>& markers) const
{
    if (markers.isEmpty())
        return sql;
    // Qt Sql reads placeholders out of prepared text itself, knowing neither comments nor the
    // engines' other string forms.
    return ParameterScanner::Replace(
        sql, markers, [this](int k) { return placeholder(k); }, ParameterScanner::Rewrite::ForSimpleParsers);
}

bool QtSqlDriver::inTransaction() const
{
    // Qt Sql keeps no transaction state of its own; the engines it wraps tell through their handles.
    const QVariant handle = m_db.driver()->handle();
    if (!handle.isValid() || !handle.data())
        return false;
    const QByteArrayView type(handle.typeName());
    if (type == "PGconn*") {
        PGconn* conn = *static_cast<PGconn* const*>(handle.constData());
        const PGTransactionStatusType status = conn ? PQtransactionStatus(conn) : PQTRANS_UNKNOWN;
        return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
    }
    if (type == "sqlite3*") {
        sqlite3* db = *static_cast<sqlite3* const*>(handle.constData());
        return db && sqlite3_get_autocommit(db) == 0;
    }
    if (type == "SQLHANDLE" && m_isOdbc) {
        SQLHANDLE dbc = *static_cast<const SQLHANDLE*>(handle.constData());
        SQLULEN mode = SQL_AUTOCOMMIT_ON;
        return dbc && SQL_SUCCEEDED(SQLGetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, &mode, 0, nullptr)) &&
               mode == SQL_AUTOCOMMIT_OFF;
    }
    return false;
}

QString QtSqlDriver::quoteIdentifier(const QString& name) const
{
    return m_db.driver()->escapeIdentifier(name, QSqlDriver::FieldName);
}

SchemaCatalogue QtSqlDriver::readCatalogue()
{
    QList<CatalogueTable> tables;
    for (const bool views : {false, true}) {
        const QStringList names = m_db.tables(views ? QSql::Views : QSql::Tables);
        for (const QString& name : names) {
            CatalogueTable table;
            table.name = name;
            table.view = views;
            const QSqlRecord record = m_db.record(name);
            for (int i = 0; i < record.count(); ++i)
                table.columns.append(
                    {record.fieldName(i), QString::fromLatin1(record.field(i).metaType().name())});
            tables.append(std::move(table));
        }
    }
    return SchemaCatalogue(std::move(tables), QString());
}

QString QtSqlDriver::nameForSql(const QString& name) const
{
    // Bare names fold to lower case in PostgreSQL; elsewhere a quoted name in its reported case
    // is read exactly, so only an all-lower-case plain name goes bare.
    return IsBareSqlName(name, true) ? name : quoteIdentifier(name);
}

void QtSqlDriver::run(QSqlQuery& query, const QString& sql, const QVariantList& values) const
{
    if (m_abandoned.load())
        throw EngineFailure::ServerDidNotAnswer();
    // Qt Sql has no way to hand over or end a COPY's data: the session would hang in it.
    if (IsClientCopy(sql))
        throw EngineFailure::CopyRefused();
    m_cancelled.store(false);
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    bool ok;
    if (values.isEmpty()) {
        ok = query.exec(sql);
    } else {
        ok = query.prepare(sql);
        if (ok) {
            for (const QVariant& value : values)
                query.addBindValue(bindable(value));
            ok = query.exec();
        }
    }
    if (!ok)
        raise(query);
}

void QtSqlDriver::raise(const QSqlQuery& query) const
{
    // A driver that found its session gone closes the connection, and later statements fail
    // without any message of their own.
    if (!m_db.isOpen() && messageOf(query.lastError()).isEmpty())
        throw EngineFailure::ConnectionLost();
    if (m_isOdbc) {
        QList<EngineError::Entry> entries = odbcDiagnostics(query);
        // The driver keeps the broken session and names it only in its own words and states.
        if (std::any_of(entries.cbegin(), entries.cend(), [](const EngineError::Entry& e) {
                return OdbcDiagnostics::IsLostConnection(e.code);
            }))
            throw EngineFailure::ConnectionLost();
        entries.removeIf([](const EngineError::Entry& e) { return e.message.isEmpty(); });
        if (!entries.isEmpty())
            throw EngineError(std::move(entries));
    }
    throw engineError(query.lastError(), m_isOdbc, query.lastQuery());
}

FetchedResult QtSqlDriver::fetch(const QString& sql, const QVariantList& values, bool wantLive)
{
    QSqlQuery query(m_db);
    run(query, sql, values);
    if (!query.isSelect())
        throw WrapperError(QStringLiteral("The statement returns no rows"));
    return fetchFrom(query, sql, wantLive);
}

FetchedResult QtSqlDriver::fetchFrom(QSqlQuery& query, const QString& sql, bool wantLive) const
{
    const QSqlRecord record = query.record();
    const int columns = record.count();
    FetchedResult result;
    QStringList tables;
    for (int c = 0; c < columns; ++c) {
        const QSqlField field = record.field(c);
        ColumnInfo info;
        info.name = field.name();
        info.type = typeOfField(field, m_isPostgres);
        info.displayWidth = FieldValue::DefaultWidth(info.type);
        if (info.type == FieldType::Text && field.length() > 0)
            info.displayWidth = qMin(field.length(), FieldValue::kMaxDisplayWidth);
        result.columns.append(info);
        tables.append(fieldTable(field));
    }
    result.rows = std::make_unique<RowStore>(columns);
    RowStore& rows = *result.rows;
    ProgressPacer pacer(m_progress);
    qint64 fetched = 0;
    while (query.next()) {
        try {
            for (int c = 0; c < columns; ++c) {
                const QVariant value = query.value(c);
                if (value.isNull()) {
                    rows.appendNull(c);
                } else {
                    const QByteArray text = FieldValue::Text(value);
                    rows.appendCell(c, text.constData(), std::size_t(text.size()));
                }
            }
            rows.finishRow();
        } catch (const std::bad_alloc&) {
            result.rows.reset();
            query.finish();
            throw ResultTooLarge(fetched);
        }
        pacer.row(++fetched);
        if (m_abandoned.load(std::memory_order_relaxed))
            throw EngineFailure::ServerDidNotAnswer();
        if (m_cancelled.load(std::memory_order_relaxed))
            throw EngineFailure::Cancelled();
    }
    if (query.lastError().type() != QSqlError::NoError)
        raise(query);
    rows.publish();
    query.finish();
    if (wantLive) {
        result.live = liveTarget(sql, result.columns);
        // Where the driver names the columns' tables, they must all be the parsed one.
        const SimpleSelect simple = ParseSimpleSelect(sql);
        for (const QString& table : tables) {
            if (result.live && !table.isEmpty() && table.compare(simple.tableName, Qt::CaseInsensitive) != 0)
                result.live.reset();
        }
    }
    return result;
}

QStringList QtSqlDriver::catalogNames(const QString& sql, const QString& table) const
{
    QStringList names;
    try {
        QSqlQuery query(m_db);
        run(query, sql, {table});
        while (query.next())
            names.append(query.value(0).toString());
    } catch (const EngineError&) {
        // Not a table the catalog knows: no live result.
        names.clear();
    }
    return names;
}

QStringList QtSqlDriver::columnsOf(const QString& table) const
{
    if (m_isPostgres) {
        return catalogNames(
            QStringLiteral("SELECT a.attname FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
                           "WHERE a.attrelid = $1::regclass AND a.attnum > 0 AND NOT a.attisdropped "
                           "AND c.relkind IN ('r', 'p') ORDER BY a.attnum"),
            table);
    }
    QStringList names;
    const QSqlRecord record = m_db.record(table);
    for (int i = 0; i < record.count(); ++i)
        names.append(record.fieldName(i));
    return names;
}

QStringList QtSqlDriver::keyColumnsOf(const QString& table) const
{
    if (m_isPostgres) {
        return catalogNames(QStringLiteral("SELECT a.attname FROM pg_index i JOIN pg_attribute a "
                                           "ON a.attrelid = i.indrelid AND a.attnum = ANY(i.indkey) "
                                           "WHERE i.indrelid = $1::regclass AND i.indisprimary"),
                            table);
    }
    QStringList names;
    const QSqlIndex index = m_db.primaryIndex(table);
    for (int i = 0; i < index.count(); ++i)
        names.append(index.fieldName(i));
    return names;
}

std::optional<LiveTarget> QtSqlDriver::liveTarget(const QString& sql, const QList<ColumnInfo>& columns) const
{
    if (!m_db.driver()->hasFeature(QSqlDriver::Transactions) || columns.isEmpty())
        return std::nullopt;
    const SimpleSelect simple = ParseSimpleSelect(sql);
    if (!simple.simple)
        return std::nullopt;
    return MapLiveTarget(simple, columns, columnsOf(simple.table), keyColumnsOf(simple.table),
                         [this](const QString& name) { return quoteIdentifier(name); });
}

int QtSqlDriver::execute(const QString& sql, const QVariantList& values, FetchedResult* rows)
{
    QSqlQuery query(m_db);
    run(query, sql, values);
    if (rows && query.isSelect()) {
        *rows = fetchFrom(query, sql, false);
        return -1;
    }
    return query.numRowsAffected();
}

int QtSqlDriver::runKeyedChange(const QString& sql, const QVariantList& values,
                                QList<std::optional<QByteArray>>* returned)
{
    // Inside a transaction the user opened, a savepoint keeps the user's own changes apart.
    bool savepoint = false;
    if (m_isPostgres) {
        QSqlQuery probe(m_db);
        savepoint = probe.exec(QStringLiteral("SAVEPOINT vemra_keyed_change"));
        if (!savepoint && probe.lastError().nativeErrorCode() != kNoActiveTransaction)
            raise(probe);
    }
    if (!savepoint && !m_db.transaction())
        throw engineError(m_db.lastError(), m_isOdbc);
    auto undo = [this, savepoint] {
        if (savepoint) {
            QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK TO SAVEPOINT vemra_keyed_change"));
            QSqlQuery(m_db).exec(QStringLiteral("RELEASE SAVEPOINT vemra_keyed_change"));
        } else {
            m_db.rollback();
        }
    };
    int touched = 0;
    {
        QSqlQuery query(m_db);
        try {
            run(query, sql, values);
        } catch (...) {
            undo();
            throw;
        }
        if (returned) {
            const int columns = query.record().count();
            while (query.next()) {
                if (touched++ > 0)
                    continue;
                returned->clear();
                for (int c = 0; c < columns; ++c) {
                    const QVariant value = query.value(c);
                    if (value.isNull())
                        returned->append(std::nullopt);
                    else
                        returned->append(FieldValue::Text(value));
                }
            }
        } else {
            touched = query.numRowsAffected();
        }
        query.finish();
    }
    if (touched != 1) {
        undo();
    } else if (savepoint) {
        QSqlQuery release(m_db);
        if (!release.exec(QStringLiteral("RELEASE SAVEPOINT vemra_keyed_change")))
            raise(release);
    } else if (!m_db.commit()) {
        throw engineError(m_db.lastError(), m_isOdbc);
    }
    return touched;
}
