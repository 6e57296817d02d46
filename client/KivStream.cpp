#include "client/KivStream.h"

#include "client/KivEvents.h"
#include "client/KivMapping.h"
#include "client/KivPlatformTexts.h"
#include "client/KivQuery.h"
#include "client/KivValueCheck.h"
#include "platform/Clock.h"
#include "platform/Exceptions.h"
#include "platform/HttpClient.h"
#include "platform/SqlText.h"
#include "platform/Threads.h"
#include "platform/db/ClientDataSet.h"

#include <QListWidget>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <utility>

TStreamTimings StreamTimings;

namespace {

using Clock = std::chrono::steady_clock;

// The longest a waiting stream thread goes without looking at the thread
// registry's shutdown flag, which wakes no waiter by itself.
constexpr auto ShutdownPoll = std::chrono::milliseconds(200);

// Each order line carries its own id ("oid"): a line is recorded once
// whichever road (the stream, the catch-up) brings it.
const QString TradeGetFields =
    QStringLiteral("$orders.num,created,orders.oid,orders.price,orders.total_fee,orders.num_iid,orders.sku_id,orders.status");
const QString TradeKeyMap =
    QStringLiteral("trade_get_response.trade.orders.order.sku_id=SkuID,trade_get_response.trade.orders.order.num_iid=NumIID");
const QString TradeDataMap = QStringLiteral(
    "trade_get_response.trade.created=Date,trade_get_response.trade.orders.order.oid=Oid,trade_get_response.trade.orders.order.price=Price,"
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
    // The trade fetches, posted one after the other by a thread that runs
    // while any wait (Fetches and Fetching under Lock); the client is set up
    // as KivHttp.
    std::unique_ptr<THttpClient> FetchHttp;
    std::deque<std::pair<quint64, TTqlRequest>> Fetches;
    bool Fetching = false;

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
        FetchHttp->Abort();
    }

    // Any thread: runs call on the owner on the GUI thread, unless the
    // stream has stopped or the owner has gone by then. Once posted, call
    // is the GUI thread's alone: what it holds is let go there.
    template <class Call>
    void Post(const std::atomic<bool>& stopping, Call call)
    {
        const std::lock_guard lock(Lock);
        if (Owner && !Stopped(stopping))
            QMetaObject::invokeMethod(
                Owner,
                [self = shared_from_this(), call = std::move(call)] {
                    if (self->Owner && !self->Stop.load())
                        call(*self->Owner);
                },
                Qt::QueuedConnection);
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

namespace {

// The streams that exist (GUI thread).
std::set<const TKivStreamThread*>& Streams()
{
    static std::set<const TKivStreamThread*> streams;
    return streams;
}

} // namespace

bool TKivStreamThread::AnyFetchPending()
{
    return std::ranges::any_of(Streams(), [](const TKivStreamThread* stream) { return !stream->FFetches.empty(); });
}

TKivStreamThread::TKivStreamThread(TTreeNodeShop& shop, QListWidget* logBox, TClientDataSet* dataSet, QObject* parent)
    : QObject(parent), FShared(std::make_shared<TShared>(StreamTimings)), Shop(&shop), LogBox(logBox), DataSet(dataSet)
{
    const auto rules = OpenQuery(QStringLiteral("select * from \"SYS_Monitor\" where \"Active\"=1"));
    for (; !rules->Eof(); rules->Next()) {
        const auto text = [&](const char16_t* name) { return rules->FieldByName(QString::fromUtf16(name))->AsString(); };
        const TMonitorRule rule{text(u"MsgType"), text(u"TradeEvent"), text(u"Status"), text(u"LocateFields"),
                                text(u"ReturnField"), text(u"UpdateField"), text(u"OtherUpdateFields")};
        // A rule naming what the window or the trade line lacks is passed
        // over as if it were not active; one with an empty field stays the
        // rule of its event, and counts as none.
        if (const QString problem = RuleFieldsProblem(RuleFieldsOf(*rules)); !problem.isEmpty()) {
            FRuleProblems << QStringLiteral("监控规则") + RuleTitleOf(*rules) + QStringLiteral("无法使用，已略过：") + problem;
            if (rule.Complete())
                continue;
        }
        RuleQuery.push_back(rule);
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
    shared.FetchHttp = NewPlatformClient();

    TThreadRegistry::Instance().Start([shared = FShared](const std::atomic<bool>& stopping) { Execute(shared, stopping); });
    shop.StreamHttp = &shared.Http;
    Streams().insert(this);
}

TKivStreamThread::~TKivStreamThread()
{
    Streams().erase(this);
    {
        const std::lock_guard lock(FShared->Lock);
        FShared->Owner = nullptr;
    }
    Terminate();
}

void TKivStreamThread::Terminate()
{
    FShared->RequestStop();
    FLive = false;
    if (Shop) {
        THttpClient* published = &FShared->Http;
        Shop->StreamHttp.compare_exchange_strong(published, nullptr);
        Shop = nullptr;
    }
    // Trades whose fetch the stop cut short are missing.
    if (FFetches.empty())
        return;
    QString from;
    for (const auto& [id, fetch] : FFetches)
        if (PlatformMoment(fetch.Modified).isValid())
            from = EarlierDateTime(from, fetch.Modified);
    FFetches.clear();
    Missed(from, QStringLiteral("监控停止时有交易尚未获取"));
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
        // After every line of the connection has been handled.
        s.Post(stopping, [](TKivStreamThread& owner) { owner.OnConnectionEnded(); });
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
        const QString timestamp = DateTimeText(LocalNow());
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

void TKivStreamThread::FetchTrades(const std::shared_ptr<TShared>& shared, const std::atomic<bool>& stopping)
{
    TShared& s = *shared;
    for (;;) {
        std::pair<quint64, TTqlRequest> job;
        {
            const std::lock_guard lock(s.Lock);
            if (s.Fetches.empty() || s.Stopped(stopping)) {
                s.Fetching = false;
                return;
            }
            job = std::move(s.Fetches.front());
            s.Fetches.pop_front();
        }
        // Read on this thread too: a long reply holds up no window.
        // Handed over whole: the window's thread that reads the reply also
        // frees it.
        auto reply = std::make_shared<const TTqlReply>(ParseTqlReply(PostTql(*s.FetchHttp, job.second)));
        s.Post(stopping, [id = job.first, reply = std::move(reply)](TKivStreamThread& owner) { owner.FetchDone(id, *reply); });
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
    if (FLive)
        FLastAlive = Clock::now();
    switch (packet.Kind) {
    case TStreamPacketKind::NotJson:
    case TStreamPacketKind::NoPacket:
        break;
    case TStreamPacketKind::Connected:
        FShared->ConnectedSeen = true;
        // Heartbeat intervals are measured within one connection.
        FLastHeartbeat.reset();
        FOutageSaid = false;
        FRefusalSaid.clear();
        LogLine(LogBox, QStringLiteral("连接成功"));
        FLastAlive = Clock::now();
        if (!FLive) {
            FLive = true;
            FConfirmedAt = FLastAlive;
            FCoverage.reset();
            Q_EMIT Connected();
        }
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
        // The notification first: a debug copy that cannot be stored does
        // not cost it.
        if (packet.Notify)
            HandleNotifyMessage(*packet.Notify);
        if (echo)
            StoreRawMessage(line);
        break;
    case TStreamPacketKind::StoreOnly:
        if (echo)
            StoreRawMessage(line);
        break;
    case TStreamPacketKind::Unknown:
        LogLine(LogBox, QStringLiteral("未知消息") + packet.MsgText);
        break;
    case TStreamPacketKind::Refused:
        // Said when the attempt has ended.
        FAttemptRefusal = packet.MsgText;
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
    if (rule == RuleQuery.end() || !rule->Complete())
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
    // The order lines carry their own ids (the data map's "Oid").
    const QStringList extraLines{
        QStringLiteral("ShopCode=") + QuotedStr(FShopCopy.Code),
        QStringLiteral("EventDate=") + QuotedStr(notify.Modified),
        QStringLiteral("TradeEvent=") + event,
        QStringLiteral("Tid=") + notify.Tid,
    };
    TTradeEventTarget target;
    target.ShopCode = FShopCopy.Code;
    target.DataSet = DataSet;
    target.LogBox = LogBox;
    target.EventStatus = event;
    target.Status = QuotedStr(rule->Status);
    target.LocateFields = rule->LocateFields;
    target.ReturnField = rule->ReturnField;
    target.UpdateFields = updateFields;
    // A trade's status caught up counts as the notification that would have
    // told it; a refund caught up carries its own event.
    target.SameLineEvents = {event};
    if (notify.Kind == u"notify_trade")
        target.SameLineEvents << QStringLiteral("'OfflineReload'");

    const TTqlStatement statement = BuildTql(QStringLiteral("taobao.trade.get"), TradeGetFields, QString(), QStringLiteral("tid=?"), notify.Tid);
    const quint64 id = ++FLastFetch;
    FFetches[id] = {notify.Tid, notify.Modified, extraLines, target};
    bool start = false;
    {
        const std::lock_guard lock(FShared->Lock);
        FShared->Fetches.emplace_back(id, MakeTqlRequest(statement.Text, statement.SendSession, FShopCopy));
        start = !FShared->Fetching;
        FShared->Fetching = true;
    }
    if (start)
        TThreadRegistry::Instance().Start([shared = FShared](const std::atomic<bool>& stopping) { FetchTrades(shared, stopping); });
}

void TKivStreamThread::FetchDone(quint64 id, const TTqlReply& reply)
{
    const auto pending = FFetches.find(id);
    if (pending == FFetches.end())
        return;
    const TPendingFetch fetch = std::move(pending->second);
    FFetches.erase(pending);
    if (MapTradeEvents(reply, TradeKeyMap, TradeDataMap, QStringLiteral("KivItemOut"), fetch.ExtraLines, fetch.Target))
        return;
    // A refusal says why, and what to check.
    const TPlatformFailure failure = FailureOf(reply);
    Missed(PlatformMoment(fetch.Modified).isValid() ? fetch.Modified : ReadingNow().SurelyReachedAt(Clock::now()),
           QStringLiteral("交易") + fetch.Tid + QStringLiteral("获取失败")
               + (failure.Words.isEmpty() ? QString() : QStringLiteral("：") + PlatformFailureReason(failure)));
}

void TKivStreamThread::OnConnectionEnded()
{
    ++FEnded;
    const bool outage = FLive;
    FLive = false;
    const TPlatformReading reading = ReadingNow();
    FCoverage.reset();
    const QString refusal = std::exchange(FAttemptRefusal, QString());
    if (!outage) {
        NotConnected(refusal);
        return;
    }
    Missed(reading.SurelyReachedAt(FLastAlive, -FShared->Timings.OutageMarginSecs), QStringLiteral("监控连接中断"));
    FOutageSaid = true;
    FRefusalSaid.clear();
}

void TKivStreamThread::NotConnected(const QString& refusal)
{
    // Not once an attempt: the outage again only when the platform's words
    // change (after a connection that ended, the failing attempts only tell
    // a refusal).
    if (FOutageSaid && refusal == FRefusalSaid)
        return;
    FOutageSaid = true;
    FRefusalSaid = refusal;
    SayWaiting(QStringLiteral("监控连接失败：") + PlatformFailureReason({!refusal.isEmpty(), refusal}));
}

TPlatformReading TKivStreamThread::ReadingNow() const
{
    return FCoverage ? FCoverage->Reading : LastPlatformReading();
}

void TKivStreamThread::Missed(const QString& from, const QString& what)
{
    QString moment = from;
    if (moment.isEmpty()) {
        // The platform's clock is not known yet: from the newest trade line.
        try {
            moment = LastOutDate(FShopCopy.Code);
        } catch (const EDatabaseError&) {
        }
    }
    MarkOutGap(FShopCopy.Code, moment);
    SayWaiting(what);
}

void TKivStreamThread::SayWaiting(const QString& what)
{
    const QString since = OutGapFrom(FShopCopy.Code);
    LogLine(LogBox, what + (since.isEmpty() ? QString() : QStringLiteral("，自") + since + QStringLiteral("起的交易待补录")));
}

bool TKivStreamThread::TakeCoverage(const TOutGap& record, const TPlatformReading& reading)
{
    // Read a whole second after the confirmation, the platform's clock had
    // passed the second in which it confirmed: what changes from the second
    // it said on came after the confirmation. A trade marked missing in that
    // second is not the stream's.
    if (!FLive || !record.Known || !reading.IsValid() || reading.Sent < FConfirmedAt + std::chrono::seconds(1))
        return false;
    const QString afterMarks = PlatformSecsAfter(record.LatestMark, 1);
    FCoverage = TCoverage{std::max(reading.Said, afterMarks), record.Marks, reading};
    return true;
}

TStreamCoverage TKivStreamThread::LiveCoverage(const TOutGap& record)
{
    if (!FLive || !FCoverage)
        return {};
    // A mark of any seat since: what was missed is the catch-up's first.
    if (!record.Known || record.Marks != FCoverage->Marks) {
        FCoverage.reset();
        return {};
    }
    QString to = FCoverage->Reading.SurelyReachedAt(FLastAlive, -FShared->Timings.OutageMarginSecs);
    for (const auto& [id, fetch] : FFetches)
        if (PlatformMoment(fetch.Modified).isValid())
            to = EarlierDateTime(to, fetch.Modified);
    return {FCoverage->From, to, FCoverage->Marks, FCoverage->Reading};
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
