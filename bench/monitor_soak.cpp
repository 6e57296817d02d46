// A monitor window left running: 20,000 paid orders through the shop's
// stream, and whether the time they take and the process's resident memory
// stay flat.
//
// The world is the program's own: a synced shop in an embedded database, the
// main window with the idle handler that applies update records, and the
// shop's monitor window, shown and monitoring against the local stand-in.
// Each order is fetched ("taobao.trade.get"), mapped, queued and applied at
// idle time (its trade line inserted, its figure changed), and writes a stock
// line into the window's log, which is emptied every 200 lines.
//
//   BM_MonitorSoak  20 blocks of 1,000: the stand-in writes a block's
//                   notifications at once; timed until every one is applied
//                   and its line logged. A table gives each block's ms,
//                   notifications per second, resident MB and, beside it,
//                   the database file's MB: the embedded engine keeps the
//                   file's pages in its cache (up to 2,048 of 16 KB), so the
//                   resident memory follows the file that far. Counters:
//                   the mean ms of the first and of the last three blocks,
//                   their ratio (flat: near 1), the resident MB after the
//                   first and the last block. Between blocks (not timed) the
//                   stand-in gets its catalogue back without the trades placed
//                   so far: it looks a trade up by going through all of them,
//                   and that would grow with every block, the program's work
//                   would not.
//   BM_LogLine      the log's own share: one stock line written and shown
//                   (laid out and painted). Arg 0: the log as the window
//                   makes it; arg 1, the reference: a plain list box, which
//                   measures every line it holds for each new one.
//
//   scripts/build build-bench -DMORVANE_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/bench_monitor_soak

#include "bench/MonitorBenchSupport.h"
#include "client/KivEvents.h"

#include <QApplication>
#include <QFileInfo>
#include <QListWidget>
#include <QStyledItemDelegate>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int Blocks = 20;
constexpr int BlockSize = 1000;
// How many blocks at either end are compared.
constexpr int Ends = 3;

double Megabytes(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

// The process's resident memory in MB.
double ResidentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? Megabytes(fields[1].toDouble() * double(sysconf(_SC_PAGESIZE))) : 0;
}

struct TSoakWorld : TMonitorBenchWorld {
    TScopedConnection Posted;
    int Applied = 0;
    int StockLines = 0;

    TSoakWorld()
    {
        Posted = Form->ClientDataSetItems->AfterPost.Connect([this](TDataSet&) { ++Applied; });
        QObject::connect(Form->lbMonitor->model(), &QAbstractItemModel::rowsInserted, Form,
                         [this](const QModelIndex&, int first, int last) {
                             for (int row = first; row <= last; ++row)
                                 StockLines += Form->lbMonitor->item(row)->text().endsWith(QStringLiteral("已付"));
                         });
        Monitor();
    }
    ~TSoakWorld() { Posted.Disconnect(); }

    static TSoakWorld*& Instance()
    {
        static TSoakWorld* world = nullptr;
        return world;
    }
};

struct TBlock {
    double Ms = 0;
    double ResidentMB = 0;
    double DatabaseMB = 0;
};
std::vector<TBlock> Results;

double MeanMs(std::vector<TBlock>::const_iterator first, std::vector<TBlock>::const_iterator last)
{
    double sum = 0;
    for (auto block = first; block != last; ++block)
        sum += block->Ms;
    return sum / double(last - first);
}

void BM_MonitorSoak(benchmark::State& state)
{
    TSoakWorld& w = *TSoakWorld::Instance();
    const QByteArray catalogue = MonitorBenchCatalogue();
    for (auto _ : state) {
        Results.clear();
        for (int block = 0; block < Blocks; ++block) {
            const int applied = w.Applied + BlockSize;
            const int lines = w.StockLines + BlockSize;
            const auto start = std::chrono::steady_clock::now();
            w.Sim.PlaceOrder(QStringLiteral("k1"), QString(), 1, QStringLiteral("WAIT_SELLER_SEND_GOODS"),
                             QStringLiteral("TradeBuyerPay"), BlockSize);
            if (!Spin([&] { return w.Applied >= applied && w.StockLines >= lines; }, 600000))
                break;
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            const QFileInfo database(w.Dir.filePath(QStringLiteral("Kiv.fdb")));
            Results.push_back({ms, ResidentMegabytes(), Megabytes(double(database.size()))});
            w.Sim.SetCatalogue(catalogue);
        }
        if (Results.size() < size_t(Blocks)) {
            state.SkipWithError("not every order was applied and logged");
            break;
        }
        state.SetIterationTime(MeanMs(Results.begin(), Results.end()) / 1e3);
    }
    if (Results.size() < size_t(Blocks))
        return;
    const double first = MeanMs(Results.begin(), Results.begin() + Ends);
    const double last = MeanMs(Results.end() - Ends, Results.end());
    state.counters["first_block_ms"] = first;
    state.counters["last_block_ms"] = last;
    state.counters["last/first"] = last / first;
    state.counters["first_MB"] = Results.front().ResidentMB;
    state.counters["last_MB"] = Results.back().ResidentMB;
}

// The log's own share of a notification: one stock line written into the
// window's log and shown (laid out and painted), the box emptied every 200
// lines as always. Arg 0: the box as the window makes it; arg 1, the
// reference: a plain list box, which measures every line it holds for each
// new one.
void BM_LogLine(benchmark::State& state)
{
    TSoakWorld& w = *TSoakWorld::Instance();
    QListWidget& box = *w.Form->lbMonitor;
    QAbstractItemDelegate* const own = box.itemDelegate();
    QStyledItemDelegate plain;
    const bool reference = state.range(0) == 1;
    if (reference) {
        box.setItemDelegate(&plain);
        box.setUniformItemSizes(false);
    }
    for (auto _ : state) {
        LogStockChange(&box, w.Form->ClientDataSetItems, QStringLiteral("2024-06-01 12:00:00"), QStringLiteral("QtyPay"),
                       QStringLiteral("1"));
        QCoreApplication::processEvents();
    }
    if (reference) {
        box.setItemDelegate(own);
        box.setUniformItemSizes(true);
    }
    state.SetItemsProcessed(state.iterations());
}

void PrintBlocks()
{
    if (Results.empty())
        return;
    std::printf("\n%6s %14s %10s %14s %12s %12s\n", "block", "notifications", "ms", "per second", "resident MB", "database MB");
    for (size_t i = 0; i < Results.size(); ++i)
        std::printf("%6zu %14d %10.0f %14.0f %12.1f %12.1f\n", i + 1, int(i + 1) * BlockSize, Results[i].Ms,
                    BlockSize / (Results[i].Ms / 1e3), Results[i].ResidentMB, Results[i].DatabaseMB);
}

} // namespace

BENCHMARK(BM_MonitorSoak)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_LogLine)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(2)->UseRealTime();

int main(int argc, char** argv)
{
    return RunBenchmarksInWorld<TSoakWorld>(argc, argv, PrintBlocks);
}
