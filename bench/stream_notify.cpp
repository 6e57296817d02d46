// Trade notifications from the platform's stream to queued update records.
//
// The local stand-in holds a shop's stream open; a monitor rule covers the
// notifications, so each one is fetched ("taobao.trade.get", signed, posted,
// decoded, parsed), mapped and queued as one record per order line (4 here).
//
//   BM_StreamBurst      200 notifications written at once: notifications and
//                       records per second, the stream thread and the GUI
//                       thread both busy.
//   BM_StreamLatency    one notification at a time: from the stand-in's write
//                       of the line (its steady clock, the same as ours) to
//                       the records being queued; median and 99th percentile.
//   BM_TradeFetchAlone  reference: the same trade fetched, mapped and queued
//                       directly, without the stream; what the stream adds is
//                       the difference.
//
//   scripts/build build-bench -DMORVANE_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/bench_stream_notify

#include "client/KivDataM.h"
#include "client/KivEvents.h"
#include "client/KivMapping.h"
#include "client/KivStream.h"
#include "platform/Threads.h"
#include "bench/BenchSupport.h"
#include "support/PlatformSim.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr int OrderLines = 4;
const QString Tid = QStringLiteral("7000000000000000001");

void DrainQueue()
{
    const std::lock_guard lock(EventQueueLock);
    EventQueue.clear();
}

struct TStreamWorld {
    QTemporaryDir Dir;
    TPlatformSim Sim;
    std::unique_ptr<TKivDM> DM;
    TTreeNodeShop Shop;
    QListWidget Box;
    QPointer<TKivStreamThread> Thread;
    // When each mapped trade's records were queued.
    std::vector<qint64> QueuedAt;

    TStreamWorld()
    {
        QByteArray catalogue = R"({"now":"2024-06-01 12:00:00","shops":[{"app_key":"10001","app_secret":"bench-secret","session":"s",
            "items":[],"trades":[{"tid":7000000000000000001,"created":"2024-05-30 09:00:00","orders":[)";
        for (int i = 0; i < OrderLines; ++i)
            catalogue += (i ? "," : "") + QByteArray(R"({"oid":)") + QByteArray::number(7100000000000000000LL + i) +
                         R"(,"num_iid":1000000000000000001,"sku_id":)" + QByteArray::number(9000000000000000000LL + i) +
                         R"(,"num":2,"price":"10.00","total_fee":"20.00","status":"WAIT_SELLER_SEND_GOODS"})";
        catalogue += "]}]}]}";
        const QString cataloguePath = Dir.filePath(QStringLiteral("catalogue.json"));
        QFile file(cataloguePath);
        file.open(QIODevice::WriteOnly);
        file.write(catalogue);
        file.close();
        QString error;
        if (!Sim.Start(cataloguePath, &error))
            throw std::runtime_error(error.toStdString());
        CreateTestDatabase(Dir.filePath(QStringLiteral("Kiv.fdb")));
        DM = std::make_unique<TKivDM>(Dir.path());
        SysRec.TqlUrl = Sim.TqlUrl();
        SysRec.StreamUrl = Sim.StreamUrl();
        SysRec.SignMethod = QStringLiteral("md5");
        SysRec.DebugEcho = QStringLiteral("0");
        Shop.Code = QStringLiteral("bench");
        Shop.AppKey = QStringLiteral("10001");
        Shop.AppSecret = QStringLiteral("bench-secret");
        Shop.Session = QStringLiteral("s");
        ExecSql(QStringLiteral("insert into \"SYS_Monitor\"(\"MsgType\",\"TradeEvent\",\"Status\",\"LocateFields\",\"ReturnField\","
                               "\"UpdateField\",\"Active\") values('notify_trade','TradeBuyerPay','WAIT_SELLER_SEND_GOODS',"
                               "'SkuID;NumIID','Qty','QtyPay',1)"));
        TradeEventProducer = [this](const TTradeEventBatch& batch) {
            QueueTradeEventBatch(batch);
            QueuedAt.push_back(SteadyNs());
        };
        Thread = new TKivStreamThread(Shop, &Box, nullptr);
        if (!Spin([&] { return Box.count() > 0; }))
            throw std::runtime_error("the stream did not connect");
    }

    ~TStreamWorld()
    {
        if (Thread)
            Thread->Terminate();
        Spin([&] { return !Thread; });
        TThreadRegistry::Instance().WaitIdle(10000);
        DrainQueue();
    }

    // Made and freed in main, while the application object exists.
    static TStreamWorld*& Instance()
    {
        static TStreamWorld* world = nullptr;
        return world;
    }
    static TStreamWorld& Get() { return *Instance(); }

    void Notify(int count)
    {
        Sim.StreamNotify(QStringLiteral("notify_trade"), QStringLiteral("TradeBuyerPay"), Tid, QStringLiteral("1"),
                         QStringLiteral("2024-06-01 12:00:00"), count, true);
    }
};

void BM_StreamBurst(benchmark::State& state)
{
    TStreamWorld& w = TStreamWorld::Get();
    const int burst = int(state.range(0));
    int64_t notifications = 0;
    for (auto _ : state) {
        w.QueuedAt.clear();
        DrainQueue();
        const auto start = std::chrono::steady_clock::now();
        w.Notify(burst);
        if (!Spin([&] { return int(w.QueuedAt.size()) == burst; })) {
            state.SkipWithError("not every notification was queued");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        notifications += burst;
    }
    {
        const std::lock_guard lock(EventQueueLock);
        state.counters["records/notification"] = double(EventQueue.size()) / burst;
    }
    DrainQueue();
    state.counters["notifications/s"] = benchmark::Counter(double(notifications), benchmark::Counter::kIsRate);
    state.counters["records/s"] = benchmark::Counter(double(notifications * OrderLines), benchmark::Counter::kIsRate);
}

void BM_StreamLatency(benchmark::State& state)
{
    TStreamWorld& w = TStreamWorld::Get();
    std::vector<double> latencies;
    for (auto _ : state) {
        w.QueuedAt.clear();
        w.Sim.StreamSentClear();
        w.Notify(1);
        if (!Spin([&] { return !w.QueuedAt.empty(); })) {
            state.SkipWithError("the notification was not queued");
            break;
        }
        const QList<qint64> sent = w.Sim.StreamSent();
        if (sent.size() != 1) {
            state.SkipWithError("the stand-in logged no write");
            break;
        }
        const double seconds = double(w.QueuedAt.front() - sent.front()) / 1e9;
        latencies.push_back(seconds);
        state.SetIterationTime(seconds);
        DrainQueue();
    }
    if (latencies.empty())
        return;
    std::sort(latencies.begin(), latencies.end());
    state.counters["p50_us"] = latencies[latencies.size() / 2] * 1e6;
    state.counters["p99_us"] = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)] * 1e6;
}

void BM_TradeFetchAlone(benchmark::State& state)
{
    TStreamWorld& w = TStreamWorld::Get();
    TTradeEventTarget target;
    target.EventStatus = QStringLiteral("'TradeBuyerPay'");
    target.Status = QStringLiteral("'WAIT_SELLER_SEND_GOODS'");
    target.LocateFields = QStringLiteral("SkuID;NumIID");
    target.ReturnField = QStringLiteral("Qty");
    target.UpdateFields = QStringLiteral("QtyPay");
    const QStringList extra = {QStringLiteral("ShopCode='bench'"), QStringLiteral("EventDate='2024-06-01 12:00:00'"),
                               QStringLiteral("TradeEvent='TradeBuyerPay'"), QStringLiteral("Tid=") + Tid, QStringLiteral("Oid=1")};
    int64_t notifications = 0;
    for (auto _ : state) {
        TqlToEvents(QStringLiteral("taobao.trade.get"),
                    QStringLiteral("$orders.num,created,orders.price,orders.total_fee,orders.num_iid,orders.sku_id,orders.status"),
                    QString(), QStringLiteral("tid=?"), Tid,
                    QStringLiteral("trade_get_response.trade.orders.order.sku_id=SkuID,trade_get_response.trade.orders.order.num_iid=NumIID"),
                    QStringLiteral("trade_get_response.trade.created=Date,trade_get_response.trade.orders.order.price=Price,"
                                   "trade_get_response.trade.orders.order.num=Qty,trade_get_response.trade.orders.order.total_fee=Amount,"
                                   "trade_get_response.trade.orders.order.status=Status"),
                    QStringLiteral("KivItemOut"), extra, w.Shop, target);
        ++notifications;
        if (notifications % 100 == 0)
            DrainQueue();
    }
    DrainQueue();
    state.counters["notifications/s"] = benchmark::Counter(double(notifications), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_StreamBurst)->Arg(200)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(3);
BENCHMARK(BM_StreamLatency)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(500);
BENCHMARK(BM_TradeFetchAlone)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(3);

int main(int argc, char** argv)
{
    return RunBenchmarksInWorld<TStreamWorld>(argc, argv);
}
