// A first items sync of 1,000 items with 5 SKUs each, end to end: the local
// platform stand-in on 127.0.0.1, an embedded Firebird file, the progress
// window on the offscreen platform. Reported: seconds, SQL statements per
// second and where the time goes.
//
// The statements of a first sync of N items and S SKUs are counted from the
// road they take: the shop's sync date, select + insert + update per
// upserted row (N + S rows), one update per SKU (property text and barcode),
// the two deletes of older snapshots, the sync date, the stock period
// (generator, roll-over query, setting): 3N + 4S + 7. Each item runs inside
// a savepoint of its page's transaction (two more statements, not counted).
//
// The split: platform calls, mapping (parse and map) and upsert SQL are each
// replayed on their own with the very requests and replies of the sync; the
// property-text updates and the progress window are timed inside the real
// run (between its progress labels) and on their own. Then two variants of
// the same sync that write the same rows: all of it in one transaction (the
// reference: one commit), and the database's forced writes off.
//
//   scripts/build build-bench -DMORVANE_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/bench_items_sync

#include "app/KivItemsSync.h"
#include "app/KivProgress.h"
#include "client/KivDataM.h"
#include "client/KivMapping.h"
#include "client/KivQuery.h"
#include "json/uQvJSON.h"
#include "platform/HttpClient.h"
#include "platform/SqlText.h"
#include "support/PlatformSim.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <optional>

namespace {

constexpr int Items = 1000;
constexpr int SkusPerItem = 5;
const QString ShopCode = QStringLiteral("bench");

const QString PageKeyMap = QStringLiteral("items_onsale_get_response.items.item.num_iid=NumIID");
const QString PageDataMap = QStringLiteral("items_onsale_get_response.items.item.title=Title");
const QString ItemKeyMap = QStringLiteral("item_get_response.item.skus.sku.sku_id=SkuID");
const QString ItemDataMap = QStringLiteral(
    "item_get_response.item.num_iid=NumIID,item_get_response.item.property_alias=PropAlias,"
    "item_get_response.item.skus.sku.price=Price,item_get_response.item.skus.sku.quantity=Qty,"
    "item_get_response.item.skus.sku.properties_name=SkuPropName");

double Seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

QString NumIid(int i)
{
    return QString::number(610000000000LL + i);
}

// The stand-in with the catalogue, for the whole run.
struct TBenchPlatform {
    QTemporaryDir Dir;
    TPlatformSim Sim;

    TBenchPlatform()
    {
        QByteArray catalogue = R"({"now":"2024-06-01 12:00:00","shops":[{"app_key":"10001","app_secret":"bench-secret","session":"s","items":[)";
        for (int i = 0; i < Items; ++i) {
            catalogue += QByteArray(i ? "," : "") + R"({"num_iid":)" + NumIid(i).toUtf8() + R"(,"title":"晨光 中性笔 0.5mm 黑色 12支装 款)"
                         + QByteArray::number(i) + R"(","num":120,"price":"18.00","modified":"2024-05-01 10:00:00",)"
                         + R"("property_alias":"1627207:28341:经典黑;20509:28315:大号","skus":[)";
            for (int k = 0; k < SkusPerItem; ++k)
                catalogue += QByteArray(k ? "," : "") + R"({"sku_id":)" + NumIid(i).toUtf8() + QByteArray::number(k)
                             + R"(,"price":"18.00","quantity":)" + QByteArray::number(k * 7) + R"(,"properties_name":"1627207:2834)"
                             + QByteArray::number(k) + R"(:颜色分类:黑色;20509:28315:尺码:XL"})";
            catalogue += "]}";
        }
        catalogue += "]}]}";
        QFile file(Dir.filePath(QStringLiteral("catalogue.json")));
        file.open(QIODevice::WriteOnly);
        file.write(catalogue);
        file.close();
        QString error;
        if (!Sim.Start(file.fileName(), &error))
            throw std::runtime_error(error.toStdString());
    }

    static TBenchPlatform& Get()
    {
        static TBenchPlatform platform;
        return platform;
    }
};

// A fresh database and data module with the bench shop, never synced.
struct TBenchWorld {
    QTemporaryDir Dir;
    std::unique_ptr<TKivDM> DM;
    TTreeNodeShop Shop;

    explicit TBenchWorld(bool asyncWrites = false)
    {
        const QString path = Dir.filePath(QStringLiteral("Kiv.fdb"));
        CreateTestDatabase(path);
        if (asyncWrites)
            QProcess::execute(QStringLiteral("gfix"), {QStringLiteral("-write"), QStringLiteral("async"), path, QStringLiteral("-user"),
                                                       QStringLiteral("SYSDBA"), QStringLiteral("-password"), QString::fromUtf16(ServerPassword)});
        DM = std::make_unique<TKivDM>(Dir.path());
        SysRec.TqlUrl = TBenchPlatform::Get().Sim.TqlUrl();
        SysRec.SignMethod = QStringLiteral("md5");
        SysRec.StockTime = LoadStockTime();
        Shop.Code = ShopCode;
        Shop.AppKey = QStringLiteral("10001");
        Shop.AppSecret = QStringLiteral("bench-secret");
        Shop.Session = QStringLiteral("s");
        ExecSql(QStringLiteral("insert into \"SYS_Shop\"(\"Code\",\"AppKey\",\"AppSecret\",\"Session\") values(") + QuotedStr(Shop.Code) + u','
                + QuotedStr(Shop.AppKey) + u',' + QuotedStr(Shop.AppSecret) + u',' + QuotedStr(Shop.Session) + u')');
    }
};

// Time between progress labels, by the kind of work that follows a label.
struct TPhases {
    double Pages = 0;   // fetch, map and upsert of a page
    double Items = 0;   // fetch, map and upsert of an item's SKUs
    double Format = 0;  // property text and barcode update of a SKU
    int Labels = 0;
};

struct TSyncRun {
    TItemsSyncResult Result;
    double Total = 0;
    TPhases Phases;
};

TSyncRun RunSync(TBenchWorld& world, bool oneTransaction)
{
    TSyncRun run;
    TItemsSync sync(world.Shop, nullptr);
    QElapsedTimer timer;
    double last = 0;
    double* phase = nullptr;
    sync.OnProgress = [&](TFormProgress& progress) {
        const double now = Seconds(timer);
        if (phase)
            *phase += now - last;
        last = now;
        ++run.Phases.Labels;
        const QString label = progress.LabelTitle->text();
        phase = label.startsWith(QStringLiteral("商品数量共"))     ? &run.Phases.Pages
                : label.endsWith(QStringLiteral("个商品的属性...")) ? (label.contains(QStringLiteral("需要调整")) ? &run.Phases.Format : &run.Phases.Items)
                                                                    : nullptr;
    };
    timer.start();
    {
        // The sync's own transactions become parts of this one.
        std::optional<TKivTransaction> whole;
        if (oneTransaction)
            whole.emplace();
        run.Result = sync.SyncItems();
        if (whole)
            whole->Commit();
    }
    run.Total = Seconds(timer);
    if (phase)
        *phase += run.Total - last;
    return run;
}

int Statements(const TItemsSyncResult& result)
{
    return 3 * result.Items + 4 * result.Skus + 7;
}

void Report(benchmark::State& state, const TSyncRun& run)
{
    if (run.Result.Outcome != TSyncOutcome::soCompleted || run.Result.Skus != Items * SkusPerItem)
        state.SkipWithError("the sync did not complete");
    state.SetIterationTime(run.Total);
    state.counters["seconds"] = run.Total;
    state.counters["statements"] = Statements(run.Result);
    state.counters["statements/s"] = Statements(run.Result) / run.Total;
    state.counters["pages s"] = run.Phases.Pages;
    state.counters["items s"] = run.Phases.Items;
    state.counters["format s"] = run.Phases.Format;
}

void BM_FirstSync(benchmark::State& state)
{
    for (auto _ : state) {
        TBenchWorld world;
        Report(state, RunSync(world, false));
    }
}

// The same rows written in one transaction: one commit instead of one per statement.
void BM_FirstSyncOneTransaction(benchmark::State& state)
{
    for (auto _ : state) {
        TBenchWorld world;
        Report(state, RunSync(world, true));
    }
}

// The same sync with the database's forced writes off: what the commits cost in waiting for the disk.
void BM_FirstSyncAsyncWrites(benchmark::State& state)
{
    for (auto _ : state) {
        TBenchWorld world(true);
        Report(state, RunSync(world, false));
    }
}

// The platform calls of the sync on their own, then their replies parsed and
// mapped, then the mapped rows upserted as a new snapshot.
void BM_SplitOfTheRoad(benchmark::State& state)
{
    for (auto _ : state) {
        TBenchWorld world;
        QElapsedTimer timer;
        timer.start();
        GetServerTime(world.Shop);
        BuildAndSendTql(QStringLiteral("taobao.items.onsale.get"), QStringLiteral("$num_iid"), QString(), QStringLiteral("page_size=?"),
                        QStringLiteral("1"), world.Shop);
        QStringList pages;
        for (int page = 1; page <= Items / 10; ++page)
            pages << BuildAndSendTql(QStringLiteral("taobao.items.onsale.get"), QStringLiteral("$num_iid,title,num,price"), QString(),
                                     QStringLiteral("page_no=? and page_size=?"), QString::number(page) + QStringLiteral(",10"), world.Shop);
        QStringList items;
        for (int i = 0; i < Items; ++i)
            items << BuildAndSendTql(QStringLiteral("taobao.item.get"), QStringLiteral("num_iid,sku,property_alias"), QString(),
                                     QStringLiteral("num_iid=?"), NumIid(i), world.Shop);
        const double platform = Seconds(timer);

        timer.restart();
        std::vector<TMappedReply> mapped;
        for (const QStringList* replies : {&pages, &items}) {
            const bool page = replies == &pages;
            for (const QString& reply : *replies) {
                const auto root = TqvJSON::ParseText(reply.toUtf8());
                mapped.push_back(MapTqlRows(*qvJSONcast<TqvJSONobject>(root.get()), page ? PageKeyMap : ItemKeyMap,
                                            page ? PageDataMap : ItemDataMap, page));
            }
        }
        const double mapping = Seconds(timer);

        timer.restart();
        const QStringList extra = {QStringLiteral("\"ShopCode\"=") + ShopCode, QStringLiteral("\"SyncDate\"=2024-06-01 12:00:00")};
        int rows = 0;
        for (size_t i = 0; i < mapped.size(); ++i)
            rows += UpsertRows(i < size_t(pages.size()) ? QStringLiteral("KivItemOnsale") : QStringLiteral("KivItem"), mapped[i].Keys,
                               mapped[i].Data, extra);
        const double upsert = Seconds(timer);

        // The progress window: one label change (and its repaint) per page, and two per item.
        TFormProgress progress;
        progress.show();
        timer.restart();
        for (int i = 0; i < Items / 10 + Items * 2; ++i) {
            progress.LabelTitle->setText(QStringLiteral("共有5000个商品的属性需要调整,正在调整第%1个商品的属性...").arg(i + 1));
            QCoreApplication::processEvents();
        }
        const double window = Seconds(timer);

        state.SetIterationTime(platform + mapping + upsert + window);
        state.counters["platform s"] = platform;
        state.counters["mapping s"] = mapping;
        state.counters["upsert SQL s"] = upsert;
        state.counters["upsert stmts/s"] = 3.0 * rows / upsert;
        state.counters["progress s"] = window;
    }
}

} // namespace

// One sync per run: each is a minute-scale road through the network and the disk.
BENCHMARK(BM_FirstSync)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_FirstSyncOneTransaction)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_FirstSyncAsyncWrites)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_SplitOfTheRoad)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
