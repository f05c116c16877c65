// The SQL history's filter over 100,000 entries, as the window runs it: a table view on the model,
// each filter text applied the way a keystroke applies it.
#include "query/SqlHistoryModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kEntries = 100000;
constexpr int kRuns = 9;

std::vector<HistoryEntry> Entries()
{
    std::vector<HistoryEntry> entries;
    entries.reserve(kEntries);
    const QDateTime start = QDateTime::currentDateTime();
    for (int i = 0; i < kEntries; ++i) {
        HistoryEntry e;
        e.statement = QStringLiteral("select customer_name, order_total, shipped_at from orders_%1\n"
                                     "where region_id = %2 and status = 'open' -- run %3")
                          .arg(i % 5000)
                          .arg(i % 97)
                          .arg(i);
        e.dataSource = i % 3 ? QStringLiteral("Sample") : QStringLiteral("Warehouse");
        e.user = QStringLiteral("scott");
        e.start = start.addSecs(-i);
        e.durationMs = i % 1000;
        e.count = i % 50;
        entries.push_back(std::move(e));
    }
    return entries;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    SqlHistoryModel model;
    QTableView view;
    view.setModel(&model);
    view.resize(760, 420);
    view.show();
    model.setEntries(Entries());
    QApplication::processEvents();

    // A rare term, a common one, and one typed on from the common one (the narrowing path).
    struct Term
    {
        const char* name;
        QString from;
        QString to;
    };
    const Term terms[] = {
        {"history_filter_100k_ms", QString(), QStringLiteral("orders_4242 open")},
        {"history_filter_100k_common_ms", QString(), QStringLiteral("select")},
        {"history_filter_100k_typed_on_ms", QStringLiteral("orders_42"), QStringLiteral("orders_424")},
    };
    std::vector<std::vector<double>> times(std::size(terms));
    // Interleaved: each round runs every term once, so that the machine's other work falls on all.
    for (int run = 0; run < kRuns; ++run) {
        for (std::size_t t = 0; t < std::size(terms); ++t) {
            model.setFilter(terms[t].from);
            QApplication::processEvents();
            QElapsedTimer timer;
            timer.start();
            model.setFilter(terms[t].to);
            QApplication::processEvents();
            times[t].push_back(double(timer.nsecsElapsed()) / 1e6);
            if (model.rowCount() == 0) {
                std::fprintf(stderr, "%s: nothing matched\n", terms[t].name);
                return 1;
            }
        }
    }
    for (std::size_t t = 0; t < std::size(terms); ++t) {
        std::printf("figure: %s %.2f\n", terms[t].name, Median(times[t]));
        std::printf("spread: %s %.2f %.2f\n", terms[t].name,
                    *std::min_element(times[t].begin(), times[t].end()),
                    *std::max_element(times[t].begin(), times[t].end()));
    }
    return 0;
}
