#include "connection/OdbcDriver.h"

#include "connection/DataSources.h"
#include "connection/EngineError.h"
#include "connection/FieldValue.h"
#include "connection/OdbcDiagnostics.h"
#include "connection/OdbcResultReader.h"
#include "connection/RowStore.h"
#include "connection/SchemaCatalogue.h"
#include "connection/SimpleSelect.h"
#include "connection/SqlLexer.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <condition_variable>
#include <future>
#include <system_error>
#include <thread>
#include <typeinfo>
#include <vector>

namespace {

/// Rows psqlODBC's own cursor fetches per round trip.
constexpr int kPostgresFetchRows = 20000;
/// The longest the calling thread waits without a look at the worker.
constexpr std::chrono::milliseconds kWaitSlice{20};
/// Text parameters longer than this are sent as long data types.
constexpr qsizetype kLongParameter = 4000;

/// A connection string value, braced when the driver manager would read it otherwise.
QString connectValue(const QString& value)
{
    const bool plain = !value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('{')) &&
                       !value.contains(QLatin1Char('}')) && value.trimmed() == value;
    if (plain)
        return value;
    QString inner = value;
    inner.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + inner + QLatin1Char('}');
}

/// The value of a keyword of a connection string, without its braces; empty when absent.
QString connectKey(const QString& connectString, const char* key)
{
    for (const QString& part : connectString.split(QLatin1Char(';'))) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq > 0 && part.left(eq).trimmed().compare(QLatin1String(key), Qt::CaseInsensitive) == 0) {
            QString value = part.mid(eq + 1).trimmed();
            if (value.startsWith(QLatin1Char('{')) && value.endsWith(QLatin1Char('}')))
                value = value.mid(1, value.size() - 2);
            return value;
        }
    }
    return QString();
}

/// Whether the statement holds a "?" outside literals and comments: psqlODBC takes every one for a
/// parameter marker, the jsonb operators ?, ?| and ?& among them.
bool holdsQuestionMark(const QString& sql)
{
    bool found = false;
    ForEachSqlToken(
        sql,
        [&](const SqlToken& token) {
            if (token.kind == SqlTokenKind::Symbol && sql[token.begin] == QLatin1Char('?'))
                found = true;
        },
        SqlDialect::PostgreSql);
    return found;
}

/// The engine's error with the reason a "?" fails through psqlODBC, and the way round it.
EngineError WithMarkerHint(const EngineError& error)
{
    QList<EngineError::Entry> entries = error.entries();
    if (entries.isEmpty())
        entries.append(EngineError::Entry(QStringLiteral("HY000"), 0, QString::fromUtf8(error.what())));
    QString& hint = entries.first().hint;
    if (!hint.isEmpty())
        hint += QLatin1Char('\n');
    hint += QStringLiteral(
        "psqlODBC takes every ? outside quotes for a parameter marker, the jsonb operators ?, ?| and "
        "?& too. Run the statement through a native alias (Driver = POSTGRESQL in the alias file), "
        "or write the operator's function instead: jsonb_exists, jsonb_exists_any, jsonb_exists_all.");
    return EngineError(entries);
}

bool isPostgresDriver(const QString& driver)
{
    return driver.contains(QStringLiteral("psqlodbc"), Qt::CaseInsensitive) ||
           driver.contains(QStringLiteral("postgres"), Qt::CaseInsensitive);
}

/// What one value is bound from: kept alive until the statement has run.
struct BoundValue
{
    QByteArray bytes;
    SQLBIGINT integer = 0;
    double real = 0;
    unsigned char bit = 0;
    SQLLEN indicator = 0;
};

} // namespace

// ---- Session and statements

/// The environment and connection handles. Shared with the worker that connects, which frees
/// them itself when the caller has stopped waiting for it.
struct OdbcDriver::Session
{
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    bool connected = false;

    ~Session()
    {
        if (connected && !SQL_SUCCEEDED(SQLDisconnect(dbc))) {
            SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
            SQLDisconnect(dbc);
        }
        if (dbc)
            SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        if (env)
            SQLFreeHandle(SQL_HANDLE_ENV, env);
    }

    QList<EngineError::Entry> diagnostics(SQLSMALLINT type = 0, SQLHANDLE handle = nullptr) const
    {
        QList<EngineError::Entry> entries;
        if (handle)
            OdbcDiagnostics::Append(type, handle, entries);
        OdbcDiagnostics::Append(SQL_HANDLE_DBC, dbc, entries);
        OdbcDiagnostics::Append(SQL_HANDLE_ENV, env, entries);
        entries.removeIf([](const EngineError::Entry& e) { return e.message.isEmpty(); });
        return entries;
    }
};

namespace {

/// A connection attempt on a thread of its own. The caller may stop waiting for it; the thread
/// then finishes alone and frees what it made.
struct ConnectAttempt
{
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    std::shared_ptr<OdbcDriver::Session> session = std::make_shared<OdbcDriver::Session>();
    QList<EngineError::Entry> failure;
    QString driver;

    void run(const QString& dataSource, const QString& connectString, std::chrono::seconds timeout)
    {
        OdbcDriver::Session& s = *session;
        bool ok = SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &s.env)) &&
                  SQL_SUCCEEDED(SQLSetEnvAttr(s.env, SQL_ATTR_ODBC_VERSION,
                                              reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)) &&
                  SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, s.env, &s.dbc));
        QString text = connectString;
        if (ok) {
            driver = DataSources::OdbcDriverOf(dataSource.isEmpty() ? connectKey(connectString, "DSN")
                                                                    : dataSource);
            if (driver.isEmpty())
                driver = connectKey(connectString, "DRIVER");
            // psqlODBC would otherwise hold the whole result in its own cache before the first row.
            if (isPostgresDriver(driver))
                text += QStringLiteral(";UseDeclareFetch=1;Fetch=%1").arg(kPostgresFetchRows);
            // A second beyond the caller's own limit, so that the caller's timeout is the one seen
            // and the driver still ends this thread soon after.
            SQLSetConnectAttr(s.dbc, SQL_ATTR_LOGIN_TIMEOUT,
                              reinterpret_cast<SQLPOINTER>(SQLULEN(std::max<qint64>(1, timeout.count()) + 1)),
                              0);
            QByteArray utf8 = text.toUtf8();
            ok = SQL_SUCCEEDED(SQLDriverConnect(s.dbc, nullptr, reinterpret_cast<SQLCHAR*>(utf8.data()),
                                                SQLSMALLINT(utf8.size()), nullptr, 0, nullptr,
                                                SQL_DRIVER_NOPROMPT));
            s.connected = ok;
        }
        QList<EngineError::Entry> entries;
        if (!ok) {
            entries = s.diagnostics();
            if (entries.isEmpty())
                entries.append(
                    {QStringLiteral("08001"), 0,
                     QStringLiteral("The driver manager could not connect to '%1'").arg(dataSource)});
        }
        std::lock_guard guard(lock);
        failure = entries;
        done = true;
        if (abandoned)
            session.reset();
        finished.notify_all();
    }
};

} // namespace

/// A statement handle, the one cancel() reaches while it lives.
class OdbcDriver::Statement final
{
public:
    explicit Statement(const OdbcDriver& driver) : m_driver(driver)
    {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, driver.m_session->dbc, &m_handle)))
            throw EngineError(driver.m_session->diagnostics());
        std::lock_guard guard(driver.m_runningLock);
        m_outer = driver.m_running;
        driver.m_running = m_handle;
        ++driver.m_generation;
    }
    ~Statement()
    {
        {
            std::lock_guard guard(m_driver.m_runningLock);
            m_driver.m_running = m_outer;
        }
        // psqlODBC frees the description of a prepared statement only when its cursor is closed.
        SQLFreeStmt(m_handle, SQL_CLOSE);
        SQLFreeHandle(SQL_HANDLE_STMT, m_handle);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    SQLHSTMT handle() const { return m_handle; }
    std::vector<BoundValue>& values() { return m_values; }

    /// Raises the statement's diagnostics; a session that is gone is said so in words.
    [[noreturn]] void raise() const
    {
        QList<EngineError::Entry> entries = m_driver.m_session->diagnostics(SQL_HANDLE_STMT, m_handle);
        if (std::any_of(entries.cbegin(), entries.cend(), [](const EngineError::Entry& e) {
                return OdbcDiagnostics::IsLostConnection(e.code);
            }))
            throw EngineFailure::ConnectionLost();
        if (entries.isEmpty() && m_driver.m_cancelled.load())
            throw OdbcDiagnostics::Cancelled();
        if (entries.isEmpty())
            throw EngineError(QStringLiteral("HY000"), 0, EngineFailure::NoReasonGiven());
        throw EngineError(std::move(entries));
    }
    void check(SQLRETURN rc) const
    {
        if (!SQL_SUCCEEDED(rc))
            raise();
    }

private:
    const OdbcDriver& m_driver;
    SQLHSTMT m_handle = SQL_NULL_HSTMT;
    void* m_outer = nullptr;
    std::vector<BoundValue> m_values;
};

// ---- Connecting

OdbcDriver::OdbcDriver(const OdbcConnectFacts& facts, const ConnectWatch& watch)
{
    const bool isString = facts.dataSource.contains(QLatin1Char('='));
    QString text = isString ? facts.dataSource : QStringLiteral("DSN=") + connectValue(facts.dataSource);
    if (!facts.userName.isEmpty())
        text += QStringLiteral(";UID=") + connectValue(facts.userName);
    if (!facts.password.isEmpty())
        text += QStringLiteral(";PWD=") + connectValue(facts.password);

    auto attempt = std::make_shared<ConnectAttempt>();
    const QString dsn = isString ? QString() : facts.dataSource;
    std::thread([attempt, dsn, text, timeout = watch.timeout] { attempt->run(dsn, text, timeout); }).detach();

    ProgressPacer pacer(watch.progress);
    const auto deadline = std::chrono::steady_clock::now() + watch.timeout;
    std::unique_lock guard(attempt->lock);
    while (!attempt->finished.wait_for(guard, kWaitSlice, [&] { return attempt->done; })) {
        const bool cancelled = watch.cancelRequested();
        if (cancelled || std::chrono::steady_clock::now() >= deadline) {
            // The worker finishes on its own and frees what it made.
            attempt->abandoned = true;
            throw cancelled ? EngineFailure::ConnectCancelled()
                            : EngineFailure::ConnectTimedOut(watch.timeout.count());
        }
        guard.unlock();
        pacer.waiting(-1);
        guard.lock();
    }
    if (!attempt->failure.isEmpty()) {
        // The failed session's handles are freed here, not on the worker after this call has
        // returned: the caller may end the process at once, and the worker with it mid-way.
        const std::shared_ptr<Session> failed = std::move(attempt->session);
        const QList<EngineError::Entry> failure = attempt->failure;
        guard.unlock();
        throw EngineError(failure);
    }
    m_session = attempt->session;
    m_postgres = isPostgresDriver(attempt->driver);
    guard.unlock();

    const SQLHDBC dbc = m_session->dbc;
    SQLUINTEGER getData = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_GETDATA_EXTENSIONS, &getData, sizeof getData, nullptr)))
        m_getData = getData;
    SQLUSMALLINT identifierCase = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_IDENTIFIER_CASE, &identifierCase, sizeof identifierCase, nullptr)))
        m_identifierCase = identifierCase;
    SQLUSMALLINT transactions = SQL_TC_ALL;
    if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_TXN_CAPABLE, &transactions, sizeof transactions, nullptr)))
        m_transactions = transactions != SQL_TC_NONE;
    char quote[8] = {};
    SQLSMALLINT quoteLength = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &quoteLength)))
        m_quote = QString::fromUtf8(quote).trimmed();
    char driverName[256] = {};
    SQLSMALLINT driverLength = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DRIVER_NAME, driverName, sizeof driverName, &driverLength)))
        m_postgres = m_postgres || isPostgresDriver(QString::fromUtf8(driverName));
}

OdbcDriver::~OdbcDriver()
{
    if (m_awaitOrphan)
        m_awaitOrphan();
    std::future<void> request;
    {
        const std::lock_guard guard(m_cancelLock);
        request = std::move(m_cancelRequest);
    }
    if (request.valid())
        request.wait();
}

// ---- Running

template <typename Work> auto OdbcDriver::onWorker(Work&& work) const
{
    if (m_abandoned.load())
        throw EngineFailure::ServerDidNotAnswer();
    m_cancelled.store(false);
    m_rowsSoFar.store(-1);
    ProgressPacer pacer(m_progress);
    auto result = std::async(std::launch::async, std::forward<Work>(work));
    while (result.wait_for(kWaitSlice) != std::future_status::ready) {
        pacer.waiting(m_rowsSoFar.load(std::memory_order_relaxed));
        if (m_abandoned.load()) {
            // The worker may stay in the driver until the server answers; only the destructor
            // waits for it.
            auto orphan = std::make_shared<decltype(result)>(std::move(result));
            m_awaitOrphan = [orphan] { orphan->wait(); };
            throw EngineFailure::ServerDidNotAnswer();
        }
    }
    return result.get();
}

void OdbcDriver::cancel()
{
    m_cancelled.store(true);
    const std::lock_guard guard(m_cancelLock);
    if (m_cancelRequest.valid() &&
        m_cancelRequest.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    auto request = [this, generation = m_generation.load()] {
        const std::lock_guard running(m_runningLock);
        if (m_running && m_generation.load() == generation)
            SQLCancel(m_running);
    };
    // The driver manager may hold SQLCancel until the running call returns, and a server that
    // stopped answering never lets it return: the caller does not wait for the request.
    try {
        m_cancelRequest = std::async(std::launch::async, request);
    } catch (const std::system_error&) {
        request();
    }
}

void OdbcDriver::abandon()
{
    m_abandoned.store(true);
}

QString OdbcDriver::placeholder(int index) const
{
    Q_UNUSED(index);
    return QStringLiteral("?");
}

QString OdbcDriver::bindableText(const QString& sql, const QList<ParameterMarker>& markers) const
{
    if (markers.isEmpty())
        return sql;
    // Drivers find "?" with readings of their own that may not know every comment or string form.
    return ParameterScanner::Replace(
        sql, markers, [this](int k) { return placeholder(k); }, ParameterScanner::Rewrite::ForSimpleParsers);
}

QString OdbcDriver::quoteIdentifier(const QString& name) const
{
    if (m_quote.isEmpty())
        return name;
    QString inner = name;
    inner.replace(m_quote, m_quote + m_quote);
    return m_quote + inner + m_quote;
}

QString OdbcDriver::nameForSql(const QString& name) const
{
    // Where bare names fold to upper or lower case, only an all-lower-case plain name is safe bare.
    return IsBareSqlName(name, true) ? name : quoteIdentifier(name);
}

void OdbcDriver::run(Statement& statement, const QString& sql, const QVariantList& values) const
{
    const SQLHSTMT h = statement.handle();
    std::vector<BoundValue>& bound = statement.values();
    bound.resize(std::size_t(values.size()));
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QVariant& v = values[i];
        BoundValue& b = bound[std::size_t(i)];
        SQLSMALLINT cType = SQL_C_CHAR;
        SQLSMALLINT sqlType = SQL_VARCHAR;
        SQLULEN size = 1;
        SQLPOINTER data = nullptr;
        SQLLEN length = 0;
        if (v.isNull()) {
            b.indicator = SQL_NULL_DATA;
        } else {
            switch (v.metaType().id()) {
            case QMetaType::Bool:
                b.bit = v.toBool() ? 1 : 0;
                cType = SQL_C_BIT;
                sqlType = SQL_BIT;
                data = &b.bit;
                break;
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::Short:
            case QMetaType::UShort:
                b.integer = v.toLongLong();
                cType = SQL_C_SBIGINT;
                sqlType = SQL_BIGINT;
                data = &b.integer;
                break;
            case QMetaType::Double:
                b.real = v.toDouble();
                cType = SQL_C_DOUBLE;
                sqlType = SQL_DOUBLE;
                data = &b.real;
                break;
            case QMetaType::QByteArray:
                b.bytes = v.toByteArray();
                cType = SQL_C_BINARY;
                sqlType = b.bytes.size() > kLongParameter ? SQL_LONGVARBINARY : SQL_VARBINARY;
                break;
            default:
                b.bytes = FieldValue::Text(v);
                sqlType = b.bytes.size() > kLongParameter ? SQL_LONGVARCHAR : SQL_VARCHAR;
                break;
            }
            if (!data) {
                data = b.bytes.data();
                length = SQLLEN(b.bytes.size());
                size = SQLULEN(std::max<qsizetype>(1, b.bytes.size()));
                b.indicator = length;
            }
        }
        statement.check(SQLBindParameter(h, SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, cType, sqlType, size, 0,
                                         data, length, &b.indicator));
    }
    QByteArray text = sql.toUtf8();
    const SQLRETURN rc = SQLExecDirect(h, reinterpret_cast<SQLCHAR*>(text.data()), SQLINTEGER(text.size()));
    // A searched change that touched no row says so with SQL_NO_DATA.
    if (rc != SQL_NO_DATA)
        statement.check(rc);
}

FetchedResult OdbcDriver::fetchAll(Statement& statement, QStringList* tables) const
{
    OdbcResultReader reader(statement.handle(), m_getData, [&statement](short rc) { statement.check(rc); });
    return reader.read(tables, m_cancelled, m_rowsSoFar);
}

SchemaCatalogue OdbcDriver::readCatalogue()
{
    return onWorker([&] {
        SQLCHAR all[] = "%";
        SQLCHAR types[] = "TABLE,VIEW";
        FetchedResult tables;
        {
            Statement statement(*this);
            statement.check(
                SQLTables(statement.handle(), nullptr, 0, all, SQL_NTS, all, SQL_NTS, types, SQL_NTS));
            tables = fetchAll(statement, nullptr);
        }
        FetchedResult columns;
        {
            Statement statement(*this);
            statement.check(
                SQLColumns(statement.handle(), nullptr, 0, all, SQL_NTS, all, SQL_NTS, all, SQL_NTS));
            columns = fetchAll(statement, nullptr);
        }
        // psqlODBC names every schema; bare names reach the search path's first.
        return SchemaCatalogue::FromOdbcRows(*tables.rows, *columns.rows,
                                             m_postgres ? QStringLiteral("public") : QString());
    });
}

template <typename Work> auto OdbcDriver::hintingMarkers(const QString& sql, Work&& work) const
{
    try {
        return work();
    } catch (const EngineError& e) {
        // Only the engine's own refusal gains the hint; failures of other kinds keep their type.
        if (!m_postgres || typeid(e) != typeid(EngineError) || !holdsQuestionMark(sql))
            throw;
        throw WithMarkerHint(e);
    }
}

FetchedResult OdbcDriver::fetch(const QString& sql, const QVariantList& values, bool wantLive)
{
    if (IsClientCopy(sql))
        throw EngineFailure::CopyRefused();
    return hintingMarkers(sql, [&] { return fetchOnWorker(sql, values, wantLive); });
}

FetchedResult OdbcDriver::fetchOnWorker(const QString& sql, const QVariantList& values, bool wantLive)
{
    return onWorker([this, sql, values, wantLive] {
        QStringList tables;
        FetchedResult result;
        {
            Statement statement(*this);
            run(statement, sql, values);
            SQLSMALLINT count = 0;
            statement.check(SQLNumResultCols(statement.handle(), &count));
            if (count == 0)
                throw WrapperError(QStringLiteral("The statement returns no rows"));
            result = fetchAll(statement, &tables);
        }
        if (wantLive)
            result.live = liveTarget(sql, result.columns, tables);
        return result;
    });
}

int OdbcDriver::execute(const QString& sql, const QVariantList& values, FetchedResult* rows)
{
    if (IsClientCopy(sql))
        throw EngineFailure::CopyRefused();
    return hintingMarkers(sql, [&] { return executeOnWorker(sql, values, rows); });
}

int OdbcDriver::executeOnWorker(const QString& sql, const QVariantList& values, FetchedResult* rows)
{
    const bool wantRows = rows != nullptr;
    auto outcome = onWorker([this, sql, values, wantRows] {
        Statement statement(*this);
        run(statement, sql, values);
        const SQLHSTMT h = statement.handle();
        qint64 changed = -1;
        FetchedResult kept;
        // Every result of the text in turn: row counts add up, the first rows are kept when asked.
        for (;;) {
            SQLSMALLINT count = 0;
            statement.check(SQLNumResultCols(h, &count));
            if (count > 0 && wantRows && !kept.rows) {
                kept = fetchAll(statement, nullptr);
            } else if (count == 0) {
                SQLLEN touched = -1;
                if (SQL_SUCCEEDED(SQLRowCount(h, &touched)) && touched >= 0)
                    changed = std::max<qint64>(changed, 0) + touched;
            }
            const SQLRETURN rc = SQLMoreResults(h);
            if (rc == SQL_NO_DATA)
                break;
            statement.check(rc);
        }
        return std::pair<int, FetchedResult>(int(changed), std::move(kept));
    });
    if (rows && outcome.second.rows)
        *rows = std::move(outcome.second);
    return outcome.first;
}

std::optional<bool> OdbcDriver::returnsRows(const QString& sql) const
{
    return onWorker([this, sql]() -> std::optional<bool> {
        Statement statement(*this);
        QByteArray text = sql.toUtf8();
        SQLSMALLINT count = 0;
        if (!SQL_SUCCEEDED(SQLPrepare(statement.handle(), reinterpret_cast<SQLCHAR*>(text.data()),
                                      SQLINTEGER(text.size()))) ||
            !SQL_SUCCEEDED(SQLNumResultCols(statement.handle(), &count)))
            return std::nullopt;
        return count > 0;
    });
}

bool OdbcDriver::inTransaction() const
{
    // The driver manager tells only the commit mode: in manual commit a transaction is always open.
    // An abandoned call's worker may hold the connection inside the driver, and asking would wait
    // with it; such a connection is closed and opened again on the next call anyway.
    SQLULEN mode = SQL_AUTOCOMMIT_ON;
    return m_transactions && !m_abandoned.load() &&
           SQL_SUCCEEDED(SQLGetConnectAttr(m_session->dbc, SQL_ATTR_AUTOCOMMIT, &mode, 0, nullptr)) &&
           mode == SQL_AUTOCOMMIT_OFF;
}

void OdbcDriver::endTransaction(bool commit)
{
    if (!inTransaction())
        return;
    onWorker([&] {
        if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, m_session->dbc, commit ? SQL_COMMIT : SQL_ROLLBACK)))
            throw EngineError(m_session->diagnostics());
        return 0;
    });
}

int OdbcDriver::runKeyedChange(const QString& sql, const QVariantList& values,
                               QList<std::optional<QByteArray>>* returned)
{
    using Values = QList<std::optional<QByteArray>>;
    const bool wantReturned = returned != nullptr;
    auto outcome = onWorker([this, sql, values, wantReturned] {
        std::optional<Values> returnedValues;
        const SQLHDBC dbc = m_session->dbc;
        auto autocommit = [dbc](SQLULEN on) {
            return SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(on), 0);
        };
        if (!SQL_SUCCEEDED(autocommit(SQL_AUTOCOMMIT_OFF)))
            throw EngineError(m_session->diagnostics());
        int touched = 0;
        try {
            Statement statement(*this);
            run(statement, sql, values);
            SQLSMALLINT count = 0;
            statement.check(SQLNumResultCols(statement.handle(), &count));
            if (count > 0 && wantReturned) {
                FetchedResult rows = fetchAll(statement, nullptr);
                touched = rows.rows->recordCount();
                returnedValues.emplace();
                for (int c = 0; touched > 0 && c < rows.rows->columnCount(); ++c) {
                    const std::string_view cell = rows.rows->cell(0, c);
                    returnedValues->append(
                        rows.rows->isNull(0, c)
                            ? std::nullopt
                            : std::optional<QByteArray>(QByteArray(cell.data(), qsizetype(cell.size()))));
                }
            } else {
                SQLLEN rowCount = 0;
                statement.check(SQLRowCount(statement.handle(), &rowCount));
                touched = int(rowCount);
            }
        } catch (...) {
            SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
            autocommit(SQL_AUTOCOMMIT_ON);
            throw;
        }
        const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc, touched == 1 ? SQL_COMMIT : SQL_ROLLBACK);
        const QList<EngineError::Entry> failure =
            SQL_SUCCEEDED(rc) ? QList<EngineError::Entry>() : m_session->diagnostics();
        if (!SQL_SUCCEEDED(autocommit(SQL_AUTOCOMMIT_ON)) || !failure.isEmpty())
            throw EngineError(failure.isEmpty() ? m_session->diagnostics() : failure);
        return std::pair<int, std::optional<Values>>(touched, std::move(returnedValues));
    });
    if (returned && outcome.second)
        *returned = std::move(*outcome.second);
    return outcome.first;
}

// ---- Live results

QStringList OdbcDriver::catalogNames(bool keys, const QString& tableSql, const QString& tableName) const
{
    // A bare name is stored in the case the driver folds it to; a quoted one as written.
    QString name = tableName;
    if (!tableSql.endsWith(QLatin1Char('"'))) {
        if (m_identifierCase == SQL_IC_UPPER)
            name = name.toUpper();
        else if (m_identifierCase == SQL_IC_LOWER)
            name = name.toLower();
    }
    QByteArray schema;
    const qsizetype dot = tableSql.lastIndexOf(QLatin1Char('.'));
    if (dot > 0 && !tableSql.mid(dot + 1).contains(QLatin1Char('"'))) {
        QString part = tableSql.left(dot).section(QLatin1Char('.'), -1).trimmed();
        if (part.startsWith(QLatin1Char('"')) && part.endsWith(QLatin1Char('"')) && part.size() >= 2)
            part = part.mid(1, part.size() - 2);
        else if (m_identifierCase == SQL_IC_LOWER)
            part = part.toLower();
        else if (m_identifierCase == SQL_IC_UPPER)
            part = part.toUpper();
        schema = part.toUtf8();
    }
    QByteArray table = name.toUtf8();
    QStringList names;
    try {
        Statement statement(*this);
        const SQLHSTMT h = statement.handle();
        auto* schemaText = schema.isEmpty() ? nullptr : reinterpret_cast<SQLCHAR*>(schema.data());
        const SQLSMALLINT schemaLength = schema.isEmpty() ? 0 : SQLSMALLINT(schema.size());
        statement.check(keys ? SQLPrimaryKeys(h, nullptr, 0, schemaText, schemaLength,
                                              reinterpret_cast<SQLCHAR*>(table.data()),
                                              SQLSMALLINT(table.size()))
                             : SQLColumns(h, nullptr, 0, schemaText, schemaLength,
                                          reinterpret_cast<SQLCHAR*>(table.data()), SQLSMALLINT(table.size()),
                                          nullptr, 0));
        QList<std::pair<int, QString>> ordered;
        for (SQLRETURN rc = SQLFetch(h); SQL_SUCCEEDED(rc); rc = SQLFetch(h)) {
            char text[512] = {};
            SQLLEN length = 0;
            if (!SQL_SUCCEEDED(SQLGetData(h, 4, SQL_C_CHAR, text, sizeof text, &length)) || length < 0)
                continue;
            SQLINTEGER position = 0;
            SQLLEN positionLength = 0;
            SQLGetData(h, keys ? 5 : 17, SQL_C_SLONG, &position, 0, &positionLength);
            ordered.append({int(position), QString::fromUtf8(text)});
        }
        std::stable_sort(ordered.begin(), ordered.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& entry : ordered)
            names.append(entry.second);
    } catch (const EngineError&) {
        // Not a table the catalogue knows: no live result.
        names.clear();
    }
    return names;
}

std::optional<LiveTarget> OdbcDriver::liveTarget(const QString& sql, const QList<ColumnInfo>& columns,
                                                 const QStringList& tables) const
{
    if (!m_transactions || columns.isEmpty())
        return std::nullopt;
    const SimpleSelect simple = ParseSimpleSelect(sql);
    if (!simple.simple)
        return std::nullopt;
    // Where the driver names the columns' tables, they must all be the parsed one.
    for (const QString& table : tables) {
        if (!table.isEmpty() && table.compare(simple.tableName, Qt::CaseInsensitive) != 0)
            return std::nullopt;
    }
    return MapLiveTarget(simple, columns, catalogNames(false, simple.table, simple.tableName),
                         catalogNames(true, simple.table, simple.tableName),
                         [this](const QString& name) { return quoteIdentifier(name); });
}
