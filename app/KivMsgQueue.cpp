#include "app/KivMsgQueue.h"

#include "client/KivDataM.h"
#include "client/KivEvents.h"
#include "platform/Exceptions.h"
#include "platform/SqlText.h"
#include "platform/StringList.h"
#include "platform/db/ClientDataSet.h"

#include <QListWidget>
#include <set>

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

void AdjustFields(TClientDataSet& dataSet, const TMsgRec& record)
{
    const double amount = Variant(record.Amount).AsFloat();
    for (QString name : SplitDelimitedText(record.UpdateFields, u',')) {
        double sign = 1;
        if (name.startsWith(u'+') || name.startsWith(u'-')) {
            sign = name.startsWith(u'-') ? -1 : 1;
            name.remove(0, 1);
        }
        dataSet.SetOptionalParam(u"SYS_LocateFieldName"_qs, Variant(name));
        WithWritableField(*dataSet.FieldByName(name),
                          [&](TField& field) { field.SetAsFloat(field.AsFloat() + amount * sign); });
        if (record.LogBox)
            LogStockChange(record.LogBox, &dataSet, record.TimeText, name, record.Amount);
    }
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
    dataSet.Edit();
    try {
        AdjustFields(dataSet, record);
        if (!record.SetField.isEmpty())
            WithWritableField(*dataSet.FieldByName(record.SetField),
                              [&](TField& field) { field.SetAsString(record.SetFieldValue); });
        dataSet.Post();
    } catch (...) {
        dataSet.Cancel();
        throw;
    }
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

QString TradeLineText(const TMsgRec& record)
{
    return u"交易"_qs + record.LineTid + u"的订单行"_qs + record.LineOid;
}

// What the seller reads of why a line's values do not fit.
QString RefusalText(const QString& databaseText)
{
    if (databaseText.contains(u"string right truncation"_qs))
        return u"文字超出字段长度"_qs;
    if (databaseText.contains(u"out of range"_qs) || databaseText.contains(u"numeric overflow"_qs))
        return u"数值超出范围"_qs;
    if (databaseText.contains(u"conversion error"_qs))
        return u"数值格式不对"_qs;
    return databaseText;
}

// A line that can never be stored is said once in this run, whichever
// road (the stream, a catch-up) brings it again.
void SayUnstorable(const TMsgRec& record, const EDatabaseValueError& error)
{
    static std::set<QString> said;
    const QString line = record.LineOid.isEmpty() ? record.InsertValues : record.LineTid + u'|' + record.LineOid;
    if (!said.insert(record.LineShopCode + u'|' + line).second)
        return;
    LogLine(record.LogBox, TradeLineText(record) + u"无法保存："_qs + RefusalText(error.Message()) + u"，已略过"_qs);
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
    try {
        if (!InsertLine(*record))
            return;
    } catch (const EDatabaseConnectionLost&) {
        MarkOutGap(record->LineShopCode, record->LineDate);
        return;
    } catch (const EDatabaseValueError& error) {
        SayUnstorable(*record, error);
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
