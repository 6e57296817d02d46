#pragma once
// The world of the monitor benchmarks, the program's own: a synced shop of
// 50 items (one SKU each, taken in turn by the stand-in) in an embedded
// database, the main window with the idle handler that applies update
// records, and the shop's monitor window, shown and monitoring against the
// local stand-in, with one rule that counts paid orders. The stand-in lists
// a changed trade at once, so the program reads its listing up to the
// platform's time.

#include "app/KivItems.h"
#include "app/KivMain.h"
#include "app/KivResources.h"
#include "client/KivDataM.h"
#include "platform/Threads.h"
#include "platform/db/ClientDataSet.h"
#include "app/ItemsTestSupport.h"
#include "bench/BenchSupport.h"
#include "support/PlatformSim.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <memory>
#include <stdexcept>

// The stand-in's catalogue of the world's shop, without trades.
inline QByteArray MonitorBenchCatalogue()
{
    QByteArray items;
    for (int i = 1; i <= 50; ++i)
        items += (i > 1 ? "," : "") + QByteArray(R"({"num_iid":)") + QByteArray::number(500000000000LL + i)
                 + R"(,"title":"商品)" + QByteArray::number(i) + R"(","modified":"2024-05-01 10:00:00","property_alias":"","skus":[{"sku_id":)"
                 + QByteArray::number(5000000000000LL + i * 10 + 1) + R"(,"price":"2.50","quantity":9,"properties_name":"1:1:颜色:黑色"}]})";
    return R"({"now":"","shops":[{"app_key":"k1","app_secret":"secret","session":"sess","items":[)" + items + R"(],"trades":[]}]})";
}

struct TMonitorBenchWorld {
    QTemporaryDir Dir;
    TPlatformSim Sim;
    std::unique_ptr<TKivDM> DM;
    std::unique_ptr<TMainKiv> Main;
    QPointer<TFormItems> Form;

    // Up to the monitor window, shown; Monitor() starts it.
    TMonitorBenchWorld()
    {
        const QString cataloguePath = Dir.filePath(QStringLiteral("catalogue.json"));
        QFile file(cataloguePath);
        file.open(QIODevice::WriteOnly);
        file.write(MonitorBenchCatalogue());
        file.close();
        QString error;
        if (!Sim.Start(cataloguePath, &error))
            throw std::runtime_error(error.toStdString());
        CreateTestDatabase(Dir.filePath(QStringLiteral("Kiv.fdb")));
        InitKivResources();
        DM = std::make_unique<TKivDM>(Dir.path());
        PointAtSim(Sim);
        AddSimShopRows();
        AddRule(QStringLiteral("TradeBuyerPay"), QStringLiteral("WAIT_SELLER_SEND_GOODS"), QStringLiteral("QtyPay"));
        TFormItems::ListingLagSecs = 0;
        InstallItemsHooks();
        Main = std::make_unique<TMainKiv>();
        Main->tvShops->setCurrentItem(Main->tvShops->topLevelItem(0)->child(1));
        Main->tvShopsDblClick(); // "监控数据": syncs the fresh shop, then shows its figures
        Form = MonitorOf(Main.get());
        if (!Form)
            throw std::runtime_error("no monitor window");
    }

    void Monitor()
    {
        Form->ActionMonitor->trigger();
        if (!Spin([&] { return Sim.StreamOpen() == 1; }))
            throw std::runtime_error("the stream did not connect");
    }

    ~TMonitorBenchWorld()
    {
        if (Form && Form->Monitoring())
            Form->ActionMonitor->trigger();
        Spin([&] { return Sim.StreamOpen() == 0; });
        Main.reset();
        TThreadRegistry::Instance().WaitIdle(10000);
        TFormItems::ListingLagSecs = TFormItems::DefaultListingLagSecs;
    }
    TMonitorBenchWorld(const TMonitorBenchWorld&) = delete;
    TMonitorBenchWorld& operator=(const TMonitorBenchWorld&) = delete;
};
