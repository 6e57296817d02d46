#include "client/KivEvents.h"

#include "client/KivColumns.h"
#include "client/KivDataM.h"
#include "platform/SqlText.h"
#include "platform/StringList.h"
#include "platform/db/ClientDataSet.h"

#include <QListWidget>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr int LogBoxLineLimit = 200;

// The "name=value" lines of one row: the values are SQL text already.
using TRowLines = std::vector<std::pair<QString, QString>>;

// The value of the first line of that name (names compare as the string
// list's Values do: without regard to case); empty when there is none.
QString LineValue(const TRowLines& lines, const QString& name)
{
    for (const auto& [lineName, value] : lines)
        if (lineName.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return QString();
}

// The value of the named column in the row, or none.
const TJsonValue* ColumnValue(const TJsonColumns& columns, const QString& name, int row)
{
    for (const TJsonValueList& column : columns)
        if (column.FieldName.compare(name, Qt::CaseInsensitive) == 0)
            return &column[row];
    return nullptr;
}

// The columns a text takes in the log's font of one width: one for an
// ASCII character and two for any other, which is also what the text's
// bytes count in the system's Chinese code page.
int LogColumns(const QString& text)
{
    int columns = 0;
    for (const QChar c : text)
        columns += c.unicode() < 0x80 ? 1 : 2;
    return columns;
}

// The text padded with blanks to the width in columns, so that the log's
// columns line up whatever script a title is in.
QString Padded(const QString& text, int width, bool left)
{
    const QString blanks(std::max(0, width - LogColumns(text)), u' ');
    return left ? text + blanks : blanks + text;
}

QString StockFieldLabel(const QString& field)
{
    static const std::pair<const char16_t*, const char16_t*> labels[] = {
        {u"QtyBack", u"退货"}, {u"QtyOut", u"已拍"},  {u"QtyPay", u"已付"},
        {u"QtySend", u"已发"}, {u"QtyOver", u"完成"}, {u"QtyStock", u"入库"},
    };
    for (const auto& [name, label] : labels)
        if (field == QStringView(name))
            return QString::fromUtf16(label);
    return QString();
}

} // namespace

int QueueTradeEvents(const QString& table, const TJsonColumns& keys, const TJsonColumns& data, const QStringList& extraLines,
                     TClientDataSet* dataSet, QListWidget* logBox, const QString& eventStatus, const QString& status,
                     const QString& locateFields, const QString& returnField, const QString& updateFields,
                     const QString& shopCode, const QStringList& sameLineEvents)
{
    if (keys.empty())
        return 0;
    const QStringList keyNames = SplitDelimitedText(locateFields, u';');
    const int rows = keys.front().Count();
    // A short or long column would pair values with the wrong order line.
    if (!ColumnsLineUp(keys, data, rows))
        return 0;

    int queued = 0;
    for (int r = 0; r < rows; ++r) {
        TRowLines lines;
        bool keyMissing = false;
        for (const TJsonValueList& key : keys) {
            keyMissing = keyMissing || key[r].Missing;
            lines.emplace_back(key.FieldName, SqlValue(key[r]));
        }
        // A record whose key holds null could never locate its row, and its
        // trade line would be booked against no SKU: nothing is queued.
        if (keyMissing)
            continue;
        for (const TJsonValueList& column : data)
            lines.emplace_back(column.FieldName, SqlValue(column[r]));
        for (const QString& line : extraLines) {
            const qsizetype eq = line.indexOf(u'=');
            lines.emplace_back(eq < 0 ? line : line.left(eq), eq < 0 ? QString() : line.mid(eq + 1));
        }
        if (LineValue(lines, QStringLiteral("TradeEvent")) != eventStatus || LineValue(lines, QStringLiteral("Status")) != status)
            continue;

        auto record = std::make_unique<TMsgRec>();
        QStringList columns;
        QStringList values;
        for (const auto& [name, value] : lines) {
            columns << QuotedName(name);
            values << value;
        }
        for (const QString& name : keyNames)
            record->KeyValues.emplace_back(LineValue(lines, name));
        const QString eventDate = LineValue(lines, QStringLiteral("EventDate"));
        record->TimeText = eventDate.size() >= 2 ? eventDate.mid(1, eventDate.size() - 2) : QString();
        record->KeyNames = locateFields;
        record->UpdateFields = updateFields;
        record->Amount = LineValue(lines, returnField);
        record->InsertTable = table;
        record->InsertColumns = columns.join(u',');
        record->InsertValues = values.join(u',');
        record->LineShopCode = shopCode;
        // The record is missing from when the trade changed, whenever it was made.
        if (DateTimeOf(record->TimeText).isValid())
            record->LineDate = record->TimeText;
        else if (const TJsonValue* date = ColumnValue(data, QStringLiteral("Date"), r); date && !date->Missing)
            record->LineDate = date->Text;
        record->LineTid = LineValue(lines, QStringLiteral("Tid"));
        record->LineOid = LineValue(lines, QStringLiteral("Oid"));
        record->LineQty = LineValue(lines, QStringLiteral("Qty"));
        const TJsonValue* oid = ColumnValue(data, QStringLiteral("Oid"), r);
        if (oid && !oid->Missing && IsSqlInteger(oid->Text) && !sameLineEvents.isEmpty())
            record->LineStoredSql = QStringLiteral("select 1 from ") + QuotedName(table) + QStringLiteral(" where \"ShopCode\" = ")
                                    + QuotedStr(shopCode) + QStringLiteral(" and \"Oid\" = ") + oid->Text
                                    + QStringLiteral(" and \"Status\" = ") + LineValue(lines, QStringLiteral("Status"))
                                    + QStringLiteral(" and \"TradeEvent\" in (") + sameLineEvents.join(u',') + u')';
        record->DataSet = dataSet;
        record->LogBox = logBox;
        {
            const std::lock_guard lock(EventQueueLock);
            EventQueue.push_back(std::move(record));
        }
        ++queued;
    }
    return queued;
}

void QueueTradeEventBatch(const TTradeEventBatch& batch)
{
    const TTradeEventTarget& target = batch.Target;
    QueueTradeEvents(batch.Table, batch.Keys, batch.Data, batch.ExtraLines, target.DataSet, target.LogBox, target.EventStatus,
                     target.Status, target.LocateFields, target.ReturnField, target.UpdateFields, target.ShopCode,
                     target.SameLineEvents);
}

void LogLine(QListWidget* logBox, const QString& text)
{
    if (!logBox)
        return;
    if (logBox->count() >= LogBoxLineLimit)
        logBox->clear();
    QString shown = CutToCharacters(text, LogLineLimit);
    if (shown.size() < text.size())
        shown += QStringLiteral("…");
    logBox->addItem(QString::number(logBox->count() + 1).rightJustified(3, u' ') + u'|' + shown);
    logBox->setCurrentRow(logBox->count() - 1);
}

void LogStockChange(QListWidget* logBox, const TClientDataSet* dataSet, const QString& timeText, const QString& field,
                    const QString& amount)
{
    const QString label = StockFieldLabel(field);
    if (label.isEmpty() || !logBox)
        return;
    QString title;
    QString property;
    if (dataSet) {
        title = dataSet->FieldByName(QStringLiteral("Title"))->AsString();
        property = dataSet->FieldByName(QStringLiteral("PropNameFormat"))->AsString();
    }
    LogLine(logBox, Padded(timeText, 20, true) + u'|' + Padded(title, 62, true) + u'|' + Padded(property, 60, true) + u'|' +
                        Padded(amount, 4, false) + QStringLiteral("件|") + Padded(label, 6, false));
}
