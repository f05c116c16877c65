// The settings store's cost per operation: each read and write is its own transaction.
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kOperations = 20000;
constexpr int kWidthWrites = 500;
constexpr int kRepaints = 20;

QString storePath()
{
    static QTemporaryDir dir;
    return dir.path() + QStringLiteral("/settings.sqlite3");
}

QString widthKey(int i)
{
    return QStringLiteral("FIELD_%1->WIDTH").arg(i);
}

void BM_ReadText(benchmark::State& state)
{
    SettingsStore store(storePath());
    store.WriteText(Schema::Section::Login, QStringLiteral("USERNAME"), QStringLiteral("scott"));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            store.ReadText(Schema::Section::Login, QStringLiteral("USERNAME"), QString()));
}

void BM_WriteUnchanged(benchmark::State& state)
{
    SettingsStore store(storePath());
    store.WriteNumber(Schema::Section::QryFields, widthKey(0), 120);
    for (auto _ : state)
        store.WriteNumber(Schema::Section::QryFields, widthKey(0), 120);
}

void BM_WriteChanged(benchmark::State& state)
{
    SettingsStore store(storePath());
    int value = 0;
    for (auto _ : state)
        store.WriteNumber(Schema::Section::QryFields, widthKey(1), ++value);
}

BENCHMARK(BM_ReadText);
BENCHMARK(BM_WriteUnchanged);
BENCHMARK(BM_WriteChanged);

template <typename Operation> double microsecondsPerOperation(int count, Operation operation)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
        operation(i);
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() /
           count;
}

void printFigures()
{
    SettingsStore store(storePath());
    store.WriteText(Schema::Section::Login, QStringLiteral("DATASOURCE"), QStringLiteral("Sample"));
    const double read = microsecondsPerOperation(kOperations, [&store](int) {
        benchmark::DoNotOptimize(
            store.ReadText(Schema::Section::Login, QStringLiteral("DATASOURCE"), QString()));
    });
    store.WriteText(Schema::Section::Login, QStringLiteral("USERNAME"), QStringLiteral("scott"));
    const double unchanged = microsecondsPerOperation(kOperations, [&store](int) {
        store.WriteText(Schema::Section::Login, QStringLiteral("USERNAME"), QStringLiteral("scott"));
    });
    const double changed = microsecondsPerOperation(
        kOperations, [&store](int i) { store.WriteNumber(Schema::Section::QryFields, widthKey(-1), i); });

    // One repaint of a wide grid: every column writes the width it already has.
    for (int i = 0; i < kWidthWrites; ++i)
        store.WriteNumber(Schema::Section::QryFields, widthKey(i), 64 + i % 50);
    std::vector<double> repaints;
    for (int r = 0; r < kRepaints; ++r) {
        repaints.push_back(microsecondsPerOperation(kWidthWrites,
                                                    [&store](int i) {
                                                        store.WriteNumber(Schema::Section::QryFields,
                                                                          widthKey(i), 64 + i % 50);
                                                    }) *
                           kWidthWrites / 1000.0);
    }
    std::sort(repaints.begin(), repaints.end());

    std::printf("figure: settings_read_us %.1f\n", read);
    std::printf("figure: settings_write_unchanged_us %.1f\n", unchanged);
    std::printf("figure: settings_write_changed_us %.1f\n", changed);
    std::printf("figure: settings_500_unchanged_ms %.2f\n", repaints[repaints.size() / 2]);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printFigures();
    return 0;
}
