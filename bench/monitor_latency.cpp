// A paid order as a monitor window sees it: from the stand-in's write of the
// notification on the shop's stream to the monitor grid showing the changed
// figure; and a stock-in booked for the same SKU.
//
// The world is the program's own: a synced shop in an embedded database, the
// main window with the idle handler that applies update records, and the
// shop's monitor window, monitoring against the local stand-in. Each order
// is fetched ("taobao.trade.get"), mapped, queued, applied to the window's
// dataset at idle time (its trade line inserted), and the grid repainted.
// The benched SKU holds N trade lines already (N = 0, 10,000, 100,000,
// 1,000,000; paid, dated before the sync, so that the window's figures do
// not change with N): years of a best-selling SKU's history.
//
//   BM_MonitorLatency/N one order at a time: from the stand-in's write of the
//                       line (its steady clock, the same as ours) to the end
//                       of the grid's repaint after the row was posted;
//                       median and 99th percentile.
//   BM_MonitorBurst/N   200 orders of the SKU at once: notifications per
//                       second that the window keeps up with (all applied,
//                       then shown).
//   BM_StockIn/N        one stock-in of the SKU booked from the "条码入库"
//                       dialog (the booking's transaction and its check);
//                       median and 99th percentile.
//
//   scripts/build build-bench -DMORVANE_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/bench_monitor_latency
//
// The targets are ratios: at every N one order's p50 and p99 within 1.2x of
// those at N = 0, and the burst rate at every N at least that of the
// program before the figures' range check. To measure the older program in
// the same run, export its revision into a folder under /tmp (git archive
// REV | tar -x -C /tmp/old), copy this file into its bench/ and build it
// there the same way; then run both, one after the other, on a quiet
// machine. Filling 1,000,000 lines takes about a minute.

#include "bench/MonitorBenchSupport.h"

#include "app/KivItemIn.h"
#include "platform/db/ClientDataSet.h"

#include <QApplication>
#include <QSpinBox>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

const QString Sku = QStringLiteral("5000000000011");

struct TMonitorWorld : TMonitorBenchWorld {
    TScopedConnection Posted;
    // When each posted row was shown: the grid repainted at once (latency),
    // or only noted (a burst, where the program's paints coalesce).
    std::vector<qint64> ShownAt;
    bool RepaintEach = true;

    TMonitorWorld()
    {
        Posted = Form->ClientDataSetItems->AfterPost.Connect([this](TDataSet&) {
            if (RepaintEach)
                Form->DBGridItems->repaint();
            ShownAt.push_back(SteadyNs());
        });
        Monitor();
    }
    ~TMonitorWorld() { Posted.Disconnect(); }

    // The benched SKU's trade lines, grown to count (never shrunk).
    void EnsureLines(qint64 count)
    {
        if (count <= Lines)
            return;
        ExecSql(QStringLiteral("execute block as declare i integer = 0; begin while (i < %1) do begin "
                               "insert into \"KivItemOut\"(\"ShopCode\",\"TradeEvent\",\"Tid\",\"Oid\",\"SkuID\",\"NumIID\",\"Date\",\"Qty\",\"Status\") "
                               "values('S1','TradeBuyerPay',:i,:i,%2,500000000001,'2024-01-01 00:00:00',1,'WAIT_SELLER_SEND_GOODS'); "
                               "i = i + 1; end end")
                    .arg(count - Lines)
                    .arg(Sku));
        Lines = count;
    }
    qint64 Lines = 0;

    static TMonitorWorld*& Instance()
    {
        static TMonitorWorld* world = nullptr;
        return world;
    }
    static TMonitorWorld& Get() { return *Instance(); }
};

// The median and the 99th percentile of the times, in milliseconds.
void Percentiles(benchmark::State& state, std::vector<double> seconds)
{
    if (seconds.empty())
        return;
    std::sort(seconds.begin(), seconds.end());
    state.counters["p50_ms"] = seconds[seconds.size() / 2] * 1e3;
    state.counters["p99_ms"] = seconds[std::min(seconds.size() - 1, seconds.size() * 99 / 100)] * 1e3;
}

void BM_MonitorLatency(benchmark::State& state, qint64 lines)
{
    TMonitorWorld& w = TMonitorWorld::Get();
    w.EnsureLines(lines);
    std::vector<double> latencies;
    for (auto _ : state) {
        w.ShownAt.clear();
        w.Sim.StreamSentClear();
        w.Sim.PlaceOrder(QStringLiteral("k1"), Sku, 1, QStringLiteral("WAIT_SELLER_SEND_GOODS"), QStringLiteral("TradeBuyerPay"), 1, true);
        if (!Spin([&] { return !w.ShownAt.empty(); })) {
            state.SkipWithError("the order was not shown");
            break;
        }
        const QList<qint64> sent = w.Sim.StreamSent();
        if (sent.size() != 1) {
            state.SkipWithError("the stand-in logged no write");
            break;
        }
        const double seconds = double(w.ShownAt.front() - sent.front()) / 1e9;
        latencies.push_back(seconds);
        state.SetIterationTime(seconds);
    }
    Percentiles(state, latencies);
}

void BM_MonitorBurst(benchmark::State& state, qint64 lines)
{
    TMonitorWorld& w = TMonitorWorld::Get();
    w.EnsureLines(lines);
    const int burst = 200;
    int64_t notifications = 0;
    w.RepaintEach = false;
    for (auto _ : state) {
        w.ShownAt.clear();
        const auto start = std::chrono::steady_clock::now();
        w.Sim.PlaceOrder(QStringLiteral("k1"), Sku, 1, QStringLiteral("WAIT_SELLER_SEND_GOODS"), QStringLiteral("TradeBuyerPay"), burst);
        if (!Spin([&] { return int(w.ShownAt.size()) == burst; })) {
            state.SkipWithError("not every order was shown");
            break;
        }
        w.Form->DBGridItems->repaint();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        notifications += burst;
    }
    w.RepaintEach = true;
    state.counters["notifications/s"] = benchmark::Counter(double(notifications), benchmark::Counter::kIsRate);
}

void BM_StockIn(benchmark::State& state, qint64 lines)
{
    TMonitorWorld& w = TMonitorWorld::Get();
    w.EnsureLines(lines);
    TFormItemIn form;
    form.SetBarcode(QStringLiteral("6901"));
    form.FormShow();
    TClientDataSet& list = *form.ClientDataSetBarcode;
    if (!list.Locate(QStringLiteral("SkuID"), Variant(Sku.toLongLong()))) {
        state.SkipWithError("the SKU is not listed");
        return;
    }
    list.Edit();
    list.FieldByName(QStringLiteral("Selected"))->SetAsInteger(1);
    list.Post();
    form.SpinEditQty->setValue(1);
    std::vector<double> bookings;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!form.BookStockIn().isEmpty()) {
            state.SkipWithError("the stock-in was refused");
            break;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        bookings.push_back(seconds);
        state.SetIterationTime(seconds);
        // The monitor window takes the update record, outside the measure.
        QCoreApplication::processEvents();
    }
    Percentiles(state, bookings);
}

} // namespace

int main(int argc, char** argv)
{
    // Each N in turn, its lines added before its first benchmark.
    for (const qint64 n : {0, 10000, 100000, 1000000}) {
        const auto name = [n](const char* benchmark) { return QStringLiteral("%1/%2").arg(QLatin1String(benchmark)).arg(n).toStdString(); };
        benchmark::RegisterBenchmark(name("BM_MonitorLatency").c_str(), BM_MonitorLatency, n)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(300);
        benchmark::RegisterBenchmark(name("BM_MonitorBurst").c_str(), BM_MonitorBurst, n)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(3);
        benchmark::RegisterBenchmark(name("BM_StockIn").c_str(), BM_StockIn, n)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(50);
    }
    return RunBenchmarksInWorld<TMonitorWorld>(argc, argv);
}
