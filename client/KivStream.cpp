#include "client/KivStream.h"

#include "client/KivEvents.h"
#include "client/KivMapping.h"
#include "client/KivQuery.h"
#include "platform/HttpClient.h"
#include "platform/SqlText.h"
#include "platform/Threads.h"
#include "platform/db/ClientDataSet.h"

#include <QListWidget>
#include <algorithm>
#include <condition_variable>
#include <mutex>

TStreamTimings StreamTimings;

namespace {

using Clock = std::chrono::steady_clock;

// The longest a waiting stream thread goes without looking at the thread
// registry's shutdown flag, which wakes no waiter by itself.
constexpr auto ShutdownPoll = std::chrono::milliseconds(200);

const QString TradeGetFields =
    QStringLiteral("$orders.num,created,orders.price,orders.total_fee,orders.num_iid,orders.sku_id,orders.status");
const QString TradeKeyMap =
    QStringLiteral("trade_get_response.trade.orders.order.sku_id=SkuID,trade_get_response.trade.orders.order.num_iid=NumIID");
const QString TradeDataMap = QStringLiteral(
    "trade_get_response.trade.created=Date,trade_get_response.trade.orders.order.price=Price,"
    "trade_get_response.trade.orders.order.num=Qty,trade_get_response.trade.orders.order.total_fee=Amount,"
    "trade_get_response.trade.orders.order.status=Status");

} // namespace

// What the GUI-side object and the stream thread share. The thread keeps it
// alive for as long as it runs, so the object may go at any time.
struct TKivStreamThread::TShared : std::enable_shared_from_this<TShared> {
    // Set at creation, then read by the stream thread only.
    TStreamTimings Timings;
    QString StreamUrl;
    QString SignMethod;
    QString AppKey;
    QString AppSecret;
    QString Session;

    // The connection; Abort comes from the GUI thread.
    THttpClient Http;
    // Raw received bytes; guarded by StreamBufferLock.
    TStreamLineBuffer Buffer;

    std::mutex Lock;
    std::condition_variable Wake;
    // Written under Lock (so that no wait misses it), read anywhere.
    std::atomic<bool> Stop{false};
    // The GUI-side object; cleared under Lock when it goes.
    TKivStreamThread* Owner = nullptr;
    // Synchronized calls posted and run (under Lock).
    quint64 Posted = 0;
    quint64 Done = 0;

    // Written by the GUI thread's processing, read by the stream thread.
    std::atomic<bool> ConnectedSeen{false};
    std::atomic<qint64> HeartbeatIntervalMs{0};

    explicit TShared(const TStreamTimings& timings) : Timings(timings), Buffer(timings.MaxLineBytes) {}

    bool Stopped(const std::atomic<bool>& stopping) const { return Stop.load() || stopping.load(); }

    void RequestStop()
    {
        {
            const std::lock_guard lock(Lock);
            Stop = true;
        }
        Wake.notify_all();
        Http.Abort();
    }

    // Stream thread: has the buffer processed on the GUI thread and waits
    // until that has run, or until the stream is stopped (a GUI thread that
    // is gone or no longer runs its event loop never leaves it waiting).
    void SynchronizedProcess(const std::atomic<bool>& stopping)
    {
        std::unique_lock lock(Lock);
        if (Stopped(stopping) || !Owner)
            return;
        const quint64 ticket = ++Posted;
        QMetaObject::invokeMethod(
            Owner,
            [self = shared_from_this(), ticket] {
                // Runs only while the owner exists (it is the context).
                if (self->Owner)
                    self->Owner->ProcessBuffer();
                {
                    const std::lock_guard done(self->Lock);
                    self->Done = std::max(self->Done, ticket);
                }
                self->Wake.notify_all();
            },
            Qt::QueuedConnection);
        while (Done < ticket && !Stopped(stopping))
            Wake.wait_for(lock, ShutdownPoll);
    }

    // Stream thread: waits for the pause before the next connection; a stop
    // ends the wait at once.
    void Pause(int milliseconds, const std::atomic<bool>& stopping)
    {
        const auto until = Clock::now() + std::chrono::milliseconds(milliseconds);
        std::unique_lock lock(Lock);
        while (!Stopped(stopping) && Clock::now() < until)
            Wake.wait_until(lock, std::min(until, Clock::now() + ShutdownPoll));
    }

    // Stream thread, last: tells the owner on the GUI thread. Not while the
    // program shuts down: its event loop is gone.
    void PostThreadEnd(const std::atomic<bool>& stopping)
    {
        const std::lock_guard lock(Lock);
        if (Owner && !stopping.load())
            QMetaObject::invokeMethod(
                Owner,
                [self = shared_from_this()] {
                    if (self->Owner)
                        self->Owner->ThreadEnded();
                },
                Qt::QueuedConnection);
    }
};

TKivStreamThread::TKivStreamThread(TTreeNodeShop& shop, QListWidget* logBox, TClientDataSet* dataSet, QObject* parent)
    : QObject(parent), FShared(std::make_shared<TShared>(StreamTimings)), Shop(&shop), LogBox(logBox), DataSet(dataSet)
{
    const auto rules = OpenQuery(QStringLiteral("select * from \"SYS_Monitor\" where \"Active\"=1"));
    for (; !rules->Eof(); rules->Next()) {
        const auto text = [&](const char16_t* name) { return rules->FieldByName(QString::fromUtf16(name))->AsString(); };
        RuleQuery.push_back({text(u"MsgType"), text(u"TradeEvent"), text(u"Status"), text(u"LocateFields"), text(u"ReturnField"),
                             text(u"UpdateField"), text(u"OtherUpdateFields")});
    }

    FShopCopy.Code = shop.Code;
    FShopCopy.Name = shop.Name;
    FShopCopy.AppKey = shop.AppKey;
    FShopCopy.AppSecret = shop.AppSecret;
    FShopCopy.Session = shop.Session;

    TShared& shared = *FShared;
    shared.StreamUrl = SysRec.StreamUrl;
    shared.SignMethod = SysRec.SignMethod;
    shared.AppKey = shop.AppKey;
    shared.AppSecret = shop.AppSecret;
    shared.Session = shop.Session;
    shared.Owner = this;
    shared.Http.ProxyServer = SysRec.ProxyServer;
    shared.Http.ProxyPort = SysRec.ProxyPort;
    shared.Http.ConnectTimeoutMs = shared.Timings.ConnectTimeoutMs;
    shared.Http.ReadTimeoutMs = 0;

    TThreadRegistry::Instance().Start([shared = FShared](const std::atomic<bool>& stopping) { Execute(shared, stopping); });
    shop.StreamHttp = &shared.Http;
}

TKivStreamThread::~TKivStreamThread()
{
    {
        const std::lock_guard lock(FShared->Lock);
        FShared->Owner = nullptr;
    }
    Terminate();
}

void TKivStreamThread::Terminate()
{
    FShared->RequestStop();
    if (Shop) {
        THttpClient* published = &FShared->Http;
        Shop->StreamHttp.compare_exchange_strong(published, nullptr);
        Shop = nullptr;
    }
}

bool TKivStreamThread::Terminated() const
{
    return FShared->Stop.load();
}

// --- The stream thread --------------------------------------------------------

void TKivStreamThread::Execute(const std::shared_ptr<TShared>& shared, const std::atomic<bool>& stopping)
{
    TShared& s = *shared;
    Clock::time_point lastByte = Clock::now();
    s.Http.OnChunk = [&](const QByteArray& chunk) {
        {
            const std::lock_guard lock(StreamBufferLock);
            s.Buffer.Append(chunk);
        }
        s.SynchronizedProcess(stopping);
        lastByte = Clock::now();
    };
    // At least once a second, connecting or receiving.
    s.Http.OnProgress = [&] {
        if (s.Stopped(stopping))
            return false;
        const qint64 interval = s.HeartbeatIntervalMs.load();
        const qint64 limit = interval > 0 ? 3 * interval : s.Timings.SilenceMs;
        return Clock::now() - lastByte < std::chrono::milliseconds(limit);
    };

    int pause = s.Timings.ReconnectBaseMs;
    while (!s.Stopped(stopping)) {
        {
            // What is left of the last connection is an unfinished line.
            const std::lock_guard lock(StreamBufferLock);
            s.Buffer = TStreamLineBuffer(s.Timings.MaxLineBytes);
        }
        lastByte = Clock::now();
        StreamConnect(s);
        if (s.Stopped(stopping))
            break;
        if (s.ConnectedSeen.exchange(false))
            pause = s.Timings.ReconnectBaseMs;
        s.Pause(pause, stopping);
        pause = std::min(pause * 2, std::max(s.Timings.ReconnectMaxMs, s.Timings.ReconnectBaseMs));
    }
    s.Http.OnChunk = nullptr;
    s.Http.OnProgress = nullptr;
    s.PostThreadEnd(stopping);
}

void TKivStreamThread::StreamConnect(TShared& s)
{
    try {
        const QString id = NowStamp();
        const QString timestamp = DateTimeText(QDateTime::currentDateTime());
        const QString sign = Md5Hex(s.AppSecret + QStringLiteral("app_key") + s.AppKey + QStringLiteral("id") + id +
                                    QStringLiteral("session") + s.Session + QStringLiteral("sign_method") + s.SignMethod +
                                    QStringLiteral("timestamp") + timestamp + s.AppSecret);
        const THttpFormFields fields{{QStringLiteral("app_key"), s.AppKey},        {QStringLiteral("id"), id},
                                     {QStringLiteral("session"), s.Session},       {QStringLiteral("sign_method"), s.SignMethod},
                                     {QStringLiteral("sign"), sign},               {QStringLiteral("timestamp"), timestamp}};
        // Returns when the connection ends; how it ended changes nothing.
        s.Http.Post(s.StreamUrl, fields);
    } catch (...) {
        // As silent as a refused connection: the loop connects again.
    }
}

// --- The GUI thread -------------------------------------------------------------

void TKivStreamThread::ProcessBuffer()
{
    for (;;) {
        QByteArray raw;
        {
            const std::lock_guard lock(StreamBufferLock);
            if (FShared->Stop.load() || !FShared->Buffer.TakeLine(raw))
                return;
        }
        for (const QString& line : DecodeStreamLine(raw)) {
            if (FShared->Stop.load())
                return;
            try {
                ProcessLine(line);
            } catch (const std::exception&) {
                // A line whose handling failed (a database error) is dropped;
                // the next ones are handled as usual.
            }
        }
    }
}

void TKivStreamThread::ProcessLine(const QString& line)
{
    const TStreamPacket packet = ParseStreamLine(line);
    if (packet.Kind == TStreamPacketKind::NotJson)
        return;
    const bool echo = SysRec.DebugEcho == u"1";
    if (echo)
        LogLine(LogBox, line);
    switch (packet.Kind) {
    case TStreamPacketKind::NotJson:
    case TStreamPacketKind::NoPacket:
        break;
    case TStreamPacketKind::Connected:
        FShared->ConnectedSeen = true;
        // Heartbeat intervals are measured within one connection.
        FLastHeartbeat.reset();
        LogLine(LogBox, QStringLiteral("连接成功"));
        break;
    case TStreamPacketKind::Heartbeat: {
        const auto now = Clock::now();
        if (FLastHeartbeat)
            FShared->HeartbeatIntervalMs =
                std::max<qint64>(1, std::chrono::duration_cast<std::chrono::milliseconds>(now - *FLastHeartbeat).count());
        FLastHeartbeat = now;
        if (echo)
            LogLine(LogBox, QStringLiteral("连接正常,心跳正常"));
        break;
    }
    case TStreamPacketKind::Disconnected:
        LogLine(LogBox, QStringLiteral("系统连接断开,需重连!"));
        break;
    case TStreamPacketKind::Business:
        if (echo)
            StoreRawMessage(line);
        if (packet.Notify)
            HandleNotifyMessage(*packet.Notify);
        break;
    case TStreamPacketKind::StoreOnly:
        if (echo)
            StoreRawMessage(line);
        break;
    case TStreamPacketKind::Unknown:
        LogLine(LogBox, QStringLiteral("未知消息") + packet.MsgText);
        break;
    }
}

void TKivStreamThread::StoreRawMessage(const QString& line)
{
    ExecSql(QStringLiteral("insert into \"KivMsg\"(\"Msg\") values(") + QuotedStr(line) + u')');
}

const TMonitorRule* TKivStreamThread::FindMonitorRule(const QString& kind, const QString& event) const
{
    const auto rule = std::find_if(RuleQuery.begin(), RuleQuery.end(), [&](const TMonitorRule& r) {
        return r.MsgType == kind && QuotedStr(r.TradeEvent) == event;
    });
    if (rule == RuleQuery.end() || rule->Status.isEmpty() || rule->LocateFields.isEmpty() || rule->ReturnField.isEmpty() ||
        rule->UpdateField.isEmpty())
        return nullptr;
    return &*rule;
}

void TKivStreamThread::HandleNotifyMessage(const TStreamNotify& notify)
{
    const QString event = QuotedStr(notify.Status);
    const TMonitorRule* rule = FindMonitorRule(notify.Kind, event);
    if (!rule)
        return;
    QString updateFields = rule->UpdateField;
    if (!rule->OtherUpdateFields.isEmpty())
        updateFields += u',' + rule->OtherUpdateFields;
    const QStringList extraLines{
        QStringLiteral("ShopCode=") + QuotedStr(FShopCopy.Code),
        QStringLiteral("EventDate=") + QuotedStr(notify.Modified),
        QStringLiteral("TradeEvent=") + event,
        QStringLiteral("Tid=") + notify.Tid,
        QStringLiteral("Oid=") + (notify.Oid.isEmpty() ? QStringLiteral("null") : notify.Oid),
    };
    TTradeEventTarget target;
    target.DataSet = DataSet;
    target.LogBox = LogBox;
    target.EventStatus = event;
    target.Status = QuotedStr(rule->Status);
    target.LocateFields = rule->LocateFields;
    target.ReturnField = rule->ReturnField;
    target.UpdateFields = updateFields;
    TqlToEvents(QStringLiteral("taobao.trade.get"), TradeGetFields, QString(), QStringLiteral("tid=?"), notify.Tid, TradeKeyMap,
                TradeDataMap, QStringLiteral("KivItemOut"), extraLines, FShopCopy, target);
}

void TKivStreamThread::ThreadEnded()
{
    FRunning = false;
    const QPointer<TKivStreamThread> self(this);
    Q_EMIT ThreadEnd();
    // The receiver may have freed the object already.
    if (self)
        deleteLater();
}
