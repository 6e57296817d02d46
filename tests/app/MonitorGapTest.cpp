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
#include "platform/Clock.h"
#include "support/ChildProcess.h"
#include "support/DialogAnswers.h"
#include "support/OtherSeat.h"

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
        MonitorTestSettings(Sim);
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
        EndMonitorTest(Main);
        SetLocalNow(std::nullopt);
        AppTest::TearDown();
    }

    // The main window over the synced shop, and its monitor window opened.
    TFormItems& OpenMonitor()
    {
        Main = std::make_unique<TMainKiv>();
        return OpenMonitorWindow(*Main);
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

    // Runs step() every 10 ms while the action runs (a start waits for its
    // catch-up, in which the platform's calls let events run).
    static void TriggerWith(QAction& action, const std::function<void()>& step)
    {
        QTimer steps;
        QObject::connect(&steps, &QTimer::timeout, step);
        steps.start(10);
        action.trigger();
    }
    // The computer's clock set that many seconds away from what it says now.
    static void StepLocalClock(qint64 secs) { SetLocalNow(LocalNow().addSecs(secs)); }
    // The stream tells something (a heartbeat): the program has heard from it now.
    void Heartbeat() { ASSERT_EQ(Sim.StreamCode(201), 1); }
    static int LogLinesWith(const TFormItems& form, const QString& words) { return int(Log(form).count(words)); }

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

// A trade changed in the second in which the stream was confirmed, before
// the confirmation: it reached no stream, and a catch-up that read the
// platform's clock at once would end its window a second before it.
TEST_F(MonitorGapTest, TheStreamCarriesTheRecordOnOnlyFromAPlatformReadingTakenAfterItWasConfirmed)
{
    TFormItems::LiveAdvanceMs = 0;
    TFormItems& form = OpenMonitor();
    Sim.SetNow(u"2024-06-01 12:00:05"_qs);
    Sim.StreamStall(60000);
    Sim.ResetCounts();
    TPlatformSim::TOrder order;
    int step = 0;
    QElapsedTimer confirmed;
    TriggerWith(*form.ActionMonitor, [&] {
        if (step == 0 && Sim.Count(u"stream"_qs) == 1) {
            ++step;
            order = Sim.PlaceOrder(u"k1"_qs, SkuA);
            EXPECT_EQ(order.Streams, 0);
            Sim.StreamStall(0);
        } else if (step == 1 && Log(form).contains(u"连接成功"_qs)) {
            ++step;
            confirmed.start();
        } else if (step == 2 && confirmed.elapsed() >= 500) {
            ++step;
            // Half a second on, the platform's clock is in the next second.
            Sim.SetNow(u"2024-06-01 12:00:06"_qs);
        }
    });
    ASSERT_TRUE(form.Monitoring());
    // Read by the start's catch-up, whose window met the stream's start.
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 1; }, 5000)) << Log(form).toStdString();
    // Two minutes later, the stream still live.
    StepLocalClock(120);
    Sim.SetNow(u"2024-06-01 12:02:06"_qs);
    Heartbeat();
    QElapsedTimer ticks;
    ticks.start();
    WaitFor([&] { return ticks.elapsed() > 1500; });
    // Read once: the catch-up and the stream met.
    EXPECT_EQ(Sim.Count(u"taobao.time.get"_qs), 1);
    Stop(form);
    form.ActionMonitor->trigger();
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 1; }, 5000)) << Log(form).toStdString();
    EXPECT_EQ(LinesOf(order.Tid), 1);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

// The computer's clock is set back an hour after the sync read the
// platform's clock, and the platform's clock is forty minutes on when
// monitoring starts: no moment of either reading moves the record past the
// thirty orders nobody has read yet.
TEST_F(MonitorGapTest, AStepOfTheComputersClockMovesNoMomentPastATradeNobodyRead)
{
    for (const char16_t* at : {u"2024-06-01 12:05:00", u"2024-06-01 12:15:00", u"2024-06-01 12:35:00"}) {
        Sim.SetNow(QString::fromUtf16(at));
        ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA, 1, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs, 10).Streams, 0);
    }
    StepLocalClock(-3600);
    Sim.SetNow(u"2024-06-01 12:40:00"_qs);
    TFormItems::LiveAdvanceMs = 0;
    TFormItems& form = OpenMonitor();
    // The catch-up waits at its sixth trade for a few of the stream's advances.
    Sim.SetFault(u"hold"_qs, 0, -1, u"taobao.trade.get"_qs, 5);
    QString passed;
    QElapsedTimer held;
    TriggerWith(*form.ActionMonitor, [&] {
        if (!held.isValid() && Sim.Held() == 1)
            held.start();
        if (!held.isValid())
            return;
        if (const QString moment = OutGapFrom(u"S1"_qs); moment > u"2024-06-01 12:05:00"_qs)
            passed = moment;
        if (held.elapsed() > 2500 && Sim.Held() == 1) {
            Sim.SetFault(u"none"_qs);
            Sim.Release();
        }
    });
    EXPECT_TRUE(held.isValid());
    EXPECT_EQ(passed, QString());
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 30; })) << Figure(SkuA, u"QtyPay"_qs);
    EXPECT_EQ(OutGapFrom(u"S1"_qs), u"2024-06-01 12:40:00"_qs);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

// Two seats monitor the shop. The platform tells the other seat that an
// order was paid, and the other seat's fetch fails: its mark of the record
// holds this seat's advance until a catch-up has read past it.
TEST_F(MonitorGapTest, AMarkAnotherSeatMadeHoldsThisSeatsAdvanceUntilACatchUpReadPastIt)
{
    TFormItems::LiveAdvanceMs = 0;
    Sim.SetNow(u"2024-06-01 12:10:00"_qs);
    TFormItems& form = Monitoring();
    Sim.SetNow(u"2024-06-01 12:20:00"_qs);
    const TPlatformSim::TOrder order = Sim.PlaceOrder(u"k1"_qs, SkuA, 1, u"WAIT_BUYER_PAY"_qs, u"TradeAlipayCreate"_qs);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyOut"_qs) == 1; }));
    Sim.SetNow(u"2024-06-01 12:30:00"_qs);
    Sim.ChangeTrade(u"k1"_qs, order.Tid, u"WAIT_SELLER_SEND_GOODS"_qs);
    {
        TSQLConnection otherSeat;
        otherSeat.SetParam(u"Database"_qs, DatabasePath());
        otherSeat.ExecuteDirect(OutGapMarkSql(u"S1"_qs, u"2024-06-01 12:30:00"_qs));
    }
    // Half an hour on, this seat's stream live all the while.
    StepLocalClock(1800);
    Sim.SetNow(u"2024-06-01 13:00:00"_qs);
    Heartbeat();
    QString passed;
    EXPECT_TRUE(WaitFor([&] {
        if (const QString moment = OutGapFrom(u"S1"_qs); moment > u"2024-06-01 12:30:00"_qs && Figure(SkuA, u"QtyPay"_qs) == 0)
            passed = moment;
        return Figure(SkuA, u"QtyPay"_qs) == 1;
    }, 10000)) << Log(form).toStdString();
    EXPECT_EQ(passed, QString());
    EXPECT_EQ(LinesOf(order.Tid, u"WAIT_SELLER_SEND_GOODS"_qs), 1);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

// The database refuses a trade line: for a while (another seat holds what
// the line's insert writes), or for good (a quantity beyond its column).
TEST_F(MonitorGapTest, ALineTheDatabaseRefusesForAWhileIsCaughtUpAndOneThatNeverFitsIsLoggedOnceAndHoldsNothingBack)
{
    // Every insert of a trade line also writes a row that the other seat holds.
    ExecSql(u"create table \"TestGate\" (\"Id\" integer not null primary key, \"N\" integer)"_qs);
    ExecSql(u"insert into \"TestGate\" values (1, 0)"_qs);
    ExecSql(u"create trigger \"TestGateOut\" for \"KivItemOut\" before insert as begin "
            "update \"TestGate\" set \"N\" = \"N\" + 1 where \"Id\" = 1; end"_qs);
    TFormItems& form = Monitoring();
    {
        const TOtherSeat other(DatabasePath(), QString::fromUtf16(ServerPassword),
                               u"update \"TestGate\" set \"N\" = 100 where \"Id\" = 1"_qs, u"insert into \"KivItemOut\""_qs);
        ASSERT_TRUE(WaitFor([&] { return other.Holding.load(); }));
        Sim.SetNow(u"2024-06-01 12:05:00"_qs);
        ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA).Streams, 1);
        ASSERT_TRUE(WaitFor([&] { return other.Committed.load(); }));
    }
    Sim.SetNow(u"2024-06-01 12:05:01"_qs);
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 1; })) << Log(form).toStdString();

    // Three thousand million pens do not fit; the order after them counts.
    Sim.SetNow(u"2024-06-01 12:06:00"_qs);
    const TPlatformSim::TOrder huge = Sim.PlaceOrder(u"k1"_qs, SkuB, 3000000000);
    Sim.SetNow(u"2024-06-01 12:07:00"_qs);
    Sim.PlaceOrder(u"k1"_qs, SkuC);
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuC, u"QtyPay"_qs) == 1; })) << Log(form).toStdString();
    const QString refused = u"交易"_qs + huge.Tid + u"的订单行"_qs + huge.Oid + u"无法保存"_qs;
    EXPECT_EQ(LogLinesWith(form, refused), 1) << Log(form).toStdString();
    // Read again by a catch-up, it is said no second time, and the record
    // moves past it.
    Stop(form);
    MarkOutGap(u"S1"_qs, u"2024-06-01 12:00:00"_qs);
    Sim.SetNow(u"2024-06-01 12:10:00"_qs);
    form.ActionMonitor->trigger();
    EXPECT_TRUE(WaitFor([] { return OutGapFrom(u"S1"_qs) == u"2024-06-01 12:10:00"_qs; })) << Log(form).toStdString();
    EXPECT_EQ(LogLinesWith(form, refused), 1) << Log(form).toStdString();
    EXPECT_EQ(LinesOf(huge.Tid), 0);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOut\""_qs), u"2"_qs);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

// The platform lists a change a few seconds after it was made: an order paid
// a second before monitoring starts is not listed yet when the start's
// catch-up reads, and reaches no stream; a later catch-up reads it.
TEST_F(MonitorGapTest, AChangeThePlatformListsLateIsReadByALaterCatchUp)
{
    TFormItems::ListingLagSecs = 3;
    Sim.SetListingLag(3);
    TFormItems& form = Monitoring();
    Stop(form);
    Sim.SetNow(u"2024-06-01 12:10:00"_qs);
    const TPlatformSim::TOrder order = Sim.PlaceOrder(u"k1"_qs, SkuB);
    ASSERT_EQ(order.Streams, 0);
    Sim.SetNow(u"2024-06-01 12:10:01"_qs);
    form.ActionMonitor->trigger();
    ASSERT_TRUE(form.Monitoring());
    EXPECT_EQ(Figure(SkuB, u"QtyPay"_qs), 0);
    // The platform's clock goes on, and lists the order.
    Sim.SetNow(u"2024-06-01 12:10:06"_qs);
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuB, u"QtyPay"_qs) == 1; }, 10000)) << Log(form).toStdString();
    EXPECT_EQ(LinesOf(order.Tid), 1);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

} // namespace
