// A paid order as a monitor window sees it: from the stand-in's write of the
// notification on the shop's stream to the monitor grid showing the changed
// figure.
//
// The world is the program's own: a synced shop in an embedded database, the
// main window with the idle handler that applies update records, and the
// shop's monitor window, monitoring against the local stand-in. Each order
// is fetched ("taobao.trade.get"), mapped, queued, applied to the window's
// dataset at idle time (its trade line inserted), and the grid repainted.
//
//   BM_MonitorLatency   one order at a time: from the stand-in's write of the
//                       line (its steady clock, the same as ours) to the end
//                       of the grid's repaint after the row was posted;
//                       median and 99th percentile.
//   BM_MonitorBurst     200 orders at once: notifications per second that the
//                       window keeps up with (all applied, then shown).
//
//   scripts/build build-bench -DMORVANE_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/bench_monitor_latency

#include "bench/MonitorBenchSupport.h"

#include <QApplication>
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

    static TMonitorWorld*& Instance()
    {
        static TMonitorWorld* world = nullptr;
        return world;
    }
    static TMonitorWorld& Get() { return *Instance(); }
};

void BM_MonitorLatency(benchmark::State& state)
{
    TMonitorWorld& w = TMonitorWorld::Get();
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
    if (latencies.empty())
        return;
    std::sort(latencies.begin(), latencies.end());
    state.counters["p50_ms"] = latencies[latencies.size() / 2] * 1e3;
    state.counters["p99_ms"] = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)] * 1e3;
}

void BM_MonitorBurst(benchmark::State& state)
{
    TMonitorWorld& w = TMonitorWorld::Get();
    const int burst = int(state.range(0));
    int64_t notifications = 0;
    w.RepaintEach = false;
    for (auto _ : state) {
        w.ShownAt.clear();
        const auto start = std::chrono::steady_clock::now();
        w.Sim.PlaceOrder(QStringLiteral("k1"), QString(), 1, QStringLiteral("WAIT_SELLER_SEND_GOODS"), QStringLiteral("TradeBuyerPay"), burst);
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

} // namespace

BENCHMARK(BM_MonitorLatency)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(300);
BENCHMARK(BM_MonitorBurst)->Arg(200)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

int main(int argc, char** argv)
{
    return RunBenchmarksInWorld<TMonitorWorld>(argc, argv);
}
