// Monitor mode of the items window: starting and stopping the shop's
// notification stream, the turning icon, and the catch-up of the trades
// missed while the window was not monitoring.

#include "app/KivItems.h"

#include "app/KivItemsSync.h"
#include "app/KivMsgQueue.h"
#include "app/KivProgress.h"
#include "app/KivShopGone.h"
#include "client/KivDataM.h"
#include "client/KivEvents.h"
#include "client/KivMapping.h"
#include "client/KivQuery.h"
#include "client/KivStream.h"
#include "client/KivValueCheck.h"
#include "json/uQvJSON.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/SqlText.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/SqlQuery.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <map>
#include <optional>
#include <utility>

namespace {

constexpr int CatchUpPageSize = 10;
// How long a catch-up the program starts by itself runs before it shows
// its progress.
constexpr int QuietCatchUpMs = 2000;
// The longest back-off, in waits of the first.
constexpr int CatchUpRetryGrowth = 16;
// The platform lists the trades changed in a window of a day at most.
constexpr qint64 CatchUpWindowSecs = 24 * 60 * 60;
const QString IncrementMethod = QStringLiteral("taobao.trades.sold.increment.get");
// What the messages of the catch-up name.
const QString CatchUpWhat = QStringLiteral("中断交易数据同步");
const QString OfflineReload = QStringLiteral("'OfflineReload'");
// Each order line with its own id, and its refund's status.
const QString TradeFields = QStringLiteral(
    "$orders.num,created,orders.oid,orders.price,orders.total_fee,orders.num_iid,orders.sku_id,orders.status,orders.refund_status");
const QString TradeKeyMap =
    QStringLiteral("trade_get_response.trade.orders.order.sku_id=SkuID,trade_get_response.trade.orders.order.num_iid=NumIID");
const QString RefundStatusColumn = QStringLiteral("RefundStatus");
const QString TradeDataMap = QStringLiteral(
    "trade_get_response.trade.created=Date,trade_get_response.trade.orders.order.oid=Oid,trade_get_response.trade.orders.order.price=Price,"
    "trade_get_response.trade.orders.order.num=Qty,trade_get_response.trade.orders.order.total_fee=Amount,"
    "trade_get_response.trade.orders.order.status=Status,trade_get_response.trade.orders.order.refund_status=RefundStatus");

QString CatchUpStoppedText()
{
    return CatchUpWhat + QStringLiteral("已停止");
}

QString Quoted(const QString& text)
{
    return u'"' + text + u'"';
}

// The reply member of the trades that changed.
const QString ChangedTradesResponse = QStringLiteral("trades_sold_increment_get_response");

QString JsonText(const TqvJSONbase* value)
{
    if (const auto* number = qvJSONcast<TqvJSONnumber>(value))
        return number->LiteralText();
    if (const auto* string = qvJSONcast<TqvJSONstring>(value))
        return string->Value();
    return QString();
}

// The "tid" of every trade of a page.
QStringList PageTids(const TqvJSONobject* response)
{
    QStringList tids;
    const auto* trades = response ? qvJSONcast<TqvJSONobject>(response->Field(u"trades")) : nullptr;
    const TqvJSONbase* trade = trades ? trades->Field(u"trade") : nullptr;
    const auto add = [&](const TqvJSONbase* element) {
        if (const auto* object = qvJSONcast<TqvJSONobject>(element))
            tids << JsonText(object->Field(u"tid"));
    };
    if (const auto* list = qvJSONcast<TqvJSONlist>(trade)) {
        for (int i = 0; i < list->GetCount(); ++i)
            add(list->GetChild(i));
    } else {
        add(trade);
    }
    return tids;
}

// The refund status ("refund_status" of an order line) that a refund rule's
// event stands for; empty for events a line's state cannot tell.
QString RefundStatusOf(const QString& event)
{
    return event == u"RefundSuccess" ? QStringLiteral("SUCCESS") : QString();
}

// Where an order line's state stands on its way on the platform once it is
// paid: paid, shipped, finished; -1 for a state off that way (not paid yet,
// closed). A line with a refund of any kind was paid, whatever its state is
// now. (Whether a paid line was ever seen unpaid is not known, as it is not
// on the live road either: a trade paid at once is told only as paid.)
int WayRank(const QString& status, const QString& refundStatus = QString())
{
    static const QStringList way = {QStringLiteral("WAIT_SELLER_SEND_GOODS"), QStringLiteral("WAIT_BUYER_CONFIRM_GOODS"),
                                    QStringLiteral("TRADE_FINISHED")};
    const int rank = int(way.indexOf(status));
    const bool refunded = !refundStatus.isEmpty() && refundStatus != u"NO_REFUND";
    return refunded ? std::max(rank, 0) : rank;
}

// The order lines of a fetched trade as a rule records them: those whose
// refund status is refundStatus (every line when it is empty), without the
// refund status, which no table keeps. For a trade rule whose state lies on
// the way (passedStatus), a line that has gone past that state is recorded
// in it too: a trade that was paid and shipped while nothing watched counts
// as paid as well as shipped, as the two notifications would have told it.
TMappedReply RuleLines(const TMappedReply& trade, const QString& refundStatus, const QString& passedStatus)
{
    const int rows = trade.Keys.empty() ? 0 : trade.Keys.front().Count();
    TMappedReply lines;
    if (!ColumnsLineUp(trade.Keys, trade.Data, rows))
        return lines;
    const auto column = [&](const QString& name) {
        const auto found = std::find_if(trade.Data.begin(), trade.Data.end(), [&](const TJsonValueList& c) { return c.FieldName == name; });
        return found == trade.Data.end() ? nullptr : &*found;
    };
    const TJsonValueList* refund = column(RefundStatusColumn);
    const TJsonValueList* status = column(QStringLiteral("Status"));
    const auto textOf = [](const TJsonValueList* values, int row) {
        return values && !(*values)[row].Missing ? (*values)[row].Text : QString();
    };
    const auto keep = [&](int row) { return refundStatus.isEmpty() || textOf(refund, row) == refundStatus; };
    const int passedRank = WayRank(passedStatus);
    const auto passed = [&](int row) { return passedRank >= 0 && WayRank(textOf(status, row), textOf(refund, row)) >= passedRank; };
    const auto copy = [&](const TJsonColumns& columns, TJsonColumns& into) {
        for (const TJsonValueList& source : columns) {
            if (source.FieldName == RefundStatusColumn)
                continue;
            TJsonValueList& kept = into.emplace_back();
            kept.FieldName = source.FieldName;
            for (int row = 0; row < rows; ++row) {
                if (!keep(row))
                    continue;
                kept.Values.push_back(source[row]);
                if (&source == status && passed(row))
                    kept.Values.back().Text = passedStatus;
            }
        }
    };
    copy(trade.Keys, lines.Keys);
    copy(trade.Data, lines.Data);
    return lines;
}

// The catch-up's window starts one second after a trade line's date.
QString SecondAfter(const QString& date)
{
    const QDateTime last = DateTimeOf(date);
    return last.isValid() ? DateTimeText(last.addSecs(1)) : QString();
}

// A rule that cannot be applied is passed over as if it were not active
// (the start of monitoring named it in the log).
bool Usable(const TSQLQuery& rules)
{
    return RuleFieldsProblem(RuleFieldsOf(rules)).isEmpty();
}

// By status, the events under which a trade's line of that status may be
// stored already: the catch-up's own, and those of the trade rules of the
// same status.
std::map<QString, QStringList> SameLineEvents(TSQLQuery& rules)
{
    std::map<QString, QStringList> sameLineEvents;
    for (rules.First(); !rules.Eof(); rules.Next()) {
        if (!Usable(rules))
            continue;
        QStringList& events = sameLineEvents[rules.FieldByName(QStringLiteral("Status"))->AsString()];
        if (events.isEmpty())
            events << OfflineReload;
        if (rules.FieldByName(QStringLiteral("MsgType"))->AsString() == u"notify_trade")
            events << QuotedStr(rules.FieldByName(QStringLiteral("TradeEvent"))->AsString());
    }
    return sameLineEvents;
}

// Runs the GUI thread's events until ready() holds, at most timeoutMs.
void WaitWithEvents(const std::function<bool()>& ready, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (ready() || elapsed.elapsed() > timeoutMs)
            loop.quit();
    });
    tick.start(20);
    if (!ready())
        loop.exec();
}

// The shop's record is not carried on by a live stream from its moment: a
// catch-up has to read up to where the stream took over.
bool RecordBehind(const TOutGap& record, const TStreamCoverage& coverage)
{
    return record.From.isEmpty() || coverage.From.isEmpty() || record.From < coverage.From;
}

// How long until a catch-up can read up to where the live stream carries
// the record on (0: now, or no stream carries it on). A catch-up reads up to
// ListingLagSecs before the second before the platform's time: up to the
// stream's start once the platform's clock has surely passed that much
// beyond it.
int MsUntilStreamMet(const TStreamCoverage& coverage)
{
    if (coverage.From.isEmpty())
        return 0;
    const auto when = coverage.Reading.WhenSurelyReached(PlatformSecsAfter(coverage.From, std::max(0, TFormItems::ListingLagSecs)));
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(when - std::chrono::steady_clock::now()).count();
    return wait > 0 ? int(std::min<qint64>(wait, std::numeric_limits<int>::max())) : 0;
}

} // namespace

void TFormItems::ActionMonitorExecute()
{
    ActionMonitor->setEnabled(false);
    const QPointer<TFormItems> self(this);
    const auto enable = qScopeGuard([self] {
        if (self) {
            self->ActionMonitor->setEnabled(true);
            self->ActionMonitor->setChecked(self->FMonitoring);
        }
    });
    if (!FMonitoring)
        StartMonitoring(false);
    else
        StopMonitoring();
}

void TFormItems::StartMonitoring(bool automatic)
{
    // The state follows the stream at once: a catch-up that fails leaves a
    // window that is monitoring, and can be stopped. A program that is
    // ending starts nothing.
    if (Terminated())
        return;
    SetMonitoring(true);
    try {
        StartMonitor();
    } catch (...) {
        SetMonitoring(false);
        throw;
    }
    if (automatic)
        RequestCatchUp(0);
    else
        CatchUpTrades();
}

void TFormItems::StopMonitoring()
{
    if (!FMonitoring)
        return;
    StopMonitor();
    SetMonitoring(false);
}

void TFormItems::SetMonitoring(bool monitoring)
{
    FMonitoring = monitoring;
    ActionMonitor->setChecked(monitoring);
    if (monitoring)
        TimerMonitor->start();
    else
        TimerMonitor->stop();
    if (monitoring) {
        FSavedImageIndex = FImageIndex;
        SetMonitorImage(0);
    } else {
        SetMonitorImage(FSavedImageIndex);
        QApplication::setWindowIcon(AppIcon);
    }
}

void TFormItems::StartMonitor()
{
    // The shop's record has a moment before anything the stream stores could
    // be taken for it.
    if (OutGapFrom(FShop->Code).isEmpty())
        EnsureOutGap(FShop->Code, SecondAfter(LastOutDate(FShop->Code)));
    FShop->Stopped = false;
    FAwaitStream = true;
    // A new start asks the platform afresh.
    FBackOff.Succeeded();
    FStream = new TKivStreamThread(*FShop, lbMonitor, ClientDataSetItems, this);
    connect(FStream, &TKivStreamThread::ThreadEnd, this, &TFormItems::OnThreadEnd);
    // A stream back after an outage: what it missed is caught up, and the
    // catch-up hands it the moment from which it carries the record on (the
    // stream's signals come while it handles a packet).
    connect(FStream, &TKivStreamThread::Connected, this, [this] { RequestCatchUp(0); }, Qt::QueuedConnection);
    LogLine(lbMonitor, QStringLiteral("监控开始"));
    for (const QString& problem : FStream->RuleProblems())
        LogLine(lbMonitor, problem);
}

void TFormItems::StopMonitor()
{
    FShop->Stopped = true;
    FCatchUpTimer->stop();
    // A catch-up of the program's holds nobody: the seller may stop
    // monitoring while it runs, and it ends with it.
    if (FCatchUpStop)
        FCatchUpStop->Stop();
    // What the stream has shown so far need not be read again.
    AdvanceWithStream(StreamCoverage(ReadOutGap(FShop->Code)));
    // Ends the connection, when there is one, and lets the thread end.
    if (FStream)
        FStream->Terminate();
}

bool TFormItems::StreamRunning() const
{
    return FStream && FStream->Running();
}

void TFormItems::OnThreadEnd()
{
    LogLine(lbMonitor, QStringLiteral("监控停止"));
}

void TFormItems::SetMonitorImage(int index)
{
    FImageIndex = index;
    if (KivDM)
        ActionMonitor->setIcon(KivDM->ImageListRun.Icon(index));
}

void TFormItems::TimerMonitorTimer()
{
    TimerMonitor->stop();
    const int count = KivDM ? KivDM->ImageListRun.Count() : 0;
    SetMonitorImage(FImageIndex + 1 >= count ? 0 : FImageIndex + 1);
    if (KivDM)
        QApplication::setWindowIcon(QIcon(KivDM->ImageListRun.Pixmap(FImageIndex)));
    if (FShop && (!FLastAdvance.isValid() || FLastAdvance.elapsed() >= LiveAdvanceMs)) {
        FLastAdvance.start();
        // Another seat's mark ends what this stream carries until a
        // catch-up has read past it.
        const TStreamCoverage coverage = StreamCoverage(ReadOutGap(FShop->Code));
        if (coverage.From.isEmpty() && FStream && FStream->Live())
            RequestCatchUp(0);
        else
            AdvanceWithStream(coverage);
    }
    TimerMonitor->start();
}

void TFormItems::RequestCatchUp(int delayMs)
{
    if (!FMonitoring)
        return;
    delayMs = std::max({0, delayMs, FBackOff.MsLeft()});
    if (!FCatchUpTimer->isActive() || FCatchUpTimer->remainingTime() > delayMs)
        FCatchUpTimer->start(delayMs);
}

void TFormItems::CatchUpTimerTimeout()
{
    if (!FMonitoring || !FShop || (KivDM && KivDM->DatabaseLost()))
        return;
    // Not over other work: a catch-up running, a sync, a dialog of the user.
    if (FCatchingUp || QApplication::activeModalWidget()) {
        FCatchUpTimer->start(1000);
        return;
    }
    // Not before the back-off of the last failure (a timer started earlier).
    if (const int wait = FBackOff.MsLeft(); wait > 0) {
        FCatchUpTimer->start(wait);
        return;
    }
    // Not before it can read up to where the stream carries the record on.
    const TOutGap record = ReadOutGap(FShop->Code);
    const TStreamCoverage coverage = StreamCoverage(record);
    if (const int wait = MsUntilStreamMet(coverage); wait > 0) {
        FCatchUpTimer->start(wait);
        return;
    }
    if (!RecordBehind(record, coverage))
        return;
    if (FBackOff.Failures() > 0)
        LogLine(lbMonitor, QStringLiteral("第%1次重试").arg(FBackOff.Failures()) + CatchUpWhat);
    CatchUpTrades(true);
}

void TFormItems::WaitForStream(const TPlatformCallStop& stop)
{
    const QPointer<TKivStreamThread> stream = FStream;
    WaitWithEvents([&] { return !stream || stream->Live() || stream->EndedConnections() > 0 || stop.Stopped(); },
                   StreamTimings.ConnectTimeoutMs);
}

QPointer<TKivStreamThread> TFormItems::WaitToHandStreamItsStart(const TOutGap& record, const TPlatformCallStop& stop)
{
    const QPointer<TKivStreamThread> stream = FStream;
    if (!stream || !stream->Live() || !stream->LiveCoverage(record).From.isEmpty())
        return nullptr;
    const auto ready = stream->ConfirmedAt() + std::chrono::seconds(1);
    WaitWithEvents([&] { return !stream || !stream->Live() || std::chrono::steady_clock::now() >= ready || stop.Stopped(); }, 2000);
    return stream;
}

TStreamCoverage TFormItems::StreamCoverage(const TOutGap& record)
{
    return FStream && FStream->Live() ? FStream->LiveCoverage(record) : TStreamCoverage();
}

void TFormItems::CatchUpTrades(bool automatic)
{
    if (!FShop || FCatchingUp || StopMonitorOfGoneShop(*this))
        return;
    const QPointer<TFormItems> self(this);
    FCatchingUp = true;
    const auto idle = qScopeGuard([self] {
        if (self)
            self->FCatchingUp = false;
    });
    // The shop record outlives the window while this runs.
    TTreeNodeShop& shop = *FShop;
    TShopInUse inUse(shop);
    TPlatformCallStop stop;
    const TPlatformCallScope scope(stop);
    FCatchUpStop = &stop;
    const auto stopGone = qScopeGuard([self] {
        if (self)
            self->FCatchUpStop = nullptr;
    });
    // The seller's catch-up holds every other window out of reach from its
    // first call on; one the program starts holds nobody, and shows its
    // progress only when it takes a while (most read a few seconds, and
    // nothing).
    const QPointer<TFormProgress> progress = new TFormProgress(this);
    const auto done = qScopeGuard([&] { delete progress.data(); });
    progress->setWindowTitle(CatchUpWhat + QStringLiteral("中..."));
    progress->AllowStop([&stop] { stop.Stop(); });
    progress->LabelTitle->setText(QStringLiteral("获取淘宝平台时间..."));
    if (!automatic) {
        progress->setWindowModality(Qt::ApplicationModal);
        progress->show();
    } else {
        progress->HoldNobody();
        QTimer::singleShot(QuietCatchUpMs, progress, [progress] { progress->show(); });
    }
    if (std::exchange(FAwaitStream, false))
        WaitForStream(stop);

    // The moment and the count of marks are read before the platform's
    // clock: whatever is marked after this holds the advances below.
    TOutGap gap;
    try {
        gap = ReadOutGap(shop.Code);
        if (gap.From.isEmpty()) {
            EnsureOutGap(shop.Code, SecondAfter(LastOutDate(shop.Code)));
            gap = ReadOutGap(shop.Code);
        }
    } catch (const EDatabaseConnectionLost&) {
        // Said once in the log; the catch-up runs when the database is back.
        return;
    }
    const QPointer<TKivStreamThread> handTo = WaitToHandStreamItsStart(gap, stop);
    if (!self || !FShop)
        return;
    const TPlatformReading reading = ReadPlatformClock(shop);
    if (!self || !FShop)
        return;
    if (!reading.IsValid()) {
        CatchUpFailed(gap.From, stop.Stopped() ? CatchUpStoppedText() : PlatformFailedText(CatchUpWhat, reading.Failure), automatic);
        return;
    }
    const QString now = reading.Said;
    if (handTo)
        handTo->TakeCoverage(gap, reading);
    if (gap.From.isEmpty()) {
        // Neither a trade line nor a sync: the shop's record starts now.
        try {
            EnsureOutGap(shop.Code, now);
        } catch (const EDatabaseError&) {
        }
        CatchUpDone();
        return;
    }
    std::unique_ptr<TSQLQuery> rules;
    std::map<QString, QStringList> sameLineEvents;
    // The platform lists a change only some time after it was made: each
    // window ends ListingLagSecs before the second before the platform's
    // time, so that no change enters it while it is read.
    const QDateTime end = PlatformMoment(now).addSecs(-1 - std::max(0, ListingLagSecs));
    // A day's window at a time, the oldest first.
    for (QDateTime start = PlatformMoment(gap.From); start.isValid() && start <= end;) {
        if (!rules) {
            rules = OpenQuery(QStringLiteral(
                "select * from \"SYS_Monitor\" where \"Status\" is not null and \"LocateFields\" is not null and \"Active\" = 1"));
            sameLineEvents = SameLineEvents(*rules);
        }
        const QDateTime last = std::min(start.addSecs(CatchUpWindowSecs - 1), end);
        if (!ReadChangedTrades(PlatformText(start), PlatformText(last), now, *rules, sameLineEvents, stop, *progress, automatic) || !self
            || !FShop)
            return;
        // A mark of any seat meanwhile may lie within the window: the
        // moment stays, and the next catch-up reads it again.
        const bool advanced = gap.Known && AdvanceOutGap(shop.Code, PlatformText(start), PlatformText(last.addSecs(1)), gap.Marks);
        if (!advanced && OutGapMarks(shop.Code) != gap.Marks)
            break;
        start = last.addSecs(1);
    }
    CatchUpDone();
}

bool TFormItems::ReadChangedTrades(const QString& start, const QString& end, const QString& now, TSQLQuery& rules,
                                   const std::map<QString, QStringList>& sameLineEvents, const TPlatformCallStop& stop,
                                   TFormProgress& progress, bool automatic)
{
    const QPointer<TFormItems> self(this);
    const QString window = u',' + Quoted(start) + u',' + Quoted(end);
    const TTqlReply count = QueryTql(IncrementMethod, QStringLiteral("$tid"), QString(),
                                     QStringLiteral("page_size=? and start_modified=? and end_modified=?"), QStringLiteral("1") + window, *FShop);
    if (!self || !FShop)
        return false;
    const TqvJSONobject* response = count.Member(ChangedTradesResponse);
    if (!response) {
        CatchUpFailed(start, stop.Stopped() ? CatchUpStoppedText() : PlatformFailedText(CatchUpWhat, FailureOf(count)), automatic);
        return false;
    }
    const auto* totalValue = qvJSONcast<TqvJSONnumber>(response->Field(u"total_results"));
    const qint64 total = totalValue ? totalValue->IntValue() : 0;
    if (total <= 0)
        return true;

    const qint64 pages = (total + CatchUpPageSize - 1) / CatchUpPageSize;
    progress.ProgressBar->setRange(0, int(std::min<qint64>(pages, std::numeric_limits<int>::max())));
    progress.ProgressBar->setValue(0);
    const QString pageSize = QString::number(CatchUpPageSize);
    int failedPages = 0;
    int failedTrades = 0;
    // The list is newest first: a trade that changes while it is read leaves
    // the window and moves the older ones towards its first page, where they
    // are read still.
    for (qint64 page = pages; page >= 1 && !stop.Stopped(); --page) {
        progress.LabelTitle->setText(QStringLiteral("商品数量共") + QString::number(total) + QStringLiteral("条,分") + QString::number(pages)
                                     + QStringLiteral("页同步,") + QStringLiteral("每页") + pageSize + QStringLiteral("条")
                                     + QStringLiteral("正在同步第") + QString::number(page) + QStringLiteral("页"));
        const TTqlReply reply = QueryTql(IncrementMethod, QStringLiteral("$tid"), QString(),
                                         QStringLiteral("page_no=? and page_size=? and start_modified=? and end_modified=?"),
                                         QString::number(page) + u',' + pageSize + window, *FShop);
        if (!self || !FShop)
            return false;
        const TqvJSONobject* pageResponse = reply.Member(ChangedTradesResponse);
        if (!pageResponse)
            ++failedPages;
        for (const QString& tid : PageTids(pageResponse)) {
            if (stop.Stopped())
                break;
            if (IsSqlInteger(tid) && !ProcessTrade(tid, now, rules, sameLineEvents))
                ++failedTrades;
            if (!self || !FShop)
                return false;
        }
        progress.ProgressBar->setValue(progress.ProgressBar->value() + 1);
    }
    // Its own trade lines are stored (or found unstorable) before it decides.
    ProcessMsgQueue();
    if (!self || !FShop)
        return false;
    if (stop.Stopped()) {
        CatchUpFailed(start, CatchUpStoppedText(), automatic);
        return false;
    }
    if (failedPages > 0 || failedTrades > 0) {
        CatchUpFailed(start,
                      CatchUpWhat + QStringLiteral("未完成：") + QString::number(failedPages) + QStringLiteral("页交易、")
                          + QString::number(failedTrades) + QStringLiteral("笔交易获取失败"),
                      automatic);
        return false;
    }
    return true;
}

void TFormItems::CatchUpDone()
{
    FBackOff.Succeeded();
    TOutGap record = ReadOutGap(FShop->Code);
    const TStreamCoverage coverage = StreamCoverage(record);
    if (AdvanceWithStream(coverage))
        record = ReadOutGap(FShop->Code);
    const bool behind = RecordBehind(record, coverage);
    // Read past the moment the log named, and the stream carries it on.
    if (!FGapSaid.isEmpty() && !record.From.isEmpty() && record.From > FGapSaid && !behind) {
        LogLine(lbMonitor, QStringLiteral("自") + FGapSaid + QStringLiteral("起的交易已补录完整"));
        FGapSaid.clear();
    }
    // Up to the stream's start once the platform lists it (at most one a
    // second: a platform's clock that lags does not make them run one after
    // the other); without a stream that carries the record on, again after
    // a while.
    if (behind)
        RequestCatchUp(coverage.From.isEmpty() ? CatchUpRetryMs : std::max(MsUntilStreamMet(coverage), 1000));
}

void TFormItems::CatchUpFailed(const QString& from, const QString& message, bool automatic)
{
    // The data module tells the window (RecordIncomplete), which keeps the
    // moment for the log's "已补录完整". The next one waits its back-off,
    // which the log names.
    MarkOutGap(FShop->Code, from);
    FBackOff.Failed(CatchUpRetryMs, CatchUpRetryGrowth * CatchUpRetryMs);
    const QString gap = OutGapFrom(FShop->Code);
    QString line = message;
    if (line.endsWith(u'！'))
        line.chop(1);
    if (!gap.isEmpty())
        line += QStringLiteral("，自") + gap + QStringLiteral("起的交易待补录");
    if (FMonitoring)
        line += QStringLiteral("，%1秒后重试").arg((FBackOff.WaitMs() + 999) / 1000);
    LogLine(lbMonitor, line);
    if (!automatic)
        ShowError(message);
    RequestCatchUp(0);
}

bool TFormItems::AdvanceWithStream(const TStreamCoverage& coverage)
{
    if (!FShop || coverage.From.isEmpty() || coverage.To.isEmpty() || (KivDM && KivDM->DatabaseLost()))
        return false;
    // Lines still waiting to be stored hold the moment back too.
    const QString to = EarlierDateTime(coverage.To, EarliestQueuedLine(FShop->Code));
    return AdvanceOutGap(FShop->Code, coverage.From, to, coverage.Marks);
}

bool TFormItems::ProcessTrade(const QString& tid, const QString& now, TSQLQuery& rules,
                              const std::map<QString, QStringList>& sameLineEvents)
{
    const QPointer<TFormItems> self(this);
    // One fetch serves every rule.
    const std::optional<TMappedReply> trade =
        FetchTqlRows(QStringLiteral("taobao.trade.get"), TradeFields, QString(), QStringLiteral("tid=?"), tid, TradeKeyMap, TradeDataMap, false, *FShop);
    if (!self || !FShop)
        return true;
    if (!trade)
        return false;
    for (rules.First(); !rules.Eof(); rules.Next()) {
        if (!Usable(rules))
            continue;
        const QString status = rules.FieldByName(QStringLiteral("Status"))->AsString();
        const QString event = rules.FieldByName(QStringLiteral("TradeEvent"))->AsString();
        // A trade's state counts as the notification that would have told it
        // ('OfflineReload'); a refund its state tells counts as its own event.
        QString lineEvent;
        QString refundStatus;
        QStringList sameLine;
        const QString kind = rules.FieldByName(QStringLiteral("MsgType"))->AsString();
        if (kind == u"notify_trade") {
            lineEvent = OfflineReload;
            sameLine = sameLineEvents.at(status);
        } else if (kind == u"notify_refund" && !(refundStatus = RefundStatusOf(event)).isEmpty()) {
            lineEvent = QuotedStr(event);
            sameLine = {lineEvent};
        } else {
            continue;
        }
        QString updateFields = rules.FieldByName(QStringLiteral("UpdateField"))->AsString();
        const QString other = rules.FieldByName(QStringLiteral("OtherUpdateFields"))->AsString();
        if (!other.isEmpty())
            updateFields += u',' + other;
        const QStringList extraLines = {QStringLiteral("ShopCode=") + QuotedStr(FShop->Code), QStringLiteral("EventDate=") + QuotedStr(now),
                                        QStringLiteral("TradeEvent=") + lineEvent, QStringLiteral("Tid=") + tid};
        const TMappedReply lines = RuleLines(*trade, refundStatus, kind == u"notify_trade" ? status : QString());
        QueueTradeEvents(QStringLiteral("KivItemOut"), lines.Keys, lines.Data, extraLines, ClientDataSetItems, lbMonitor, lineEvent,
                         QuotedStr(status), rules.FieldByName(QStringLiteral("LocateFields"))->AsString(),
                         rules.FieldByName(QStringLiteral("ReturnField"))->AsString(), updateFields, FShop->Code, sameLine);
    }
    return true;
}
