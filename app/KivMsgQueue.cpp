#include "app/KivMsgQueue.h"

#include "app/KivFigureRange.h"
#include "app/KivShopGone.h"
#include "client/KivDataM.h"
#include "client/KivEvents.h"
#include "platform/Exceptions.h"
#include "platform/SqlText.h"
#include "platform/StringList.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/DbTexts.h"

#include <QListWidget>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

// The value an SQL-rendered key stands for: 'it''s' is the text it's,
// anything else is taken as it stands (a bare number, or a value that was
// never rendered).
Variant KeyValueOf(const Variant& rendered)
{
    if (rendered.GetKind() != Variant::Kind::String)
        return rendered;
    const QString text = rendered.AsString();
    if (text.size() >= 2 && text.startsWith(u'\'') && text.endsWith(u'\''))
        return Variant(text.mid(1, text.size() - 2).replace(u"''"_qs, u"'"_qs));
    return rendered;
}

// A field to adjust and the sign its amount takes ('-' before its name).
using TAdjustment = std::pair<TField*, double>;

// The fields the record adjusts; a field the dataset lacks raises.
std::vector<TAdjustment> Adjustments(const TClientDataSet& dataSet, const TMsgRec& record)
{
    std::vector<TAdjustment> adjustments;
    for (QString name : SplitDelimitedText(record.UpdateFields, u',')) {
        double sign = 1;
        if (name.startsWith(u'+') || name.startsWith(u'-')) {
            sign = name.startsWith(u'-') ? -1 : 1;
            name.remove(0, 1);
        }
        adjustments.emplace_back(dataSet.FieldByName(name), sign);
    }
    return adjustments;
}

QString TradeLineText(const TMsgRec& record)
{
    return u"交易"_qs + record.LineTid + u"的订单行"_qs + record.LineOid;
}

// What the log names a change by: its trade line, or the row's SKU.
QString ChangeSubject(const TClientDataSet& dataSet, const TMsgRec& record)
{
    if (!record.LineShopCode.isEmpty())
        return TradeLineText(record);
    return u"商品“"_qs + dataSet.FieldByName(u"Title"_qs)->AsString() + u' ' + dataSet.FieldByName(u"PropNameFormat"_qs)->AsString() + u"”"_qs;
}

void ApplyToDataSet(TClientDataSet& dataSet, const TMsgRec& record)
{
    std::vector<Variant> keys;
    keys.reserve(record.KeyValues.size());
    for (const Variant& value : record.KeyValues)
        keys.push_back(KeyValueOf(value));
    if (!dataSet.Locate(record.KeyNames, Variant(keys)))
        return;
    const QStringList names = SplitDelimitedText(record.KeyNames, u';');
    for (int i = 0; i < names.size() && i < int(keys.size()); ++i)
        dataSet.SetOptionalParam(names[i], keys[size_t(i)]);
    const std::vector<TAdjustment> adjustments = Adjustments(dataSet, record);
    TField* setField = record.SetField.isEmpty() ? nullptr : dataSet.FieldByName(record.SetField);
    const double amount = Variant(record.Amount).AsFloat();
    dataSet.Edit();
    try {
        for (const auto& [field, sign] : adjustments) {
            dataSet.SetOptionalParam(u"SYS_LocateFieldName"_qs, Variant(field->FieldName()));
            WithWritableField(*field, [&](TField& f) { f.SetAsFloat(f.AsFloat() + amount * sign); });
        }
        if (setField)
            WithWritableField(*setField, [&](TField& field) { field.SetAsString(record.SetFieldValue); });
        dataSet.Post();
    } catch (const EDatabaseError& error) {
        // A figure the window's field cannot hold (its rows were read before
        // a change another seat made, say): the row keeps what it shows, and
        // reading the figures again shows them as they are.
        dataSet.Cancel();
        LogLine(record.LogBox, ChangeSubject(dataSet, record) + u"的变动未能显示："_qs + error.Message()
                                   + u"请右键“打开数据”重新读取"_qs);
        return;
    } catch (...) {
        dataSet.Cancel();
        throw;
    }
    if (record.LogBox)
        for (const TAdjustment& adjustment : adjustments)
            LogStockChange(record.LogBox, &dataSet, record.TimeText, adjustment.first->FieldName(), record.Amount);
}

// Runs the record's INSERT, when it carries one; false when its line is
// stored already (the record is then dropped whole).
bool InsertLine(const TMsgRec& record)
{
    if (record.InsertTable.isEmpty())
        return true;
    const QString insert = u"insert into "_qs + QuotedName(record.InsertTable) + u'(' + record.InsertColumns + u')';
    // A line stored already is not inserted again, in the same statement
    // that tests for it; its figures do not change either.
    if (record.LineStoredSql.isEmpty()) {
        ExecSql(insert + u" values("_qs + record.InsertValues + u')');
        return true;
    }
    return ExecSql(insert + u" select "_qs + record.InsertValues + u" from rdb$database where not exists("_qs + record.LineStoredSql + u')')
           > 0;
}

// A line that can never be stored is said once in this run, whichever
// road (the stream, a catch-up) brings it again: once for its database's
// shop.
void SayUnstorable(const TMsgRec& record, const QString& why)
{
    static std::set<QString> said;
    const QString line = record.LineOid.isEmpty() ? record.InsertValues : record.LineTid + u'|' + record.LineOid;
    const QString database = KivDM ? KivDM->KivConn->ResolvedDatabaseName() : QString();
    if (!said.insert(database + u'|' + record.LineShopCode + u'|' + line).second)
        return;
    LogLine(record.LogBox, TradeLineText(record) + u"无法保存："_qs + why + u"，已略过"_qs);
}

// A line the database refused this time (another seat's transaction held
// what it writes, a time-out): the shop's lines are incomplete from its
// date, and a catch-up brings it.
void SayNotStoredYet(const TMsgRec& record)
{
    MarkOutGap(record.LineShopCode, record.LineDate);
    const QString since = OutGapFrom(record.LineShopCode);
    LogLine(record.LogBox, TradeLineText(record) + u"未能保存"_qs
                               + (since.isEmpty() ? QString() : u"，自"_qs + since + u"起的交易待补录"_qs));
}

// The trade line's insert and the check of its SKU's figures are one unit
// of work on the consumer's connection: nothing else runs on it meanwhile
// (no event is handled in between), and a line that would carry a figure
// past its range is taken back whole. Not a TKivTransaction: lines are
// applied while a sync's transaction is open (it lets events run between
// items), and inside it the line would be kept only if the sync's work is.
class TLineWork {
public:
    explicit TLineWork(TSQLConnection& connection) : FConnection(connection)
    {
        // The program's newer tables are made outside the work.
        KivDM->EnsureSchema();
        FDatabase = FConnection.Database();
        if (!FDatabase.transaction())
            FConnection.RaiseError(FDatabase.lastError());
        FAttachment = FConnection.Attachments();
    }
    ~TLineWork()
    {
        if (FOpen && FConnection.Connected() && FConnection.Attachments() == FAttachment && !FDatabase.rollback())
            FConnection.Close(); // the engine takes the work back with the attachment
    }
    TLineWork(const TLineWork&) = delete;
    TLineWork& operator=(const TLineWork&) = delete;

    void Commit()
    {
        FOpen = false;
        if (!FDatabase.commit()) {
            const auto close = qScopeGuard([this] { FConnection.Close(); });
            FConnection.RaiseError(FDatabase.lastError());
        }
    }

private:
    TSQLConnection& FConnection;
    QSqlDatabase FDatabase;
    quint64 FAttachment = 0;
    bool FOpen = true;
};

const QString TradeLinesTable = u"KivItemOut"_qs;

// The line's own values as a one-row table named l, its columns named as
// the INSERT names them.
QString LineRowSql(const TMsgRec& record)
{
    return u"(select "_qs + record.InsertValues + u" from rdb$database) l ("_qs + record.InsertColumns + u')';
}

// Whether the line counts in its SKU's figures: a trade line with a SKU and a quantity.
bool FeedsFigures(const TMsgRec& record)
{
    if (record.InsertTable != TradeLinesTable)
        return false;
    const QStringList columns = record.InsertColumns.split(u',');
    return columns.contains(QuotedName(u"SkuID"_qs)) && columns.contains(QuotedName(u"NumIID"_qs)) && columns.contains(QuotedName(u"Qty"_qs));
}

// A line's share of its SKU's figures: the SKU, the status sum it counts
// in and its quantity, with the stock period; none when it changes none.
struct TLineShare {
    TSkuKey Sku;
    TFigure Figure = fgOut;
    qint64 Qty = 0;
    QString StockTime;
};

std::optional<TLineShare> LineShare(const TMsgRec& record)
{
    const auto row = OpenQuery(u"select l.*, "_qs + StockTimeColumnSql() + u" \"SYS_StockTime\" from "_qs + LineRowSql(record));
    // The literals come back as CHAR, padded with blanks; the database
    // compares texts without the blanks at their end, and so does this.
    const auto text = [&row](const QString& name) {
        const TField* field = row->FindField(name);
        QString value = field && !field->IsNull() ? field->AsString() : QString();
        while (value.endsWith(u' '))
            value.chop(1);
        return value;
    };
    const QString skuId = text(u"SkuID"_qs);
    const QString numIid = text(u"NumIID"_qs);
    const std::optional<int> figure = TradeFigureOf(text(u"Status"_qs), text(u"TradeEvent"_qs));
    const qint64 qty = text(u"Qty"_qs).isEmpty() ? 0 : row->FieldByName(u"Qty"_qs)->AsLargeInt();
    if (skuId.isEmpty() || numIid.isEmpty() || qty == 0 || !figure)
        return std::nullopt;
    return TLineShare{{skuId, numIid}, TFigure(*figure), qty, CheckedStockTime(text(u"SYS_StockTime"_qs))};
}

enum class TLineFate { Stored, StoredAlready, PastRange };

// Stores a trade line unless it is stored already, or it would carry one of
// its SKU's figures past the range (pastRange then says how). Its quantity
// goes into its SKU's sums first, which holds them until the work ends.
TLineFate StoreTradeLine(const TMsgRec& record, QString& pastRange)
{
    if (!FeedsFigures(record))
        return InsertLine(record) ? TLineFate::Stored : TLineFate::StoredAlready;
    TLineWork work(*KivDM->KivConn);
    const std::optional<TLineShare> share = LineShare(record);
    if (share) {
        const TSqlWork sql = HelperWork();
        AddTradeSums(sql, share->Sku, share->Figure, share->Qty);
        const TSkuFigures after = SkuFigures(sql, share->Sku, share->StockTime);
        TSkuFigures before = after;
        TakeFromFigure(before, share->Figure, share->Qty);
        // A figure out of range already (a database written before the
        // check) holds back no line of its SKU that leaves the others as
        // they were.
        if (const unsigned broken = BrokenBounds(after) & ~BrokenBounds(before); broken != 0) {
            // Its values may still be refused: that is said first.
            if (!InsertLine(record))
                return TLineFate::StoredAlready;
            pastRange = u"数量"_qs + QString::number(share->Qty) + u"会使["_qs + FigureCaption(BrokenFigure(broken)) + u"]超出范围"_qs;
            return TLineFate::PastRange;
        }
    }
    if (!InsertLine(record))
        return TLineFate::StoredAlready;
    work.Commit();
    return TLineFate::Stored;
}

// StoreTradeLine, once more when another seat held the SKU's sums: the
// seat that waited meets the other's change (most often the same line,
// which it then finds stored).
TLineFate StoreTradeLineInTurn(const TMsgRec& record, QString& pastRange)
{
    try {
        return StoreTradeLine(record, pastRange);
    } catch (const EDatabaseConflict&) {
        return StoreTradeLine(record, pastRange);
    }
}

// A trade line's record: stored, or its refusal dealt with; the figures
// change only with a line that is stored.
void ApplyTradeLine(std::unique_ptr<TMsgRec> record)
{
    TClientDataSet* dataSet = record->DataSet.data();
    if (!dataSet)
        return;
    // While the database is away, every try would wait for a connection.
    if (KivDM && KivDM->DatabaseLost()) {
        MarkOutGap(record->LineShopCode, record->LineDate);
        return;
    }
    if (DropLineOfGoneShop(*record))
        return;
    QString pastRange;
    try {
        switch (StoreTradeLineInTurn(*record, pastRange)) {
        case TLineFate::Stored:
            break;
        case TLineFate::StoredAlready:
            return;
        case TLineFate::PastRange:
            SayUnstorable(*record, pastRange);
            return;
        }
    } catch (const EDatabaseConnectionLost&) {
        MarkOutGap(record->LineShopCode, record->LineDate);
        return;
    } catch (const EDatabaseValueError& error) {
        SayUnstorable(*record, DatabaseRefusalText(error.Message()));
        return;
    } catch (const EDatabaseError&) {
        SayNotStoredYet(*record);
        return;
    }
    if (dataSet->Active())
        ApplyToDataSet(*dataSet, *record);
}

} // namespace

void ApplyMsgRec(std::unique_ptr<TMsgRec> record)
{
    TClientDataSet* dataSet = record->DataSet.data();
    if (!dataSet || !InsertLine(*record))
        return;
    if (dataSet->Active())
        ApplyToDataSet(*dataSet, *record);
}

void ProcessMsgQueue()
{
    for (;;) {
        std::unique_ptr<TMsgRec> record;
        {
            const std::lock_guard lock(EventQueueLock);
            if (EventQueue.empty())
                return;
            record = std::move(EventQueue.front());
            EventQueue.pop_front();
        }
        if (record->LineShopCode.isEmpty())
            ApplyMsgRec(std::move(record));
        else
            ApplyTradeLine(std::move(record));
    }
}
