#include "connection/PgDriver.h"

#include "connection/EngineError.h"
#include "connection/FieldValue.h"
#include "connection/RowStore.h"
#include "connection/SchemaCatalogue.h"
#include "connection/SqlLexer.h"

#include <QHash>

#include <libpq-fe.h>

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Type OIDs of the built-in types, fixed by the server's catalogue.
constexpr Oid kBoolOid = 16;
constexpr Oid kByteaOid = 17;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;
constexpr Oid kOidOid = 26;
constexpr Oid kFloat4Oid = 700;
constexpr Oid kFloat8Oid = 701;
constexpr Oid kMoneyOid = 790;
constexpr Oid kBpcharOid = 1042;
constexpr Oid kVarcharOid = 1043;
constexpr Oid kDateOid = 1082;
constexpr Oid kTimeOid = 1083;
constexpr Oid kTimestampOid = 1114;
constexpr Oid kTimestamptzOid = 1184;
constexpr Oid kTimetzOid = 1266;
constexpr Oid kNumericOid = 1700;
/// A varchar(n) or char(n) type modifier holds n plus this header size.
constexpr int kVarHeaderSize = 4;

struct ResultDeleter
{
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

/// How a column's server text becomes the text the store keeps.
enum class Conversion
{
    AsIs,
    Boolean, ///< "t"/"f" as "true"/"false"
    Bytes,   ///< the bytea text form decoded to the bytes themselves
};

FieldType typeOfOid(Oid type)
{
    switch (type) {
    case kBoolOid:
        return FieldType::Boolean;
    case kInt2Oid:
    case kInt4Oid:
    case kInt8Oid:
    case kOidOid:
        return FieldType::Integer;
    case kFloat4Oid:
    case kFloat8Oid:
    case kNumericOid:
        return FieldType::Real;
    case kMoneyOid:
        return FieldType::Money;
    case kDateOid:
        return FieldType::Date;
    case kTimeOid:
    case kTimetzOid:
        return FieldType::Time;
    case kTimestampOid:
    case kTimestamptzOid:
        return FieldType::DateTime;
    case kByteaOid:
        return FieldType::Blob;
    default:
        return FieldType::Text;
    }
}

QString text(const char* s)
{
    return s ? QString::fromUtf8(s).trimmed() : QString();
}

/// Every field of a server error; libpq's own errors (a broken connection) carry only a text.
EngineError::Entry entryOf(const PGresult* result, const PGconn* conn)
{
    EngineError::Entry entry;
    entry.code = text(PQresultErrorField(result, PG_DIAG_SQLSTATE));
    entry.severity = text(PQresultErrorField(result, PG_DIAG_SEVERITY_NONLOCALIZED));
    entry.message = text(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
    entry.detail = text(PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL));
    entry.hint = text(PQresultErrorField(result, PG_DIAG_MESSAGE_HINT));
    entry.position = text(PQresultErrorField(result, PG_DIAG_STATEMENT_POSITION)).toInt();
    if (entry.message.isEmpty())
        entry.message = text(PQresultErrorMessage(result));
    if (entry.message.isEmpty())
        entry.message = text(PQerrorMessage(conn));
    if (entry.message.isEmpty())
        entry.message = EngineFailure::NoReasonGiven();
    if (entry.code.isEmpty() && PQstatus(conn) == CONNECTION_BAD)
        entry.code = QStringLiteral("08006");
    return entry;
}

EngineError connectionError(const PGconn* conn, const QString& state)
{
    QString message = conn ? text(PQerrorMessage(conn)) : QString();
    if (message.isEmpty())
        message = QStringLiteral("Cannot connect to the database server.");
    return EngineError(state, 0, message);
}

/// The "keyword=value;..." options of an alias, in order.
QList<std::pair<QByteArray, QByteArray>> parseOptions(const QString& options)
{
    QList<std::pair<QByteArray, QByteArray>> pairs;
    for (const QString& part : options.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        const QString key = (eq < 0 ? part : part.left(eq)).trimmed();
        if (key.isEmpty())
            continue;
        pairs.append({key.toLower().toUtf8(), eq < 0 ? QByteArray() : part.mid(eq + 1).trimmed().toUtf8()});
    }
    return pairs;
}

bool decodeHex(const char* s, int length, std::string& out)
{
    if (length < 2 || s[0] != '\\' || s[1] != 'x' || length % 2 != 0)
        return false;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    out.resize(std::size_t(length - 2) / 2);
    for (int i = 2, o = 0; i < length; i += 2, ++o) {
        const int hi = nibble(s[i]);
        const int lo = nibble(s[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out[std::size_t(o)] = char(hi << 4 | lo);
    }
    return true;
}

void discardNotice(void*, const char*) {}

/// Whether the text holds more than one statement: a prepared statement takes only one.
bool severalStatements(const QString& sql)
{
    bool afterSemicolon = false;
    bool several = false;
    ForEachSqlToken(
        sql,
        [&](const SqlToken& token) {
            if (!IsSignificantToken(token.kind))
                return;
            if (token.kind == SqlTokenKind::Symbol && sql[token.begin] == QLatin1Char(';'))
                afterSemicolon = true;
            else if (afterSemicolon)
                several = true;
        },
        SqlDialect::PostgreSql);
    return several;
}

} // namespace

/// The results of one statement text: the rows and description of its last row-returning
/// statement, and the affected-row count of its last statement.
struct PgDriver::Collected
{
    std::unique_ptr<RowStore> rows;
    QList<ColumnInfo> columns;
    std::vector<Conversion> conversions;
    std::vector<Oid> tables;
    std::vector<int> tableColumns;
    int affected = -1;
    qint64 fetched = 0;
};

class PgDriver::Call final
{
public:
    explicit Call(const PgDriver& driver) : m_driver(driver)
    {
        m_driver.refuseWhenLost();
        m_driver.m_cancelled.store(false);
        m_driver.m_pacer.emplace(m_driver.m_progress);
        m_driver.m_running.store(true);
    }
    ~Call()
    {
        m_driver.m_running.store(false);
        m_driver.m_pacer.reset();
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

private:
    const PgDriver& m_driver;
};

PgDriver::PgDriver(const PgConnectionFacts& facts, const ConnectWatch& watch)
{
    connectWatched(facts, watch);
    PQsetNoticeProcessor(m_conn, &discardNotice, nullptr);
    m_cancelHandle.reset(PQgetCancel(m_conn), &PQfreeCancel);
    try {
        // Dates and times reach the store in ISO form, whatever the server's default style.
        runQuietly("SET DateStyle TO ISO");
    } catch (...) {
        m_cancelHandle.reset();
        PQfinish(m_conn);
        throw;
    }
}

PgDriver::~PgDriver()
{
    {
        const std::lock_guard lock(m_cancelMutex);
        m_cancelHandle.reset();
    }
    PQfinish(m_conn);
}

void PgDriver::connectWatched(const PgConnectionFacts& facts, const ConnectWatch& watch)
{
    QList<std::pair<QByteArray, QByteArray>> params;
    if (!facts.database.isEmpty())
        params.append({QByteArray("dbname"), facts.database.toUtf8()});
    if (!facts.host.isEmpty())
        params.append({QByteArray("host"), facts.host.toUtf8()});
    if (facts.port > 0)
        params.append({QByteArray("port"), QByteArray::number(facts.port)});
    if (!facts.userName.isEmpty())
        params.append({QByteArray("user"), facts.userName.toUtf8()});
    // Without a password libpq may still find one in the password file.
    if (!facts.password.isEmpty())
        params.append({QByteArray("password"), facts.password.toUtf8()});
    params.append({QByteArray("fallback_application_name"), QByteArray("VEMRA")});
    bool encodingSet = false;
    std::chrono::seconds timeout = watch.timeout;
    for (const auto& option : parseOptions(facts.options)) {
        params.append(option);
        if (option.first == "client_encoding")
            encodingSet = true;
        if (option.first == "connect_timeout" && option.second.toInt() > 0)
            timeout = std::chrono::seconds(option.second.toInt());
    }
    // The store holds UTF-8.
    if (!encodingSet)
        params.append({QByteArray("client_encoding"), QByteArray("UTF8")});

    std::vector<const char*> keys;
    std::vector<const char*> values;
    for (const auto& [key, value] : params) {
        keys.push_back(key.constData());
        values.push_back(value.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);

    m_conn = PQconnectStartParams(keys.data(), values.data(), 1);
    if (!m_conn)
        throw EngineError(QStringLiteral("HY001"), 0, QStringLiteral("Out of memory while connecting."));
    auto fail = [this](const EngineError& error) {
        PQfinish(m_conn);
        m_conn = nullptr;
        throw error;
    };
    if (PQstatus(m_conn) == CONNECTION_BAD)
        fail(connectionError(m_conn, QStringLiteral("08001")));

    const Clock::time_point deadline = Clock::now() + timeout;
    ProgressPacer pacer(watch.progress);
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    while (state != PGRES_POLLING_OK) {
        if (state == PGRES_POLLING_FAILED)
            fail(connectionError(m_conn, QStringLiteral("08001")));
        pollfd fd{PQsocket(m_conn), short(state == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        const int ready = ::poll(&fd, 1, int(kProgressInterval.count()));
        if (ready < 0 && errno != EINTR)
            fail(connectionError(m_conn, QStringLiteral("08001")));
        pacer.waiting(-1);
        if (watch.cancelRequested())
            fail(EngineFailure::ConnectCancelled());
        if (ready > 0)
            state = PQconnectPoll(m_conn);
        else if (Clock::now() >= deadline)
            fail(EngineFailure::ConnectTimedOut(timeout.count()));
    }
}

void PgDriver::cancel()
{
    m_cancelled.store(true);
    if (m_running.load())
        requestCancel();
}

void PgDriver::abandon()
{
    m_abandoned.store(true);
    const int socket = PQsocket(m_conn);
    if (socket >= 0)
        ::shutdown(socket, SHUT_RDWR);
}

void PgDriver::requestCancel() const
{
    std::shared_ptr<pg_cancel> handle;
    {
        const std::lock_guard lock(m_cancelMutex);
        handle = m_cancelHandle;
    }
    if (!handle)
        return;
    auto send = [handle] {
        char message[256];
        PQcancel(handle.get(), message, int(sizeof message));
    };
    // The request opens a connection of its own to the server: one that does not answer must not
    // hold up the user interface, which then closes the session itself.
    try {
        std::thread(send).detach();
    } catch (const std::system_error&) {
        send();
    }
}

[[noreturn]] void PgDriver::raiseLost() const
{
    throw EngineFailure::ConnectionLost();
}

void PgDriver::refuseWhenLost() const
{
    if (m_abandoned.load())
        throw EngineFailure::ServerDidNotAnswer();
    if (PQstatus(m_conn) != CONNECTION_OK)
        raiseLost();
}

QString PgDriver::placeholder(int index) const
{
    return QLatin1Char('$') + QString::number(index + 1);
}

QString PgDriver::bindableText(const QString& sql, const QList<ParameterMarker>& markers) const
{
    return ParameterScanner::Replace(
        sql, markers, [this](int k) { return placeholder(k); }, ParameterScanner::Rewrite::MarkersOnly,
        SqlDialect::PostgreSql);
}

QString PgDriver::quoteIdentifier(const QString& name) const
{
    return DoubleQuotedSqlName(name);
}

QString PgDriver::nameForSql(const QString& name) const
{
    return IsBareSqlName(name, true) ? name : quoteIdentifier(name);
}

SchemaCatalogue PgDriver::readCatalogue()
{
    return ReadPostgresCatalogue(*this);
}

void PgDriver::send(const QString& sql, const QVariantList& values, bool singleRow) const
{
    if (IsClientCopy(sql))
        throw EngineFailure::CopyRefused();
    const QByteArray statement = sql.toUtf8();
    int sent;
    if (values.isEmpty()) {
        // Without values the text may hold several statements, as typed.
        sent = PQsendQuery(m_conn, statement.constData());
    } else {
        std::vector<QByteArray> texts(std::size_t(values.size()));
        std::vector<const char*> pointers(texts.size(), nullptr);
        std::vector<int> lengths(texts.size(), 0);
        std::vector<int> formats(texts.size(), 0);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const QVariant& value = values[qsizetype(i)];
            if (value.isNull())
                continue;
            // Bytes go as they are (binary format), so that no byte needs escaping.
            if (value.metaType().id() == QMetaType::QByteArray) {
                texts[i] = value.toByteArray();
                formats[i] = 1;
            } else {
                texts[i] = FieldValue::Text(value);
            }
            pointers[i] = texts[i].constData();
            lengths[i] = int(texts[i].size());
        }
        sent = PQsendQueryParams(m_conn, statement.constData(), int(texts.size()), nullptr, pointers.data(),
                                 lengths.data(), formats.data(), 0);
    }
    if (!sent) {
        if (PQstatus(m_conn) != CONNECTION_OK)
            throw EngineError(QStringLiteral("08006"), 0, text(PQerrorMessage(m_conn)));
        throw EngineError(QString(), 0, text(PQerrorMessage(m_conn)));
    }
    if (singleRow)
        PQsetSingleRowMode(m_conn);
    // A cancel that came before the statement reached the server found nothing to stop.
    if (m_cancelled.load())
        requestCancel();
}

void PgDriver::awaitResult(qint64 rowsSoFar) const
{
    while (PQisBusy(m_conn)) {
        if (!awaitInput(rowsSoFar))
            return;
    }
}

bool PgDriver::awaitInput(qint64 rowsSoFar) const
{
    pollfd fd{PQsocket(m_conn), POLLIN, 0};
    if (fd.fd < 0)
        return false;
    const int ready = ::poll(&fd, 1, int(kProgressInterval.count()));
    if (ready < 0 && errno != EINTR)
        return false;
    // A failed read leaves the error for PQgetResult to hand over.
    if (ready > 0 && !PQconsumeInput(m_conn))
        return false;
    waited(rowsSoFar);
    return true;
}

void PgDriver::waited(qint64 rowsSoFar) const
{
    if (m_pacer)
        m_pacer->waiting(rowsSoFar);
    if (m_abandoned.load())
        throw EngineFailure::ServerDidNotAnswer();
}

void PgDriver::drainCopy() const
{
    requestCancel();
    for (;;) {
        char* line = nullptr;
        const int got = PQgetCopyData(m_conn, &line, 1);
        if (line)
            PQfreemem(line);
        if (got > 0)
            continue;
        if (got < 0 || !awaitInput(-1))
            return;
    }
}

void PgDriver::describe(const PGresult* r, Collected& out)
{
    const int columns = PQnfields(r);
    out.rows = std::make_unique<RowStore>(columns);
    out.columns.clear();
    out.conversions.assign(std::size_t(columns), Conversion::AsIs);
    out.tables.assign(std::size_t(columns), 0);
    out.tableColumns.assign(std::size_t(columns), 0);
    out.fetched = 0;
    for (int c = 0; c < columns; ++c) {
        ColumnInfo info;
        info.name = QString::fromUtf8(PQfname(r, c));
        const Oid type = PQftype(r, c);
        info.type = typeOfOid(type);
        info.displayWidth = FieldValue::DefaultWidth(info.type);
        const int modifier = PQfmod(r, c);
        if ((type == kVarcharOid || type == kBpcharOid) && modifier > kVarHeaderSize)
            info.displayWidth = qMin(modifier - kVarHeaderSize, FieldValue::kMaxDisplayWidth);
        if (type == kBoolOid)
            out.conversions[std::size_t(c)] = Conversion::Boolean;
        else if (type == kByteaOid)
            out.conversions[std::size_t(c)] = Conversion::Bytes;
        out.tables[std::size_t(c)] = PQftable(r, c);
        out.tableColumns[std::size_t(c)] = PQftablecol(r, c);
        out.columns.append(info);
    }
}

void PgDriver::appendRows(const PGresult* r, Collected& out, std::string& bytes) const
{
    const int columns = PQnfields(r);
    RowStore& rows = *out.rows;
    const int tuples = PQntuples(r);
    for (int t = 0; t < tuples; ++t) {
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(r, t, c)) {
                rows.appendNull(c);
                continue;
            }
            const char* cell = PQgetvalue(r, t, c);
            const int length = PQgetlength(r, t, c);
            switch (out.conversions[std::size_t(c)]) {
            case Conversion::AsIs:
                rows.appendCell(c, cell, std::size_t(length));
                break;
            case Conversion::Boolean:
                if (cell[0] == 't')
                    rows.appendCell(c, "true", 4);
                else if (cell[0] == 'f')
                    rows.appendCell(c, "false", 5);
                else
                    rows.appendCell(c, cell, std::size_t(length));
                break;
            case Conversion::Bytes:
                if (decodeHex(cell, length, bytes)) {
                    rows.appendCell(c, bytes.data(), bytes.size());
                } else {
                    std::size_t size = 0;
                    unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(cell), &size);
                    rows.appendCell(c, reinterpret_cast<const char*>(raw), raw ? size : 0);
                    PQfreemem(raw);
                }
                break;
            }
        }
        rows.finishRow();
        if (m_pacer)
            m_pacer->row(++out.fetched);
        else
            ++out.fetched;
    }
}

void PgDriver::collect(Collected& out, bool keepRows) const
{
    std::optional<EngineError::Entry> error;
    bool inRowSet = false;
    bool dropped = false;
    // The rows held when the store could not grow; the rest are read and dropped.
    std::optional<qint64> tooLarge;
    bool copyRefused = false;
    std::string bytes;
    for (;;) {
        awaitResult(out.fetched > 0 ? out.fetched : -1);
        const Result result(PQgetResult(m_conn));
        if (!result)
            break;
        PGresult* r = result.get();
        switch (PQresultStatus(r)) {
        case PGRES_SINGLE_TUPLE:
        case PGRES_TUPLES_OK: {
            if (!inRowSet && keepRows && !error && !dropped && !tooLarge)
                describe(r, out);
            inRowSet = true;
            if (out.rows && keepRows && !error && !dropped && !tooLarge) {
                try {
                    appendRows(r, out, bytes);
                } catch (const std::bad_alloc&) {
                    tooLarge = out.fetched;
                    out.rows.reset();
                    bytes = std::string();
                }
                // Rows already on their way are read and dropped, so the connection stays usable.
                if (m_cancelled.load(std::memory_order_relaxed)) {
                    dropped = true;
                    out.rows.reset();
                }
            }
            if (PQresultStatus(r) == PGRES_TUPLES_OK) {
                inRowSet = false;
                const QString count = QString::fromLatin1(PQcmdTuples(r));
                out.affected = count.isEmpty() ? -1 : count.toInt();
            }
            break;
        }
        case PGRES_COMMAND_OK: {
            const QString count = QString::fromLatin1(PQcmdTuples(r));
            out.affected = count.isEmpty() ? -1 : count.toInt();
            break;
        }
        // Only a COPY the statement's text did not show comes here; it ends without its data.
        case PGRES_COPY_IN:
            copyRefused = true;
            PQputCopyEnd(m_conn, "COPY FROM STDIN is not supported here");
            break;
        case PGRES_COPY_OUT:
            copyRefused = true;
            drainCopy();
            break;
        case PGRES_EMPTY_QUERY:
            break;
        default:
            if (!error)
                error = entryOf(r, m_conn);
            break;
        }
        if (PQstatus(m_conn) == CONNECTION_BAD)
            break;
    }
    if (m_abandoned.load())
        throw EngineFailure::ServerDidNotAnswer();
    if (copyRefused)
        throw EngineFailure::CopyRefused();
    if (tooLarge && PQstatus(m_conn) != CONNECTION_BAD)
        throw ResultTooLarge(*tooLarge);
    if (error)
        throw EngineError({*error});
    if (dropped)
        throw EngineFailure::Cancelled();
    if (PQstatus(m_conn) == CONNECTION_BAD) {
        const QString message = text(PQerrorMessage(m_conn));
        if (message.isEmpty())
            raiseLost();
        throw EngineError(QStringLiteral("08006"), 0, message);
    }
}

FetchedResult PgDriver::fetch(const QString& sql, const QVariantList& values, bool wantLive)
{
    const Call call(*this);
    send(sql, values, m_singleRowMode);
    Collected collected;
    collect(collected, true);
    if (!collected.rows)
        throw WrapperError(QStringLiteral("The statement returns no rows"));
    collected.rows->publish();
    FetchedResult result;
    if (wantLive)
        result.live = liveTarget(collected);
    result.rows = std::move(collected.rows);
    result.columns = std::move(collected.columns);
    return result;
}

int PgDriver::execute(const QString& sql, const QVariantList& values, FetchedResult* rows)
{
    const Call call(*this);
    send(sql, values, m_singleRowMode);
    Collected collected;
    collect(collected, rows != nullptr);
    if (rows && collected.rows) {
        collected.rows->publish();
        rows->rows = std::move(collected.rows);
        rows->columns = std::move(collected.columns);
        rows->live.reset();
    }
    return collected.affected;
}

pg_result* PgDriver::awaitAll() const
{
    Result kept;
    for (;;) {
        awaitResult(-1);
        Result result(PQgetResult(m_conn));
        if (!result)
            break;
        // The first error stands for the statement; otherwise its last result.
        const ExecStatusType status = PQresultStatus(result.get());
        const bool failed = status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE;
        if (!kept || failed ||
            (PQresultStatus(kept.get()) != PGRES_FATAL_ERROR &&
             PQresultStatus(kept.get()) != PGRES_BAD_RESPONSE))
            kept = std::move(result);
        if (PQstatus(m_conn) == CONNECTION_BAD)
            break;
    }
    if (m_abandoned.load())
        throw EngineFailure::ServerDidNotAnswer();
    if (!kept) {
        if (PQstatus(m_conn) != CONNECTION_OK)
            raiseLost();
        throw EngineError(QString(), 0, text(PQerrorMessage(m_conn)));
    }
    return kept.release();
}

void PgDriver::checkSent(int accepted) const
{
    if (accepted)
        return;
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw EngineError(QStringLiteral("08006"), 0, text(PQerrorMessage(m_conn)));
    throw EngineError(QString(), 0, text(PQerrorMessage(m_conn)));
}

bool PgDriver::inTransaction() const
{
    // A transaction that failed (INERROR) still holds its locks until it is ended.
    const PGTransactionStatusType status = PQtransactionStatus(m_conn);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

void PgDriver::runQuietly(const char* sql) const
{
    checkSent(PQsendQuery(m_conn, sql));
    const Result result(awaitAll());
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw EngineError({entryOf(result.get(), m_conn)});
}

std::optional<bool> PgDriver::returnsRows(const QString& sql) const
{
    const PGTransactionStatusType transaction = PQtransactionStatus(m_conn);
    if (transaction != PQTRANS_IDLE && transaction != PQTRANS_INTRANS)
        return std::nullopt;
    if (severalStatements(sql))
        return std::nullopt;
    const Call call(*this);
    // Inside the user's transaction a statement that does not parse must not abort it.
    const bool guard = transaction == PQTRANS_INTRANS;
    std::optional<bool> answer;
    try {
        if (guard)
            runQuietly("SAVEPOINT vemra_describe");
        const QByteArray statement = sql.toUtf8();
        checkSent(PQsendPrepare(m_conn, "", statement.constData(), 0, nullptr));
        if (m_cancelled.load())
            requestCancel();
        if (PQresultStatus(Result(awaitAll()).get()) == PGRES_COMMAND_OK) {
            checkSent(PQsendDescribePrepared(m_conn, ""));
            const Result described(awaitAll());
            if (PQresultStatus(described.get()) == PGRES_COMMAND_OK)
                answer = PQnfields(described.get()) > 0;
        }
        if (guard) {
            if (!answer)
                runQuietly("ROLLBACK TO SAVEPOINT vemra_describe");
            runQuietly("RELEASE SAVEPOINT vemra_describe");
        }
    } catch (const EngineError&) {
        // A server that does not answer is no question of the statement's text.
        if (m_abandoned.load())
            throw;
        answer.reset();
    }
    if (m_cancelled.load())
        throw EngineFailure::Cancelled();
    return answer;
}

std::optional<LiveTarget> PgDriver::liveTarget(const Collected& result) const
{
    const std::size_t columns = result.tables.size();
    if (columns == 0 || result.tables[0] == 0)
        return std::nullopt;
    for (std::size_t c = 0; c < columns; ++c) {
        if (result.tables[c] != result.tables[0] || result.tableColumns[c] <= 0)
            return std::nullopt;
    }
    const QByteArray table = QByteArray::number(result.tables[0]);
    const char* values[] = {table.constData()};
    // Only plain and partitioned tables: a view's columns cannot be posted to by key.
    checkSent(PQsendQueryParams(
        m_conn,
        "SELECT a.attnum, a.attname, "
        "EXISTS (SELECT 1 FROM pg_index i WHERE i.indrelid = c.oid AND i.indisprimary "
        "AND a.attnum = ANY (i.indkey)), "
        "quote_ident(n.nspname) || '.' || quote_ident(c.relname) "
        "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
        "JOIN pg_attribute a ON a.attrelid = c.oid "
        "WHERE c.oid = $1::oid AND c.relkind IN ('r', 'p') AND a.attnum > 0 AND NOT a.attisdropped",
        1, nullptr, values, nullptr, nullptr, 0));
    const Result catalog(awaitAll());
    if (PQresultStatus(catalog.get()) != PGRES_TUPLES_OK || PQntuples(catalog.get()) == 0)
        return std::nullopt;

    LiveTarget target;
    target.tableSql = QString::fromUtf8(PQgetvalue(catalog.get(), 0, 3));
    QHash<int, QString> names;
    QList<int> keys;
    for (int t = 0; t < PQntuples(catalog.get()); ++t) {
        const int number = QByteArray(PQgetvalue(catalog.get(), t, 0)).toInt();
        names.insert(number, QString::fromUtf8(PQgetvalue(catalog.get(), t, 1)));
        if (PQgetvalue(catalog.get(), t, 2)[0] == 't')
            keys.append(number);
    }
    if (keys.isEmpty())
        return std::nullopt;
    QList<int> seen;
    for (std::size_t c = 0; c < columns; ++c) {
        const int number = result.tableColumns[c];
        // A renamed column (id AS name) would post under the wrong name.
        if (seen.contains(number) || !names.contains(number) ||
            names[number] != result.columns[qsizetype(c)].name)
            return std::nullopt;
        seen.append(number);
        target.columnSql.append(quoteIdentifier(names[number]));
    }
    for (const int key : keys) {
        const qsizetype at = seen.indexOf(key);
        if (at < 0)
            return std::nullopt;
        target.keyColumns.append(int(at));
    }
    return target;
}

int PgDriver::runKeyedChange(const QString& sql, const QVariantList& values,
                             QList<std::optional<QByteArray>>* returned)
{
    const Call call(*this);
    // Inside the user's own transaction a savepoint keeps the user's work apart; outside one a
    // transaction of its own does.
    const bool inUserTransaction = PQtransactionStatus(m_conn) != PQTRANS_IDLE;
    runQuietly(inUserTransaction ? "SAVEPOINT vemra_keyed_change" : "BEGIN");
    auto undo = [this, inUserTransaction] {
        try {
            runQuietly(inUserTransaction
                           ? "ROLLBACK TO SAVEPOINT vemra_keyed_change; RELEASE SAVEPOINT vemra_keyed_change"
                           : "ROLLBACK");
        } catch (const EngineError&) {
            // The connection is gone: nothing was kept.
        }
    };
    int touched = 0;
    try {
        send(sql, values, false);
        Collected collected;
        collect(collected, returned != nullptr);
        if (collected.rows)
            collected.rows->publish();
        if (returned) {
            touched = collected.rows ? collected.rows->recordCount() : 0;
            if (touched > 0) {
                returned->clear();
                for (int c = 0; c < collected.rows->columnCount(); ++c) {
                    if (collected.rows->isNull(0, c)) {
                        returned->append(std::nullopt);
                    } else {
                        const std::string_view cell = collected.rows->cell(0, c);
                        returned->append(QByteArray(cell.data(), qsizetype(cell.size())));
                    }
                }
            }
        } else {
            touched = collected.affected;
        }
    } catch (...) {
        undo();
        throw;
    }
    if (touched != 1)
        undo();
    else
        runQuietly(inUserTransaction ? "RELEASE SAVEPOINT vemra_keyed_change" : "COMMIT");
    return touched;
}
