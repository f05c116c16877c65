// Speed of the statement normaliser, the execution and the grid's paint hook.
// After Google Benchmark's table, each figure is printed as "figure: <name> <value>".

#include "query/Generic.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

/// Word mixes of a statement. Typed: the normaliser's documented example, operators glued to
/// their operands and a quoted value. Dense: an operator, a quote or a lone "(" in every second word.
const std::vector<const char16_t*> kTypedWords = {u"select", u"*",   u"from",     u"emp",     u"where",
                                                 u"sal>=1000", u"and", u"name='x'", u"or"};
const std::vector<const char16_t*> kDenseWords = {
    u"select", u"ename,", u"sal>=1000", u"and", u"x=1",   u"name='O''Brien'", u"(",  u"deptno",
    u"!=20",   u"or",     u"from",      u"emp", u"where", u"a<b",             u"=y"};

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

void PrintFigure(const char* name, double value) { std::printf("figure: %s %.3f\n", name, value); }

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

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    NormalizeFigures();
    return 0;
}
