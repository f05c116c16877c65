// A large PostgreSQL result through the engine, against a plain libpq fetch of the same rows, and
// the old Qt Sql QPSQL path beside it; how fast a running statement stops when cancelled, and how
// fast Cancel gives control back when the server stopped answering.
#include "connection/AliasFile.h"
#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/EngineError.h"
#include "connection/PgDriver.h"
#include "connection/QtSqlDriver.h"
#include "connection/Query.h"
#include "connection/RowStore.h"
#include "connection/WatchedCall.h"
#include "support/PgServer.h"

#include "Baselines.h"
#include "Figures.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRows = 1000000;
constexpr int kFigureRuns = 5;
const QString kAlias = QStringLiteral("Bench");
const char* const kSelect = "SELECT * FROM bench_accounts";

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

/// Reads every value of a result as a caller would: its length and its first byte.
void touch(const PGresult* r, Fetched& f)
{
    const int columns = PQnfields(r);
    const int tuples = PQntuples(r);
    for (int t = 0; t < tuples; ++t) {
        for (int c = 0; c < columns; ++c) {
            if (!PQgetisnull(r, t, c)) {
                benchmark::DoNotOptimize(*PQgetvalue(r, t, c));
                f.textBytes += PQgetlength(r, t, c);
            }
        }
    }
    f.rows += tuples;
}

/// The plain baselines: the whole result at once, or one row at a time.
Fetched plainFetch(PGconn* conn, bool singleRow)
{
    Fetched f;
    if (!PQsendQuery(conn, kSelect))
        throw std::runtime_error(PQerrorMessage(conn));
    if (singleRow)
        PQsetSingleRowMode(conn);
    while (PGresult* r = PQgetResult(conn)) {
        if (PQresultStatus(r) != PGRES_TUPLES_OK && PQresultStatus(r) != PGRES_SINGLE_TUPLE)
            throw std::runtime_error(PQresultErrorMessage(r));
        touch(r, f);
        PQclear(r);
    }
    return f;
}

struct Opened
{
    double seconds = 0;
    qint64 held = 0;
};

/// One run of a fetch through a driver.
template <typename Fetch> Opened timeFetch(Fetch fetch)
{
    const auto start = Clock::now();
    FetchedResult result = fetch();
    const double took = seconds(Clock::now() - start);
    if (result.rows->recordCount() != kRows)
        throw std::runtime_error("a driver saw another number of rows");
    return {took, result.rows->memoryBytes()};
}

/// The process's resident memory now and at its peak since the last reset, in MB.
std::pair<double, double> residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    double now = 0;
    double peak = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() >= 2 && parts[0] == "VmRSS:")
                now = parts[1].toDouble() / 1024;
            if (parts.size() >= 2 && parts[0] == "VmHWM:")
                peak = parts[1].toDouble() / 1024;
        }
    }
    return {now, peak};
}

/// How far one fetch raises the process's resident memory at its peak, in MB.
template <typename Fetch> double peakGrowthMb(Fetch fetch)
{
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (reset.open(QIODevice::WriteOnly))
        reset.write("5");
    reset.close();
    const double before = residentMb().first;
    benchmark::DoNotOptimize(fetch());
    return residentMb().second - before;
}

/// From the cancel to the call's return, for a statement that would run half a minute.
double cancelLatencyMs(DatabaseDriver& driver)
{
    Clock::time_point cancelledAt;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancelledAt = Clock::now();
        driver.cancel();
    });
    try {
        driver.fetch(QStringLiteral("select pg_sleep(30)"), {}, false);
    } catch (const EngineError&) {
    }
    const double ms = seconds(Clock::now() - cancelledAt) * 1e3;
    canceller.join();
    return ms;
}

/// From the click on Cancel to control back, for a long fetch whose server process was stopped
/// (SIGSTOP) just before: the progress window as the program shows it.
double hungServerCancelSeconds(Connection& connection)
{
    connection.reconnectIfClosed();
    Query pid(connection);
    pid.addSql(QStringLiteral("select pg_backend_pid()"));
    pid.open();
    const pid_t backend = pid_t(pid.valueText(0, 0).toLongLong());
    pid.close();

    Query query(connection);
    query.addSql(QStringLiteral("select n, repeat('x', 40) from generate_series(1, 200000000) n"));
    Clock::time_point cancelledAt{};
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (cancelledAt != Clock::time_point{} || w->objectName() != u"FRM_Progress" || !w->isVisible())
                continue;
            ::kill(backend, SIGSTOP);
            cancelledAt = Clock::now();
            w->findChild<QPushButton*>(QStringLiteral("BTN_Cancel"))->click();
        }
    });
    poll.start(20);
    {
        const WatchedCall watch(connection, nullptr, QStringLiteral("Executing SQL"));
        try {
            query.open();
        } catch (const EngineError&) {
        }
    }
    const Clock::time_point back = Clock::now();
    ::kill(backend, SIGCONT);
    if (cancelledAt == Clock::time_point{})
        throw std::runtime_error("the progress window never showed");
    return seconds(back - cancelledAt);
}

void printFigures(PgServer& pg)
{
    PGconn* plain = ConnectPlain(pg);
    const PgConnectionFacts facts{pg.database(), pg.socketDir(), pg.port(), {}, pg.user(), pg.password()};
    PgDriver engine(facts, ConnectWatch{});
    QtSqlDriver qpsql(QtSqlConnectionFacts{
        QStringLiteral("QPSQL"), pg.database(), pg.socketDir(), pg.port(), {}, pg.user(), pg.password()});
    const QString select = QString::fromLatin1(kSelect);

    // Interleaved runs, so that the drift of a shared machine hits every way alike; each ratio is
    // taken within one run, against the faster of that run's two plain fetches.
    FigureRuns singleRatio;
    FigureRuns wholeRatio;
    FigureRuns oldRatio;
    FigureRuns plainMs;
    Fetched fetched;
    Opened single;
    Opened whole;
    Opened old;
    for (int run = 0; run < kFigureRuns; ++run) {
        auto start = Clock::now();
        fetched = plainFetch(plain, false);
        const double plainWhole = seconds(Clock::now() - start);
        start = Clock::now();
        plainFetch(plain, true);
        const double plainBest = std::min(plainWhole, seconds(Clock::now() - start));
        engine.setSingleRowMode(true);
        single = timeFetch([&] { return engine.fetch(select, {}, false); });
        engine.setSingleRowMode(false);
        whole = timeFetch([&] { return engine.fetch(select, {}, false); });
        old = timeFetch([&] { return qpsql.fetch(select, {}, false); });
        singleRatio.add(single.seconds / plainBest);
        wholeRatio.add(whole.seconds / plainBest);
        oldRatio.add(old.seconds / plainBest);
        plainMs.add(plainBest * 1e3);
    }
    engine.setSingleRowMode(false);
    const double wholePeak = peakGrowthMb([&] { return engine.fetch(select, {}, false); });
    engine.setSingleRowMode(true);
    const double singlePeak = peakGrowthMb([&] { return engine.fetch(select, {}, false); });
    PQfinish(plain);
    if (fetched.rows != kRows)
        throw std::runtime_error("the plain fetch saw another number of rows");

    // Through the connection as the program opens it, to be sure the alias takes this driver.
    Connection connection;
    connection.setName(kAlias);
    connection.addParam(QStringLiteral("USER NAME=") + pg.user());
    connection.addParam(QStringLiteral("PASSWORD=") + pg.password());
    connection.connect();
    if (!dynamic_cast<PgDriver*>(&connection.driver()))
        throw std::runtime_error("the alias did not open the libpq driver");

    const double raw = double(fetched.textBytes);
    singleRatio.print("pg_open_ratio");
    oldRatio.print("pg_open_ratio_qpsql");
    wholeRatio.print("pg_open_ratio_whole_result");
    std::printf("figure: pg_memory_ratio %.2f\n", double(single.held) / raw);
    std::printf("figure: pg_memory_ratio_qpsql %.2f\n", double(old.held) / raw);
    std::printf("figure: pg_open_peak_mb %.0f\n", singlePeak);
    std::printf("figure: pg_open_peak_mb_whole_result %.0f\n", wholePeak);
    std::printf("(plain fetch %.0f ms, the median of the faster way per run; %lld rows, %.1f MB held for "
                "%.1f MB of text)\n",
                plainMs.median(), fetched.rows, double(single.held) / 1e6, raw / 1e6);
    std::fflush(stdout);

    double worst = 0;
    for (int run = 0; run < kFigureRuns; ++run)
        worst = std::max(worst, cancelLatencyMs(engine));
    std::printf("figure: pg_cancel_latency_ms %.1f\n", worst);
    std::fflush(stdout);
    // Qt Sql cannot stop the server: the call returns when the statement ends by itself.
    std::printf("figure: pg_cancel_latency_ms_qpsql %.0f\n", cancelLatencyMs(qpsql));
    std::fflush(stdout);

    // Each run closes the stopped session; the next one connects again.
    double worstHung = 0;
    for (int run = 0; run < 3; ++run)
        worstHung = std::max(worstHung, hungServerCancelSeconds(connection));
    std::printf("figure: hung_server_cancel_s %.2f\n", worstHung);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // The progress window of the cancel figure needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    PgServer& pg = PgServer::instance();
    if (!pg.running()) {
        std::fprintf(stderr, "no PostgreSQL server: %s\n", qPrintable(pg.failure()));
        return 1;
    }
    // The shape of pgbench_accounts.
    pg.psql(
        QStringLiteral("CREATE TABLE bench_accounts (aid int PRIMARY KEY, bid int, abalance int, "
                       "filler char(84)); INSERT INTO bench_accounts SELECT g, 1 + (g - 1) / 100000, 0, '' "
                       "FROM generate_series(1, %1) g")
            .arg(kRows));
    pg.psql(QStringLiteral("VACUUM ANALYZE bench_accounts"));
    AliasFile::Alias alias{kAlias, QStringLiteral("QPSQL"), pg.database(), pg.socketDir(), pg.port(), {}};
    if (!AliasFile::Write(DataSources::AliasFilePath(), alias))
        throw std::runtime_error("cannot write the alias file");
    printFigures(pg);
    return 0;
}
