#include "app/KivMsgQueue.h"

#include "app/KivFigureRange.h"
#include "app/KivShopGone.h"
#include "client/KivDataM.h"
#include "client/KivEvents.h"
#include "client/KivStream.h"
#include "platform/Exceptions.h"
#include "platform/SqlText.h"
#include "platform/StringList.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/DbTexts.h"
#include "platform/db/SqlConnection.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTimer>
#include <chrono>
#include <deque>
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

// What became of a record's INSERT.
enum class TLineFate {
    Stored,
    StoredAlready, // the line is stored already: the record is dropped whole
    ShopGone,      // the line's shop is stored no more: nothing is kept for it
    Refused,       // the database can never store it: said, and passed over
    NotStoredYet   // refused this time: a catch-up brings it
};

// Runs the record's INSERT, when it carries one. A line stored already is
// not inserted again, nor is one of a shop that is stored no more (deleted,
// or given another code, at another seat): the same statement tests for
// both. The database adds a stored line to its SKU's sums, or refuses it
// when it would carry one of their figures past its range.
TLineFate InsertLine(const TMsgRec& record)
{
    if (record.InsertTable.isEmpty())
        return TLineFate::Stored;
    const QString insert = u"insert into "_qs + QuotedName(record.InsertTable) + u'(' + record.InsertColumns + u')';
    QStringList conditions;
    if (!record.LineStoredSql.isEmpty())
        conditions << u"not exists("_qs + record.LineStoredSql + u')';
    if (!record.LineShopCode.isEmpty())
        conditions << u"exists(select 1 from \"SYS_Shop\" where \"Code\" = "_qs + QuotedStr(record.LineShopCode) + u')';
    if (conditions.isEmpty()) {
        ExecSql(insert + u" values("_qs + record.InsertValues + u')');
        return TLineFate::Stored;
    }
    if (ExecSql(insert + u" select "_qs + record.InsertValues + u" from rdb$database where "_qs + conditions.join(u" and "_qs)) > 0)
        return TLineFate::Stored;
    return !record.LineShopCode.isEmpty() && ShopGone(record.LineShopCode) ? TLineFate::ShopGone : TLineFate::StoredAlready;
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

// InsertLine, once more when another seat held the line's SKU: the seat
// that waited meets the other's change (most often the same line, which it
// then finds stored).
TLineFate InsertLineInTurn(const TMsgRec& record)
{
    try {
        return InsertLine(record);
    } catch (const EDatabaseConflict&) {
        return InsertLine(record);
    }
}

// What the log says of a line refused for the bounds it would break.
QString PastRangeText(const TMsgRec& record, unsigned bounds)
{
    return u"数量"_qs + record.LineQty + u"会使["_qs + FigureCaption(BrokenFigure(bounds)) + u"]超出范围"_qs;
}

// Stores a trade line with insert (InsertLine or InsertLineInTurn); a
// refusal that can never change is said at once. Conflicts with another
// seat, and a lost connection, are left to the caller.
template <typename Insert>
TLineFate StoreLine(const TMsgRec& record, Insert insert)
{
    try {
        return insert(record);
    } catch (const EDatabaseConflict&) {
        throw;
    } catch (const EDatabaseConnectionLost&) {
        throw;
    } catch (const EDatabaseValueError& error) {
        SayUnstorable(record, DatabaseRefusalText(error.Message()));
        return TLineFate::Refused;
    } catch (const EDatabaseError& error) {
        if (const std::optional<unsigned> bounds = RefusedBounds(error.Message())) {
            SayUnstorable(record, PastRangeText(record, *bounds));
            return TLineFate::Refused;
        }
        return TLineFate::NotStoredYet;
    }
}

// What follows a line's fate, once the work that stored it has ended: the
// figures change only with a line that is stored.
void FinishLine(const TMsgRec& record, TLineFate fate)
{
    switch (fate) {
    case TLineFate::Stored:
        if (TClientDataSet* dataSet = record.DataSet.data(); dataSet && dataSet->Active())
            ApplyToDataSet(*dataSet, record);
        break;
    case TLineFate::ShopGone:
        StopMonitorOfLine(record);
        break;
    case TLineFate::NotStoredYet:
        SayNotStoredYet(record);
        break;
    case TLineFate::StoredAlready:
    case TLineFate::Refused:
        break;
    }
}

// A trade line's record on its own: stored, or its refusal dealt with.
void ApplyTradeLine(std::unique_ptr<TMsgRec> record)
{
    if (!record->DataSet)
        return;
    // While the database is away, every try would wait for a connection.
    if (KivDM && KivDM->DatabaseLost()) {
        MarkOutGap(record->LineShopCode, record->LineDate);
        return;
    }
    TLineFate fate;
    try {
        fate = StoreLine(*record, [](const TMsgRec& line) { return InsertLineInTurn(line); });
    } catch (const EDatabaseConnectionLost&) {
        MarkOutGap(record->LineShopCode, record->LineDate);
        return;
    } catch (const EDatabaseConflict&) {
        fate = TLineFate::NotStoredYet;
    }
    FinishLine(*record, fate);
}

// Trade lines queued together are stored in one transaction of the
// helpers' connection: with the database's forced writes every commit
// waits for the disk, and a rush of orders waits once per batch rather
// than once per line. A batch holds its lines' SKUs from another seat
// until it commits, so it is kept short.
constexpr size_t LineBatchSize = 50;

// The batch's transaction; taken back unless committed. Not a
// TKivTransaction: lines are applied while a sync's transaction is open (it
// lets events run between items), and inside it the lines would be kept
// only if the sync's work is. Nothing else runs on the helpers' connection
// meanwhile: no event is handled while a batch is stored.
class TLineBatch {
public:
    explicit TLineBatch(TSQLConnection& connection) : FConnection(connection), FDatabase(connection.Database())
    {
        FOpen = FDatabase.transaction();
        FAttachment = FConnection.Attachments();
    }
    ~TLineBatch()
    {
        if (FOpen && FConnection.Connected() && FConnection.Attachments() == FAttachment && !FDatabase.rollback())
            FConnection.Close(); // the engine takes the work back with the attachment
    }
    TLineBatch(const TLineBatch&) = delete;
    TLineBatch& operator=(const TLineBatch&) = delete;

    // Whether the transaction began (the connection may hold one already):
    // if not, the lines are stored one by one.
    bool Open() const { return FOpen; }

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
    bool FOpen = false;
};

using TLineRecords = std::deque<std::unique_ptr<TMsgRec>>;

// Stores the lines from the front of lines in one batch, and deals with
// their fates once it has ended. A line that another seat held ends the
// batch early, and is stored on its own after it (it then meets the other
// seat's change).
void StoreLineBatch(TLineRecords& lines)
{
    // The program's newer tables are made outside the batch.
    KivDM->EnsureSchema();
    TLineBatch batch(*KivDM->KivConn);
    if (!batch.Open()) {
        while (!lines.empty()) {
            ApplyTradeLine(std::move(lines.front()));
            lines.pop_front();
        }
        return;
    }
    std::vector<std::pair<std::unique_ptr<TMsgRec>, TLineFate>> stored;
    std::unique_ptr<TMsgRec> held;
    try {
        // A line leaves the queue once its insert has run.
        while (!lines.empty() && !held) {
            std::unique_ptr<TMsgRec>& record = lines.front();
            if (record->DataSet) {
                try {
                    const TLineFate fate = StoreLine(*record, [](const TMsgRec& line) { return InsertLine(line); });
                    stored.emplace_back(std::move(record), fate);
                } catch (const EDatabaseConflict&) {
                    held = std::move(record);
                }
            }
            lines.pop_front();
        }
        batch.Commit();
    } catch (const EDatabaseConnectionLost&) {
        // Nothing of the batch is stored, nor can the lines behind it be:
        // a catch-up brings every one.
        const auto markGap = [](const TMsgRec& record) {
            if (record.DataSet)
                MarkOutGap(record.LineShopCode, record.LineDate);
        };
        for (const auto& [record, fate] : stored)
            markGap(*record);
        if (held)
            markGap(*held);
        for (const auto& record : lines)
            markGap(*record);
        lines.clear();
        return;
    } catch (const EDatabaseError&) {
        // The commit failed: what it held was not stored this time.
        for (auto& [record, fate] : stored)
            if (fate == TLineFate::Stored)
                fate = TLineFate::NotStoredYet;
    }
    for (const auto& [record, fate] : stored)
        FinishLine(*record, fate);
    if (held)
        ApplyTradeLine(std::move(held));
}

void StoreTradeLines(TLineRecords lines)
{
    while (!lines.empty()) {
        // While the database is away, every try would wait for a connection.
        if (!KivDM || KivDM->DatabaseLost()) {
            for (const auto& record : lines)
                if (record->DataSet)
                    MarkOutGap(record->LineShopCode, record->LineDate);
            return;
        }
        StoreLineBatch(lines);
    }
}

} // namespace

void ApplyMsgRec(std::unique_ptr<TMsgRec> record)
{
    TClientDataSet* dataSet = record->DataSet.data();
    if (!dataSet || InsertLine(*record) != TLineFate::Stored)
        return;
    if (dataSet->Active())
        ApplyToDataSet(*dataSet, *record);
}

void ProcessMsgQueueWhenIdle()
{
    using Clock = std::chrono::steady_clock;
    static std::optional<Clock::time_point> waitingSince;
    {
        const std::lock_guard lock(EventQueueLock);
        if (EventQueue.empty()) {
            waitingSince.reset();
            return;
        }
        if (EventQueue.size() < LineBatchSize && TKivStreamThread::AnyFetchPending()) {
            const Clock::time_point now = Clock::now();
            if (!waitingSince)
                waitingSince = now;
            const auto left = std::chrono::milliseconds(LineBatchWaitMs) - (now - *waitingSince);
            if (left > Clock::duration::zero()) {
                // The fetch's reply ends the wait too; this wakes the event
                // loop when none comes.
                QTimer::singleShot(std::chrono::ceil<std::chrono::milliseconds>(left), QCoreApplication::instance(), [] {});
                return;
            }
        }
    }
    waitingSince.reset();
    ProcessMsgQueue();
}

void ProcessMsgQueue()
{
    for (;;) {
        // The trade lines at the queue's front, up to a batch, or else the
        // record there: records are applied in the order they came.
        TLineRecords lines;
        std::unique_ptr<TMsgRec> other;
        {
            const std::lock_guard lock(EventQueueLock);
            while (!EventQueue.empty() && lines.size() < LineBatchSize && !EventQueue.front()->LineShopCode.isEmpty()) {
                lines.push_back(std::move(EventQueue.front()));
                EventQueue.pop_front();
            }
            if (lines.empty()) {
                if (EventQueue.empty())
                    return;
                other = std::move(EventQueue.front());
                EventQueue.pop_front();
            }
        }
        if (other)
            ApplyMsgRec(std::move(other));
        else
            StoreTradeLines(std::move(lines));
    }
}
