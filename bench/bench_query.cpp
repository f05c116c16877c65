// Speed of the statement normaliser, the execution, the grid's paint hook and the CSV export.
// After Google Benchmark's table, each figure is printed as "figure: <name> <value>".

#include "connection/AliasFile.h"
#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/Query.h"
#include "platform/AppContext.h"
#include "platform/QtDesktop.h"
#include "query/DataSourceLink.h"
#include "query/Generic.h"
#include "query/RecordSearch.h"
#include "query/ResultExport.h"
#include "query/ResultGridView.h"
#include "query/SqlExecution.h"
#include "query/query.h"
#include "settings/Settings.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QPixmap>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSaveFile>
#include <QString>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <stdexcept>
#include <string_view>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

/// Word mixes of a statement. Typed: the normaliser's documented example, operators glued to
/// their operands and a quoted value. Dense: an operator, a quote or a lone "(" in every second word.
const std::vector<const char16_t*> kTypedWords = {u"select",    u"*",   u"from",     u"emp", u"where",
                                                  u"sal>=1000", u"and", u"name='x'", u"or"};
const std::vector<const char16_t*> kDenseWords = {
    u"select", u"ename,", u"sal>=1000", u"and", u"x=1", u"name='O''Brien'", u"(", u"deptno", u"!=20", u"or",
    u"from",   u"emp",    u"where",     u"a<b", u"=y"};

QString MakeStatement(int words, const std::vector<const char16_t*>& mix)
{
    QString text;
    text.reserve(qsizetype(words) * 8);
    for (int i = 0; i < words; ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += QStringView(mix[size_t(i) % mix.size()]);
    }
    return text;
}

/// The cheapest thing a normaliser could be: one pass copying the text, upper-casing a to z.
QString CopyUpper(const QString& text)
{
    QString out(text.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const auto* src = reinterpret_cast<const char16_t*>(text.utf16());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = src[i];
        dst[i] = (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
    }
    return out;
}

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

/// Best of several runs, in seconds of processor time (the machine is shared).
double BestSeconds(const std::function<void()>& work, int runs = 15)
{
    double best = 1e300;
    for (int r = 0; r < runs; ++r) {
        const double t0 = CpuSeconds();
        work();
        best = std::min(best, CpuSeconds() - t0);
    }
    return best;
}

void BM_NormalizeSQL(benchmark::State& state)
{
    const QString text = MakeStatement(int(state.range(0)), kTypedWords);
    for (auto _ : state)
        benchmark::DoNotOptimize(NormalizeSQL(text));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_NormalizeSQL)->Arg(500000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_NormalizeSQLDense(benchmark::State& state)
{
    const QString text = MakeStatement(int(state.range(0)), kDenseWords);
    for (auto _ : state)
        benchmark::DoNotOptimize(NormalizeSQL(text));
}
BENCHMARK(BM_NormalizeSQLDense)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_CopyUpper(benchmark::State& state)
{
    const QString text = MakeStatement(int(state.range(0)), kTypedWords);
    for (auto _ : state)
        benchmark::DoNotOptimize(CopyUpper(text));
}
BENCHMARK(BM_CopyUpper)->Arg(1000000)->Unit(benchmark::kMillisecond);

void PrintFigure(const char* name, double value)
{
    std::printf("figure: %s %.3f\n", name, value);
}

void NormalizeFigures()
{
    const QString half = MakeStatement(500000, kTypedWords);
    const QString full = MakeStatement(1000000, kTypedWords);
    const QString dense = MakeStatement(1000000, kDenseWords);
    const double tHalf = BestSeconds([&] { benchmark::DoNotOptimize(NormalizeSQL(half)); });
    const double tFull = BestSeconds([&] { benchmark::DoNotOptimize(NormalizeSQL(full)); });
    const double tCopy = BestSeconds([&] { benchmark::DoNotOptimize(CopyUpper(full)); });
    const double tDense = BestSeconds([&] { benchmark::DoNotOptimize(NormalizeSQL(dense)); });
    const double tDenseCopy = BestSeconds([&] { benchmark::DoNotOptimize(CopyUpper(dense)); });
    PrintFigure("normalize_doubling_ratio", tFull / tHalf);
    PrintFigure("normalize_vs_copy_ratio", tFull / tCopy);
    PrintFigure("normalize_vs_copy_ratio_dense", tDense / tDenseCopy);
}

/// A Sample-like table of many rows in a database of its own, reached through an alias.
void MakeEmpDatabase(const QString& folder, int rows)
{
    const QString path = folder + QStringLiteral("/bench.sqlite");
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot create the bench database");
    const QByteArray script =
        QStringLiteral(
            "CREATE TABLE EMP (EMPNO INTEGER PRIMARY KEY, ENAME VARCHAR(30) NOT NULL, JOB VARCHAR(20), MGR "
            "INTEGER,"
            " HIREDATE DATE, SAL MONEY, COMM MONEY, DEPTNO INTEGER);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)"
            " INSERT INTO EMP SELECT i, 'Name ' || (i * 7919 % 100000) || ' Van der Berg',"
            " CASE i % 5 WHEN 0 THEN 'CLERK' WHEN 1 THEN 'SALESMAN' WHEN 2 THEN 'ANALYST' WHEN 3 THEN "
            "'MANAGER'"
            " ELSE 'SUPPORT ENGINEER' END, 7000 + i % 40, date('2015-01-05', '+' || (i % 4000) || ' days'),"
            " round(1200 + (i * 7919) % 4000 + ((i * 37) % 100) / 100.0, 2),"
            " CASE WHEN i % 5 = 1 THEN i % 10 * 50 END, 10 * (1 + i % 5) FROM n;")
            .arg(rows)
            .toUtf8();
    char* error = nullptr;
    if (sqlite3_exec(db, script.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "sqlite error";
        sqlite3_free(error);
        sqlite3_close(db);
        throw std::runtime_error(message);
    }
    sqlite3_close(db);
    AliasFile::Alias alias;
    alias.name = QStringLiteral("Bench");
    alias.driver = QStringLiteral("SQLITE");
    alias.database = path;
    if (!AliasFile::Write(DataSources::AliasFilePath(), alias))
        throw std::runtime_error("cannot write the alias file");
}

/// The program's pieces for one measurement: connection, result window and its registry.
struct ResultWindowRig
{
    ResultWindowRig()
    {
        connection.setName(QStringLiteral("Bench"));
        connection.connect();
        ctx.connection = &connection;
        window = std::make_unique<TFRM_Query>(ctx);
        ctx.query = window.get();
    }
    ~ResultWindowRig()
    {
        window.reset();
        connection.disconnect();
    }

    QtDesktop desktop;
    QPrinter printer;
    Settings settings{SettingsStore::defaultPath()};
    AppContext ctx{desktop, printer, settings};
    Connection connection;
    std::unique_ptr<TFRM_Query> window;
};

/// Notes when the grid is first painted, then closes the window.
class FirstPaintWatch final : public QObject
{
public:
    explicit FirstPaintWatch(TFRM_Query& window) : m_window(window)
    {
        window.DBG_Grid->viewport()->installEventFilter(this);
    }
    ~FirstPaintWatch() override { m_window.DBG_Grid->viewport()->removeEventFilter(this); }
    double at = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && at == 0) {
            // Let the grid paint, then take the time.
            watched->removeEventFilter(this);
            QCoreApplication::sendEvent(watched, event);
            at = CpuSeconds();
            QTimer::singleShot(0, m_window.BBN_Close, &QPushButton::click);
            return true;
        }
        return false;
    }

private:
    TFRM_Query& m_window;
};

void ExecuteFigures()
{
    constexpr int kRows = 1000000;
    ResultWindowRig rig;
    const QStringList lines = {QStringLiteral("select * from emp")};
    double execute = 1e300;
    double open = 1e300;
    for (int run = 0; run < 3; ++run) {
        {
            Query q(rig.connection);
            q.addSql(QStringLiteral("SELECT * FROM EMP "));
            q.setRequestLive(true);
            const double t0 = CpuSeconds();
            q.open();
            open = std::min(open, CpuSeconds() - t0);
            if (q.recordCount() != kRows)
                throw std::runtime_error("unexpected row count");
        }
        {
            FirstPaintWatch watch(*rig.window);
            const double t0 = CpuSeconds();
            SqlExecution(rig.ctx).BBN_ExecuteSQLClick(lines, QPoint(0, 0));
            if (watch.at == 0)
                throw std::runtime_error("the result window was not painted");
            execute = std::min(execute, watch.at - t0);
        }
    }
    std::printf("open of %d rows: %.3f s, execute to the painted window: %.3f s\n", kRows, open, execute);
    PrintFigure("execute_vs_open_ratio", execute / open);
}

void PaintFigures()
{
    ResultWindowRig rig;
    TFRM_Query& w = *rig.window;
    Query& q = w.QRY_Grid();
    q.close();
    w.DSC_Grid->setDataSet(&q);
    // Ten columns: the eight fields and two of them again.
    q.addSql(QStringLiteral("SELECT EMPNO, ENAME, JOB, MGR, HIREDATE, SAL, COMM, DEPTNO, ENAME, JOB FROM EMP "
                            "WHERE EMPNO <= 2000"));
    q.open();
    w.resize(1100, 800);
    w.show();
    for (int c = 0; c < w.columnCount(); ++c)
        w.setColumnWidth(c, 100);
    QPixmap target(w.DBG_Grid->viewport()->size());
    const int rowsShown =
        w.DBG_Grid->viewport()->height() / w.DBG_Grid->verticalHeader()->defaultSectionSize();
    const auto paint = [&] { w.DBG_Grid->viewport()->render(&target); };
    paint(); // the first paint stores the widths just set
    const auto paintMany = [&] {
        for (int i = 0; i < 20; ++i)
            paint();
    };
    const double withHook = BestSeconds(paintMany, 9);
    QStyledItemDelegate plain;
    w.DBG_Grid->setItemDelegate(&plain);
    const double without = BestSeconds(paintMany, 9);
    std::printf("grid painted: %d rows x %d columns, %.3f ms a screen with the width hook\n", rowsShown,
                w.columnCount(), withHook / 20 * 1e3);
    PrintFigure("grid_paint_hook_ratio", withHook / without);
    w.hide();
    q.close();
}

void SearchFigures()
{
    ResultWindowRig rig;
    Query q(rig.connection);
    q.addSql(QStringLiteral("SELECT * FROM EMP "));
    q.open();
    SearchRequest request;
    request.text = QStringLiteral("no such value");
    request.entireScope = true;
    request.wholeWordsOnly = false;
    for (int p = 0; p < q.fieldCount(); ++p)
        request.positions.append(p);
    const double search = BestSeconds(
        [&] {
            q.disableControls();
            if (SearchRecords(q, request) != -1)
                throw std::runtime_error("the text was found");
            q.enableControls();
        },
        5);
    // The plain loop: every value of every record compared with the text, nothing else.
    const QByteArray needleBytes = request.text.toUtf8();
    const std::string_view needle(needleBytes.constData(), size_t(needleBytes.size()));
    const double loop = BestSeconds(
        [&] {
            int hits = 0;
            for (int r = 0; r < q.recordCount(); ++r) {
                for (int p = 0; p < q.fieldCount(); ++p)
                    hits += q.valueBytes(r, p).find(needle) != std::string_view::npos;
            }
            benchmark::DoNotOptimize(hits);
        },
        5);
    std::printf("search of %d rows x %d columns: %.3f s, plain loop %.3f s\n", q.recordCount(),
                q.fieldCount(), search, loop);
    PrintFigure("search_vs_loop_ratio", search / loop);
}

/// The export as the result window runs it (into a file that replaces the old one at the end),
/// against the sqlite3 shell writing the same rows in its CSV mode. Wall time: both write a file.
void ExportFigures(const QString& folder)
{
    ResultWindowRig rig;
    Query q(rig.connection);
    q.addSql(QStringLiteral("SELECT * FROM EMP"));
    QElapsedTimer clock;
    clock.start();
    q.open();
    const double open = double(clock.nsecsElapsed()) * 1e-9;
    QList<ExportColumn> columns;
    for (int p = 0; p < q.fieldCount(); ++p)
        columns.append({p, q.field(p).displayLabel});
    const QString ours = folder + QStringLiteral("/ours.csv");
    double exportSeconds = 1e300;
    for (int run = 0; run < 3; ++run) {
        clock.restart();
        QSaveFile file(ours);
        if (!file.open(QIODevice::WriteOnly) || WriteCsv(q, columns, file) != ExportOutcome::Written ||
            !file.commit())
            throw std::runtime_error("the export failed");
        exportSeconds = std::min(exportSeconds, double(clock.nsecsElapsed()) * 1e-9);
    }
    std::printf("export of %d rows x %d columns: %.3f s (open %.3f s), %lld bytes\n", q.recordCount(),
                q.fieldCount(), exportSeconds, open, QFileInfo(ours).size());
    PrintFigure("export_csv_1m_s", exportSeconds);

    const QString theirs = folder + QStringLiteral("/shell.csv");
    double shellSeconds = 1e300;
    for (int run = 0; run < 3; ++run) {
        QProcess shell;
        shell.setStandardOutputFile(theirs);
        clock.restart();
        shell.start(QStringLiteral("sqlite3"),
                    {QStringLiteral("-csv"), QStringLiteral("-header"),
                     folder + QStringLiteral("/bench.sqlite"), QStringLiteral("SELECT * FROM EMP")});
        if (!shell.waitForFinished(-1) || shell.exitStatus() != QProcess::NormalExit ||
            shell.exitCode() != 0) {
            std::printf("the sqlite3 shell did not run: no export ratio\n");
            return;
        }
        shellSeconds = std::min(shellSeconds, double(clock.nsecsElapsed()) * 1e-9);
    }
    std::printf("sqlite3 shell, .mode csv: %.3f s, %lld bytes\n", shellSeconds, QFileInfo(theirs).size());
    // The shell runs the statement too; with the result's own opening the comparison is like for like.
    PrintFigure("export_csv_with_open_vs_sqlite3_ratio", (open + exportSeconds) / shellSeconds);
}

} // namespace

int main(int argc, char** argv)
{
    // Everything the program stores goes into a folder of this run.
    QTemporaryDir home;
    const QString config = home.path() + QStringLiteral("/config");
    const QString data = home.path() + QStringLiteral("/data");
    QDir().mkpath(config);
    QDir().mkpath(data);
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    qputenv("XDG_DATA_HOME", data.toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    NormalizeFigures();
    MakeEmpDatabase(data, 1000000);
    PaintFigures();
    ExecuteFigures();
    SearchFigures();
    ExportFigures(data);
    return 0;
}
