// The seller is told when the platform cannot be reached or refuses, and the
// platform never keeps the seller out of the program: a stream that gets
// nowhere, a platform that refuses the shop's credentials, and one that
// holds every call, against the platform stand-in, a fresh database and
// real windows.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivItems.h"
#include "app/KivItemsSync.h"
#include "app/KivMain.h"
#include "app/KivProgress.h"
#include "client/KivStream.h"
#include "platform/HttpClient.h"
#include "support/WindowClick.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>
#include <optional>

namespace {

const QString CheckShopSettings = u"，请检查“设置店铺”中店铺的AppKey、AppSecret和Session后重试"_qs;
const QString NoConnection = u"无法连接淘宝平台，请检查网络和系统参数后重试"_qs;

class PlatformOutageTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        StartSim(Sim, StationeryCatalogue);
        MonitorTestSettings(Sim);
        AddRule(u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtyPay"_qs);
        TTreeNodeShop shop;
        SetSimShop(shop);
        ASSERT_EQ(SyncItems(shop, nullptr).Outcome, TSyncOutcome::soCompleted);
    }
    void TearDown() override
    {
        Sim.SetFault(u"none"_qs);
        Sim.Release();
        Sim.StreamStall(0);
        EndMonitorTest(Main);
        AppTest::TearDown();
    }

    TFormItems& OpenMonitor()
    {
        Main = std::make_unique<TMainKiv>();
        return OpenMonitorWindow(*Main);
    }
    void Stop(TFormItems& form)
    {
        form.ActionMonitor->trigger();
        ASSERT_TRUE(WaitFor([&] { return Log(form).endsWith(u"监控停止"_qs); }));
    }
    // The main window of an auto-monitored shop, as the login shows it.
    void LogIn()
    {
        ExecSql(u"update \"SYS_Shop\" set \"AutoMonitor\" = 1"_qs);
        Main = std::make_unique<TMainKiv>();
        Main->show();
    }

    TFormItems* Form() const { return MonitorOf(Main.get()); }
    static QString Log(const TFormItems& form) { return MonitorLog(form); }
    static int LinesWith(const TFormItems& form, const QString& words) { return int(Log(form).count(words)); }
    static const TKivStreamThread* Stream(const TFormItems& form) { return form.findChild<TKivStreamThread*>(); }
    int Paid(const TFormItems& form) const { return ItemsFigure(*form.ClientDataSetItems, SkuA, u"QtyPay"_qs); }

    TPlatformSim Sim;
    TDialogAnswers Answers;
    std::unique_ptr<TMainKiv> Main;
};

TEST_F(PlatformOutageTest, AStreamAddressThatRefusesConnectionsIsSaidOnceAndTheOrdersMeanwhileAreCaughtUp)
{
    SysRec.StreamUrl = u"http://127.0.0.1:%1/stream"_qs.arg(Sim.RefusingPort());
    TFormItems& form = OpenMonitor();
    form.ActionMonitor->trigger();
    ASSERT_TRUE(form.Monitoring());
    const QRegularExpression said(u"\\|监控连接失败："_qs + NoConnection + u"，自2024-06-01 12:00:0\\d起的交易待补录$"_qs,
                                  QRegularExpression::MultilineOption);
    EXPECT_TRUE(WaitFor([&] { return Log(form).contains(said); })) << Log(form).toStdString();
    Keep(form, u"monitor-stream-unreachable.png"_qs);
    // It keeps trying, and says it once.
    EXPECT_TRUE(WaitFor([&] { return Stream(form)->EndedConnections() >= 4; }));
    EXPECT_EQ(LinesWith(form, u"监控连接失败"_qs), 1) << Log(form).toStdString();

    // An order paid meanwhile reaches no stream; a catch-up reads it.
    Sim.SetNow(u"2024-06-01 12:05:00"_qs);
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA, 2).Streams, 0);
    Sim.SetNow(u"2024-06-01 12:05:01"_qs);
    EXPECT_TRUE(WaitFor([&] { return Paid(form) == 2; })) << Log(form).toStdString();
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

TEST_F(PlatformOutageTest, AGarbageSessionOrAWrongSecretIsSaidAsTheStreamsRefusalAndTheOrdersOfTheOutageAreCaughtUp)
{
    TFormItems& form = OpenMonitor();
    TTreeNodeShop& shop = *form.Shop();
    const auto refused = [&](const QString& words) {
        form.ActionMonitor->trigger();
        const QString line = u"监控连接失败：淘宝平台拒绝了请求（"_qs + words + u" [25]）"_qs + CheckShopSettings + u"，自"_qs;
        EXPECT_TRUE(WaitFor([&] { return Log(form).contains(line); })) << Log(form).toStdString();
        Stop(form);
    };
    shop.Session = u"garbage"_qs;
    refused(u"invalid session"_qs);
    Sim.SetNow(u"2024-06-01 12:05:00"_qs);
    Sim.PlaceOrder(u"k1"_qs, SkuA, 3);
    shop.Session = u"sess"_qs;
    shop.AppSecret = u"wrong"_qs;
    refused(u"invalid signature"_qs);

    // Set right, the shop's stream connects, and the order of the outage is caught up.
    shop.AppSecret = u"secret"_qs;
    Sim.SetNow(u"2024-06-01 12:10:00"_qs);
    form.ActionMonitor->trigger();
    EXPECT_TRUE(WaitFor([&] { return MonitorStreamOpen(Sim, form) && Paid(form) == 3; })) << Log(form).toStdString();
    EXPECT_EQ(LinesWith(form, u"连接成功"_qs), 1);
}

TEST_F(PlatformOutageTest, ARefusalIsSaidOnceAnOutageAndAgainInTheNextOneAfterTheStreamWasBack)
{
    TFormItems& form = OpenMonitor();
    form.ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return MonitorStreamOpen(Sim, form); }));
    const QString refused = u"监控连接失败：淘宝平台拒绝了请求（app call limited [25]）"_qs + CheckShopSettings;
    const auto outage = [&](int times) {
        Sim.StreamRefuse(u"app call limited"_qs);
        const long before = Sim.Count(u"stream-refused"_qs);
        ASSERT_EQ(Sim.StreamDrop(), 1);
        EXPECT_TRUE(WaitFor([&] { return Sim.Count(u"stream-refused"_qs) >= before + 3 && LinesWith(form, refused) >= times; }));
        EXPECT_EQ(LinesWith(form, refused), times) << Log(form).toStdString();
        EXPECT_EQ(LinesWith(form, u"监控连接中断"_qs), times);
        Keep(form, u"monitor-stream-refused.png"_qs);
        Sim.StreamRefuse(QString());
        EXPECT_TRUE(WaitFor([&] { return MonitorStreamOpen(Sim, form) && LinesWith(form, u"连接成功"_qs) == times + 1; }));
    };
    outage(1);
    outage(2);
}

TEST_F(PlatformOutageTest, ATradeThePlatformRefusesToTellIsSaidAsARefusal)
{
    TFormItems& form = OpenMonitor();
    form.ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return MonitorStreamOpen(Sim, form); }));
    const QString tid = u"7000000000000000099"_qs;
    ASSERT_EQ(Sim.StreamNotify(u"notify_trade"_qs, u"TradeBuyerPay"_qs, tid, QString(), u"2024-06-01 12:00:00"_qs), 1);
    const QString line = u"交易"_qs + tid + u"获取失败：淘宝平台拒绝了请求（Remote service error（isv.trade-not-exist: "_qs + tid
                         + u"） [15]）"_qs + CheckShopSettings + u"，自2024-06-01 12:00:00起的交易待补录"_qs;
    EXPECT_TRUE(WaitFor([&] { return Log(form).contains(line); })) << Log(form).toStdString();
}

TEST_F(PlatformOutageTest, AWrongSecretOrAnUnknownAppKeyIsARefusalInTheSyncAndInTheCatchUp)
{
    const QString secret = u"淘宝平台拒绝了请求（Invalid signature [25]）"_qs + CheckShopSettings;
    const QString appKey = u"淘宝平台拒绝了请求（Invalid app Key [29]）"_qs + CheckShopSettings;
    TTreeNodeShop shop;
    SetSimShop(shop);
    shop.AppSecret = u"wrong"_qs;
    EXPECT_EQ(SyncItems(shop, nullptr).Outcome, TSyncOutcome::soNoServerTime);
    SetSimShop(shop);
    shop.AppKey = u"nobody"_qs;
    EXPECT_EQ(SyncItems(shop, nullptr).Outcome, TSyncOutcome::soNoServerTime);
    EXPECT_EQ(Answers.Texts(), QStringList({u"商品同步失败："_qs + secret + u"！"_qs, u"商品同步失败："_qs + appKey + u"！"_qs}));

    TFormItems& form = OpenMonitor();
    form.Shop()->AppSecret = u"wrong"_qs;
    form.ActionMonitor->trigger();
    Stop(form);
    SetSimShop(*form.Shop());
    form.Shop()->AppKey = u"nobody"_qs;
    form.ActionMonitor->trigger();
    Stop(form);
    EXPECT_EQ(Answers.Texts().mid(2),
              QStringList({u"中断交易数据同步失败："_qs + secret + u"！"_qs, u"中断交易数据同步失败："_qs + appKey + u"！"_qs}));
    // The log says it too, and from when the trades wait.
    EXPECT_TRUE(Log(form).contains(u"中断交易数据同步失败："_qs + appKey + u"，自2024-06-01 12:00:01起的交易待补录"_qs))
        << Log(form).toStdString();
}

TEST_F(PlatformOutageTest, AnAutoMonitoredShopOnAPlatformThatHoldsEveryCallLeavesTheMainWindowUsable)
{
    StreamTimings.ConnectTimeoutMs = 1000;
    Sim.StreamStall(60000);
    Sim.SetFault(u"hold"_qs);
    // What the seller finds while the platform holds the start's catch-up
    // (the wait runs the events); then the platform answers.
    std::optional<bool> usable;
    QTimer seller;
    QObject::connect(&seller, &QTimer::timeout, [&] {
        if (usable || Sim.Held() == 0)
            return;
        usable = MainKiv && MainKiv->isVisible() && !QApplication::activeModalWidget();
        if (*usable) {
            ClickThroughWindow(MainKiv->tbStock, MainKiv->tbStock->rect().center());
            usable = MainKiv->CurrentPageButton() == MainKiv->tbStock;
        }
        Sim.SetFault(u"none"_qs);
        Sim.Release();
    });
    seller.start(20);
    LogIn();
    ASSERT_TRUE(WaitFor([&] { return usable.has_value(); }));
    EXPECT_TRUE(*usable);
    ASSERT_TRUE(Form());
    EXPECT_TRUE(Form()->Monitoring());
}

TEST_F(PlatformOutageTest, AfterStopNoWindowHoldsTheSellerAndEachRetryIsSaidAndWaitsLongerThanTheOneBefore)
{
    TFormItems::CatchUpRetryMs = 600;
    TFormItems::LiveAdvanceMs = 0;
    // Long enough for the catch-up's progress to show while it waits.
    KivDM->KivHttp->ReadTimeoutMs = 5000;
    Sim.SetFault(u"hold"_qs);
    // The seller presses "停止" as soon as the program's catch-up shows its
    // progress (its wait runs the events); from then on no window may hold
    // the seller.
    bool held = false;
    bool stopped = false;
    QTimer seller;
    QObject::connect(&seller, &QTimer::timeout, [&] {
        held = held || QApplication::activeModalWidget();
        auto* progress = Form() ? Form()->findChild<TFormProgress*>() : nullptr;
        if (stopped || !progress || !progress->isVisible())
            return;
        stopped = true;
        EXPECT_EQ(progress->windowModality(), Qt::NonModal);
        Keep(*progress, u"catch-up-progress-beside.png"_qs);
        ClickThroughWindow(progress->ButtonStop, progress->ButtonStop->rect().center());
        // The rest of the outage: the platform still holds, and lets go sooner.
        KivDM->KivHttp->ReadTimeoutMs = 1000;
    });
    seller.start(10);
    QElapsedTimer clock;
    clock.start();
    std::vector<std::pair<qint64, QString>> lines;
    QTimer watch;
    WatchMonitorLogs(watch, [&](const QString& line) { lines.emplace_back(clock.elapsed(), line.mid(4)); });
    LogIn();
    const auto failures = [&] {
        return std::count_if(lines.begin(), lines.end(), [](const auto& line) { return line.second.endsWith(u"秒后重试"_qs); });
    };
    ASSERT_TRUE(WaitFor([&] { return failures() == 4; }, 60000)) << Log(*Form()).toStdString();
    EXPECT_FALSE(held);
    // Each catch-up asked the platform once, and is still held there.
    EXPECT_EQ(Sim.Held(), 4);

    // Stopped, then three retries that fail, each said, and each after a
    // longer wait than the one before.
    const QRegularExpression since(u"，自2024-06-01 12:00:0\\d起的交易待补录"_qs);
    QStringList said;
    for (const auto& [at, line] : lines)
        if (line.contains(u"中断交易数据同步"_qs))
            said << QString(line).remove(since);
    const QString failed = u"中断交易数据同步失败："_qs + NoConnection + u"，"_qs;
    EXPECT_EQ(said, QStringList({u"中断交易数据同步已停止，1秒后重试"_qs, u"第1次重试中断交易数据同步"_qs, failed + u"2秒后重试"_qs,
                                 u"第2次重试中断交易数据同步"_qs, failed + u"3秒后重试"_qs, u"第3次重试中断交易数据同步"_qs,
                                 failed + u"5秒后重试"_qs}));
    qint64 failedAt = -1;
    int wait = TFormItems::CatchUpRetryMs;
    for (const auto& [at, line] : lines) {
        if (line.endsWith(u"秒后重试"_qs)) {
            failedAt = at;
        } else if (line.contains(u"次重试"_qs)) {
            EXPECT_GE(at - failedAt, wait * 9 / 10) << line.toStdString();
            wait *= 2;
        }
    }
    // The main window answers all along.
    ClickThroughWindow(Main->tbStock, Main->tbStock->rect().center());
    EXPECT_EQ(Main->CurrentPageButton(), Main->tbStock);
}

} // namespace
