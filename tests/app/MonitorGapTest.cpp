// The shop's record is known complete up to a moment kept in the database:
// whatever ends monitoring, and whatever arrives first, the next catch-up
// reads every trade that changed since then, and each order line counts
// once. Against the platform stand-in, a fresh database and real windows;
// the kill runs the program in a process of its own.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivItems.h"
#include "app/KivItemsSync.h"
#include "app/KivMain.h"
#include "client/KivLogin.h"
#include "client/KivQuery.h"
#include "client/KivStream.h"
#include "platform/Threads.h"
#include "support/ChildProcess.h"
#include "support/DialogAnswers.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <csignal>

namespace {

const QString DirVariable = u"MORVANE_GAP_DIR"_qs;
const QString LogFile = u"log.txt"_qs;

// The program as main() runs it in the folder MORVANE_GAP_DIR, the
// administrator logged in; every line its monitor windows log is written to
// the folder's "log.txt" at once, so that the test sees how far it got.
int LoggingProgram()
{
    const QString dir = qEnvironmentVariable(qPrintable(DirVariable));
    InitKivResources();
    TDialogAnswers answers;
    LogInAsAdministrator(answers);
    QFile log(dir + u'/' + LogFile);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return 4;
    QTimer watch;
    WatchMonitorLogs(watch, [&log](const QString& line) { log.write(line.toUtf8() + '\n'); });
    return RunKiv(dir);
}
const bool LoggingProgramRegistered = RegisterTestChild("gap-logging-program", LoggingProgram, true);

class MonitorGapTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        StartSim(Sim, StationeryCatalogue);
        PointAtSim(Sim);
        AddSimShopRows();
        FDM->KivHttp->ConnectTimeoutMs = 2000;
        FDM->KivHttp->ReadTimeoutMs = 10000;
        StreamTimings.ReconnectBaseMs = 50;
        TFormItems::CatchUpRetryMs = 200;
        InstallItemsHooks();
        // Bought, paid, shipped and refunded, as a seller's rules say.
        AddRule(u"TradeAlipayCreate"_qs, u"WAIT_BUYER_PAY"_qs, u"QtyOut"_qs);
        AddRule(u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtyPay"_qs);
        AddRule(u"TradeSellerShip"_qs, u"WAIT_BUYER_CONFIRM_GOODS"_qs, u"QtySend"_qs);
        AddRule(u"RefundSuccess"_qs, u"WAIT_BUYER_CONFIRM_GOODS"_qs, u"QtyBack"_qs, {}, u"notify_refund"_qs);
        TTreeNodeShop shop;
        SetSimShop(shop);
        ASSERT_EQ(SyncItems(shop, nullptr).Outcome, TSyncOutcome::soCompleted);
    }
    void TearDown() override
    {
        if (Form() && Form()->Monitoring())
            Form()->ActionMonitor->trigger();
        Main.reset();
        EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(20000));
        MainKivHooks = {};
        StreamTimings = TStreamTimings{};
        TFormItems::CatchUpRetryMs = 60000;
        AppTest::TearDown();
    }

    // The main window over the synced shop, and its monitor window opened.
    TFormItems& OpenMonitor()
    {
        Main = std::make_unique<TMainKiv>();
        Main->tvShops->setCurrentItem(Main->tvShops->topLevelItem(0)->child(1));
        Main->tvShopsDblClick();
        return *Form();
    }
    // Monitoring, its stream open.
    TFormItems& Monitoring()
    {
        TFormItems& form = OpenMonitor();
        form.ActionMonitor->trigger();
        EXPECT_TRUE(form.Monitoring());
        EXPECT_TRUE(WaitFor([&] { return Sim.StreamOpen() == 1; }));
        return form;
    }
    void Stop(TFormItems& form)
    {
        form.ActionMonitor->trigger();
        ASSERT_TRUE(WaitFor([&] { return Sim.StreamOpen() == 0 && Log(form).endsWith(u"监控停止"_qs); }));
    }

    TFormItems* Form() const { return MonitorOf(Main.get()); }
    int Figure(const QString& sku, const QString& field) const { return ItemsFigure(*Form()->ClientDataSetItems, sku, field); }
    static QString Log(const TFormItems& form) { return MonitorLog(form); }
    static int LinesOf(const QString& tid, const QString& status = QString())
    {
        return Scalar(u"select count(*) from \"KivItemOut\" where \"Tid\" = "_qs + tid
                      + (status.isEmpty() ? QString() : u" and \"Status\" = "_qs + QuotedStr(status)))
            .toInt();
    }

    TPlatformSim Sim;
    TDialogAnswers Answers;
    std::unique_ptr<TMainKiv> Main;
};

TEST_F(MonitorGapTest, ACatchUpKilledHalfwayIsReadWholeAfterTheRestartAndCountsEveryTradeOnce)
{
    // Thirty paid orders while nothing watched, the newest listed first.
    for (const char16_t* at : {u"2024-06-01 12:05:00", u"2024-06-01 12:10:00", u"2024-06-01 12:15:00"}) {
        Sim.SetNow(QString::fromUtf16(at));
        ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA, 1, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs, 10).Streams, 0);
    }
    Sim.SetNow(u"2024-06-01 12:20:00"_qs);
    ExecSql(u"update \"SYS_Shop\" set \"AutoMonitor\" = 1"_qs);
    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(5,"_qs + QuotedStr(Sim.TqlUrl()) + u")"_qs);
    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(7,"_qs + QuotedStr(Sim.StreamUrl()) + u")"_qs);
    FDM.reset(); // the program has the database to itself

    // The program monitors from its start; its catch-up is killed once five
    // trade lines are stored (the sixth trade's fetch waits).
    Sim.SetFault(u"hold"_qs, 0, -1, u"taobao.trade.get"_qs, 5);
    const QString dir = TempPath(QString());
    const int program = StartTestChildProcess("gap-logging-program", {DirVariable + u'=' + dir});
    ASSERT_GT(program, 0);
    const auto stored = [&] {
        QFile log(dir + u'/' + LogFile);
        return log.open(QIODevice::ReadOnly) ? int(QString::fromUtf8(log.readAll()).count(u"已付"_qs)) : 0;
    };
    bool halfway = false;
    for (int waited = 0; waited < 60000 && !halfway; waited += 20) {
        halfway = stored() >= 5 && Sim.Held() == 1;
        if (!halfway)
            QThread::msleep(20);
    }
    ::kill(program, SIGKILL);
    const TProcessEnd end = WaitProcess(program, 20000);
    Sim.SetFault(u"none"_qs);
    Sim.Release();
    ASSERT_TRUE(halfway) << stored();
    EXPECT_TRUE(end.Signalled && end.Code == SIGKILL);
    EXPECT_EQ(stored(), 5);

    // Started again: every one of the thirty counts, once.
    FDM = std::make_unique<TKivDM>(dir);
    PointAtSim(Sim);
    Sim.SetNow(u"2024-06-01 12:30:00"_qs);
    Main = std::make_unique<TMainKiv>();
    ASSERT_TRUE(Form());
    ASSERT_TRUE(Form()->Monitoring());
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 30; })) << Figure(SkuA, u"QtyPay"_qs);
    EXPECT_EQ(Scalar(u"select count(*) || '/' || count(distinct \"Oid\") from \"KivItemOut\""_qs), u"30/30"_qs);
    Form()->LoadItems();
    EXPECT_EQ(Figure(SkuA, u"QtyPay"_qs), 30);
    EXPECT_EQ(OutGapFrom(u"S1"_qs), u"2024-06-01 12:30:00"_qs);
}

TEST_F(MonitorGapTest, ATradeLineTheStreamStoresBeforeTheCatchUpDoesNotMoveItsStart)
{
    TFormItems& form = Monitoring();
    Stop(form);
    // While stopped: two orders of SKU B, then a trade of two lines.
    Sim.SetNow(u"2024-06-01 12:05:00"_qs);
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuB, 1, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs, 2).Streams, 0);
    Sim.SetNow(u"2024-06-01 12:06:00"_qs);
    const TPlatformSim::TOrder twoLines = Sim.PlaceOrder(u"k1"_qs, SkuA + u","_qs + SkuC);
    Sim.SetNow(u"2024-06-01 12:20:00"_qs);

    // Started again, the platform slow to tell its time: the stream tells
    // the trade of two lines first, and it is stored; then the catch-up runs.
    Sim.SetFault(u"hold"_qs, 0, -1, u"taobao.time.get"_qs);
    int step = 0;
    QTimer platform;
    QObject::connect(&platform, &QTimer::timeout, [&] {
        if (step == 0 && Sim.Held() == 1 && Sim.StreamOpen() == 1) {
            ++step;
            Sim.StreamNotify(u"notify_trade"_qs, u"TradeBuyerPay"_qs, twoLines.Tid, twoLines.Oid, u"2024-06-01 12:06:00"_qs);
        } else if (step == 1 && Figure(SkuC, u"QtyPay"_qs) == 1) {
            ++step;
            EXPECT_EQ(LinesOf(twoLines.Tid), 2);
            Sim.SetFault(u"none"_qs);
            Sim.Release();
        }
    });
    platform.start(10);
    form.ActionMonitor->trigger();
    EXPECT_TRUE(WaitFor([&] { return step == 2; }));
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuB, u"QtyPay"_qs) == 2; })) << Log(form).toStdString();
    EXPECT_EQ(Figure(SkuA, u"QtyPay"_qs), 1);
    EXPECT_EQ(LinesOf(twoLines.Tid), 2);
    EXPECT_TRUE(Answers.Messages.empty());
}

TEST_F(MonitorGapTest, ATradeMadeBeforeAFailedFetchOrAStreamOutageAndPaidDuringItIsCaughtUp)
{
    TFormItems& form = Monitoring();
    // Bought at 12:01 and seen; paid at 12:05, but its fetch fails.
    Sim.SetNow(u"2024-06-01 12:01:00"_qs);
    const TPlatformSim::TOrder first = Sim.PlaceOrder(u"k1"_qs, SkuA, 1, u"WAIT_BUYER_PAY"_qs, u"TradeAlipayCreate"_qs);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyOut"_qs) == 1; }));
    Sim.SetNow(u"2024-06-01 12:05:00"_qs);
    Sim.SetFault(u"http500"_qs, 0, 1, u"taobao.trade.get"_qs);
    ASSERT_EQ(Sim.ChangeTrade(u"k1"_qs, first.Tid, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs).Streams, 1);
    // The record was known complete up to some moment before it.
    const QRegularExpression failed(u"交易"_qs + first.Tid + u"获取失败，自(2024-06-01 12:0[0-5]:\\d\\d)起的交易待补录"_qs);
    ASSERT_TRUE(WaitFor([&] { return Log(form).contains(failed); })) << Log(form).toStdString();
    const QString since = failed.match(Log(form)).captured(1);
    // An order stored live after it does not hide it: the catch-up reads the
    // trade that changed, whenever it was made.
    Sim.SetNow(u"2024-06-01 12:06:00"_qs);
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuC, 1).Streams, 1);
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 1 && Figure(SkuC, u"QtyPay"_qs) == 1; })) << Log(form).toStdString();
    EXPECT_TRUE(WaitFor([&] { return Log(form).contains(u"自"_qs + since + u"起的交易已补录完整"_qs); })) << Log(form).toStdString();
    EXPECT_EQ(LinesOf(first.Tid, u"WAIT_SELLER_SEND_GOODS"_qs), 1);

    // Bought at 12:10, five minutes before the stream goes down; paid while
    // it is down.
    Sim.SetNow(u"2024-06-01 12:10:00"_qs);
    const TPlatformSim::TOrder second = Sim.PlaceOrder(u"k1"_qs, SkuB, 1, u"WAIT_BUYER_PAY"_qs, u"TradeAlipayCreate"_qs);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuB, u"QtyOut"_qs) == 1; }));
    Sim.SetNow(u"2024-06-01 12:15:00"_qs);
    Sim.StreamStall(60000);
    ASSERT_EQ(Sim.StreamDrop(), 1);
    const QRegularExpression outage(u"监控连接中断，自2024-06-01 12:\\d\\d:\\d\\d起的交易待补录"_qs);
    ASSERT_TRUE(WaitFor([&] { return Log(form).contains(outage); })) << Log(form).toStdString();
    Sim.SetNow(u"2024-06-01 12:17:00"_qs);
    EXPECT_EQ(Sim.ChangeTrade(u"k1"_qs, second.Tid, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs).Streams, 0);
    Sim.SetNow(u"2024-06-01 12:20:00"_qs);
    Sim.StreamStall(0);
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuB, u"QtyPay"_qs) == 1; })) << Log(form).toStdString();
    EXPECT_EQ(LinesOf(second.Tid, u"WAIT_SELLER_SEND_GOODS"_qs), 1);
    EXPECT_EQ(LinesOf(first.Tid), 2);
    EXPECT_TRUE(Answers.Messages.empty());
}

TEST_F(MonitorGapTest, TradesPaidShippedAndRefundedWhileTheMonitorWasStoppedAreCaughtUpAtTheNextStart)
{
    TFormItems& form = Monitoring();
    // Three trades bought while monitoring; the first is paid as well.
    const TPlatformSim::TOrder a = Sim.PlaceOrder(u"k1"_qs, SkuA, 2, u"WAIT_BUYER_PAY"_qs, u"TradeAlipayCreate"_qs);
    const TPlatformSim::TOrder b = Sim.PlaceOrder(u"k1"_qs, SkuB, 1, u"WAIT_BUYER_PAY"_qs, u"TradeAlipayCreate"_qs);
    const TPlatformSim::TOrder c = Sim.PlaceOrder(u"k1"_qs, SkuC, 3, u"WAIT_BUYER_PAY"_qs, u"TradeAlipayCreate"_qs);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyOut"_qs) == 2; }));
    ASSERT_EQ(Sim.ChangeTrade(u"k1"_qs, a.Tid, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs).Streams, 1);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuC, u"QtyOut"_qs) == 3 && Figure(SkuA, u"QtyPay"_qs) == 2; }));
    Stop(form);

    // Stopped: the first is shipped and then refunded, the second paid, the
    // third paid, shipped and refunded: it counts as paid as well.
    Sim.SetNow(u"2024-06-01 12:05:00"_qs);
    Sim.ChangeTrade(u"k1"_qs, a.Tid, u"WAIT_BUYER_CONFIRM_GOODS"_qs);
    Sim.ChangeTrade(u"k1"_qs, b.Tid, u"WAIT_SELLER_SEND_GOODS"_qs);
    Sim.SetNow(u"2024-06-01 12:08:00"_qs);
    Sim.ChangeTrade(u"k1"_qs, a.Tid, QString(), QString(), u"SUCCESS"_qs);
    Sim.ChangeTrade(u"k1"_qs, c.Tid, u"WAIT_BUYER_CONFIRM_GOODS"_qs, QString(), u"SUCCESS"_qs);
    Sim.SetNow(u"2024-06-01 12:20:00"_qs);

    form.ActionMonitor->trigger();
    ASSERT_TRUE(form.Monitoring());
    const auto figures = [&](const QString& sku) {
        QStringList shown;
        for (const char16_t* field : {u"QtyOut", u"QtyPay", u"QtySend", u"QtyBack"})
            shown << QString::number(Figure(sku, QString::fromUtf16(field)));
        return shown.join(u'/');
    };
    EXPECT_TRUE(WaitFor([&] { return figures(SkuA) == u"2/2/2/2"_qs && figures(SkuB) == u"1/1/0/0"_qs && figures(SkuC) == u"3/3/3/3"_qs; }))
        << figures(SkuA).toStdString() << ' ' << figures(SkuB).toStdString() << ' ' << figures(SkuC).toStdString();
    // Read again from the database, the same.
    form.LoadItems();
    EXPECT_EQ(figures(SkuA), u"2/2/2/2"_qs);
    EXPECT_EQ(figures(SkuB), u"1/1/0/0"_qs);
    EXPECT_EQ(figures(SkuC), u"3/3/3/3"_qs);
    EXPECT_EQ(LinesOf(a.Tid), 4);

    // A later start reads nothing twice.
    Stop(form);
    Sim.SetNow(u"2024-06-01 12:30:00"_qs);
    form.ActionMonitor->trigger();
    EXPECT_TRUE(WaitFor([] { return OutGapFrom(u"S1"_qs) == u"2024-06-01 12:30:00"_qs; }));
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOut\""_qs), u"10"_qs);
    EXPECT_TRUE(Answers.Messages.empty());
}

TEST_F(MonitorGapTest, AGapOfDaysIsReadADayAtATimeAsThePlatformLists)
{
    TFormItems& form = Monitoring();
    Stop(form);
    // Orders on three days while nothing watched.
    for (const char16_t* at : {u"2024-06-01 13:00:00", u"2024-06-02 12:00:00", u"2024-06-03 09:00:00"}) {
        Sim.SetNow(QString::fromUtf16(at));
        ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuB).Streams, 0);
    }
    Sim.SetNow(u"2024-06-03 12:30:00"_qs);
    Sim.ResetCounts();
    form.ActionMonitor->trigger();
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuB, u"QtyPay"_qs) == 3; })) << Log(form).toStdString();
    // From 06-01 12:00:01: two whole days, each counted and read in one
    // page, and the half hour after, counted empty.
    EXPECT_EQ(Sim.Count(u"taobao.trades.sold.increment.get"_qs), 5);
    EXPECT_EQ(OutGapFrom(u"S1"_qs), u"2024-06-03 12:30:00"_qs);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();

    // The platform lists no window longer than a day.
    const TTqlReply refused = QueryTql(u"taobao.trades.sold.increment.get"_qs, u"$tid"_qs, QString(),
                                       u"page_size=? and start_modified=? and end_modified=?"_qs,
                                       u"1,\"2024-06-01 12:00:00\",\"2024-06-02 12:00:01\""_qs, *Form()->Shop());
    EXPECT_TRUE(refused.Member(u"error_response"_qs));
}

} // namespace
