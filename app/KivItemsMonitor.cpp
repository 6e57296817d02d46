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
#include "platform/Dialogs.h"
#include "platform/SqlText.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/SqlQuery.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTimer>

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

const TJsonValueList* ColumnNamed(const TJsonColumns& columns, const QString& name)
{
    for (const TJsonValueList& column : columns)
        if (column.FieldName.compare(name, Qt::CaseInsensitive) == 0)
            return &column;
    return nullptr;
}

// Whether the shop's trade lines hold the order line with this status.
bool LineRecorded(const QString& shopCode, const TJsonValue& oid, const TJsonValue& status)
{
    if (oid.Missing || !IsSqlInteger(oid.Text))
        return false;
    const auto query = OpenQuery(QStringLiteral("select count(*) from \"KivItemOut\" where \"ShopCode\" = ") + QuotedStr(shopCode)
                                 + QStringLiteral(" and \"Oid\" = ") + oid.Text + QStringLiteral(" and \"Status\" = ") + SqlValue(status));
    return query->Fields(0)->AsLargeInt() > 0;
}

// The batch without the order lines that would be recorded a second time:
// those whose line and status the shop's trade lines hold already (the live
// stream got them first, or another rule of the same status did).
void QueueUnrecordedLines(const TTradeEventBatch& batch, const QString& shopCode, const TTradeEventProducer& queue)
{
    const TJsonValueList* oids = ColumnNamed(batch.Data, QStringLiteral("Oid"));
    const TJsonValueList* statuses = ColumnNamed(batch.Data, QStringLiteral("Status"));
    const int rows = batch.Keys.empty() ? 0 : batch.Keys.front().Count();
    const auto aligned = [rows](const TJsonColumns& columns) {
        return std::all_of(columns.begin(), columns.end(), [rows](const TJsonValueList& c) { return c.Count() == rows; });
    };
    if (!oids || !statuses || !aligned(batch.Keys) || !aligned(batch.Data)) {
        queue(batch);
        return;
    }
    TJsonColumns keys;
    TJsonColumns data;
    for (const TJsonValueList& column : batch.Keys)
        keys.push_back({column.FieldName, {}});
    for (const TJsonValueList& column : batch.Data)
        data.push_back({column.FieldName, {}});
    for (int row = 0; row < rows; ++row) {
        if (SqlValue((*statuses)[row]) == batch.Target.Status && LineRecorded(shopCode, (*oids)[row], (*statuses)[row]))
            continue;
        for (size_t i = 0; i < keys.size(); ++i)
            keys[i].Values.push_back(batch.Keys[i][row]);
        for (size_t i = 0; i < data.size(); ++i)
            data[i].Values.push_back(batch.Data[i][row]);
    }
    if (!keys.empty() && keys.front().Count() == 0)
        return;
    queue(TTradeEventBatch{batch.Table, keys, data, batch.ExtraLines, batch.Target});
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
    // window that is monitoring, and can be stopped.
    if (!FMonitoring) {
        SetMonitoring(true);
        try {
            StartMonitor();
        } catch (...) {
            SetMonitoring(false);
            throw;
        }
        CatchUpTrades();
    } else {
        StopMonitor();
        SetMonitoring(false);
    }
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
    LogLine(lbMonitor, QStringLiteral("监控开始"));
}

void TFormItems::StopMonitor()
{
    FShop->Stopped = true;
    // Ends the connection, when there is one, and lets the thread end.
    if (FStream)
        FStream->Terminate();
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

void TFormItems::CatchUpTrades()
{
    if (!FShop)
        return;
    // Trades missed while stopped must not vanish unnoticed: a platform that
    // cannot be reached is said, and the next start tries again.
    const QString unreachable = PlatformUnreachableText(QStringLiteral("中断交易数据同步"));
    const QString now = GetServerTime(*FShop);
    if (now.isEmpty()) {
        ShowError(unreachable);
        return;
    }
    const QDateTime last = QDateTime::fromString(LastOutDate(FShop->Code), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!last.isValid())
        return;
    const QString from = DateTimeText(last.addSecs(1));
    if (from == now)
        return;
    const QString window = u',' + Quoted(from) + u',' + Quoted(now);
    const QString countReply = BuildAndSendTql(TradesSoldMethod, QStringLiteral("$tid"), QString(),
                                               QStringLiteral("page_size=? and start_created=? and end_created=?"), QStringLiteral("1") + window,
                                               *FShop);
    const std::unique_ptr<TqvJSONbase> count = TqvJSON::ParseText(countReply.toUtf8());
    const TqvJSONobject* response = TradesSoldResponse(count.get());
    if (!response) {
        const QString reason = PlatformErrorText(qvJSONcast<TqvJSONobject>(count.get()));
        ShowError(countReply.isEmpty() ? unreachable
                                       : QStringLiteral("中断交易数据同步失败：")
                                             + (reason.isEmpty() ? QStringLiteral("淘宝平台的应答无法识别") : reason));
        return;
    }
    const auto* totalValue = response ? qvJSONcast<TqvJSONnumber>(response->Field(u"total_results")) : nullptr;
    const qint64 total = totalValue ? totalValue->IntValue() : 0;
    if (total <= 0)
        return;

    // The catch-up's order lines are recorded once only.
    const QPointer<TFormItems> self(this);
    const TTradeEventProducer queue = TradeEventProducer;
    const QPointer<TClientDataSet> dataSet = ClientDataSetItems;
    const QString shopCode = FShop->Code;
    TradeEventProducer = [queue, dataSet, shopCode](const TTradeEventBatch& batch) {
        if (!queue)
            return;
        if (batch.Target.EventStatus == OfflineReload && dataSet && batch.Target.DataSet == dataSet)
            QueueUnrecordedLines(batch, shopCode, queue);
        else
            queue(batch);
    };
    const QPointer<TFormProgress> progress = new TFormProgress(this);
    const auto done = qScopeGuard([&] {
        TradeEventProducer = queue;
        delete progress.data();
    });

    progress->setWindowTitle(QStringLiteral("中断交易数据同步中..."));
    progress->setWindowModality(Qt::ApplicationModal);
    const auto rules = OpenQuery(QStringLiteral(
        "select * from \"SYS_Monitor\" where \"Status\" is not null and \"LocateFields\" is not null and \"Active\" = 1"));
    const qint64 pages = (total + CatchUpPageSize - 1) / CatchUpPageSize;
    progress->ProgressBar->setRange(0, int(std::min<qint64>(pages, std::numeric_limits<int>::max())));
    progress->ProgressBar->setValue(0);
    progress->show();
    const QString pageSize = QString::number(CatchUpPageSize);
    bool pageFailed = false;
    for (qint64 page = 1; page <= pages; ++page) {
        progress->LabelTitle->setText(QStringLiteral("商品数量共") + QString::number(total) + QStringLiteral("条,分") + QString::number(pages)
                                      + QStringLiteral("页同步,") + QStringLiteral("每页") + pageSize + QStringLiteral("条")
                                      + QStringLiteral("正在同步第") + QString::number(page) + QStringLiteral("页"));
        const QString reply = BuildAndSendTql(TradesSoldMethod, QStringLiteral("$tid"), QString(),
                                              QStringLiteral("page_no=? and page_size=? and start_created=? and end_created=?"),
                                              QString::number(page) + u',' + pageSize + window, *FShop);
        pageFailed = pageFailed || reply.isEmpty();
        for (const QString& tid : PageTids(reply)) {
            if (IsSqlInteger(tid))
                ProcessTrade(tid, now, *rules);
            QCoreApplication::processEvents();
            if (!self || !progress)
                return;
        }
        progress->ProgressBar->setValue(progress->ProgressBar->value() + 1);
    }
    if (pageFailed)
        ShowError(unreachable);
}

void TFormItems::ProcessTrade(const QString& tid, const QString& now, TSQLQuery& rules)
{
    const QPointer<TFormItems> self(this);
    for (rules.First(); !rules.Eof() && self; rules.Next()) {
        // Records queued so far are applied first, so that their trade lines
        // are in the table when this rule's lines are checked against it.
        ProcessMsgQueue();
        QString updateFields = rules.FieldByName(QStringLiteral("UpdateField"))->AsString();
        const QString other = rules.FieldByName(QStringLiteral("OtherUpdateFields"))->AsString();
        if (!other.isEmpty())
            updateFields += u',' + other;
        const QStringList extraLines = {QStringLiteral("ShopCode=") + QuotedStr(FShop->Code), QStringLiteral("EventDate=") + QuotedStr(now),
                                        QStringLiteral("TradeEvent=") + OfflineReload, QStringLiteral("Tid=") + tid};
        const TTradeEventTarget target{ClientDataSetItems,
                                       lbMonitor,
                                       OfflineReload,
                                       QuotedStr(rules.FieldByName(QStringLiteral("Status"))->AsString()),
                                       rules.FieldByName(QStringLiteral("LocateFields"))->AsString(),
                                       rules.FieldByName(QStringLiteral("ReturnField"))->AsString(),
                                       updateFields};
        TqlToEvents(QStringLiteral("taobao.trade.get"),
                    QStringLiteral("$orders.num,created,orders.oid,created,orders.price,orders.total_fee,orders.num_iid,orders.sku_id,orders.status"),
                    QString(), QStringLiteral("tid=?"), tid,
                    QStringLiteral("trade_get_response.trade.orders.order.sku_id=SkuID,trade_get_response.trade.orders.order.num_iid=NumIID"),
                    QStringLiteral("trade_get_response.trade.created=Date,trade_get_response.trade.orders.order.oid=Oid,"
                                   "trade_get_response.trade.orders.order.price=Price,trade_get_response.trade.orders.order.num=Qty,"
                                   "trade_get_response.trade.orders.order.total_fee=Amount,trade_get_response.trade.orders.order.status=Status"),
                    QStringLiteral("KivItemOut"), extraLines, *FShop, target);
        QCoreApplication::processEvents();
    }
}
