#include "app/KivItemsSync.h"

#include "app/KivMain.h"
#include "app/KivProgress.h"
#include "app/KivStockPeriod.h"
#include "client/KivColumns.h"
#include "client/KivDataM.h"
#include "client/KivMapping.h"
#include "client/KivQuery.h"
#include "json/uQvJSON.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/SqlText.h"
#include "platform/db/DbTexts.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <functional>
#include <limits>
#include <optional>

namespace {

const QString OnsaleMethod = QStringLiteral("taobao.items.onsale.get");
const QString OnsaleResponse = QStringLiteral("items_onsale_get_response");
// How long written items wait for their commit: at least this long, and ten
// times as long as the last commit took, so that commits cost a tenth of the
// time at most however slow the disk is.
constexpr qint64 BatchMilliseconds = 1000;
constexpr qint64 BatchPerCommitCost = 10;

QString Quoted(const QString& text)
{
    return u'"' + text + u'"';
}

// The text before the n-th ':' (n from 1), or nothing when there are fewer.
std::optional<QString> BeforeColon(const QString& entry, int n)
{
    qsizetype at = -1;
    for (int i = 0; i < n; ++i)
        if ((at = entry.indexOf(u':', at + 1)) < 0)
            return std::nullopt;
    return entry.left(at);
}

// Why the database refused a value, in the user's words where its own are
// known; else its own words.
QString DatabaseRefusalReason(const EDatabaseError& error)
{
    if (dynamic_cast<const EDatabaseConflict*>(&error))
        return QStringLiteral("其他用户正在修改同样的数据");
    return DatabaseRefusalText(error.Message());
}

// The entries of a property or alias text: the platform separates them with
// ';' only, and a value may hold blanks ("深 蓝", "XL 建议120-130斤").
QStringList PropertyEntries(const QString& text)
{
    QStringList entries;
    for (const QString& entry : text.split(u';'))
        if (const QString trimmed = entry.trimmed(); !trimmed.isEmpty())
            entries << trimmed;
    return entries;
}

// The text after the n-th ':', or nothing when there are fewer.
std::optional<QString> AfterColon(const QString& entry, int n)
{
    const std::optional<QString> before = BeforeColon(entry, n);
    return before ? std::optional<QString>(entry.mid(before->size() + 1)) : std::nullopt;
}

} // namespace

bool CheckShop(const TTreeNodeShop& shop)
{
    struct TCheck {
        const QString& Value;
        QString Message;
        QAction* TMainKiv::*Action;
    };
    const TCheck checks[] = {
        {shop.AppKey, QStringLiteral("请设置好店铺对应的淘宝网店后台管理[AppKey]码！"), &TMainKiv::ActionConfigShops},
        {shop.AppSecret, QStringLiteral("请设置好店铺对应的淘宝网店后台管理[AppSecret]码！"), &TMainKiv::ActionConfigShops},
        {shop.Session, QStringLiteral("请设置好店铺对应的淘宝网店后台管理[Session]码！"), &TMainKiv::ActionConfigShops},
        {shop.Code, QStringLiteral("请设置好店铺信息并对操作用户分配相应店铺！"), &TMainKiv::ActionLinkUserShop},
    };
    for (const TCheck& check : checks) {
        if (!check.Value.isEmpty())
            continue;
        // Only the administrator sets shops up: anyone else is told whom to ask.
        if (!IsAdministrator()) {
            ShowError(check.Message + QStringLiteral("\n请联系管理员(admin)设置好店铺后再试。"));
            return false;
        }
        ShowError(check.Message);
        if (MainKiv)
            (MainKiv->*check.Action)->trigger();
        return false;
    }
    return true;
}

QString FormatSkuProps(const QString& propsName, const QString& alias)
{
    const QStringList aliases = PropertyEntries(alias);
    QStringList texts;
    for (const QString& entry : PropertyEntries(propsName)) {
        // A piece without "pid:vid:name:" shows as it is.
        const std::optional<QString> key = BeforeColon(entry, 2);
        QString text = AfterColon(entry, 3).value_or(entry);
        if (key) {
            for (const QString& candidate : aliases) {
                if (BeforeColon(candidate, 2) == key) {
                    text = *AfterColon(candidate, 2);
                    break;
                }
            }
        }
        texts << text;
    }
    return texts.join(QStringLiteral("，"));
}

void DeleteShopItems(const QString& shopCode, const QString& keepSyncDate, TKivTransaction& transaction)
{
    const QString where = QStringLiteral(" where \"ShopCode\" = ") + QuotedStr(shopCode) + QStringLiteral(" and \"SyncDate\" <> ")
                          + QuotedStr(keepSyncDate);
    transaction.ExecSql(QStringLiteral("delete from \"KivItemOnsale\"") + where);
    transaction.ExecSql(QStringLiteral("delete from \"KivItem\"") + where);
}

TItemsSync::TItemsSync(TTreeNodeShop& shop, QWidget* progressOwner)
    : FShop(shop)
    , FOwner(progressOwner)
{
}

TItemsSyncResult TItemsSync::SyncItems()
{
    FResult = {};
    FPlatformFailure.clear();
    FDatabaseLost = false;
    FRefusals.clear();
    FExtraLines.clear();
    FItems.clear();
    FSkuRows = 0;
    // A period that no statement could use is said before anything is
    // fetched or written; the roll-over reads it again at the end.
    ReadStockTime();
    {
        const TShopInUse inUse(FShop);
        const TPlatformCallScope scope(FStop);
        FProgress = new TFormProgress(FOwner);
        const struct TFree {
            QPointer<TFormProgress>& Progress;
            ~TFree() { delete Progress.data(); }
        } freeProgress{FProgress};
        // Nothing else may start while the sync lets events through.
        FProgress->setWindowTitle(QStringLiteral("在线商品数据同步中..."));
        FProgress->setWindowModality(Qt::ApplicationModal);
        FProgress->AllowStop([this] { FStop.Stop(); });
        FProgress->LabelTitle->setText(QStringLiteral("获取淘宝平台时间..."));
        FProgress->show();

        FLast = GetShopSyncDate(FShop.Code);
        const TPlatformReading reading = ReadPlatformClock(FShop);
        FResult.Now = reading.Said;
        if (Stopped()) {
            FResult.Outcome = TSyncOutcome::soStopped;
        } else if (!DateTimeOf(FResult.Now).isValid()) {
            // Snapshots are stamped with the platform's time and compared as
            // text: any other form of it would not order with the others.
            FResult.Now.clear();
            FPlatformFailure = PlatformFailedText(QStringLiteral("商品同步"), reading.Failure);
        } else {
            FExtraLines << QStringLiteral("\"ShopCode\"=") + FShop.Code << QStringLiteral("\"SyncDate\"=") + FResult.Now;
            if (CountItems())
                FetchAndWrite();
        }
    }
    ReportFailures();
    return FResult;
}

void TItemsSync::FetchAndWrite()
{
    ShowProgress();
    FetchPages();
    FetchItems();
    WriteItems();
    const bool complete = FResult.FailedPages == 0 && FResult.FailedItems == 0 && FResult.RefusedItems == 0 && !FDatabaseLost && !Stopped();
    FResult.Outcome = complete ? TSyncOutcome::soCompleted : Stopped() ? TSyncOutcome::soStopped : TSyncOutcome::soIncomplete;
    // The sync date moves only past what was fetched whole.
    if (complete)
        FinishSync();
}

bool TItemsSync::CountItems()
{
    const bool first = FLast.isEmpty();
    const QString where = first ? QStringLiteral("page_size=?") : QStringLiteral("page_size=? and start_modified=? and end_modified=?");
    const QString values = first ? QStringLiteral("1") : QStringLiteral("1,") + Quoted(FLast) + u',' + Quoted(FResult.Now);
    const QString reply = BuildAndSendTql(OnsaleMethod, QStringLiteral("$num_iid"), QString(), where, values, FShop);
    if (Stopped()) {
        FResult.Outcome = TSyncOutcome::soStopped;
        return false;
    }
    const std::unique_ptr<TqvJSONbase> root = TqvJSON::ParseText(reply.toUtf8());
    const auto* object = qvJSONcast<TqvJSONobject>(root.get());
    const auto* response = object ? qvJSONcast<TqvJSONobject>(object->Field(OnsaleResponse)) : nullptr;
    const auto* total = response ? qvJSONcast<TqvJSONnumber>(response->Field(u"total_results")) : nullptr;
    if (!total) {
        // An error reply (an expired session, a refused argument) is not
        // "nothing to sync": the user hears the platform's refusal, or that
        // the platform could not be reached.
        FResult.Outcome = TSyncOutcome::soCountFailed;
        FPlatformFailure = reply.isEmpty() ? PlatformUnreachableText(QStringLiteral("商品同步"))
                                           : PlatformFailedText(QStringLiteral("获取在线商品数量"), {true, PlatformErrorText(object)});
        return false;
    }
    FResult.Total = std::max<qint64>(0, total->IntValue());
    if (FResult.Total == 0) {
        FResult.Outcome = TSyncOutcome::soNothingToSync;
        // A first sync of a shop with nothing on sale: what it listed before
        // is not on sale, and leaves the stock view and the stock-in list.
        if (first) {
            TKivTransaction transaction;
            DeleteShopItems(FShop.Code, FResult.Now, transaction);
            transaction.Commit();
        }
        return false;
    }
    FResult.Pages = int(std::min<qint64>((FResult.Total + PageSize - 1) / PageSize, std::numeric_limits<int>::max()));
    return true;
}

void TItemsSync::ShowProgress()
{
    SetBarRange(FResult.Pages);
    SetLabel(QStringLiteral("获取商品数量..."));
}

// The pages are only read here: an item's on-sale row is written together
// with its SKUs, so that no item stands in the snapshot without them.
void TItemsSync::FetchPages()
{
    const bool first = FLast.isEmpty();
    const QString pageSize = QString::number(PageSize);
    const QString window = u',' + Quoted(FLast) + u',' + Quoted(FResult.Now);
    for (int page = 1; page <= FResult.Pages && !Stopped(); ++page) {
        const QString pageNo = QString::number(page);
        SetLabel(QStringLiteral("商品数量共") + QString::number(FResult.Total) + QStringLiteral("条,分") + QString::number(FResult.Pages)
                 + QStringLiteral("页同步,") + QStringLiteral("每页") + pageSize + QStringLiteral("条") + QStringLiteral("正在同步第")
                 + pageNo + QStringLiteral("页"));
        const std::optional<TMappedReply> rows = FetchTqlRows(
            OnsaleMethod, QStringLiteral("$num_iid,title,num,price"), QString(),
            first ? QStringLiteral("page_no=? and page_size=?") : QStringLiteral("page_no=? and page_size=? and start_modified=? and end_modified=?"),
            pageNo + u',' + pageSize + (first ? QString() : window), QStringLiteral("items_onsale_get_response.items.item.num_iid=NumIID"),
            QStringLiteral("items_onsale_get_response.items.item.title=Title"), true, FShop);
        if (Stopped())
            break;
        try {
            if (!rows)
                throw EJsonPathError(QStringLiteral("No page"));
            KeepPageItems(*rows);
        } catch (const EJsonPathError&) {
            ++FResult.FailedPages;
        }
        StepBar();
    }
}

void TItemsSync::KeepPageItems(const TMappedReply& page)
{
    if (page.Keys.empty())
        return;
    const int rows = page.Keys.front().Count();
    for (const TJsonColumns* columns : {&page.Keys, &page.Data})
        for (const TJsonValueList& column : *columns)
            if (column.Count() != rows)
                throw EJsonPathError(QStringLiteral("The page's columns do not line up"));
    const auto rowOf = [&](const TJsonColumns& columns, int r) {
        TJsonColumns one;
        for (const TJsonValueList& column : columns)
            one.push_back(TJsonValueList{column.FieldName, {column[r]}});
        return one;
    };
    for (int r = 0; r < rows; ++r) {
        TPendingItem item{page.Keys.front()[r].Text, TMappedReply{rowOf(page.Keys, r), rowOf(page.Data, r)}, std::nullopt};
        // An item that a shifted page lists again is one item, with its latest values.
        const auto same = std::find_if(FItems.begin(), FItems.end(), [&](const TPendingItem& kept) { return kept.NumIid == item.NumIid; });
        if (same != FItems.end())
            *same = std::move(item);
        else
            FItems.push_back(std::move(item));
    }
}

void TItemsSync::FetchItems()
{
    SetLabel(QStringLiteral("同步商品属性..."));
    FResult.Items = int(FItems.size());
    const QString count = QString::number(FResult.Items);
    SetBarRange(FResult.Items);
    SetLabel(QStringLiteral("共有") + count + QStringLiteral("属性需要同步"));
    for (size_t i = 0; i < FItems.size() && !Stopped(); ++i) {
        TPendingItem& item = FItems[i];
        const QString position = QString::number(FProgress->ProgressBar->value() + 1);
        SetLabel(QStringLiteral("共有") + count + QStringLiteral("个商品的属性需要同步,") + QStringLiteral("正在同步第") + position
                 + QStringLiteral("个商品的属性..."));
        item.Skus = FetchTqlRows(
            QStringLiteral("taobao.item.get"), QStringLiteral("num_iid,sku,property_alias"), QString(), QStringLiteral("num_iid=?"), item.NumIid,
            QStringLiteral("item_get_response.item.skus.sku.sku_id=SkuID"),
            QStringLiteral("item_get_response.item.num_iid=NumIID,item_get_response.item.property_alias=PropAlias,"
                           "item_get_response.item.skus.sku.price=Price,item_get_response.item.skus.sku.quantity=Qty,"
                           "item_get_response.item.skus.sku.properties_name=SkuPropName"),
            false, FShop);
        if (Stopped()) {
            // The call was cut: its reply is no item.
            item.Skus.reset();
            break;
        }
        if (!item.Skus)
            ++FResult.FailedItems;
        StepBar();
    }
}

void TItemsSync::WriteItems()
{
    // The SKU rows fetched, each to get its property text: the bar counts them.
    int rows = 0;
    for (const TPendingItem& item : FItems)
        if (item.Skus && !item.Skus->Keys.empty())
            rows += item.Skus->Keys.front().Count();
    FSkuRows = rows;
    SetBarRange(rows);
    SetLabel(QStringLiteral("共有") + QString::number(rows) + QStringLiteral("属性需要调整"));
    // With forced writes a commit writes out every page its transaction
    // touched, which costs more than writing the items themselves: items
    // share a commit for a second of work or more, each inside its own part
    // of the transaction, so that it is still whole or not there at all.
    // Items fetched before a stop are whole, and are written too.
    std::optional<TKivTransaction> batch;
    QElapsedTimer batchAge;
    qint64 lastCommit = 0;
    TBatchCount written;
    for (const TPendingItem& item : FItems) {
        if (!item.Skus)
            continue;
        try {
            if (!batch) {
                batch.emplace();
                batchAge.start();
            }
            written.Skus += WriteItem(item, *item.Skus);
            written.Items << item.NumIid;
        } catch (const EDatabaseConnectionLost&) {
            // Nothing more can be written; the next sync fetches it again.
            FDatabaseLost = true;
            break;
        } catch (const EDatabaseError& error) {
            // A value the database refused: the item's part of the
            // transaction took all of its rows back.
            Refuse(QStringList{item.NumIid}, error);
        } catch (const std::exception&) {
            // A reply whose columns do not line up: it could not be read.
            ++FResult.FailedItems;
        }
        if (batch && batchAge.elapsed() >= std::max(BatchMilliseconds, BatchPerCommitCost * lastCommit)) {
            QElapsedTimer commitTime;
            commitTime.start();
            CommitBatch(batch, written);
            lastCommit = commitTime.elapsed();
        }
    }
    if (batch)
        CommitBatch(batch, written);
}

void TItemsSync::CommitBatch(std::optional<TKivTransaction>& batch, TBatchCount& written)
{
    try {
        batch->Commit();
        FResult.Skus += written.Skus;
    } catch (const EDatabaseConnectionLost&) {
        FDatabaseLost = true;
    } catch (const EDatabaseError& error) {
        Refuse(written.Items, error);
    } catch (const std::exception&) {
        FResult.FailedItems += int(written.Items.size());
    }
    batch.reset();
    written = {};
}

void TItemsSync::Refuse(const QStringList& numIids, const EDatabaseError& error)
{
    const QString reason = DatabaseRefusalReason(error);
    for (const QString& numIid : numIids)
        FRefusals.push_back({numIid, reason});
    FResult.RefusedItems += int(numIids.size());
}

int TItemsSync::WriteItem(const TPendingItem& item, const TMappedReply& skus)
{
    TKivTransaction transaction;
    UpsertRows(QStringLiteral("KivItemOnsale"), item.Row.Keys, item.Row.Data, FExtraLines, &transaction);
    UpsertRows(QStringLiteral("KivItem"), skus.Keys, skus.Data, FExtraLines, &transaction);
    FormatSkus(transaction, skus);
    transaction.Commit();
    return skus.Keys.empty() ? 0 : skus.Keys.front().Count();
}

// Each SKU row just written gets its property text and the barcode of the
// SKU's latest earlier snapshot.
void TItemsSync::FormatSkus(TKivTransaction& transaction, const TMappedReply& skus)
{
    const auto column = [&](const QString& name) -> const TJsonValueList* {
        for (const TJsonColumns* columns : {&skus.Keys, &skus.Data})
            for (const TJsonValueList& c : *columns)
                if (c.FieldName == name)
                    return &c;
        return nullptr;
    };
    const TJsonValueList* skuIds = column(QStringLiteral("SkuID"));
    const TJsonValueList* props = column(QStringLiteral("SkuPropName"));
    const TJsonValueList* aliases = column(QStringLiteral("PropAlias"));
    if (!skuIds || !props || !aliases)
        return;
    const QString shopCode = QuotedStr(FShop.Code);
    const QString now = QuotedStr(FResult.Now);
    // Made from the texts as fetched, and kept as far as its column holds.
    const int textLength = TextColumnLength(QStringLiteral("KivItem"), QStringLiteral("PropNameFormat"));
    for (int r = 0; r < skuIds->Count(); ++r) {
        SetLabel(QStringLiteral("共有") + QString::number(FSkuRows) + QStringLiteral("个商品的属性需要调整,") + QStringLiteral("正在调整第")
                 + QString::number(FProgress->ProgressBar->value() + 1) + QStringLiteral("个商品的属性..."));
        QString text = FormatSkuProps((*props)[r].Text, (*aliases)[r].Text);
        if (textLength > 0)
            text = CutToCharacters(text, textLength);
        Exec(transaction,
             QStringLiteral("update \"KivItem\" a set \"PropNameFormat\" = ") + QuotedStr(text)
                 + QStringLiteral(", \"Barcode\" = (select \"Barcode\" from \"KivItem\" where \"SkuID\"=a.\"SkuID\" and \"ShopCode\"=a.\"ShopCode\"  "
                                  "and \"SyncDate\"=(select max(\"SyncDate\") from \"KivItem\" where \"SkuID\"=a.\"SkuID\" and "
                                  "\"ShopCode\"=a.\"ShopCode\"  and \"SyncDate\"<>")
                 + now + QStringLiteral(")) where \"SkuID\" = ") + QuotedStr((*skuIds)[r].Text) + QStringLiteral(" and \"ShopCode\" = ")
                 + shopCode + QStringLiteral(" and \"SyncDate\" = ") + now);
        StepBar();
    }
}

// The sync date, a first sync's removal of the older snapshots and the
// roll-over go together: a sync killed between them would roll the same
// stock over twice, or never. The roll-over comes first: it locks the stock
// period, and counts the shop's SKUs before older snapshots go. A booking
// of another seat that held the period meanwhile makes it start again.
void TItemsSync::FinishSync()
{
    constexpr int Tries = 3;
    const TStockRollOver roll{FShop.Code, FLast, FResult.Now, [this](TKivTransaction& t, const QString& sql) { return Exec(t, sql); }};
    for (int attempt = 1;; ++attempt) {
        try {
            TKivTransaction transaction;
            const QString newTime = RollStockPeriodOver(transaction, roll);
            // Pages that listed no item at all replace nothing.
            if (FLast.isEmpty() && FResult.Items > 0)
                DeleteShopItems(FShop.Code, FResult.Now, transaction);
            SetShopSyncDate(FResult.Now, FShop.Code, &transaction);
            transaction.Commit();
            SysRec.StockTime = newTime;
            break;
        } catch (const EDatabaseConflict&) {
            if (attempt == Tries)
                throw;
        }
    }
    FShop.SyncDate = FResult.Now;
}

int TItemsSync::Exec(TKivTransaction& transaction, const QString& sql)
{
    if (OnStatement)
        OnStatement(sql);
    return transaction.ExecSql(sql);
}

void TItemsSync::SetLabel(const QString& text)
{
    FProgress->LabelTitle->setText(text);
    QCoreApplication::processEvents();
    if (OnProgress && FProgress)
        OnProgress(*FProgress);
}

void TItemsSync::SetBarRange(int maximum)
{
    // A bar from 0 to 0 would turn into a busy indicator.
    FProgress->ProgressBar->setRange(0, std::max(1, maximum));
    FProgress->ProgressBar->setValue(0);
}

void TItemsSync::StepBar()
{
    FProgress->ProgressBar->setValue(FProgress->ProgressBar->value() + 1);
}

void TItemsSync::ReportFailures() const
{
    if (!FPlatformFailure.isEmpty())
        ShowError(FPlatformFailure);
    if (FResult.Outcome != TSyncOutcome::soIncomplete)
        return;
    // What the platform did not give, and what the database did not take,
    // each in its own words.
    QStringList what;
    if (FResult.FailedPages > 0 || FResult.FailedItems > 0)
        what << QString::number(FResult.FailedPages) + QStringLiteral("页商品、") + QString::number(FResult.FailedItems)
                    + QStringLiteral("个商品的属性获取失败");
    if (!FRefusals.empty())
        what << QStringLiteral("数据库拒绝保存") + QString::number(FRefusals.size()) + QStringLiteral("个商品（") + RefusalsText()
                    + QStringLiteral("）");
    if (FDatabaseLost)
        what << QStringLiteral("与数据库的连接已断开");
    ShowError(QStringLiteral("同步未完成：") + what.join(QStringLiteral("；"))
              + (FDatabaseLost ? QStringLiteral("，请在数据库恢复后重新同步！") : QStringLiteral("，请重新同步！")));
}

QString TItemsSync::RefusalsText() const
{
    constexpr size_t Named = 3;
    QStringList items;
    for (size_t i = 0; i < std::min(Named, FRefusals.size()); ++i)
        items << QStringLiteral("商品编号") + FRefusals[i].NumIid + QStringLiteral("：") + FRefusals[i].Reason;
    return items.join(QStringLiteral("；")) + (FRefusals.size() > Named ? QStringLiteral("等") : QString());
}

TItemsSyncResult SyncItems(TTreeNodeShop& shop, QWidget* progressOwner)
{
    return TItemsSync(shop, progressOwner).SyncItems();
}
