// The dataset framework over 100,000 rows of "KivItem" in an embedded
// database:
//  - opening a client dataset through query and provider against fetching
//    the same rows with a plain QSqlQuery, in the same iterations ("ratio",
//    target at most 1.5), and the memory the opened rows take per row;
//  - a Locate on two fields that finds the last row;
//  - a full recalculation of a sum list of four aggregates.

#include "gridbase/DBSumLst.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/DataSetProvider.h"
#include "platform/db/SqlConnection.h"
#include "platform/db/SqlQuery.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <malloc.h>

namespace {

constexpr int Rows = 100000;
const QString Sql = QStringLiteral("select * from \"KivItem\"");

TSQLConnection* Connection = nullptr;

void FillDatabase(TSQLConnection& conn)
{
    conn.ExecuteDirect(QStringLiteral(
        "execute block as declare i integer = 0; begin "
        "while (i < %1) do begin "
        "insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"PropAlias\",\"Price\",\"Qty\",\"SkuPropName\",\"ShopCode\",\"SyncDate\",\"PropNameFormat\",\"Barcode\") "
        "values(:i, :i / 3, 'Red ' || mod(:i, 10), :i / 100.0, mod(:i, 50), '颜色分类:红色;尺码:XL', 'S1', '2024-01-01 00:00:00', '红色 XL', '690' || :i); "
        "i = i + 1; end end")
                            .arg(Rows));
}

struct TOpened {
    TSQLQuery Query{Connection};
    TDataSetProvider Provider;
    TClientDataSet Data;
    TOpened()
    {
        Query.SQL = Sql;
        Provider.SetDataSet(&Query);
        Data.SetProvider(&Provider);
        Data.Open();
    }
};

// The rows read, or -1 when the statement or a row failed: a short read
// would be a faster reference than the whole one.
qint64 FetchPlain()
{
    QSqlQuery query(Connection->Database());
    query.setForwardOnly(true);
    if (!query.exec(Sql))
        return -1;
    const int columns = query.record().count();
    qint64 count = 0;
    while (query.next()) {
        for (int i = 0; i < columns; ++i) {
            const QVariant value = query.value(i);
            benchmark::DoNotOptimize(value);
        }
        ++count;
    }
    return query.lastError().isValid() ? -1 : count;
}

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

void BM_OpenClientDataSetVsQSqlQuery(benchmark::State& state)
{
    double plain = 0;
    double open = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        const qint64 fetched = FetchPlain();
        auto t1 = std::chrono::steady_clock::now();
        if (fetched != Rows) {
            state.SkipWithError("the plain fetch did not read every row");
            break;
        }
        {
            TOpened opened;
            benchmark::DoNotOptimize(opened.Data.RecordCount());
        }
        auto t2 = std::chrono::steady_clock::now();
        plain += Seconds(t1 - t0);
        open += Seconds(t2 - t1);
        state.SetIterationTime(Seconds(t2 - t1));
    }
    state.counters["qsqlquery_ms"] = plain / double(state.iterations()) * 1000;
    state.counters["open_ms"] = open / double(state.iterations()) * 1000;
    state.counters["ratio"] = open / plain;
}
BENCHMARK(BM_OpenClientDataSetVsQSqlQuery)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_MemoryPerRow(benchmark::State& state)
{
    double perRow = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const size_t before = mallinfo2().uordblks;
        TOpened opened;
        const size_t after = mallinfo2().uordblks;
        perRow = double(after - before) / Rows;
        benchmark::DoNotOptimize(opened.Data.RecordCount());
    }
    state.counters["bytes_per_row"] = perRow;
}
BENCHMARK(BM_MemoryPerRow)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_LocateTwoFields(benchmark::State& state)
{
    TOpened opened;
    const Variant key(std::vector<Variant>{Variant(qint64((Rows - 1) / 3)), Variant(QStringLiteral("Red 9"))});
    for (auto _ : state) {
        opened.Data.First();
        if (!opened.Data.Locate(QStringLiteral("NumIID;PropAlias"), key))
            state.SkipWithError("not found");
    }
}
BENCHMARK(BM_LocateTwoFields)->Unit(benchmark::kMillisecond);

void BM_SumListRecalcAll(benchmark::State& state)
{
    TOpened opened;
    TDBSumListProducer sums;
    sums.SetDataSet(&opened.Data);
    const std::pair<TGroupOperation, QString> items[] = {
        {goSum, QStringLiteral("Price")}, {goAvg, QStringLiteral("Qty")}, {goCount, QStringLiteral("Barcode")}, {goCount, QString()}};
    for (const auto& [operation, field] : items) {
        TDBSum* sum = sums.SumCollection().Add();
        sum->SetGroupOperation(operation);
        sum->SetFieldName(field);
    }
    for (auto _ : state)
        sums.RecalcAll();
    state.counters["sum"] = sums.SumCollection().Items(0)->SumValue();
}
BENCHMARK(BM_SumListRecalcAll)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.fdb"));
    CreateTestDatabase(path);
    TSQLConnection conn;
    conn.SetParam(QStringLiteral("Database"), path);
    conn.SetParam(QStringLiteral("User_Name"), QStringLiteral("sysdba"));
    FillDatabase(conn);
    Connection = &conn;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
