// Speed of the result report: laying out, and laying out and writing as PDF, 10,000 rows of
// 8 columns in the program's own report layout.
#include "print/GenericReport.h"
#include "print/ResultReportDefinition.h"
#include "print/ResultReportPlan.h"
#include "report_engine/ReportLayout.h"
#include "report_engine/ReportPainter.h"
#include "report_engine/TableRowSource.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kRows = 10000;
constexpr int kColumns = 8;

std::map<std::string, double> g_bestSeconds;

void keepBest(const std::string& figure, double seconds)
{
    auto [it, added] = g_bestSeconds.emplace(figure, seconds);
    if (!added)
        it->second = std::min(it->second, seconds);
}

const TableRowSource& rows()
{
    static const TableRowSource source = [] {
        QStringList names;
        for (int c = 1; c <= kColumns; ++c)
            names.append(QStringLiteral("COLUMN%1").arg(c));
        TableRowSource s(names);
        s.reserve(kRows);
        for (int r = 1; r <= kRows; ++r) {
            QStringList cells;
            for (int c = 1; c <= kColumns; ++c)
                cells.append(c == 1 ? QString::number(r) : QStringLiteral("Value %1.%2").arg(r).arg(c));
            s.addRow(cells);
        }
        return s;
    }();
    return source;
}

/// The result report as a first-run user gets it: landscape, half-inch margins, row numbers.
const ReportDefinition& definition()
{
    static const ReportDefinition def = [] {
        GenericPage page;
        page.LeftMargin = page.RightMargin = page.TopMargin = page.BottomMargin = 48;
        page.SpaceBetweenColumns = 9.6;
        page.RowNumberWidth = kRowNumberWidth;
        page.Orientation = PageOrientation::Landscape;
        page.PageWidth = PageWidthFor(page.Orientation);
        QList<ReportColumnInput> columns;
        for (int c = 1; c <= kColumns; ++c)
            columns.append({QStringLiteral("COLUMN%1").arg(c), 15, 15});
        const ResultReportPlan plan = PlanResultReport(page, columns);

        ReportDefinition d = BuildResultReportDefinition();
        d.page.orientation = page.Orientation;
        d.page.leftMargin = d.page.rightMargin = d.page.topMargin = d.page.bottomMargin = 0.5;
        d.page.columnSpace = 0.1;
        d.title = QStringLiteral("Query Result");
        d.showProgress = false;
        PlaceColumnSlots(d, plan);
        for (int k = 1; k <= plan.usedSlots(); ++k) {
            ReportElement* heading = d.findElement(ResultReportElements::Heading(k));
            ReportElement* cell = d.findElement(ResultReportElements::Cell(k));
            heading->text = columns[k - 1].fieldName;
            cell->fieldName = columns[k - 1].fieldName;
            heading->enabled = cell->enabled = true;
        }
        d.findElement(ResultReportElements::Title)->text = d.title;
        d.findElement(ResultReportElements::RecordCount)->text =
            QStringLiteral("Total Records: %1").arg(kRows);
        return d;
    }();
    return def;
}

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BM_ReportLayout10k(benchmark::State& state)
{
    const ReportDefinition& def = definition();
    const TableRowSource& source = rows();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        LaidOutReport report = LayoutReport(def, source);
        keepBest("report_layout_10k_s", seconds(start));
        benchmark::DoNotOptimize(report.pages.size());
        state.counters["pages"] = double(report.pages.size());
    }
}
BENCHMARK(BM_ReportLayout10k)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReportPdf10k(benchmark::State& state)
{
    const ReportDefinition& def = definition();
    const TableRowSource& source = rows();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const LaidOutReport report = LayoutReport(def, source);
        const bool written = WriteReportPdf(report, path);
        keepBest("report_pdf_10k_s", seconds(start));
        if (!written)
            state.SkipWithError("the PDF could not be written");
        state.counters["MB"] = double(QFileInfo(path).size()) / (1024.0 * 1024.0);
    }
}
BENCHMARK(BM_ReportPdf10k)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& [figure, value] : g_bestSeconds)
        std::printf("figure: %s %.3f\n", figure.c_str(), value);
    return 0;
}
