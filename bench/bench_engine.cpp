// Opening a large SQLite result through the engine, against bare stepping with the C API.
#include "connection/AliasFile.h"
#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/Query.h"
#include "connection/WatchedCall.h"

#include <QApplication>
#include <QWidget>

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

constexpr int kRows = 1000000;
constexpr int kFigureRuns = 5;
const QString kAlias = QStringLiteral("Bench");
const char* const kSelect = "SELECT * FROM t";

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

/// The 1,000,000-row table: integer key, two texts of about 15 characters, a real, an integer
/// and a date text. Built once per run in a temporary home, reachable through an alias.
class BenchDatabase
{
public:
    BenchDatabase()
    {
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
        m_path = m_dir.path() + QStringLiteral("/bench.sqlite3");
        sqlite3* db = nullptr;
        check(sqlite3_open(QFile::encodeName(m_path).constData(), &db), db);
        check(sqlite3_exec(db,
                           "CREATE TABLE t (id INTEGER PRIMARY KEY, name VARCHAR(20), city VARCHAR(20), "
                           "amount REAL, qty INTEGER, day DATE); BEGIN",
                           nullptr, nullptr, nullptr),
              db);
        sqlite3_stmt* insert = nullptr;
        check(sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?1, ?2, ?3, ?4, ?5, ?6)", -1, &insert, nullptr),
              db);
        std::mt19937 random(42);
        auto word = [&random](int length) {
            std::string s;
            for (int i = 0; i < length; ++i)
                s += char(i == 5 ? ' ' : 'a' + int(random() % 26));
            return s;
        };
        for (int i = 1; i <= kRows; ++i) {
            const std::string name = word(13 + int(random() % 5));
            const std::string city = word(13 + int(random() % 5));
            char day[16];
            std::snprintf(day, sizeof day, "20%02d-%02d-%02d", int(random() % 25), 1 + int(random() % 12),
                          1 + int(random() % 28));
            sqlite3_bind_int(insert, 1, i);
            sqlite3_bind_text(insert, 2, name.data(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 3, city.data(), int(city.size()), SQLITE_TRANSIENT);
            sqlite3_bind_double(insert, 4, double(random() % 10000000) / 100.0);
            sqlite3_bind_int(insert, 5, int(random() % 100000));
            sqlite3_bind_text(insert, 6, day, -1, SQLITE_TRANSIENT);
            check(sqlite3_step(insert), db);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
        sqlite3_close(db);

        AliasFile::Alias alias;
        alias.name = kAlias;
        alias.driver = QStringLiteral("SQLITE");
        alias.database = m_path;
        if (!AliasFile::Write(DataSources::AliasFilePath(), alias))
            throw std::runtime_error("cannot write the alias file");
    }

    QString path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

BenchDatabase& database()
{
    static BenchDatabase db;
    return db;
}

struct Stepped
{
    long long rows = 0;
    long long textBytes = 0;
};

/// The baseline: every row stepped, every column read as text.
Stepped stepEveryColumn(sqlite3* db)
{
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, kSelect, -1, &st, nullptr), db);
    Stepped result;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            benchmark::DoNotOptimize(sqlite3_column_text(st, c));
            result.textBytes += sqlite3_column_bytes(st, c);
        }
        ++result.rows;
    }
    sqlite3_finalize(st);
    return result;
}

sqlite3* openBaseline()
{
    sqlite3* db = nullptr;
    // Opened as the engine opens its files, so both pay the same locking.
    check(sqlite3_open_v2(QFile::encodeName(database().path()).constData(), &db,
                          SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr),
          db);
    return db;
}

/// The bench table's SELECT on a connection through the alias.
struct BenchSession
{
    BenchSession()
    {
        connection.setName(kAlias);
        connection.connect();
        query.setRequestLive(false);
        query.addSql(QString::fromLatin1(kSelect));
    }

    Connection connection;
    Query query{connection};
};

void BM_SqliteStepAsText(benchmark::State& state)
{
    sqlite3* db = openBaseline();
    for (auto _ : state)
        benchmark::DoNotOptimize(stepEveryColumn(db));
    sqlite3_close(db);
}

void BM_EngineOpen(benchmark::State& state)
{
    database();
    BenchSession session;
    Query& query = session.query;
    for (auto _ : state) {
        query.open();
        benchmark::DoNotOptimize(query.recordCount());
        state.PauseTiming();
        query.close();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_SqliteStepAsText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EngineOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

/// Best of several interleaved runs of each, so that drift of the machine hits both alike.
void printFigures()
{
    sqlite3* db = openBaseline();
    BenchSession session;
    Query& query = session.query;

    double bestStep = 1e9;
    double bestOpen = 1e9;
    Stepped stepped;
    qint64 held = 0;
    for (int run = 0; run < kFigureRuns; ++run) {
        auto start = std::chrono::steady_clock::now();
        stepped = stepEveryColumn(db);
        bestStep = std::min(bestStep, seconds(std::chrono::steady_clock::now() - start));

        start = std::chrono::steady_clock::now();
        query.open();
        const int count = query.recordCount();
        bestOpen = std::min(bestOpen, seconds(std::chrono::steady_clock::now() - start));
        if (count != stepped.rows)
            throw std::runtime_error("the engine saw another number of rows");
        held = query.memoryBytes();
        query.close();
    }
    sqlite3_close(db);
    std::printf("figure: engine_open_ratio %.2f\n", bestOpen / bestStep);
    std::printf("figure: engine_memory_ratio %.2f\n", double(held) / double(stepped.textBytes));
    std::printf("(open %.0f ms, stepping %.0f ms, %lld rows, %.1f MB held for %.1f MB of text)\n",
                bestOpen * 1e3, bestStep * 1e3, stepped.rows, double(held) / 1e6,
                double(stepped.textBytes) / 1e6);
}

/// The process's resident memory now.
double residentMb()
{
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / 1e6;
}

/// Opening with the progress window's watch attached (it shows after half a second and keeps
/// the event loop turning), against the same open without it; then what closing gives back.
void printWatchFigures()
{
    BenchSession session;
    Connection& connection = session.connection;
    Query& query = session.query;
    QWidget owner;

    double bestPlain = 1e9;
    double bestWatched = 1e9;
    double peak = 0;
    for (int run = 0; run < kFigureRuns; ++run) {
        auto start = std::chrono::steady_clock::now();
        query.open();
        bestPlain = std::min(bestPlain, seconds(std::chrono::steady_clock::now() - start));
        peak = std::max(peak, residentMb());
        query.close();

        start = std::chrono::steady_clock::now();
        {
            const WatchedCall watch(connection, &owner, QStringLiteral("Executing SQL"));
            query.open();
        }
        bestWatched = std::min(bestWatched, seconds(std::chrono::steady_clock::now() - start));
        query.close();
    }
    std::printf("figure: progress_overhead_ratio %.3f\n", bestWatched / bestPlain);
    std::printf("(open %.0f ms without the watch, %.0f ms with it)\n", bestPlain * 1e3, bestWatched * 1e3);
    std::printf("figure: rss_open_mb %.0f\n", peak);
    std::printf("figure: rss_after_close_mb %.0f\n", residentMb());

    // A count that runs for minutes, stopped from another thread after 300 ms.
    query.clearSql();
    query.addSql(QStringLiteral("WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c "
                                "WHERE n < 1000000000) SELECT count(*) FROM c"));
    double worst = 0;
    for (int run = 0; run < kFigureRuns; ++run) {
        std::chrono::steady_clock::time_point cancelledAt;
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            cancelledAt = std::chrono::steady_clock::now();
            connection.cancel();
        });
        bool stopped = false;
        try {
            query.open();
        } catch (const std::exception&) {
            stopped = true;
        }
        const auto returnedAt = std::chrono::steady_clock::now();
        canceller.join();
        if (!stopped)
            throw std::runtime_error("the count was not stopped");
        worst = std::max(worst, seconds(returnedAt - cancelledAt) * 1e3);
    }
    std::printf("figure: sqlite_cancel_latency_ms %.1f\n", worst);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    database();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printFigures();
    printWatchFigures();
    return 0;
}
