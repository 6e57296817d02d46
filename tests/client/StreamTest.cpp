#include "ClientTestSupport.h"

#include "client/KivEvents.h"
#include "client/KivStream.h"
#include "platform/Threads.h"
#include "platform/db/ClientDataSet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QThread>
#include <functional>

namespace {

// Runs the GUI thread's events until the condition holds (false after timeoutMs).
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 15000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

// Events of the GUI thread for a while, for things that must not happen.
void RunEvents(int milliseconds)
{
    WaitFor([] { return false; }, milliseconds);
}

size_t QueueSize()
{
    const std::lock_guard lock(EventQueueLock);
    return EventQueue.size();
}

const QString Modified = u"2024-06-01 12:00:00"_qs;
const QString Tid = u"7000000000000000001"_qs;

// The shop's stream with what a monitor window would give it: a log list
// box and a dataset.
class StreamTest : public ShopSimTest {
protected:
    void SetUp() override
    {
        StartShopSim(u"stream-catalogue.json"_qs);
        SysRec.StreamUrl = FSim.StreamUrl();
        SysRec.DebugEcho = u"0"_qs;
        StreamTimings = TStreamTimings{};
        StreamTimings.ReconnectBaseMs = 50;
        StreamTimings.ReconnectMaxMs = 400;
        FBox = std::make_unique<QListWidget>();
        FDataSet = std::make_unique<TClientDataSet>();
        ClearQueue();
    }

    void TearDown() override
    {
        if (FThread)
            FThread->Terminate();
        EXPECT_TRUE(WaitFor([&] { return !FThread; }));
        EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(15000));
        ClearQueue();
        StreamTimings = TStreamTimings{};
        ShopSimTest::TearDown();
    }

    static void ClearQueue()
    {
        const std::lock_guard lock(EventQueueLock);
        EventQueue.clear();
    }

    void Start()
    {
        FShop.Stopped = false;
        FThread = new TKivStreamThread(FShop, FBox.get(), FDataSet.get());
        QObject::connect(FThread, &TKivStreamThread::ThreadEnd, [this] { ++FEnds; });
    }

    void StartConnected()
    {
        Start();
        ASSERT_TRUE(WaitFor([&] { return Logged(u"连接成功"_qs) >= 1; })) << Log().join(u'\n').toStdString();
    }

    // The log box's lines without their numbers.
    QStringList Log() const
    {
        QStringList lines;
        if (FBox)
            for (int i = 0; i < FBox->count(); ++i)
                lines << FBox->item(i)->text().mid(4);
        return lines;
    }

    int Logged(const QString& line) const { return int(Log().count(line)); }

    // Sends an unknown packet and waits for its log line: everything sent
    // before it has been handled by then.
    void Marker(const QString& text)
    {
        ASSERT_EQ(FSim.StreamCode(999, text), 1);
        ASSERT_TRUE(WaitFor([&] { return Logged(u"未知消息"_qs + text) == 1; })) << Log().join(u'\n').toStdString();
    }

    void AddRule(const QString& msgType, const QString& tradeEvent, const QString& status, int active = 1)
    {
        ExecSql(u"insert into \"SYS_Monitor\"(\"MsgType\",\"TradeEvent\",\"Status\",\"LocateFields\",\"ReturnField\",\"UpdateField\","
                "\"OtherUpdateFields\",\"Active\") values('"_qs +
                msgType + u"','"_qs + tradeEvent + u"','"_qs + status + u"','SkuID;NumIID','Qty','QtyPay','-QtyBalance',"_qs +
                QString::number(active) + u")"_qs);
    }

    std::unique_ptr<QListWidget> FBox;
    std::unique_ptr<TClientDataSet> FDataSet;
    QPointer<TKivStreamThread> FThread;
    int FEnds = 0;
};

} // namespace

TEST_F(StreamTest, ConnectsSignedAndLogsConnectionPackets)
{
    StartConnected();
    EXPECT_EQ(FShop.StreamHttp.load() != nullptr, true);
    EXPECT_EQ(FSim.Count(u"stream-refused"_qs), 0);
    FSim.StreamCode(101, u"server restart"_qs);
    FSim.StreamCode(106);
    FSim.StreamCode(107, u"新的消息"_qs);
    FSim.StreamCode(108);
    Marker(u"end"_qs);
    EXPECT_EQ(Log(), QStringList({u"连接成功"_qs, u"系统连接断开,需重连!"_qs, u"系统连接断开,需重连!"_qs, u"未知消息新的消息"_qs, u"未知消息"_qs,
                                  u"未知消息end"_qs}));
    EXPECT_EQ(FBox->currentRow(), FBox->count() - 1);
}

TEST_F(StreamTest, HeartbeatsAndStoredMessagesFollowDebugEcho)
{
    StartConnected();
    const QByteArray packets = "{\"packet\":{\"code\":201}}\n{\"packet\":{\"code\":203,\"msg\":{\"text\":\"存 it's\"}}}\n"
                               "{\"packet\":{\"code\":202,\"msg\":{\"notify_trade\":{\"status\":\"NoRule\",\"modified\":\"m\",\"tid\":1}}}}\n";
    ASSERT_EQ(FSim.StreamSend(packets), 1);
    Marker(u"quiet"_qs);
    // With DebugEcho "0" a heartbeat writes nothing and nothing is stored.
    EXPECT_EQ(Log(), QStringList({u"连接成功"_qs, u"未知消息quiet"_qs}));
    EXPECT_EQ(Scalar(u"select count(*) from \"KivMsg\""_qs), u"0"_qs);

    SysRec.DebugEcho = u"1"_qs;
    FBox->clear();
    ASSERT_EQ(FSim.StreamSend(packets), 1);
    Marker(u"echo"_qs);
    const QString stored = u"{\"packet\":{\"code\":203,\"msg\":{\"text\":\"存 it's\"}}}"_qs;
    const QString business = u"{\"packet\":{\"code\":202,\"msg\":{\"notify_trade\":{\"status\":\"NoRule\",\"modified\":\"m\",\"tid\":1}}}}"_qs;
    EXPECT_EQ(Log(), QStringList({u"{\"packet\":{\"code\":201}}"_qs, u"连接正常,心跳正常"_qs, stored, business,
                                  u"{\"packet\":{\"code\":999,\"msg\":\"echo\"}}"_qs, u"未知消息echo"_qs}));
    EXPECT_EQ(Scalar(u"select list(\"Msg\", '|') from \"KivMsg\""_qs), stored + u'|' + business);
}

TEST_F(StreamTest, BadInputIsDroppedAndTheStreamGoesOn)
{
    StartConnected();
    FSim.StreamSend("not json\n{\"no\":\"packet\"}\n{broken\n{\"packet\":\"x\"}\n[1,2]\n");
    FSim.StreamSend("{\"packet\":{\"code\":999,\"msg\":\"\xff\xfe\"}}\r\n", false);
    // 10 MB without a line end, then the end of that line.
    FSim.StreamSend(QByteArray(1024, 'x'), false, {}, 0, 10 * 1024);
    FSim.StreamSend("still the long line\r\n", false);
    Marker(u"after"_qs);
    EXPECT_EQ(Log(), QStringList({u"连接成功"_qs, u"未知消息\uFFFD\uFFFD"_qs, u"未知消息after"_qs}));
    // Still the first connection.
    EXPECT_EQ(FSim.Count(u"stream"_qs), 1);
}

TEST_F(StreamTest, MegabyteLinesShowAFewHundredCharactersAndHoldNothingUp)
{
    SysRec.DebugEcho = u"1"_qs;
    StartConnected();
    // Lines of an unknown kind just under the line limit, echoed raw too.
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(FSim.StreamSend("{\"packet\":{\"code\":999,\"msg\":\"", false), 1);
        FSim.StreamSend(QByteArray(1000, 'x'), false, {}, 0, 1000);
        FSim.StreamSend("\"}}\r\n", false);
    }
    Marker(u"after"_qs);
    EXPECT_EQ(Logged(u"未知消息"_qs + QString(LogLineLimit - 4, u'x') + u"…"_qs), 20);
    for (int i = 0; i < FBox->count(); ++i)
        EXPECT_LE(FBox->item(i)->text().size(), 4 + LogLineLimit + 1);
}

TEST_F(StreamTest, ANotificationWithoutAnActiveRuleMakesNoPlatformCall)
{
    AddRule(u"notify_trade"_qs, u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, 0);
    AddRule(u"notify_refund"_qs, u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs);
    // The first matching row is the rule: one with an empty field counts as none.
    ExecSql(u"insert into \"SYS_Monitor\"(\"MsgType\",\"TradeEvent\",\"Status\",\"LocateFields\",\"ReturnField\",\"UpdateField\",\"Active\") "
            "values('notify_trade','TradeSellerShip','WAIT_SELLER_SEND_GOODS','SkuID;NumIID','Qty',null,1)"_qs);
    AddRule(u"notify_trade"_qs, u"TradeSellerShip"_qs, u"WAIT_SELLER_SEND_GOODS"_qs);
    StartConnected();
    FSim.StreamNotify(u"notify_trade"_qs, u"TradeBuyerPay"_qs, Tid, u"1"_qs, Modified);
    FSim.StreamNotify(u"notify_trade"_qs, u"TradeSellerShip"_qs, Tid, u"1"_qs, Modified);
    FSim.StreamNotify(u"notify_trade"_qs, u"TradeSuccess"_qs, Tid, u"1"_qs, Modified);
    Marker(u"done"_qs);
    RunEvents(200);
    EXPECT_EQ(FSim.Count(u"taobao.trade.get"_qs), 0);
    EXPECT_EQ(QueueSize(), 0u);
}

TEST_F(StreamTest, AMatchingNotificationQueuesOneRecordPerMatchingOrderLine)
{
    AddRule(u"notify_trade"_qs, u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs);
    AddRule(u"notify_refund"_qs, u"RefundSuccess"_qs, u"WAIT_BUYER_PAY"_qs);
    StartConnected();
    // Rules are read when the thread starts: this one is not seen.
    AddRule(u"notify_trade"_qs, u"TradeSuccess"_qs, u"WAIT_SELLER_SEND_GOODS"_qs);
    FSim.StreamNotify(u"notify_trade"_qs, u"TradeSuccess"_qs, Tid, u"7100000000000000011"_qs, Modified);
    FSim.StreamNotify(u"notify_trade"_qs, u"TradeBuyerPay"_qs, Tid, u"7100000000000000011"_qs, Modified);
    ASSERT_TRUE(WaitFor([] { return QueueSize() >= 2; }));
    FSim.StreamNotify(u"notify_refund"_qs, u"RefundSuccess"_qs, Tid, QString(), Modified);
    // Trades are fetched beside the stream: the refund's records come after its line.
    ASSERT_TRUE(WaitFor([] { return QueueSize() >= 3; }));
    EXPECT_EQ(FSim.Count(u"taobao.trade.get"_qs), 2);

    std::vector<std::unique_ptr<TMsgRec>> records;
    {
        const std::lock_guard lock(EventQueueLock);
        for (auto& record : EventQueue)
            records.push_back(std::move(record));
        EventQueue.clear();
    }
    // Two order lines paid (the one without a SKU id queues nothing), one
    // refunded; the record's layout is the event queue's test.
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]->DataSet, FDataSet.get());

    // Every record's INSERT is a statement the database takes; each line
    // carries its own order line's id, whatever the notification named.
    for (const auto& record : records)
        ExecSql(u"insert into \""_qs + record->InsertTable + u"\"("_qs + record->InsertColumns + u") values("_qs + record->InsertValues + u')');
    EXPECT_EQ(Scalar(u"select list(\"SkuID\" || ':' || \"Qty\" || ':' || coalesce(\"Oid\", 0), ',') from \"KivItemOut\""_qs),
              u"9000000000000000001:2:7100000000000000011,9000000000000000021:3:7100000000000000014,9000000000000000002:1:7100000000000000012"_qs);
}

TEST_F(StreamTest, StopEndsTheThreadAtOnceWhileConnectingReceivingOrPausingAndNothingReconnects)
{
    FSim.StreamStall(60000);
    Start();
    ASSERT_TRUE(WaitFor([&] { return FSim.Count(u"stream"_qs) == 1; }));
    FThread->Terminate();
    EXPECT_EQ(FShop.StreamHttp.load(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return FEnds == 1; }, 5000));
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
    EXPECT_TRUE(WaitFor([&] { return !FThread; }));
    FSim.StreamStall(0);

    StartConnected();
    FThread->Terminate();
    EXPECT_TRUE(FThread->Terminated());
    // Sent after the stop: never reaches the box.
    FSim.StreamCode(999, u"late"_qs);
    ASSERT_TRUE(WaitFor([&] { return FEnds == 2; }, 5000));
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
    EXPECT_TRUE(WaitFor([&] { return FSim.StreamOpen() == 0; }));
    RunEvents(300);
    EXPECT_EQ(Log(), QStringList{u"连接成功"_qs});

    StreamTimings.ReconnectBaseMs = 60000;
    FBox->clear();
    StartConnected();
    FSim.StreamDrop();
    ASSERT_TRUE(WaitFor([&] { return FSim.StreamOpen() == 0; }));
    RunEvents(200);
    FThread->Terminate();
    ASSERT_TRUE(WaitFor([&] { return FEnds == 3; }, 5000));
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
    RunEvents(300);
    EXPECT_EQ(FSim.Count(u"stream"_qs), 3);
}

TEST_F(StreamTest, ReconnectsAfterADropAndAfterARefusal)
{
    StartConnected();
    EXPECT_EQ(FSim.StreamDrop(), 1);
    ASSERT_TRUE(WaitFor([&] { return Logged(u"连接成功"_qs) == 2; }));
    EXPECT_EQ(FSim.Count(u"stream"_qs), 2);
    Marker(u"second connection"_qs);
    FThread->Terminate();
    ASSERT_TRUE(WaitFor([&] { return FEnds == 1; }));

    // A wrong secret is refused; the thread keeps trying, each time after a
    // longer pause, and says the platform's refusal once.
    FBox->clear();
    FShop.AppSecret = u"wrong"_qs;
    Start();
    ASSERT_TRUE(WaitFor([&] { return FSim.Count(u"stream-refused"_qs) >= 3 && !Log().isEmpty(); }));
    ASSERT_EQ(Log().size(), 1) << Log().join(u'\n').toStdString();
    EXPECT_TRUE(Log()[0].startsWith(u"监控连接失败：淘宝平台拒绝了请求（invalid signature [25]）"_qs)) << Log()[0].toStdString();
}

TEST_F(StreamTest, ASilentStreamIsDeadAfterThreeHeartbeatIntervals)
{
    StreamTimings.SilenceMs = 700;
    StartConnected();
    // No heartbeat seen yet: dead after SilenceMs.
    ASSERT_TRUE(WaitFor([&] { return Logged(u"连接成功"_qs) == 2; }));
    // With heartbeats every 250 ms the stream lives on well past SilenceMs.
    FSim.StreamHeartbeat(250);
    RunEvents(2000);
    const long connections = FSim.Count(u"stream"_qs);
    RunEvents(1500);
    EXPECT_EQ(FSim.Count(u"stream"_qs), connections);
    // When they stop, three intervals later it is dead.
    FSim.StreamHeartbeat(0);
    ASSERT_TRUE(WaitFor([&] { return FSim.Count(u"stream"_qs) > connections; }));
}

TEST_F(StreamTest, NothingReachesAWindowThatHasGone)
{
    AddRule(u"notify_trade"_qs, u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs);
    StartConnected();
    FBox.reset();
    FDataSet.reset();
    FSim.StreamCode(999, u"to nobody"_qs);
    FSim.StreamNotify(u"notify_trade"_qs, u"TradeBuyerPay"_qs, Tid, u"1"_qs, Modified);
    ASSERT_TRUE(WaitFor([] { return QueueSize() == 2; }));
    {
        const std::lock_guard lock(EventQueueLock);
        EXPECT_EQ(EventQueue.front()->DataSet, nullptr);
        EXPECT_EQ(EventQueue.front()->LogBox, nullptr);
    }
    // The window goes with its stream object: the thread ends, and no end
    // handler runs for it.
    auto window = std::make_unique<QObject>();
    FThread->setParent(window.get());
    window.reset();
    EXPECT_TRUE(FThread.isNull());
    EXPECT_EQ(FShop.StreamHttp.load(), nullptr);
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
    RunEvents(200);
    EXPECT_EQ(FEnds, 0);
}

TEST_F(StreamTest, ProgramExitReleasesAThreadWaitingForTheGuiThread)
{
    StartConnected();
    // The GUI thread stops running its events, as at the end of the program,
    // while the stream thread waits for it to handle a packet.
    ASSERT_EQ(FSim.StreamCode(999, u"never handled"_qs), 1);
    QThread::msleep(300);
    TThreadRegistry::Instance().Shutdown();
    EXPECT_EQ(TThreadRegistry::Instance().Running(), 0);
    // Nothing more can come from that thread; its object goes with the program.
    delete FThread.data();
    RunEvents(100);
    EXPECT_EQ(Log(), QStringList{u"连接成功"_qs});
    EXPECT_EQ(FEnds, 0);
}
