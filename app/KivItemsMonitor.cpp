// Monitor mode of the items window: starting and stopping the shop's
// notification stream, the turning icon, and the catch-up of the trades
// missed while the window was not monitoring.

#include "app/KivItems.h"

#include "app/KivItemsSync.h"
#include "app/KivMsgQueue.h"
#include "app/KivProgress.h"
#include "client/KivDataM.h"
#include "client/KivEvents.h"
#include "client/KivMapping.h"
#include "client/KivQuery.h"
#include "client/KivStream.h"
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
#include <map>

namespace {

constexpr int CatchUpPageSize = 10;
const QString TradesSoldMethod = QStringLiteral("taobao.trades.sold.get");
const QString OfflineReload = QStringLiteral("'OfflineReload'");

QString Quoted(const QString& text)
{
    return u'"' + text + u'"';
}

// The reply's "trades_sold_get_response" object, or null.
const TqvJSONobject* TradesSoldResponse(const TqvJSONbase* root)
{
    const auto* object = qvJSONcast<TqvJSONobject>(root);
    return object ? qvJSONcast<TqvJSONobject>(object->Field(u"trades_sold_get_response")) : nullptr;
}

QString JsonText(const TqvJSONbase* value)
{
    if (const auto* number = qvJSONcast<TqvJSONnumber>(value))
        return number->LiteralText();
    if (const auto* string = qvJSONcast<TqvJSONstring>(value))
        return string->Value();
    return QString();
}

// The "tid" of every trade of a page.
QStringList PageTids(const QString& reply)
{
    QStringList tids;
    const std::unique_ptr<TqvJSONbase> root = TqvJSON::ParseText(reply.toUtf8());
    const TqvJSONobject* response = TradesSoldResponse(root.get());
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

// The catch-up's window starts one second after a trade line's date.
QString SecondAfter(const QString& date)
{
    const QDateTime last = DateTimeOf(date);
    return last.isValid() ? DateTimeText(last.addSecs(1)) : QString();
}

// By status, the events under which a trade's line of that status may be
// stored already: the catch-up's own, and those of the trade rules of the
// same status.
std::map<QString, QStringList> SameLineEvents(TSQLQuery& rules)
{
    std::map<QString, QStringList> sameLineEvents;
    for (rules.First(); !rules.Eof(); rules.Next()) {
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
    // The state follows the stream at once: a catch-up that fails leaves a
    // window that is monitoring, and can be stopped. A program that is
    // ending starts nothing.
    if (!FMonitoring) {
        if (Terminated())
            return;
        SetMonitoring(true);
        try {
            StartMonitor();
        } catch (...) {
            SetMonitoring(false);
            throw;
        }
        CatchUpTrades();
    } else {
        StopMonitoring();
    }
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
    FShop->Stopped = false;
    FStream = new TKivStreamThread(*FShop, lbMonitor, ClientDataSetItems, this);
    connect(FStream, &TKivStreamThread::ThreadEnd, this, &TFormItems::OnThreadEnd);
    // A stream back after an outage, or a trade it could not fetch: the gap
    // is caught up (the stream's signals come while it handles a packet).
    connect(FStream, &TKivStreamThread::Connected, this, [this] { RequestCatchUp(0); }, Qt::QueuedConnection);
    connect(
        FStream, &TKivStreamThread::RecordIncomplete, this,
        [this] {
            if (FStream && FStream->Live())
                RequestCatchUp(CatchUpRetryMs);
        },
        Qt::QueuedConnection);
    LogLine(lbMonitor, QStringLiteral("监控开始"));
}

void TFormItems::StopMonitor()
{
    FShop->Stopped = true;
    FCatchUpTimer->stop();
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
    TimerMonitor->start();
}

void TFormItems::RequestCatchUp(int delayMs)
{
    if (!FMonitoring)
        return;
    if (!FCatchUpTimer->isActive() || FCatchUpTimer->remainingTime() > delayMs)
        FCatchUpTimer->start(std::max(0, delayMs));
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
    if (!OutGapFrom(FShop->Code).isEmpty())
        CatchUpTrades(true);
}

void TFormItems::WaitForStream(const TPlatformCallStop& stop)
{
    const QPointer<TKivStreamThread> stream = FStream;
    WaitWithEvents([&] { return !stream || stream->Live() || stream->EndedConnections() > 0 || stop.Stopped(); },
                   StreamTimings.ConnectTimeoutMs);
}

void TFormItems::CatchUpTrades(bool automatic)
{
    if (!FShop || FCatchingUp)
        return;
    const QPointer<TFormItems> self(this);
    FCatchingUp = true;
    const auto idle = qScopeGuard([self] {
        if (self)
            self->FCatchingUp = false;
    });
    TShopInUse inUse(*FShop);
    const QString shopCode = FShop->Code;
    TPlatformCallStop stop;
    const TPlatformCallScope scope(stop);
    // From the first call on, the progress window holds every other window
    // out of reach.
    const QPointer<TFormProgress> progress = new TFormProgress(this);
    const auto done = qScopeGuard([&] { delete progress.data(); });
    progress->setWindowTitle(QStringLiteral("中断交易数据同步中..."));
    progress->setWindowModality(Qt::ApplicationModal);
    progress->AllowStop([&stop] { stop.Stop(); });
    progress->LabelTitle->setText(QStringLiteral("获取淘宝平台时间..."));
    progress->show();
    if (!automatic)
        WaitForStream(stop);

    const QString now = GetServerTime(*FShop);
    if (!self)
        return;
    // A gap marked while the catch-up runs may lie within its window.
    const int marks = OutGapMarks(shopCode);
    QString from;
    try {
        from = EarlierDateTime(OutGapFrom(shopCode), SecondAfter(LastOutDate(shopCode)));
    } catch (const EDatabaseConnectionLost&) {
        // Said once in the log; the catch-up runs when the database is back.
        return;
    }
    const QString unreachable = PlatformUnreachableText(QStringLiteral("中断交易数据同步"));
    if (now.isEmpty()) {
        CatchUpFailed(from, stop.Stopped() ? QStringLiteral("中断交易数据同步已停止") : unreachable, automatic);
        return;
    }
    // Nothing to read yet: a gap stays until a window has held it.
    if (from.isEmpty() || from >= now) {
        CatchUpDone(QString(), now, marks);
        return;
    }
    const QString window = u',' + Quoted(from) + u',' + Quoted(now);
    const QString countReply = BuildAndSendTql(TradesSoldMethod, QStringLiteral("$tid"), QString(),
                                               QStringLiteral("page_size=? and start_created=? and end_created=?"), QStringLiteral("1") + window,
                                               *FShop);
    if (!self)
        return;
    const std::unique_ptr<TqvJSONbase> count = TqvJSON::ParseText(countReply.toUtf8());
    const TqvJSONobject* response = TradesSoldResponse(count.get());
    if (!response) {
        const QString reason = PlatformErrorText(qvJSONcast<TqvJSONobject>(count.get()));
        CatchUpFailed(from,
                      stop.Stopped()          ? QStringLiteral("中断交易数据同步已停止")
                      : countReply.isEmpty() ? unreachable
                                             : QStringLiteral("中断交易数据同步失败：")
                                                   + (reason.isEmpty() ? QStringLiteral("淘宝平台的应答无法识别") : reason),
                      automatic);
        return;
    }
    const auto* totalValue = qvJSONcast<TqvJSONnumber>(response->Field(u"total_results"));
    const qint64 total = totalValue ? totalValue->IntValue() : 0;
    if (total <= 0) {
        CatchUpDone(from, now, marks);
        return;
    }

    const auto rules = OpenQuery(QStringLiteral(
        "select * from \"SYS_Monitor\" where \"Status\" is not null and \"LocateFields\" is not null and \"Active\" = 1"));
    const std::map<QString, QStringList> sameLineEvents = SameLineEvents(*rules);
    const qint64 pages = (total + CatchUpPageSize - 1) / CatchUpPageSize;
    progress->ProgressBar->setRange(0, int(std::min<qint64>(pages, std::numeric_limits<int>::max())));
    progress->ProgressBar->setValue(0);
    const QString pageSize = QString::number(CatchUpPageSize);
    int failedPages = 0;
    int failedTrades = 0;
    for (qint64 page = 1; page <= pages && !stop.Stopped(); ++page) {
        progress->LabelTitle->setText(QStringLiteral("商品数量共") + QString::number(total) + QStringLiteral("条,分") + QString::number(pages)
                                      + QStringLiteral("页同步,") + QStringLiteral("每页") + pageSize + QStringLiteral("条")
                                      + QStringLiteral("正在同步第") + QString::number(page) + QStringLiteral("页"));
        const QString reply = BuildAndSendTql(TradesSoldMethod, QStringLiteral("$tid"), QString(),
                                              QStringLiteral("page_no=? and page_size=? and start_created=? and end_created=?"),
                                              QString::number(page) + u',' + pageSize + window, *FShop);
        if (!self)
            return;
        if (!TradesSoldResponse(TqvJSON::ParseText(reply.toUtf8()).get()))
            ++failedPages;
        for (const QString& tid : PageTids(reply)) {
            if (stop.Stopped())
                break;
            if (IsSqlInteger(tid) && !ProcessTrade(tid, now, *rules, sameLineEvents))
                ++failedTrades;
            if (!self)
                return;
        }
        progress->ProgressBar->setValue(progress->ProgressBar->value() + 1);
    }
    // Its own trade lines are stored (or found unstorable) before it decides.
    ProcessMsgQueue();
    if (!self)
        return;
    if (stop.Stopped())
        CatchUpFailed(from, QStringLiteral("中断交易数据同步已停止"), automatic);
    else if (failedPages > 0 || failedTrades > 0)
        CatchUpFailed(from,
                      QStringLiteral("中断交易数据同步未完成：") + QString::number(failedPages) + QStringLiteral("页交易、")
                          + QString::number(failedTrades) + QStringLiteral("笔交易获取失败"),
                      automatic);
    else
        CatchUpDone(from, now, marks);
}

void TFormItems::CatchUpDone(const QString& from, const QString& now, int marks)
{
    const QString shopCode = FShop->Code;
    const QString gap = OutGapFrom(shopCode);
    try {
        // A gap marked meanwhile (a line not stored, an outage) stays.
        if (!from.isEmpty() && OutGapMarks(shopCode) == marks)
            ClearOutGap(shopCode, from, now);
    } catch (const EDatabaseError&) {
        // The gap stays; the next catch-up reads the window again.
    }
    if (!gap.isEmpty() && OutGapFrom(shopCode).isEmpty())
        LogLine(lbMonitor, QStringLiteral("自") + gap + QStringLiteral("起的交易已补录完整"));
    // What is created after the window reaches only a stream that listens.
    if (!FStream || !FStream->Live()) {
        const QDateTime end = DateTimeOf(now);
        MarkOutGap(shopCode, DateTimeText(end.addSecs(-StreamTimings.OutageMarginSecs)));
    }
    // A gap that no window has held yet waits for the platform's clock.
    if (!OutGapFrom(shopCode).isEmpty())
        RequestCatchUp(CatchUpRetryMs);
}

void TFormItems::CatchUpFailed(const QString& from, const QString& message, bool automatic)
{
    MarkOutGap(FShop->Code, from);
    const QString gap = OutGapFrom(FShop->Code);
    LogLine(lbMonitor, message + (gap.isEmpty() ? QString() : QStringLiteral("，自") + gap + QStringLiteral("起的交易待补录")));
    if (!automatic)
        ShowError(message);
    RequestCatchUp(CatchUpRetryMs);
}

bool TFormItems::ProcessTrade(const QString& tid, const QString& now, TSQLQuery& rules,
                              const std::map<QString, QStringList>& sameLineEvents)
{
    const QPointer<TFormItems> self(this);
    bool fetched = true;
    for (rules.First(); !rules.Eof() && self; rules.Next()) {
        QString updateFields = rules.FieldByName(QStringLiteral("UpdateField"))->AsString();
        const QString other = rules.FieldByName(QStringLiteral("OtherUpdateFields"))->AsString();
        if (!other.isEmpty())
            updateFields += u',' + other;
        const QString status = rules.FieldByName(QStringLiteral("Status"))->AsString();
        const QStringList extraLines = {QStringLiteral("ShopCode=") + QuotedStr(FShop->Code), QStringLiteral("EventDate=") + QuotedStr(now),
                                        QStringLiteral("TradeEvent=") + OfflineReload, QStringLiteral("Tid=") + tid};
        const TTradeEventTarget target{FShop->Code,
                                       ClientDataSetItems,
                                       lbMonitor,
                                       OfflineReload,
                                       QuotedStr(status),
                                       rules.FieldByName(QStringLiteral("LocateFields"))->AsString(),
                                       rules.FieldByName(QStringLiteral("ReturnField"))->AsString(),
                                       updateFields,
                                       sameLineEvents.at(status)};
        fetched = TqlToEvents(QStringLiteral("taobao.trade.get"),
                              QStringLiteral("$orders.num,created,orders.oid,created,orders.price,orders.total_fee,orders.num_iid,orders.sku_id,orders.status"),
                              QString(), QStringLiteral("tid=?"), tid,
                              QStringLiteral("trade_get_response.trade.orders.order.sku_id=SkuID,trade_get_response.trade.orders.order.num_iid=NumIID"),
                              QStringLiteral("trade_get_response.trade.created=Date,trade_get_response.trade.orders.order.oid=Oid,"
                                             "trade_get_response.trade.orders.order.price=Price,trade_get_response.trade.orders.order.num=Qty,"
                                             "trade_get_response.trade.orders.order.total_fee=Amount,trade_get_response.trade.orders.order.status=Status"),
                              QStringLiteral("KivItemOut"), extraLines, *FShop, target)
                  && fetched;
    }
    return fetched;
}
