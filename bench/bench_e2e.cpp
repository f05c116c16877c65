// What the user waits for: from Execute SQL to the result window painted with its rows, Total
// Records and Time Elapsed, on every engine, against the client library's own fetch of the same
// rows with every value touched. Program and baseline run interleaved; each figure is the median
// of the runs' ratios.
#include "Baselines.h"
#include "Figures.h"
#include "SilentDesktop.h"

#include "connection/AliasFile.h"
#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/Query.h"
#include "platform/AppContext.h"
#include "query/SqlExecution.h"
#include "query/query.h"
#include "settings/Settings.h"
#include "support/PgServer.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRows = 1000000;
constexpr int kRuns = 5;
const QString kSqliteAlias = QStringLiteral("Bench SQLite");
const QString kPgAlias = QStringLiteral("Bench PG");
const QString kDsn = QStringLiteral("Bench DSN");

double since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void expectRows(long long rows)
{
    if (rows != kRows)
        throw std::runtime_error("a fetch saw another number of rows");
}

// ---- The shapes: pgbench_accounts, and one column of each type people keep.

const char* const kAccountsPg = "CREATE TABLE accounts (aid int PRIMARY KEY, bid int, abalance int, filler "
                                "char(84)); INSERT INTO accounts SELECT g, 1 + (g - 1) / 100000, 0, '' FROM "
                                "generate_series(1, %1) g";
const char* const kMixedPg =
    "CREATE TABLE mixed (id int PRIMARY KEY, big bigint, amount numeric(14,2), name text, seen timestamptz, "
    "flag bool, digest bytea, doc jsonb); INSERT INTO mixed SELECT g, g::bigint * 1000003, (g % 100000) / "
    "7.0, "
    "CASE WHEN g % 5 = 0 THEN NULL ELSE 'Kund ' || g || ' Müller-Lüdenscheidt' END, timestamptz "
    "'2020-01-01 00:00:00+00' + g * interval '1 minute', g % 2 = 0, decode(md5(g::text), 'hex'), "
    "jsonb_build_object('id', g, 'tag', 'x' || (g % 10)) FROM generate_series(1, %1) g";

const char* const kAccountsSqlite =
    "CREATE TABLE accounts (aid INTEGER PRIMARY KEY, bid INTEGER, abalance INTEGER, filler CHAR(84));"
    "WITH RECURSIVE n(g) AS (SELECT 1 UNION ALL SELECT g + 1 FROM n WHERE g < %1)"
    " INSERT INTO accounts SELECT g, 1 + (g - 1) / 100000, 0, printf('%-84s', '') FROM n;";
const char* const kMixedSqlite =
    "CREATE TABLE mixed (id INTEGER PRIMARY KEY, big BIGINT, amount NUMERIC(14,2), name TEXT, seen TIMESTAMP,"
    " flag BOOLEAN, digest BLOB, doc JSON);"
    "WITH RECURSIVE n(g) AS (SELECT 1 UNION ALL SELECT g + 1 FROM n WHERE g < %1)"
    " INSERT INTO mixed SELECT g, g * 1000003, round((g % 100000) / 7.0, 2),"
    " CASE WHEN g % 5 = 0 THEN NULL ELSE 'Kund ' || g || ' Müller-Lüdenscheidt' END,"
    " datetime('2020-01-01', '+' || g || ' minutes'), g % 2 = 0, randomblob(16),"
    " json_object('id', g, 'tag', 'x' || (g % 10)) FROM n;";

// ---- The client libraries alone.

Fetched sqliteFetch(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    Fetched f;
    const int columns = sqlite3_column_count(statement);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            const int type = sqlite3_column_type(statement, c);
            if (type == SQLITE_NULL)
                continue;
            const void* value =
                type == SQLITE_BLOB ? sqlite3_column_blob(statement, c) : sqlite3_column_text(statement, c);
            benchmark::DoNotOptimize(*static_cast<const char*>(value));
            f.textBytes += sqlite3_column_bytes(statement, c);
        }
        ++f.rows;
    }
    sqlite3_finalize(statement);
    return f;
}

Fetched pgFetch(PGconn* conn, const char* sql)
{
    if (!PQsendQuery(conn, sql) || !PQsetSingleRowMode(conn))
        throw std::runtime_error(PQerrorMessage(conn));
    Fetched f;
    while (PGresult* r = PQgetResult(conn)) {
        if (PQresultStatus(r) != PGRES_TUPLES_OK && PQresultStatus(r) != PGRES_SINGLE_TUPLE)
            throw std::runtime_error(PQresultErrorMessage(r));
        const int columns = PQnfields(r);
        for (int t = 0; t < PQntuples(r); ++t) {
            for (int c = 0; c < columns; ++c) {
                if (!PQgetisnull(r, t, c)) {
                    benchmark::DoNotOptimize(*PQgetvalue(r, t, c));
                    f.textBytes += PQgetlength(r, t, c);
                }
            }
        }
        f.rows += PQntuples(r);
        PQclear(r);
    }
    return f;
}

// ---- The program: the editor's text through Execute SQL to the painted result window.

/// Notes when the grid is first painted with its counts shown, then closes the window.
class FilledWindowWatch final : public QObject
{
public:
    explicit FilledWindowWatch(TFRM_Query& window)
        : m_window(window), m_grid(*window.findChild<QAbstractItemView*>(QStringLiteral("DBG_Grid")))
    {
        m_grid.viewport()->installEventFilter(this);
    }
    ~FilledWindowWatch() override { m_grid.viewport()->removeEventFilter(this); }
    FilledWindowWatch(const FilledWindowWatch&) = delete;
    FilledWindowWatch& operator=(const FilledWindowWatch&) = delete;

    std::optional<Clock::time_point> paintedAt;
    qint64 heldBytes = 0;
    QString totalRecords;
    QString timeElapsed;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || paintedAt)
            return false;
        watched->removeEventFilter(this);
        QCoreApplication::sendEvent(watched, event);
        paintedAt = Clock::now();
        heldBytes = m_window.QRY_Grid().memoryBytes();
        totalRecords = field("EDT_TotalRecords");
        timeElapsed = field("EDT_TimeElapsed");
        QTimer::singleShot(0, m_window.findChild<QPushButton*>(QStringLiteral("BBN_Close")),
                           &QPushButton::click);
        return true;
    }

private:
    QString field(const char* name) const
    {
        return m_window.findChild<QLineEdit*>(QLatin1String(name))->text();
    }

    TFRM_Query& m_window;
    QAbstractItemView& m_grid;
};

/// The program's pieces as start-up makes them, logged in to one data source.
class ProgramRig
{
public:
    explicit ProgramRig(const QString& source, bool withLogin)
    {
        m_connection.setName(source);
        if (withLogin) {
            const PgServer& pg = PgServer::instance();
            m_connection.addParam(QStringLiteral("USER NAME=") + pg.user());
            m_connection.addParam(QStringLiteral("PASSWORD=") + pg.password());
        }
        m_connection.connect();
        m_ctx.connection = &m_connection;
        m_window = std::make_unique<TFRM_Query>(m_ctx);
        m_ctx.query = m_window.get();
    }
    ~ProgramRig()
    {
        m_window.reset();
        m_connection.disconnect();
    }
    ProgramRig(const ProgramRig&) = delete;
    ProgramRig& operator=(const ProgramRig&) = delete;

    struct Shown
    {
        double seconds = 0;
        qint64 heldBytes = 0;
    };

    Shown execute(const char* sql)
    {
        FilledWindowWatch watch(*m_window);
        const Clock::time_point start = Clock::now();
        SqlExecution(m_ctx).BBN_ExecuteSQLClick({QString::fromUtf8(sql)}, QPoint(0, 0));
        if (!watch.paintedAt)
            throw std::runtime_error("the result window was not painted");
        if (watch.totalRecords.toLongLong() != kRows || watch.timeElapsed.isEmpty())
            throw std::runtime_error("the result window showed other counts: " +
                                     watch.totalRecords.toStdString());
        return {std::chrono::duration<double>(*watch.paintedAt - start).count(), watch.heldBytes};
    }

private:
    SilentDesktop m_desktop;
    QPrinter m_printer;
    Settings m_settings{SettingsStore::defaultPath()};
    AppContext m_ctx{m_desktop, m_printer, m_settings};
    Connection m_connection;
    std::unique_ptr<TFRM_Query> m_window;
};

struct Comparison
{
    FigureRuns ratio;
    FigureRuns memoryRatio;
    FigureRuns programSeconds;
    FigureRuns baselineSeconds;
};

/// Program and baseline in turn, kRuns times, so that a shared machine's drift hits both alike.
Comparison compare(ProgramRig& program, const char* sql, const std::function<Fetched()>& baseline)
{
    // One pair unmeasured first: the table's pages in the server's and the system's caches.
    expectRows(baseline().rows);
    program.execute(sql);
    Comparison c;
    for (int run = 0; run < kRuns; ++run) {
        const Clock::time_point start = Clock::now();
        const Fetched f = baseline();
        const double base = since(start);
        expectRows(f.rows);
        const ProgramRig::Shown shown = program.execute(sql);
        c.ratio.add(shown.seconds / base);
        c.memoryRatio.add(double(shown.heldBytes) / double(f.textBytes));
        c.programSeconds.add(shown.seconds);
        c.baselineSeconds.add(base);
    }
    return c;
}

void report(const char* name, const Comparison& c, const char* memoryName = nullptr)
{
    c.ratio.print(name);
    if (memoryName)
        c.memoryRatio.print(memoryName);
    std::printf("(%s: program %.3f s, client library %.3f s, medians)\n", name, c.programSeconds.median(),
                c.baselineSeconds.median());
    std::fflush(stdout);
}

void makeSqliteDatabase(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot create the bench database");
    for (const char* script : {kAccountsSqlite, kMixedSqlite}) {
        const QByteArray sql = QString::fromUtf8(script).arg(kRows).toUtf8();
        char* error = nullptr;
        if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error ? error : "sqlite error";
            sqlite3_free(error);
            sqlite3_close(db);
            throw std::runtime_error(message);
        }
    }
    sqlite3_close(db);
    AliasFile::Alias alias;
    alias.name = kSqliteAlias;
    alias.driver = QStringLiteral("SQLITE");
    alias.database = path;
    if (!AliasFile::Write(DataSources::AliasFilePath(), alias))
        throw std::runtime_error("cannot write the alias file");
}

void sqliteFigures(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open the bench database");
    ProgramRig program(kSqliteAlias, false);
    const char* accounts = "SELECT * FROM accounts";
    const char* mixed = "SELECT * FROM mixed";
    report("e2e_sqlite_ratio", compare(program, accounts, [&] { return sqliteFetch(db, accounts); }));
    report("e2e_sqlite_mixed_ratio", compare(program, mixed, [&] { return sqliteFetch(db, mixed); }),
           "e2e_sqlite_memory_ratio_mixed");
    sqlite3_close(db);
}

void pgFigures(const PgServer& pg)
{
    PGconn* plain = ConnectPlain(pg);
    ProgramRig program(kPgAlias, true);
    const char* accounts = "SELECT * FROM accounts";
    const char* mixed = "SELECT * FROM mixed";
    report("e2e_pg_ratio", compare(program, accounts, [&] { return pgFetch(plain, accounts); }),
           "e2e_pg_memory_ratio");
    report("e2e_pg_mixed_ratio", compare(program, mixed, [&] { return pgFetch(plain, mixed); }),
           "e2e_pg_memory_ratio_mixed");
    PQfinish(plain);
}

void odbcFigures()
{
    OdbcBlockFetch baseline(kDsn);
    ProgramRig program(kDsn, true);
    const char* accounts = "SELECT * FROM accounts";
    const char* mixed = "SELECT * FROM mixed";
    report("e2e_odbc_ratio", compare(program, accounts, [&] { return baseline.fetch(accounts); }));
    report("e2e_odbc_mixed_ratio", compare(program, mixed, [&] { return baseline.fetch(mixed); }),
           "e2e_odbc_memory_ratio_mixed");
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("ODBCINI", (home.path() + QStringLiteral("/odbc.ini")).toUtf8());
    QApplication app(argc, argv);
    // "sqlite", "pg" or "odbc" runs one engine's figures only, for a profiler.
    const QString only = qEnvironmentVariable("VEMRA_E2E_ONLY");
    try {
        if (only.isEmpty() || only == u"sqlite") {
            makeSqliteDatabase(home.path() + QStringLiteral("/bench.sqlite"));
            sqliteFigures(home.path() + QStringLiteral("/bench.sqlite"));
        }
        if (only == u"sqlite")
            return 0;

        PgServer& pg = PgServer::instance();
        if (!pg.running())
            throw std::runtime_error("no PostgreSQL server: " + pg.failure().toStdString());
        pg.psql(QString::fromUtf8(kAccountsPg).arg(kRows));
        pg.psql(QString::fromUtf8(kMixedPg).arg(kRows));
        pg.psql(QStringLiteral("VACUUM ANALYZE accounts, mixed"));
        AliasFile::Alias alias{kPgAlias, QStringLiteral("QPSQL"), pg.database(), pg.socketDir(), pg.port(),
                               {}};
        if (!AliasFile::Write(DataSources::AliasFilePath(), alias))
            throw std::runtime_error("cannot write the alias file");
        pg.writeOdbcDsn(kDsn);
        if (only.isEmpty() || only == u"pg")
            pgFigures(pg);
        if (only.isEmpty() || only == u"odbc")
            odbcFigures();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_e2e: %s\n", e.what());
        return 1;
    }
    return 0;
}
