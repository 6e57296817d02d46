#include "client/KivMapping.h"

#include "client/KivColumns.h"
#include "client/KivDataM.h"
#include "client/KivQuery.h"
#include "platform/SqlText.h"
#include "platform/StringList.h"
#include "platform/db/ClientDataSet.h"

#include <algorithm>
#include <cmath>

TTradeEventProducer TradeEventProducer;

namespace {

// --- Reading the value tree -------------------------------------------------

const TqvJSONbase* Member(const TqvJSONbase& object, const QString& name)
{
    const auto* members = qvJSONcast<TqvJSONobject>(&object);
    return members ? members->Field(name) : nullptr;
}

TJsonValue ValueOf(const TqvJSONbase* member)
{
    if (!member)
        return TJsonValue::Absent();
    const TqvJSONkind kind = member->ValueKind();
    if (const auto* number = qvJSONcast<TqvJSONnumber>(member))
        return {kind, number->LiteralText(), false};
    if (const auto* string = qvJSONcast<TqvJSONstring>(member))
        return {kind, string->Value(), false};
    if (const auto* boolean = qvJSONcast<TqvJSONboolean>(member))
        return {kind, boolean->Value() ? QStringLiteral("true") : QStringLiteral("false"), false};
    // null, a list or an object: the empty text, which is not SQL null.
    return {kind, QString(), false};
}

// --- Paths ---------------------------------------------------------------------

// The member named by the head of a path; a missing one abandons the reply.
const TqvJSONbase& Step(const TqvJSONbase& object, const QString& head)
{
    const TqvJSONbase* member = Member(object, head);
    if (!member)
        throw EJsonPathError(QStringLiteral("The reply has no member \"%1\"").arg(head));
    return *member;
}

// Runs walk on the member itself, or on each element when it is a list
// (whose elements must be objects); other kinds lead nowhere.
template <typename Walk>
void Descend(const TqvJSONbase& member, const Walk& walk)
{
    const TqvJSONkind kind = member.ValueKind();
    if (kind == jsObject) {
        walk(member);
    } else if (kind == jsList) {
        for (int i = 0; i < member.GetCount(); ++i) {
            const TqvJSONbase* element = member.GetChild(i);
            if (!element || element->ValueKind() != jsObject)
                throw EJsonPathError(QStringLiteral("A list of the reply holds something other than objects"));
            walk(*element);
        }
    }
}

// "path=Column": the path, and the column (empty without "=").
std::pair<QString, QString> SplitMapItem(const QString& item)
{
    const qsizetype eq = item.indexOf(u'=');
    if (eq < 0)
        return {item, QString()};
    return {item.left(eq), item.mid(eq + 1)};
}

// A JSON number that the database reads as a literal of the same value: its
// digits (without sign and point) fit 64 bits, or, with an exponent, it is a
// finite double. Anything longer would fail the whole statement.
bool IsSafeNumberLiteral(const QString& text)
{
    if (!IsSqlNumber(text))
        return false;
    const qsizetype exponent = text.indexOf(u'e', 0, Qt::CaseInsensitive);
    if (exponent >= 0) {
        bool ok = false;
        const double value = text.toDouble(&ok);
        const QString mantissa = text.left(exponent);
        const bool zeroMantissa = std::none_of(mantissa.begin(), mantissa.end(), [](QChar c) { return c >= u'1' && c <= u'9'; });
        return ok && std::isfinite(value) && (value != 0 || zeroMantissa);
    }
    QString digits = text;
    digits.remove(u'.').remove(u'-').remove(u'+');
    bool ok = false;
    digits.toLongLong(&ok);
    return ok;
}

// The index of the first rule condition whose items all stand among the row
// lines (an empty one holds for every row); -1 when none holds.
int MatchingRule(const QStringList& conditions, const QStringList& lines)
{
    for (qsizetype i = 0; i < conditions.size(); ++i) {
        const QStringList items = SplitCommaText(conditions[i]);
        if (std::all_of(items.begin(), items.end(), [&](const QString& item) { return lines.contains(item); }))
            return int(i);
    }
    return -1;
}

Variant LocateKey(const std::vector<Variant>& values)
{
    return values.size() == 1 ? values.front() : Variant(values);
}

// The located record grows by each action's amount, in one edit.
void ApplyRuleActions(TClientDataSet& dataSet, const std::vector<std::pair<QString, QString>>& actions,
                      const std::vector<Variant>& locateValues)
{
    dataSet.Edit();
    try {
        for (const auto& [field, amount] : actions) {
            bool ok = false;
            const double delta = amount.toDouble(&ok);
            if (!ok)
                throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(amount));
            dataSet.SetOptionalParam(QStringLiteral("SYS_LocateFieldName"), Variant(field));
            dataSet.SetOptionalParam(QStringLiteral("SkuID"), locateValues.empty() ? Variant::Null() : locateValues[0]);
            dataSet.SetOptionalParam(QStringLiteral("NumIID"), locateValues.size() < 2 ? Variant::Null() : locateValues[1]);
            TField* target = dataSet.FieldByName(field);
            target->SetAsFloat(target->AsFloat() + delta);
        }
        dataSet.Post();
    } catch (...) {
        dataSet.Cancel();
        throw;
    }
}

// The first member of the first path of a map ("item_get_response" of
// "item_get_response.item.skus.sku.sku_id=SkuID"): the method's reply member.
QString ReplyMember(const QString& map)
{
    const QStringList items = SplitCommaText(map);
    return items.isEmpty() ? QString() : SplitMapItem(items.first()).first.section(u'.', 0, 0);
}

// A text longer than its column is kept cut to it: the platform's titles and
// property texts have no limit of their own. A number is never cut (the
// database refuses one too long for its column instead), nor a missing value.
TJsonValue FittedToColumn(const TJsonValue& value, int length)
{
    if (length <= 0 || value.Missing || value.ValueType == jsNumber)
        return value;
    return {value.ValueType, CutToCharacters(value.Text, length), false};
}

// The character length of each column's text column in the table (0: none).
std::vector<int> TextLengths(const QString& table, const TJsonColumns& columns)
{
    std::vector<int> lengths;
    for (const TJsonValueList& column : columns)
        lengths.push_back(column.FieldName.isEmpty() ? 0 : TextColumnLength(table, column.FieldName));
    return lengths;
}

} // namespace

bool ColumnsLineUp(const TJsonColumns& keys, const TJsonColumns& data, int rows)
{
    for (const TJsonColumns* columns : {&keys, &data})
        for (const TJsonValueList& column : *columns)
            if (column.Count() != rows)
                return false;
    return true;
}

QString SqlValue(const TJsonValue& value)
{
    if (value.Missing)
        return QStringLiteral("null");
    // The literal digits are written bare only when they are a number the
    // database can read; a longer one goes quoted (a text column keeps it as
    // it is, a numeric column converts it or refuses the row).
    if (value.ValueType == jsNumber && IsSafeNumberLiteral(value.Text))
        return value.Text;
    return QuotedStr(value.Text);
}

void ExtractJsonPath(const TqvJSONbase& object, const QString& path, TJsonValueList& column)
{
    const qsizetype dot = path.indexOf(u'.');
    if (dot < 0) {
        column.Values.push_back(ValueOf(Member(object, path)));
        return;
    }
    const QString rest = path.mid(dot + 1);
    Descend(Step(object, path.left(dot)), [&](const TqvJSONbase& inner) { ExtractJsonPath(inner, rest, column); });
}

void ExtractJsonPathPair(const TqvJSONbase& object, const QString& rowPath, const QString& path, TJsonValueList& column,
                         std::optional<TJsonValue>& carried)
{
    // The column's own path follows the row path's branch level by level;
    // its last member is looked up where it stands.
    QString pathRest;
    if (!path.isEmpty()) {
        const qsizetype dot = path.indexOf(u'.');
        if (dot < 0)
            carried = ValueOf(Member(object, path));
        else
            pathRest = path.mid(dot + 1);
    }
    const qsizetype dot = rowPath.indexOf(u'.');
    if (dot < 0) {
        // A row is reached.
        column.Values.push_back(carried ? *carried : ValueOf(Member(object, rowPath)));
        return;
    }
    const QString rowRest = rowPath.mid(dot + 1);
    Descend(Step(object, rowPath.left(dot)),
            [&](const TqvJSONbase& inner) { ExtractJsonPathPair(inner, rowRest, pathRest, column, carried); });
}

TMappedReply MapTqlRows(const TqvJSONobject& root, const QString& keyMap, const QString& dataMap, bool simplePaths)
{
    const QStringList keyItems = SplitCommaText(keyMap);
    const QString rowPath = keyItems.isEmpty() ? QString() : SplitMapItem(keyItems.first()).first;
    const auto extract = [&](const QStringList& items) {
        TJsonColumns columns;
        for (const QString& item : items) {
            const auto [path, field] = SplitMapItem(item);
            TJsonValueList column;
            column.FieldName = field;
            if (simplePaths) {
                ExtractJsonPath(root, path, column);
            } else {
                std::optional<TJsonValue> carried;
                ExtractJsonPathPair(root, rowPath, path, column, carried);
            }
            columns.push_back(std::move(column));
        }
        return columns;
    };
    TMappedReply mapped;
    mapped.Keys = extract(keyItems);
    mapped.Data = extract(SplitCommaText(dataMap));
    return mapped;
}

int UpsertRows(const QString& table, const TJsonColumns& keys, const TJsonColumns& data, const QStringList& extraLines,
               TKivTransaction* transaction)
{
    if (keys.empty())
        return 0;
    const int rows = keys.front().Count();
    // Every column must line up with the rows before anything is written:
    // a short or long column would pair values with the wrong rows.
    if (!ColumnsLineUp(keys, data, rows))
        throw EJsonPathError(QStringLiteral("The columns of the reply do not line up with its rows"));
    const auto isEmpty = [&](const QString& sql) { return transaction ? transaction->OpenQuery(sql)->IsEmpty() : IsEmptyResult(sql); };
    const auto exec = [&](const QString& sql) { return transaction ? transaction->ExecSql(sql) : ExecSql(sql); };

    const QString quotedTable = QuotedName(table);
    const std::vector<int> keyLengths = TextLengths(table, keys);
    const std::vector<int> dataLengths = TextLengths(table, data);
    int written = 0;
    for (int r = 0; r < rows; ++r) {
        QStringList conditions;
        QStringList columnNames;
        QStringList columnValues;
        for (size_t k = 0; k < keys.size(); ++k) {
            const TJsonValue value = FittedToColumn(keys[k][r], keyLengths[k]);
            const QString name = QuotedName(keys[k].FieldName);
            conditions << (value.Missing ? name + QStringLiteral(" is null") : name + QStringLiteral(" = ") + SqlValue(value));
            columnNames << name;
            columnValues << SqlValue(value);
        }
        QStringList sets;
        for (size_t d = 0; d < data.size(); ++d)
            if (!data[d].FieldName.isEmpty())
                sets << QuotedName(data[d].FieldName) + QStringLiteral(" = ") + SqlValue(FittedToColumn(data[d][r], dataLengths[d]));
        QString where = conditions.join(QStringLiteral(" and "));
        for (const QString& line : extraLines) {
            const auto [name, value] = SplitMapItem(line);
            where += QStringLiteral(" and ") + name + u'=' + QuotedStr(value);
            columnNames << name;
            columnValues << QuotedStr(value);
        }
        if (isEmpty(QStringLiteral("select 1 from ") + quotedTable + QStringLiteral(" where ") + where))
            exec(QStringLiteral("insert into ") + quotedTable + u'(' + columnNames.join(u',') + QStringLiteral(") values(") +
                 columnValues.join(u',') + u')');
        if (!sets.isEmpty())
            exec(QStringLiteral("update ") + quotedTable + QStringLiteral(" set ") + sets.join(u',') + QStringLiteral(" where ") + where);
        ++written;
    }
    return written;
}

int ImportItemRows(const QString& table, const TJsonColumns& keys, const TJsonColumns& data, const QStringList& ruleActions,
                   const QStringList& ruleConditions, const QStringList& locateFields, TClientDataSet* dataSet,
                   const QStringList& extraLines)
{
    if (keys.empty())
        return 0;
    const int rows = keys.front().Count();
    if (!ColumnsLineUp(keys, data, rows))
        throw EJsonPathError(QStringLiteral("The columns of the reply do not line up with its rows"));
    int written = 0;
    for (int r = 0; r < rows; ++r) {
        // The row lines, "Name=value" with the value rendered for SQL, and
        // beside them the values to locate by: a column's own text (null when
        // missing), an extra line's value as it stands.
        QStringList lines;
        std::vector<Variant> plain;
        for (const TJsonColumns* columns : {&keys, &data}) {
            for (const TJsonValueList& column : *columns) {
                const TJsonValue& value = column[r];
                lines << column.FieldName + u'=' + SqlValue(value);
                plain.push_back(value.Missing ? Variant::Null() : Variant(value.Text));
            }
        }
        for (const QString& line : extraLines) {
            lines << line;
            plain.push_back(Variant(SplitMapItem(line).second));
        }
        const int rule = MatchingRule(ruleConditions, lines);
        if (rule < 0)
            continue;

        QStringList columnNames;
        QStringList columnValues;
        QStringList locateNames;
        std::vector<Variant> locateValues;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const auto [name, value] = SplitMapItem(lines[i]);
            columnNames << QuotedName(name);
            columnValues << value;
            if (locateFields.contains(name)) {
                locateNames << name;
                locateValues.push_back(plain[size_t(i)]);
            }
        }
        // Each action item: the field to grow and the amount, the row's value of its source.
        std::vector<std::pair<QString, QString>> actions;
        for (const QString& item : SplitCommaText(ruleActions.value(rule))) {
            const auto [field, source] = SplitMapItem(item);
            QString amount;
            for (const QString& line : lines)
                if (const auto [name, value] = SplitMapItem(line); name == source) {
                    amount = value;
                    break;
                }
            actions.emplace_back(field, amount);
        }

        ExecSql(QStringLiteral("insert into ") + QuotedName(table) + u'(' + columnNames.join(u',') + QStringLiteral(") values(")
                + columnValues.join(u',') + u')');
        ++written;
        if (dataSet && !locateNames.isEmpty() && dataSet->Locate(locateNames.join(u';'), LocateKey(locateValues)))
            ApplyRuleActions(*dataSet, actions, locateValues);
    }
    return written;
}

std::optional<TMappedReply> FetchTqlRows(const QString& method, const QString& fields, const QString& values, const QString& whereTemplate,
                                         const QString& whereValues, const QString& keyMap, const QString& dataMap, bool simplePaths,
                                         const TTreeNodeShop& shop)
{
    const TTqlReply reply = QueryTql(method, fields, values, whereTemplate, whereValues, shop);
    if (!reply.Answered)
        return std::nullopt;
    const auto* object = qvJSONcast<TqvJSONobject>(reply.Root.get());
    // The platform names an error under a reply member of its own.
    if (!object || !object->Field(ReplyMember(keyMap.isEmpty() ? dataMap : keyMap)))
        return std::nullopt;
    try {
        return MapTqlRows(*object, keyMap, dataMap, simplePaths);
    } catch (const EJsonPathError&) {
        // The method's reply without the rows' members: it holds no rows.
        return TMappedReply{};
    }
}

int TqlToRows(const QString& method, const QString& fields, const QString& values, const QString& whereTemplate,
              const QString& whereValues, const QString& keyMap, const QString& dataMap, const QString& table,
              bool simplePaths, bool upsert, const QStringList& extraLines, const TTreeNodeShop& shop,
              const QStringList& ruleActions, const QStringList& ruleConditions, const QStringList& locateFields,
              TClientDataSet* dataSet)
{
    if ((keyMap.isEmpty() && dataMap.isEmpty()) || table.isEmpty()) {
        // Asked all the same, as the query always goes out first.
        BuildAndSendTql(method, fields, values, whereTemplate, whereValues, shop);
        return 0;
    }
    const std::optional<TMappedReply> mapped =
        FetchTqlRows(method, fields, values, whereTemplate, whereValues, keyMap, dataMap, simplePaths, shop);
    if (!mapped)
        return 0;
    try {
        return upsert ? UpsertRows(table, mapped->Keys, mapped->Data, extraLines)
                      : ImportItemRows(table, mapped->Keys, mapped->Data, ruleActions, ruleConditions, locateFields, dataSet, extraLines);
    } catch (const std::exception&) {
        // What was written stays, nothing more is written.
        return 0;
    }
}

bool TqlToEvents(const QString& method, const QString& fields, const QString& values, const QString& whereTemplate,
                 const QString& whereValues, const QString& keyMap, const QString& dataMap, const QString& table,
                 const QStringList& extraLines, const TTreeNodeShop& shop, const TTradeEventTarget& target)
{
    return MapTradeEvents(QueryTql(method, fields, values, whereTemplate, whereValues, shop), keyMap, dataMap, table, extraLines, target);
}

bool MapTradeEvents(const TTqlReply& reply, const QString& keyMap, const QString& dataMap, const QString& table,
                    const QStringList& extraLines, const TTradeEventTarget& target)
{
    if (!reply.Answered)
        return false;
    if ((keyMap.isEmpty() && dataMap.isEmpty()) || table.isEmpty() || !TradeEventProducer)
        return true;
    const auto* object = qvJSONcast<TqvJSONobject>(reply.Root.get());
    // The platform names an error under a reply member of its own.
    if (!object || !object->Field(ReplyMember(keyMap.isEmpty() ? dataMap : keyMap)))
        return false;
    try {
        const TMappedReply mapped = MapTqlRows(*object, keyMap, dataMap, false);
        TradeEventProducer(TTradeEventBatch{table, mapped.Keys, mapped.Data, extraLines, target});
    } catch (const std::exception&) {
        // The method's reply without the rows' members, or one they cannot
        // be read from: as for TqlToRows, the trade yields nothing.
    }
    return true;
}
