// The monitor, the items window and the stock-in on a Firebird server of the
// test's own that stops and comes back while the program runs.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivItemIn.h"
#include "app/KivItems.h"
#include "app/KivItemsSync.h"
#include "app/KivMain.h"
#include "client/KivStream.h"
#include "platform/Exceptions.h"
#include "platform/Threads.h"
#include "support/DialogAnswers.h"
#include "support/FirebirdServer.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

namespace {

class DatabaseOutageTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
#if defined(__SANITIZE_THREAD__)
        // QProcess's child start is opaque to ThreadSanitizer (see PlatformSim).
        GTEST_SKIP() << "the server is started through QProcess";
#endif
        FDM.reset();
        QString error;
        ASSERT_TRUE(Server.Start(TempPath(QString()), &error)) << error.toStdString();
        Server.WriteSettings(TempPath(QString()), DatabasePath());
        FDM = std::make_unique<TKivDM>(TempPath(QString()));
        FDM->DatabaseRetryMs = 100;
        StartSim(Sim, StationeryCatalogue);
        PointAtSim(Sim);
        AddSimShopRows();
        StreamTimings.ReconnectBaseMs = 50;
        AddRule(u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtyPay"_qs);
        TTreeNodeShop shop;
        SetSimShop(shop);
        ASSERT_EQ(SyncItems(shop, nullptr).Outcome, TSyncOutcome::soCompleted);
        InstallItemsHooks();
        InstallItemInHooks();
        Main = std::make_unique<TMainKiv>();
        Main->tvShops->setCurrentItem(Main->tvShops->topLevelItem(0)->child(1));
        Main->tvShopsDblClick();
        ASSERT_TRUE(Form());
        Form()->ActionMonitor->trigger();
        ASSERT_TRUE(WaitFor([&] { return Sim.StreamOpen() == 1; }));
    }
    void TearDown() override
    {
        if (Form() && Form()->Monitoring())
            Form()->ActionMonitor->trigger();
        Main.reset();
        EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(20000));
        MainKivHooks = {};
        StreamTimings = TStreamTimings{};
        AppTest::TearDown();
    }

    TFormItems* Form() const { return MonitorOf(Main.get()); }
    int Figure(const QString& sku, const QString& field) const { return ItemsFigure(*Form()->ClientDataSetItems, sku, field); }
    // The log's lines that begin so.
    int Logged(const QString& start) const { return int(MonitorLog(*Form()).count(u'|' + start)); }

    TFirebirdServer Server;
    TPlatformSim Sim;
    TDialogAnswers Answers;
    std::unique_ptr<TMainKiv> Main;
};

} // namespace

TEST_F(DatabaseOutageTest, TheProgramSaysSoOnceWaitsForTheServerAndCatchesUpWhatItCouldNotStore)
{
    TFormItems& form = *Form();
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA, 2).Streams, 1);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 2; }));

    // The stock-in dialog is up when the server stops; it is confirmed then,
    // and again once the server is back.
    int shown = 0;
    Answers.Modal = [&](QDialog& dialog) {
        auto& itemIn = dynamic_cast<TFormItemIn&>(dialog);
        itemIn.show();
        if (++shown == 1) {
            Server.Stop();
            Sim.SetNow(u"2024-06-01 12:10:00"_qs);
            Sim.PlaceOrder(u"k1"_qs, SkuA, 1);
            Sim.PlaceOrder(u"k1"_qs, SkuB, 1);
            EXPECT_TRUE(WaitFor([&] { return Sim.Count(u"taobao.trade.get"_qs) == 3 && KivDM->DatabaseLost(); }));
            WaitFor([] { return false; }, 300);
            // "打开数据" keeps the rows on screen.
            EXPECT_THROW(form.LoadItems(), EDatabaseConnectionLost);
            EXPECT_EQ(ItemsRowOrder(*form.ClientDataSetItems).size(), 3);
            EXPECT_EQ(Figure(SkuA, u"QtyPay"_qs), 2);
            TickItemIn(itemIn, SkuA);
            itemIn.SpinEditQty->setValue(5);
        } else {
            QString error;
            EXPECT_TRUE(Server.Restart(&error)) << error.toStdString();
            Sim.SetNow(u"2024-06-01 12:20:00"_qs);
            EXPECT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 3 && Figure(SkuB, u"QtyPay"_qs) == 1; }));
        }
        itemIn.ActionOK->trigger();
        return itemIn.result();
    };
    Main->tbStock->click();
    Main->leBarcode->setText(u"6901234567892"_qs);
    Press(Main->leBarcode, Qt::Key_Return);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(Answers.Texts(), QStringList{u"数据库连接已断开，本次入库没有保存！请在数据库恢复后再次确认。"_qs});
    EXPECT_EQ(Logged(u"数据库连接已断开"_qs), 1);
    EXPECT_EQ(Logged(u"数据库已重新连接"_qs), 1);
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyStock"_qs) == 5; }));
    EXPECT_EQ(Scalar(u"select sum(\"Qty\") || '/' || count(*) from \"KivItemIn\""_qs), u"5/1"_qs);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOut\""_qs), u"3"_qs);

    // Reloaded and started again, as if nothing had happened.
    form.LoadItems();
    EXPECT_EQ(Figure(SkuA, u"QtyPay"_qs), 3);
    form.ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return Sim.StreamOpen() == 0; }));
    form.ActionMonitor->trigger();
    EXPECT_TRUE(form.Monitoring());
    EXPECT_EQ(Answers.Messages.size(), 1u);
}
