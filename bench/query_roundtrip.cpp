// Signed platform queries and the mapping of their replies onto rows.
//
// Throughput of mapped rows: item.get replies with 50 SKUs each, fetched from
// the local stand-in and upserted into an embedded Firebird file, once as new
// rows (a new sync time each round: select, insert, update per row) and once
// as rows that exist (select, update per row). Then the same round trip taken
// apart: HTTP (sign, post, receive, URL-decode), parsing, mapping and SQL,
// each on its own, so their shares of the whole can be compared.
//
//   scripts/build build-bench -DMORVANE_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/bench_query_roundtrip

#include "client/KivDataM.h"
#include "client/KivMapping.h"
#include "client/KivQuery.h"
#include "json/uQvJSON.h"
#include "platform/HttpClient.h"
#include "support/PlatformSim.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTime>
#include <benchmark/benchmark.h>
#include <iostream>

namespace {

constexpr int Items = 20;
constexpr int SkusPerItem = 50;

const QString KeyMap = QStringLiteral("item_get_response.item.skus.sku.sku_id=SkuID");
const QString DataMap = QStringLiteral(
    "item_get_response.item.num_iid=NumIID,item_get_response.item.property_alias=PropAlias,"
    "item_get_response.item.skus.sku.price=Price,item_get_response.item.skus.sku.quantity=Qty,"
    "item_get_response.item.skus.sku.properties_name=SkuPropName");

// One stand-in, one database and one data module for the whole run.
struct TBenchWorld {
    QTemporaryDir Dir;
    TPlatformSim Sim;
    std::unique_ptr<TKivDM> DM;
    TTreeNodeShop Shop;
    int SyncRound = 0;

    TBenchWorld()
    {
        QByteArray catalogue = R"({"now":"2024-06-01 12:00:00","shops":[{"app_key":"10001","app_secret":"bench-secret","session":"s","items":[)";
        for (int i = 0; i < Items; ++i) {
            const qint64 numIid = 600000000000LL + i;
            catalogue += (i ? "," : "") + QByteArray(R"({"num_iid":)") + QByteArray::number(numIid) +
                         R"(,"title":"商品 )" + QByteArray::number(i) + R"(","property_alias":"1627207:28341:经典黑;20509:28315:大号","skus":[)";
            for (int k = 0; k < SkusPerItem; ++k)
                catalogue += (k ? "," : "") + QByteArray(R"({"sku_id":)") + QByteArray::number(numIid * 100 + k) +
                             R"(,"price":"128.00","quantity":)" + QByteArray::number(k) +
                             R"(,"properties_name":"1627207:28341:颜色分类:黑色;20509:28315:尺码:XL 码 100% 棉"})";
            catalogue += "]}";
        }
        catalogue += "]}]}";
        const QString cataloguePath = Dir.filePath(QStringLiteral("catalogue.json"));
        QFile file(cataloguePath);
        file.open(QIODevice::WriteOnly);
        file.write(catalogue);
        file.close();
        QString error;
        if (!Sim.Start(cataloguePath, &error))
            throw std::runtime_error(error.toStdString());
        CreateTestDatabase(Dir.filePath(QStringLiteral("Kiv.fdb")));
        // MORVANE_BENCH_ASYNC=1: the same run with the database's forced
        // writes off, to see how much of the SQL time is waiting for the disk.
        if (qgetenv("MORVANE_BENCH_ASYNC") == "1")
            QProcess::execute(QStringLiteral("gfix"), {QStringLiteral("-write"), QStringLiteral("async"), Dir.filePath(QStringLiteral("Kiv.fdb")),
                                                       QStringLiteral("-user"), QStringLiteral("SYSDBA")});
        DM = std::make_unique<TKivDM>(Dir.path());
        SysRec.TqlUrl = Sim.TqlUrl();
        SysRec.SignMethod = QStringLiteral("md5");
        Shop.Code = QStringLiteral("bench");
        Shop.AppKey = QStringLiteral("10001");
        Shop.AppSecret = QStringLiteral("bench-secret");
        Shop.Session = QStringLiteral("s");
    }

    static TBenchWorld& Get()
    {
        static TBenchWorld world;
        return world;
    }

    QString NumIid(int i) const { return QString::number(600000000000LL + i % Items); }

    QStringList Extra(const QString& syncDate) const
    {
        return {QStringLiteral("\"ShopCode\"=bench"), QStringLiteral("\"SyncDate\"=") + syncDate};
    }

    // A new snapshot: every row of it is new.
    QString NewSyncDate() { return QStringLiteral("2024-06-01 ") + QTime(0, 0).addSecs(SyncRound++).toString(QStringLiteral("HH:mm:ss")); }

    QString Reply(int i) const
    {
        return BuildAndSendTql(QStringLiteral("taobao.item.get"), QStringLiteral("num_iid,sku,property_alias"), QString(),
                               QStringLiteral("num_iid=?"), NumIid(i), Shop);
    }
};

// The whole road: query, parse, map, upsert; new rows each time.
void BM_ItemGetNewRows(benchmark::State& state)
{
    TBenchWorld& w = TBenchWorld::Get();
    int64_t rows = 0;
    int i = 0;
    QString syncDate = w.NewSyncDate();
    for (auto _ : state) {
        if (i % Items == 0)
            syncDate = w.NewSyncDate();
        rows += TqlToRows(QStringLiteral("taobao.item.get"), QStringLiteral("num_iid,sku,property_alias"), QString(),
                          QStringLiteral("num_iid=?"), w.NumIid(i++), KeyMap, DataMap, QStringLiteral("KivItem"), false, true,
                          w.Extra(syncDate), w.Shop);
    }
    state.counters["rows/s"] = benchmark::Counter(double(rows), benchmark::Counter::kIsRate);
}

// The same reply again: every row exists, each is selected and updated.
void BM_ItemGetExistingRows(benchmark::State& state)
{
    TBenchWorld& w = TBenchWorld::Get();
    const QString syncDate = w.NewSyncDate();
    for (int i = 0; i < Items; ++i)
        TqlToRows(QStringLiteral("taobao.item.get"), QStringLiteral("num_iid,sku,property_alias"), QString(), QStringLiteral("num_iid=?"),
                  w.NumIid(i), KeyMap, DataMap, QStringLiteral("KivItem"), false, true, w.Extra(syncDate), w.Shop);
    int64_t rows = 0;
    int i = 0;
    for (auto _ : state)
        rows += TqlToRows(QStringLiteral("taobao.item.get"), QStringLiteral("num_iid,sku,property_alias"), QString(),
                          QStringLiteral("num_iid=?"), w.NumIid(i++), KeyMap, DataMap, QStringLiteral("KivItem"), false, true,
                          w.Extra(syncDate), w.Shop);
    state.counters["rows/s"] = benchmark::Counter(double(rows), benchmark::Counter::kIsRate);
}

// HTTP: build, sign, post, receive, URL-decode and read as UTF-8.
void BM_SplitHttp(benchmark::State& state)
{
    TBenchWorld& w = TBenchWorld::Get();
    int i = 0;
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QString reply = w.Reply(i++);
        bytes += reply.size();
        benchmark::DoNotOptimize(reply);
    }
    state.counters["reply chars"] = double(bytes) / double(std::max<int64_t>(1, state.iterations()));
}

void BM_SplitParse(benchmark::State& state)
{
    TBenchWorld& w = TBenchWorld::Get();
    const QString reply = w.Reply(0);
    for (auto _ : state) {
        auto root = TqvJSON::ParseText(reply.toUtf8());
        benchmark::DoNotOptimize(root);
    }
}

void BM_SplitMap(benchmark::State& state)
{
    TBenchWorld& w = TBenchWorld::Get();
    const auto root = TqvJSON::ParseText(w.Reply(0).toUtf8());
    const auto& object = *qvJSONcast<TqvJSONobject>(root.get());
    for (auto _ : state) {
        TMappedReply mapped = MapTqlRows(object, KeyMap, DataMap, false);
        benchmark::DoNotOptimize(mapped);
    }
}

// SQL alone, new rows: select, insert and update per row.
void BM_SplitSqlNewRows(benchmark::State& state)
{
    TBenchWorld& w = TBenchWorld::Get();
    const auto root = TqvJSON::ParseText(w.Reply(0).toUtf8());
    const TMappedReply mapped = MapTqlRows(*qvJSONcast<TqvJSONobject>(root.get()), KeyMap, DataMap, false);
    int64_t rows = 0;
    for (auto _ : state)
        rows += UpsertRows(QStringLiteral("KivItem"), mapped.Keys, mapped.Data, w.Extra(w.NewSyncDate()));
    state.counters["rows/s"] = benchmark::Counter(double(rows), benchmark::Counter::kIsRate);
}

// SQL alone, existing rows: select and update per row.
void BM_SplitSqlExistingRows(benchmark::State& state)
{
    TBenchWorld& w = TBenchWorld::Get();
    const auto root = TqvJSON::ParseText(w.Reply(0).toUtf8());
    const TMappedReply mapped = MapTqlRows(*qvJSONcast<TqvJSONobject>(root.get()), KeyMap, DataMap, false);
    const QStringList extra = w.Extra(w.NewSyncDate());
    UpsertRows(QStringLiteral("KivItem"), mapped.Keys, mapped.Data, extra);
    int64_t rows = 0;
    for (auto _ : state)
        rows += UpsertRows(QStringLiteral("KivItem"), mapped.Keys, mapped.Data, extra);
    state.counters["rows/s"] = benchmark::Counter(double(rows), benchmark::Counter::kIsRate);
}

// The smallest signed query: taobao.time.get, parsed.
void BM_ServerTime(benchmark::State& state)
{
    TBenchWorld& w = TBenchWorld::Get();
    for (auto _ : state) {
        const QString time = GetServerTime(w.Shop);
        if (time.isEmpty())
            state.SkipWithError("no server time");
        benchmark::DoNotOptimize(time);
    }
}

} // namespace

// Wall-clock time throughout: the road waits on the network and the disk,
// which CPU time would hide.
BENCHMARK(BM_ItemGetNewRows)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_ItemGetExistingRows)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_SplitHttp)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_SplitParse)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_SplitMap)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_SplitSqlNewRows)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_SplitSqlExistingRows)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_ServerTime)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
