#include "app/KivMsgQueue.h"

#include "client/KivDataM.h"
#include "client/KivEvents.h"
#include "platform/Exceptions.h"
#include "platform/SqlText.h"
#include "platform/StringList.h"
#include "platform/db/ClientDataSet.h"

#include <QListWidget>

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

} // namespace

void ApplyMsgRec(std::unique_ptr<TMsgRec> record)
{
    TClientDataSet* dataSet = record->DataSet.data();
    if (!dataSet)
        return;
    if (!record->InsertTable.isEmpty()) {
        const QString insert = u"insert into "_qs + QuotedName(record->InsertTable) + u'(' + record->InsertColumns + u')';
        // A line stored already is not inserted again, in the same statement
        // that tests for it; its figures do not change either.
        if (record->LineStoredSql.isEmpty())
            ExecSql(insert + u" values("_qs + record->InsertValues + u')');
        else if (ExecSql(insert + u" select "_qs + record->InsertValues + u" from rdb$database where not exists("_qs
                         + record->LineStoredSql + u')')
                 == 0)
            return;
    }
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
        const bool tradeLine = !record->LineShopCode.isEmpty() && record->DataSet;
        // While the database is away, every try would wait for a connection.
        if (tradeLine && KivDM && KivDM->DatabaseLost()) {
            MarkOutGap(record->LineShopCode, record->LineDate);
            continue;
        }
        const QString shopCode = record->LineShopCode;
        const QString date = record->LineDate;
        try {
            ApplyMsgRec(std::move(record));
        } catch (const EDatabaseConnectionLost&) {
            if (!tradeLine)
                throw;
            MarkOutGap(shopCode, date);
        }
    }
}
