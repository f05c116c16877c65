// A one-line SQL file of 5 MB through the main window's Load command, word wrap on: the time until
// the editor shows it, and the time one typed character takes to show on that line. And the
// editor's 10 MB text kept in the recovery file: the time the window stands still for one write,
// and the time the text takes to come back at the next login. And loads that replace a long line
// with a short file. And syntax colours on against off: loading a 5 MB file of many lines, and typing
// into it.
#include "SilentDesktop.h"
#include "app/EditorRecovery.h"
#include "app/RecoveryFile.h"
#include "app/main.h"
#include "platform/AppContext.h"
#include "query/SqlHighlighter.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr qsizetype kLineBytes = 5'000'000;

QString oneLineFile(const QString& folder)
{
    // Mostly one long literal: a line without a blank is the hard case for wrapping.
    const QByteArray head = "SELECT ENAME, '";
    const QByteArray tail = "' AS X FROM EMP WHERE EMPNO = 7369";
    const QByteArray line =
        head + QByteArray("0123456789abcdef").repeated((kLineBytes - head.size() - tail.size()) / 16) + tail;
    const QString path = folder + QStringLiteral("/long.SQL");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(line + "\r\n") != line.size() + 2)
        return {};
    return path;
}

double fastestLoadS = 0;
double fastestLoadCpuS = 0;
double fastestTypeS = 0;

/// This thread's processor time: on a busy machine the wall clock also counts other work.
double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void BM_LongLineLoad(benchmark::State& state)
{
    QTemporaryDir folder;
    SilentDesktop desktop;
    QPrinter printer;
    Settings settings{SettingsStore::defaultPath()};
    AppContext ctx{desktop, printer, settings};
    desktop.openAnswer = oneLineFile(folder.path());
    if (desktop.openAnswer->isEmpty()) {
        state.SkipWithError("cannot write the file");
        return;
    }
    double fastestLoad = 1e300;
    double fastestLoadCpu = 1e300;
    double fastestType = 1e300;
    for (auto _ : state) {
        // Each run starts from an empty editor, not from the text the last run left behind.
        QDir(RecoveryFile::DefaultFolder()).removeRecursively();
        TFRM_QueryTool window(ctx);
        window.show();
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = ThreadCpuSeconds();
        window.BBN_LoadSQL->click();
        window.REDT_QueryTool->repaint();
        QApplication::processEvents();
        const double load = double(timer.nsecsElapsed()) / 1e9;
        fastestLoadCpu = std::min(fastestLoadCpu, ThreadCpuSeconds() - cpuStart);
        if (window.REDT_QueryTool->document()->characterCount() < kLineBytes - 16)
            state.SkipWithError("the file was not loaded");

        window.REDT_QueryTool->moveCursor(QTextCursor::End);
        timer.restart();
        QTest::keyClick(window.REDT_QueryTool, Qt::Key_X);
        window.REDT_QueryTool->repaint();
        QApplication::processEvents();
        const double type = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(load);
        fastestLoad = std::min(fastestLoad, load);
        fastestType = std::min(fastestType, type);
    }
    // The fastest run is the figure: the machine's other work only ever adds to a run's time.
    fastestLoadS = fastestLoad;
    fastestLoadCpuS = fastestLoadCpu;
    fastestTypeS = fastestType;
}
BENCHMARK(BM_LongLineLoad)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

double fastestReloadS = 0;
double fastestReloadCpuS = 0;

/// Loads of a 1 MB one-line file, a short file, a 5 MB line and a short file again, one after
/// another in one window: each short file replaces a long line.
void BM_LongLineReload(benchmark::State& state)
{
    QTemporaryDir folder;
    SilentDesktop desktop;
    QPrinter printer;
    Settings settings{SettingsStore::defaultPath()};
    AppContext ctx{desktop, printer, settings};
    const auto oneLine = [](qsizetype bytes) {
        return "SELECT '" + QByteArray("0123456789abcdef").repeated(bytes / 16) + "' AS X FROM EMP\r\n";
    };
    const QString shortFile =
        writeFile(folder.filePath(QStringLiteral("short.SQL")), "SELECT *\r\nFROM EMP\r\n");
    const QString files[] = {
        writeFile(folder.filePath(QStringLiteral("1mb.SQL")), oneLine(1'000'000)), shortFile,
        writeFile(folder.filePath(QStringLiteral("5mb.SQL")), oneLine(5'000'000)), shortFile};
    for (const QString& file : files) {
        if (file.isEmpty()) {
            state.SkipWithError("cannot write the files");
            return;
        }
    }
    double fastest = 1e300;
    double fastestCpu = 1e300;
    for (auto _ : state) {
        QDir(RecoveryFile::DefaultFolder()).removeRecursively();
        TFRM_QueryTool window(ctx);
        window.show();
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = ThreadCpuSeconds();
        for (const QString& file : files) {
            desktop.openAnswer = file;
            window.BBN_LoadSQL->click();
            window.REDT_QueryTool->repaint();
            QApplication::processEvents();
        }
        const double reload = double(timer.nsecsElapsed()) / 1e9;
        fastestCpu = std::min(fastestCpu, ThreadCpuSeconds() - cpuStart);
        if (window.REDT_QueryTool->document()->characterCount() > 100)
            state.SkipWithError("the short file was not loaded");
        state.SetIterationTime(reload);
        fastest = std::min(fastest, reload);
    }
    fastestReloadS = fastest;
    fastestReloadCpuS = fastestCpu;
}
BENCHMARK(BM_LongLineReload)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

constexpr qsizetype kRecoveryBytes = 10'000'000;

double fastestRecoveryWriteS = 0;
double fastestRecoveryWriteCpuS = 0;
double fastestRecoveryRestoreS = 0;

void BM_RecoveryWrite(benchmark::State& state)
{
    SilentDesktop desktop;
    QPrinter printer;
    Settings settings{SettingsStore::defaultPath()};
    AppContext ctx{desktop, printer, settings};
    // Ordinary SQL lines, with a few non-ASCII letters for the encoder.
    const QString line =
        QStringLiteral("SELECT ENAME, SAL FROM EMP WHERE CITY = 'Zürich' AND SAL > 1000 -- note\n");
    const QString text = line.repeated(kRecoveryBytes / line.size());
    double fastestWrite = 1e300;
    double fastestWriteCpu = 1e300;
    double fastestRestore = 1e300;
    for (auto _ : state) {
        QDir(RecoveryFile::DefaultFolder()).removeRecursively();
        {
            TFRM_QueryTool window(ctx);
            window.show();
            window.setEditorText(text);
            QTest::keyClick(window.REDT_QueryTool, Qt::Key_X);
            QElapsedTimer timer;
            timer.start();
            const double cpuStart = ThreadCpuSeconds();
            window.recovery().writeNow();
            const double write = double(timer.nsecsElapsed()) / 1e9;
            fastestWriteCpu = std::min(fastestWriteCpu, ThreadCpuSeconds() - cpuStart);
            state.SetIterationTime(write);
            fastestWrite = std::min(fastestWrite, write);
        }
        TFRM_QueryTool next(ctx);
        QElapsedTimer timer;
        timer.start();
        next.show();
        QApplication::processEvents();
        fastestRestore = std::min(fastestRestore, double(timer.nsecsElapsed()) / 1e9);
        if (next.REDT_QueryTool->document()->characterCount() < text.size())
            state.SkipWithError("the text did not come back");
    }
    fastestRecoveryWriteS = fastestWrite;
    fastestRecoveryWriteCpuS = fastestWriteCpu;
    fastestRecoveryRestoreS = fastestRestore;
}
BENCHMARK(BM_RecoveryWrite)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

/// A 5 MB file of short statements over many lines, with every kind of token the colours tell.
QString manyLinesFile(const QString& folder)
{
    const QByteArray lines = "-- the clerks of one department\n"
                             "SELECT e.ENAME, 'clerk', \"Hired On\", 1250.50 /* pay\n"
                             "   per month */ FROM EMP e WHERE e.DEPTNO = :dept AND e.JOB = 'CLERK';\n";
    const QString path = folder + QStringLiteral("/many.SQL");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(lines.repeated(kLineBytes / lines.size())) <= 0)
        return {};
    return path;
}

struct ColourRun
{
    double loadCpuS = 0;
    double typeCpuS = 0;
};

/// Loads the file through the main window with syntax colours on or off, then types 40
/// characters into the text on screen, each shown before the next.
ColourRun RunWithColours(AppContext& ctx, SilentDesktop& desktop, const QString& file, bool colours)
{
    QDir(RecoveryFile::DefaultFolder()).removeRecursively();
    ctx.settings.open().Write(Schema::General::SyntaxColors, colours);
    TFRM_QueryTool window(ctx);
    window.show();
    QApplication::processEvents();
    desktop.openAnswer = file;
    ColourRun run;
    double start = ThreadCpuSeconds();
    window.BBN_LoadSQL->click();
    window.REDT_QueryTool->repaint();
    QApplication::processEvents();
    run.loadCpuS = ThreadCpuSeconds() - start;
    if (window.REDT_QueryTool->document()->characterCount() < kLineBytes / 2)
        return {};

    window.REDT_QueryTool->moveCursor(QTextCursor::Start);
    window.REDT_QueryTool->moveCursor(QTextCursor::Down);
    start = ThreadCpuSeconds();
    for (int i = 0; i < 40; ++i) {
        // An opening quote now and then: the lines after it change colour, as they do in real typing.
        QTest::keyClick(window.REDT_QueryTool, i % 10 == 0 ? Qt::Key_Apostrophe : Qt::Key_X);
        window.REDT_QueryTool->repaint();
        QApplication::processEvents();
    }
    // The lines after the last change are coloured once typing pauses: that work counts too. The
    // pause itself costs no processor time, with colours or without.
    QTest::qWait(SqlHighlighter::kSettleMs * 2);
    window.REDT_QueryTool->repaint();
    QApplication::processEvents();
    run.typeCpuS = ThreadCpuSeconds() - start;
    return run;
}

std::vector<double> highlightLoadRatios;
std::vector<double> highlightTypeRatios;

void BM_HighlightRatio(benchmark::State& state)
{
    QTemporaryDir folder;
    SilentDesktop desktop;
    QPrinter printer;
    Settings settings{SettingsStore::defaultPath()};
    AppContext ctx{desktop, printer, settings};
    const QString file = manyLinesFile(folder.path());
    if (file.isEmpty()) {
        state.SkipWithError("cannot write the file");
        return;
    }
    for (auto _ : state) {
        // Interleaved, the same file and the same keys: only the colours differ.
        const ColourRun without = RunWithColours(ctx, desktop, file, false);
        const ColourRun with = RunWithColours(ctx, desktop, file, true);
        if (without.loadCpuS <= 0 || without.typeCpuS <= 0) {
            state.SkipWithError("the file was not loaded");
            return;
        }
        highlightLoadRatios.push_back(with.loadCpuS / without.loadCpuS);
        highlightTypeRatios.push_back(with.typeCpuS / without.typeCpuS);
        state.SetIterationTime(with.loadCpuS + without.loadCpuS);
    }
}
BENCHMARK(BM_HighlightRatio)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void PrintRatio(const char* name, std::vector<double> ratios)
{
    if (ratios.empty())
        return;
    std::sort(ratios.begin(), ratios.end());
    std::printf("figure: %s %.3f\n", name, ratios[ratios.size() / 2]);
    std::printf("spread: %s %.3f %.3f\n", name, ratios.front(), ratios.back());
}

} // namespace

int main(int argc, char** argv)
{
    // Never touch the user's own settings.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (fastestLoadS > 0) {
        std::printf("figure: long_line_load_s %.2f\n", fastestLoadS);
        std::printf("figure: long_line_load_cpu_s %.2f\n", fastestLoadCpuS);
        std::printf("figure: long_line_type_s %.2f\n", fastestTypeS);
    }
    if (fastestReloadS > 0) {
        std::printf("figure: long_line_reload_s %.2f\n", fastestReloadS);
        std::printf("figure: long_line_reload_cpu_s %.2f\n", fastestReloadCpuS);
    }
    if (fastestRecoveryWriteS > 0) {
        std::printf("figure: recovery_write_10mb_ms %.1f\n", fastestRecoveryWriteS * 1e3);
        std::printf("figure: recovery_write_10mb_cpu_ms %.1f\n", fastestRecoveryWriteCpuS * 1e3);
        std::printf("figure: recovery_restore_10mb_s %.2f\n", fastestRecoveryRestoreS);
    }
    PrintRatio("highlight_load_ratio", highlightLoadRatios);
    PrintRatio("highlight_type_ratio", highlightTypeRatios);
    return 0;
}
