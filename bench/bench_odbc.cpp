// A large PostgreSQL result through ODBC (psqlODBC to the test server): the engine's own ODBC
// driver and the old Qt Sql QODBC path, each against a block fetch with the ODBC API alone, and
// the time a cancel takes to stop a statement on the server.
#include "connection/Connection.h"
#include "connection/EngineError.h"
#include "connection/QtSqlDriver.h"
#include "connection/Query.h"
#include "connection/RowStore.h"
#include "support/PgServer.h"

#include "Baselines.h"
#include "Figures.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

constexpr int kRows = 1000000;
constexpr int kFigureRuns = 5;
const QString kDsn = QStringLiteral("Bench DSN");
const char* const kSelect = "SELECT * FROM accounts";

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

/// The pgbench-like table on the fixture server, reachable through a DSN of a temporary odbc.ini.
class BenchServer
{
public:
    BenchServer()
    {
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
        qputenv("ODBCINI", (m_dir.path() + QStringLiteral("/odbc.ini")).toUtf8());
        PgServer& pg = PgServer::instance();
        if (!pg.running())
            throw std::runtime_error("no PostgreSQL server: " + pg.failure().toStdString());
        pg.psql(QStringLiteral("DROP TABLE IF EXISTS accounts; CREATE TABLE accounts (aid int PRIMARY KEY, "
                               "bid int, abalance int, filler char(84)); INSERT INTO accounts SELECT g, "
                               "1 + (g - 1) / 100000, 0, '' FROM generate_series(1, %1) g; ANALYZE accounts")
                    .arg(kRows));
        pg.writeOdbcDsn(kDsn);
    }

private:
    QTemporaryDir m_dir;
};

/// A line of /proc/self/status ("VmHWM:", "VmRSS:") in bytes.
qint64 statusBytes(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qsizetype(std::strlen(key))).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

qint64 peakResident()
{
    return statusBytes("VmHWM:");
}

/// Starts a new peak at the memory held now, and returns that.
qint64 resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    return statusBytes("VmRSS:");
}

void login(Connection& connection)
{
    PgServer& pg = PgServer::instance();
    connection.setName(kDsn);
    connection.addParam(QStringLiteral("USER NAME=") + pg.user());
    connection.addParam(QStringLiteral("PASSWORD=") + pg.password());
    connection.connect();
}

std::unique_ptr<QtSqlDriver> qodbc()
{
    PgServer& pg = PgServer::instance();
    return std::make_unique<QtSqlDriver>(
        QtSqlConnectionFacts{QStringLiteral("QODBC"), kDsn, {}, -1, {}, pg.user(), pg.password()});
}

/// Milliseconds from the cancel to the error, pg_sleep(30) stopped after 300 ms.
double cancelLatency(DatabaseDriver& driver)
{
    Clock::time_point cancelledAt{};
    std::atomic<bool> cancelled{false};
    const Clock::time_point start = Clock::now();
    // The callback asks on the calling thread; a driver that never calls back is asked from another.
    driver.setProgressCallback([&](qint64) {
        if (!cancelled && Clock::now() - start > std::chrono::milliseconds(300)) {
            cancelledAt = Clock::now();
            cancelled = true;
            driver.cancel();
        }
    });
    std::thread backstop([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        if (!cancelled.exchange(true)) {
            cancelledAt = Clock::now();
            driver.cancel();
        }
    });
    try {
        driver.fetch(QStringLiteral("SELECT pg_sleep(30)"), {}, false);
    } catch (const EngineError&) {
    }
    const Clock::time_point end = Clock::now();
    backstop.join();
    driver.setProgressCallback({});
    return seconds(end - cancelledAt) * 1e3;
}

void printFigures()
{
    OdbcBlockFetch baseline(kDsn);
    Connection connection;
    login(connection);
    // As the program runs it: progress told to a callback while the rows arrive.
    qint64 reports = 0;
    connection.setProgressCallback([&reports](qint64) { ++reports; });
    Query query(connection);
    query.setRequestLive(false);
    query.addSql(QString::fromLatin1(kSelect));
    std::unique_ptr<QtSqlDriver> old = qodbc();

    FigureRuns openRatio;
    FigureRuns oldRatio;
    FigureRuns openMs;
    FigureRuns oldMs;
    FigureRuns baselineMs;
    Fetched raw;
    qint64 held = 0;
    qint64 oldHeld = 0;
    qint64 peak = 0;
    qint64 oldPeak = 0;
    for (int run = 0; run < kFigureRuns; ++run) {
        auto start = Clock::now();
        raw = baseline.fetch(kSelect);
        const double base = seconds(Clock::now() - start);
        baselineMs.add(base * 1e3);

        qint64 before = resetPeak();
        start = Clock::now();
        query.open();
        const int count = query.recordCount();
        const double open = seconds(Clock::now() - start);
        openRatio.add(open / base);
        openMs.add(open * 1e3);
        if (count != raw.rows || raw.rows != kRows)
            throw std::runtime_error("the engine saw another number of rows");
        held = query.memoryBytes();
        peak = peakResident() - before;
        query.close();

        before = resetPeak();
        start = Clock::now();
        const FetchedResult result = old->fetch(QString::fromLatin1(kSelect), {}, false);
        const double opened = seconds(Clock::now() - start);
        oldRatio.add(opened / base);
        oldMs.add(opened * 1e3);
        oldHeld = result.rows->memoryBytes();
        oldPeak = peakResident() - before;
    }
    openRatio.print("odbc_open_ratio");
    oldRatio.print("odbc_open_ratio_qodbc");
    std::printf("figure: odbc_memory_ratio %.2f\n", double(held) / double(raw.textBytes));
    std::printf("figure: odbc_memory_ratio_qodbc %.2f\n", double(oldHeld) / double(raw.textBytes));
    std::printf("figure: odbc_peak_mb %.0f\n", double(peak) / 1e6);
    std::printf("figure: odbc_peak_mb_qodbc %.0f\n", double(oldPeak) / 1e6);
    std::printf(
        "(medians: open %.0f ms, QODBC %.0f ms, ODBC block fetch %.0f ms; %lld rows, %.1f MB held for "
        "%.1f MB of text, %lld progress reports)\n",
        openMs.median(), oldMs.median(), baselineMs.median(), raw.rows, double(held) / 1e6,
        double(raw.textBytes) / 1e6, (long long)reports);

    connection.setProgressCallback({});
    std::printf("figure: odbc_cancel_latency_ms %.0f\n", cancelLatency(connection.driver()));
    std::printf("figure: odbc_cancel_latency_ms_qodbc %.0f\n", cancelLatency(*old));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    try {
        const BenchServer server;
        printFigures();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_odbc: %s\n", e.what());
        return 1;
    }
    return 0;
}
