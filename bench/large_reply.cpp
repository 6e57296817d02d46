// A platform reply of about 50 MB (an item.get of 100,000 SKUs) and the
// windows: how long the GUI thread goes without running its events while
// the call is made and its reply read, and the process's memory peak.
//
//   BM_LargeReplyParsedOnTheCallsThread  QueryTql: the reply is decoded and
//                                        parsed on the call's own thread.
//   BM_LargeReplyParsedOnTheGuiThread    the reference: the reply text comes
//                                        back (BuildAndSendTql) and is parsed
//                                        on the GUI thread, as callers did.
//
// Counters: stall_ms, the longest gap between two ticks of a 1 ms timer of
// the GUI thread during the call; free_ms, the same while the tree is
// freed afterwards (on the GUI thread, where its reader frees it); peak_MB, the process's memory high-water
// mark after the run (run each benchmark alone, --benchmark_filter, to read
// its own peak).
//
//   scripts/build build-bench -DMORVANE_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/bench_large_reply

#include "client/KivDataM.h"
#include "client/KivQuery.h"
#include "json/uQvJSON.h"
#include "support/PlatformSim.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

constexpr int Skus = 100000;

struct TLargeWorld {
    QTemporaryDir Dir;
    TPlatformSim Sim;
    std::unique_ptr<TKivDM> DM;
    TTreeNodeShop Shop;

    TLargeWorld()
    {
        QByteArray catalogue =
            R"({"now":"2024-06-01 12:00:00","shops":[{"app_key":"10001","app_secret":"bench-secret","session":"s","items":[{"num_iid":600000000001,"title":"large","skus":[)";
        for (int k = 0; k < Skus; ++k)
            catalogue += (k ? "," : "") + QByteArray(R"({"sku_id":)") + QByteArray::number(700000000000LL + k)
                         + R"(,"price":"128.00","quantity":)" + QByteArray::number(k)
                         + R"(,"properties_name":")" + QByteArray(440, 'x') + R"("})";
        catalogue += "]}]}]}";
        const QString path = Dir.filePath(QStringLiteral("catalogue.json"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(catalogue);
        file.close();
        QString error;
        if (!Sim.Start(path, &error))
            throw std::runtime_error(error.toStdString());
        CreateTestDatabase(Dir.filePath(QStringLiteral("Kiv.fdb")));
        DM = std::make_unique<TKivDM>(Dir.path());
        DM->KivHttp->ReadTimeoutMs = 120000;
        SysRec.TqlUrl = Sim.TqlUrl();
        SysRec.SignMethod = QStringLiteral("md5");
        Shop.AppKey = QStringLiteral("10001");
        Shop.AppSecret = QStringLiteral("bench-secret");
        Shop.Session = QStringLiteral("s");
    }
    static TLargeWorld& Get()
    {
        static TLargeWorld world;
        return world;
    }
};

// The process's memory high-water mark in MB.
double PeakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// Runs the call while a 1 ms timer of the GUI thread ticks; the longest gap
// between ticks, in ms.
template <class Call>
double LongestStall(Call call)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    tick.start(1);
    last = clock.nsecsElapsed();
    call();
    longest = std::max(longest, clock.nsecsElapsed() - last);
    return double(longest) / 1e6;
}

const QString Fields = QStringLiteral("num_iid,sku");

void BM_LargeReplyParsedOnTheCallsThread(benchmark::State& state)
{
    TLargeWorld& w = TLargeWorld::Get();
    double stall = 0;
    double freeing = 0;
    for (auto _ : state) {
        TTqlReply reply;
        stall = std::max(stall, LongestStall([&] {
                             reply = QueryTql(QStringLiteral("taobao.item.get"), Fields, QString(), QStringLiteral("num_iid=?"),
                                              QStringLiteral("600000000001"), w.Shop);
                             if (!reply.Member(u"item_get_response"))
                                 state.SkipWithError("no reply");
                         }));
        // Whoever reads the tree frees it on the GUI thread: apart.
        freeing = std::max(freeing, LongestStall([&] { reply.Root.reset(); }));
    }
    state.counters["stall_ms"] = stall;
    state.counters["free_ms"] = freeing;
    state.counters["peak_MB"] = PeakMegabytes();
}

void BM_LargeReplyParsedOnTheGuiThread(benchmark::State& state)
{
    TLargeWorld& w = TLargeWorld::Get();
    double stall = 0;
    for (auto _ : state) {
        stall = std::max(stall, LongestStall([&] {
                             const QString reply = BuildAndSendTql(QStringLiteral("taobao.item.get"), Fields, QString(), QStringLiteral("num_iid=?"),
                                                                   QStringLiteral("600000000001"), w.Shop);
                             const std::unique_ptr<TqvJSONbase> root = TqvJSON::ParseText(reply.toUtf8());
                             if (!root)
                                 state.SkipWithError("no reply");
                         }));
    }
    state.counters["stall_ms"] = stall;
    state.counters["peak_MB"] = PeakMegabytes();
}

} // namespace

BENCHMARK(BM_LargeReplyParsedOnTheCallsThread)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_LargeReplyParsedOnTheGuiThread)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
