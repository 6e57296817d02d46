// The monitor, the items window, the sync and the stock-in on a Firebird
// server of the test's own that stops and comes back while the program runs.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivItemIn.h"
#include "app/KivItems.h"
#include "app/KivItemsSync.h"
#include "app/KivMain.h"
#include "app/KivMsgQueue.h"
#include "app/KivProgress.h"
#include "client/KivStream.h"
#include "platform/Exceptions.h"
#include "platform/Threads.h"
#include "support/DialogAnswers.h"
#include "support/FirebirdServer.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A port of 127.0.0.1 that takes no connection, as a host that does not
// answer: it listens, but its queue is full, so a connection attempt waits.
class TUnansweringPort {
public:
    explicit TUnansweringPort(int port)
    {
        FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(FListener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(quint16(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        FListening = ::bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(FListener, 0) == 0;
        for (int i = 0; FListening && i < 2; ++i) {
            const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            (void)::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
            FFillers.push_back(filler);
        }
    }
    ~TUnansweringPort() { Close(); }
    bool Listening() const { return FListening; }
    void Close()
    {
        for (const int fd : FFillers)
            ::close(fd);
        FFillers.clear();
        if (FListener >= 0)
            ::close(FListener);
        FListener = -1;
    }

private:
    int FListener = -1;
    bool FListening = false;
    std::vector<int> FFillers;
};

// The test's database through a server of its own, and the stand-in's shop.
class ServedDatabaseTest : public AppTest {
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
    }

    TFirebirdServer Server;
    TPlatformSim Sim;
    TDialogAnswers Answers;
};

class DatabaseOutageTest : public ServedDatabaseTest {
protected:
    void SetUp() override
    {
        ServedDatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
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

    std::unique_ptr<TMainKiv> Main;
};

using SyncOutageTest = ServedDatabaseTest;

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

TEST_F(DatabaseOutageTest, ATradeTheDatabaseCouldNotStoreIsCaughtUpAfterTheProgramEndedBeforeTheServerCameBack)
{
    TFormItems* form = Form();
    // Bought (no rule counts it) in the second of a paid order that is stored.
    const TPlatformSim::TOrder bought = Sim.PlaceOrder(u"k1"_qs, SkuB, 1, u"WAIT_BUYER_PAY"_qs, u"TradeAlipayCreate"_qs);
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA, 2).Streams, 1);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 2; }));

    // Paid while the server is away: its line cannot be stored.
    Server.Stop();
    Sim.SetNow(u"2024-06-01 12:10:00"_qs);
    ASSERT_EQ(Sim.ChangeTrade(u"k1"_qs, bought.Tid, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs).Streams, 1);
    const auto queued = [] {
        const std::lock_guard lock(EventQueueLock);
        return EventQueue.size();
    };
    ASSERT_TRUE(WaitFor([&] { return Sim.Count(u"taobao.trade.get"_qs) == 2 && KivDM->DatabaseLost() && queued() == 0; }));
    EXPECT_TRUE(WaitFor([&] { return Logged(u"数据库连接已断开"_qs) == 1; })) << MonitorLog(*form).toStdString();

    // The program ends before the server is back.
    form->ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return Sim.StreamOpen() == 0; }));
    ASSERT_TRUE(form->close());
    ASSERT_TRUE(WaitFor([&] { return !Form(); }));
    Main.reset();
    FDM.reset();

    // Started again with the server back: the paid trade counts, once.
    QString error;
    ASSERT_TRUE(Server.Restart(&error)) << error.toStdString();
    FDM = std::make_unique<TKivDM>(TempPath(QString()));
    PointAtSim(Sim);
    Sim.SetNow(u"2024-06-01 12:20:00"_qs);
    Main = std::make_unique<TMainKiv>();
    Main->tvShops->setCurrentItem(Main->tvShops->topLevelItem(0)->child(1));
    Main->tvShopsDblClick();
    ASSERT_TRUE(Form());
    Form()->ActionMonitor->trigger();
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuB, u"QtyPay"_qs) == 1; }));
    EXPECT_EQ(Figure(SkuA, u"QtyPay"_qs), 2);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOut\" where \"Tid\" = "_qs + bought.Tid), u"1"_qs);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

TEST_F(DatabaseOutageTest, LinesQueuedTogetherWhenTheServerStopsAreEachLeftToTheCatchUpFromTheEarliest)
{
    Server.Stop();
    const auto push = [this](int oid, const QString& date) {
        auto record = std::make_unique<TMsgRec>();
        record->TimeText = date;
        record->KeyNames = u"SkuID;NumIID"_qs;
        record->KeyValues = {Variant(SkuA), Variant(u"500000000001"_qs)};
        record->UpdateFields = u"QtyPay"_qs;
        record->Amount = u"1"_qs;
        record->InsertTable = u"KivItemOut"_qs;
        record->InsertColumns = u"\"ShopCode\",\"SkuID\",\"NumIID\",\"Oid\",\"Qty\",\"Date\""_qs;
        record->InsertValues = u"'S1',%1,500000000001,%2,1,'%3'"_qs.arg(SkuA).arg(oid).arg(date);
        record->LineShopCode = u"S1"_qs;
        record->LineDate = date;
        record->LineOid = QString::number(oid);
        record->DataSet = Form()->ClientDataSetItems;
        record->LogBox = Form()->lbMonitor;
        const std::lock_guard lock(EventQueueLock);
        EventQueue.push_back(std::move(record));
    };
    // The first line's insert is the one that finds the server gone.
    push(91, u"2024-05-01 00:00:00"_qs);
    push(92, u"2024-05-02 00:00:00"_qs);
    push(93, u"2024-05-03 00:00:00"_qs);
    ASSERT_FALSE(KivDM->DatabaseLost());
    ProcessMsgQueue();
    EXPECT_TRUE(KivDM->DatabaseLost());
    EXPECT_TRUE(EventQueue.empty());
    EXPECT_EQ(OutGapFrom(u"S1"_qs), u"2024-05-01 00:00:00"_qs);
    EXPECT_EQ(Figure(SkuA, u"QtyPay"_qs), 0);
}

TEST_F(DatabaseOutageTest, TheStockInOpensNoDialogOverAListTheDatabaseCouldNotGive)
{
    Server.Stop();
    EXPECT_THROW(Form()->LoadItems(), EDatabaseConnectionLost);
    int opened = 0;
    Answers.Modal = [&](QDialog& dialog) {
        ++opened;
        dialog.show();
        return int(QDialog::Rejected);
    };
    Main->tbStock->click();
    Main->leBarcode->setText(u"6901234567892"_qs);
    Press(Main->leBarcode, Qt::Key_Return);
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(Answers.Texts(), QStringList{TSQLConnection::ConnectionLostText()});

    // Back, the stock-in opens with its list.
    QString error;
    ASSERT_TRUE(Server.Restart(&error)) << error.toStdString();
    ASSERT_TRUE(WaitFor([] { return !KivDM->DatabaseLost(); }));
    int listed = 0;
    Answers.Modal = [&](QDialog& dialog) {
        ++opened;
        listed = dynamic_cast<TFormItemIn&>(dialog).ClientDataSetBarcode->RecordCount();
        return int(QDialog::Rejected);
    };
    Press(Main->leBarcode, Qt::Key_Return);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(listed, 3);
    EXPECT_EQ(Answers.Messages.size(), 1u);
}

TEST_F(DatabaseOutageTest, AServerWhoseHostDoesNotAnswerIsProbedWithoutHoldingTheWindows)
{
    Server.Stop();
    EXPECT_THROW(Form()->LoadItems(), EDatabaseConnectionLost);
    ASSERT_TRUE(KivDM->DatabaseLost());
    TUnansweringPort port(Server.Port());
    ASSERT_TRUE(port.Listening());

    // While a try to reach the host waits, the windows go on: a timer of
    // theirs ticks through many retry intervals. The port answers again
    // (refusing) after those ticks, or after a while at the latest.
    std::atomic<int> ticks{0};
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(10);
    std::atomic<bool> ticked{false};
    std::atomic<bool> released{false};
    std::thread watch([&] {
        const int first = ticks.load();
        for (int waited = 0; waited < 8000 && !ticked; waited += 10) {
            ticked = ticks.load() >= first + 50;
            QThread::msleep(10);
        }
        port.Close();
        released = true;
    });
    EXPECT_TRUE(WaitFor([&] { return released.load(); }, 30000));
    watch.join();
    EXPECT_TRUE(ticked);

    // The server back, the connection is made again.
    QString error;
    ASSERT_TRUE(Server.Restart(&error)) << error.toStdString();
    EXPECT_TRUE(WaitFor([&] { return !KivDM->DatabaseLost() && Logged(u"数据库已重新连接"_qs) == 1; }));
}

// The server stops while a sync writes its items: the sync says the
// database went away (not that the platform failed), and once it is back
// the next sync completes.
TEST_F(SyncOutageTest, ADatabaseLostWhileTheItemsAreWrittenIsSaidAsSuch)
{
    TTreeNodeShop shop;
    SetSimShop(shop);
    ASSERT_EQ(SyncItems(shop, nullptr).Outcome, TSyncOutcome::soCompleted);
    const QString synced = GetShopSyncDate(u"S1"_qs);

    // Synced again: the server stops once every item is fetched.
    Sim.SetNow(u"2024-06-02 12:00:00"_qs);
    ExecSql(u"update \"SYS_Shop\" set \"SyncDate\" = null"_qs);
    TItemsSync sync(shop, nullptr);
    bool stopped = false;
    sync.OnProgress = [&](TFormProgress& progress) {
        if (!stopped && progress.LabelTitle->text().endsWith(u"属性需要调整"_qs)) {
            stopped = true;
            Server.Stop();
        }
    };
    EXPECT_EQ(sync.SyncItems().Outcome, TSyncOutcome::soIncomplete);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(Answers.Texts(), QStringList{u"同步未完成：与数据库的连接已断开，请在数据库恢复后重新同步！"_qs});

    QString error;
    ASSERT_TRUE(Server.Restart(&error)) << error.toStdString();
    ASSERT_TRUE(WaitFor([&] { return !KivDM->DatabaseLost(); }));
    EXPECT_EQ(Scalar(u"select count(*) || '/' || coalesce(min(\"SyncDate\"), '') from \"KivItem\""_qs), u"3/"_qs + synced);
    Sim.SetNow(u"2024-06-03 12:00:00"_qs);
    EXPECT_EQ(SyncItems(shop, nullptr).Outcome, TSyncOutcome::soCompleted);
    EXPECT_EQ(GetShopSyncDate(u"S1"_qs), u"2024-06-03 12:00:00"_qs);
    EXPECT_EQ(Answers.Texts().size(), 1);
}
