// Replace All through the real command on a real editor: it must grow with the text, not with the
// square of the number of occurrences.
#include "SilentDesktop.h"
#include "app/EditorFindReplace.h"
#include "app/ReplaceDialog.h"
#include "platform/AppContext.h"
#include "settings/Settings.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

/// SQL-like lines of 109 characters, each holding the word "needle" once: 10,000 lines make just
/// over 1 MB (1,090,000 characters).
QString textWithOccurrences(int occurrences)
{
    const QString line = QStringLiteral("select customer_name, order_total, shipped_at from orders where "
                                        "needle = 1 and region_id > 20 -- still open;\n");
    QString text;
    text.reserve(line.size() * occurrences);
    for (int i = 0; i < occurrences; ++i)
        text.append(line);
    return text;
}

struct Fixture
{
    SilentDesktop desktop;
    QPrinter printer;
    Settings settings{SettingsStore::defaultPath()};
    AppContext ctx{desktop, printer, settings};
    QPlainTextEdit editor;
    std::unique_ptr<EditorFindReplace> commands;

    Fixture()
    {
        editor.resize(640, 480);
        editor.show();
        commands = std::make_unique<EditorFindReplace>(ctx, editor);
        commands->replaceDialog().setFindText(QStringLiteral("needle"));
        commands->replaceDialog().setReplaceText(QStringLiteral("haystack"));
        commands->replaceDialog().setWholeWord(true);
    }
};

void BM_ReplaceAll(benchmark::State& state)
{
    Fixture fixture;
    const int occurrences = int(state.range(0));
    const QString text = textWithOccurrences(occurrences);
    double fastestMs = 1e300;
    for (auto _ : state) {
        fixture.editor.setPlainText(text);
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        fixture.commands->RDI_VemraReplace(true);
        QApplication::processEvents();
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        fastestMs = std::min(fastestMs, seconds * 1e3);
        if (!fixture.editor.document()->toRawText().contains(QStringLiteral("where haystack =")))
            state.SkipWithError("nothing was replaced");
    }
    state.counters["chars"] = double(text.size());
    // The fastest run is the figure: the machine's other work only ever adds to a run's time.
    state.counters["fastest_ms"] = fastestMs;
}
BENCHMARK(BM_ReplaceAll)
    ->Arg(10000)
    ->Arg(20000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

/// Keeps the console table and notes each run's fastest iteration (milliseconds).
class FigureReporter final : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> fastestMs;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const auto fastest = run.counters.find("fastest_ms");
            if (run.run_type == Run::RT_Iteration && fastest != run.counters.end())
                fastestMs[run.benchmark_name()] = fastest->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    // Never touch the user's own settings.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    benchmark::Initialize(&argc, argv);
    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double oneMb = reporter.fastestMs["BM_ReplaceAll/10000/min_time:2.000/manual_time"];
    const double twoMb = reporter.fastestMs["BM_ReplaceAll/20000/min_time:2.000/manual_time"];
    if (oneMb > 0 && twoMb > 0) {
        std::printf("figure: replace_all_1mb_ms %.2f\n", oneMb);
        std::printf("figure: replace_all_2mb_20k_ms %.2f\n", twoMb);
        std::printf("figure: replace_all_doubling_ratio %.2f\n", twoMb / oneMb);
    }
    return 0;
}
