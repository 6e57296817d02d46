#include "client/KivValueCheck.h"

#include "client/KivDataM.h"
#include "client/KivFieldKinds.h"
#include "platform/StringList.h"
#include "platform/db/DataSet.h"
#include "platform/db/DbTypes.h"

#include <QDateTime>
#include <algorithm>

namespace {

// A row of the monitor window is one SKU: its id is among the locate fields.
const QString RowKey = QStringLiteral("SkuID");

QString Quote(const QString& text)
{
    return u'“' + text + u'”';
}

bool IsKind(const TFieldList& fields, const QString& name, TNamedFieldKind kind)
{
    const TNamedField* field = FindNamedField(fields, name);
    return field && field->Kind == kind;
}

// A key value is taken from the trade line's field and looked for in the
// window's field of the same name: both hold that id.
bool IsLocateField(const QString& name)
{
    return IsKind(FigureFields(), name, TNamedFieldKind::Id) && IsKind(TradeLineFields(), name, TNamedFieldKind::Id);
}

QString LocateProblem(const QString& locate, const QString& caption)
{
    QStringList ids;
    for (const TNamedField& field : FigureFields())
        if (IsLocateField(field.Name))
            ids << field.Name;
    const QString hint = QStringLiteral("请填") + RowKey + QStringLiteral("或") + ids.join(u';') + u'！';
    // The producer takes a key value per name as delimited text splits
    // them; the consumer locates by the names between the semicolons.
    const QStringList names = SplitDelimitedText(locate, u';');
    if (names.isEmpty())
        return caption + QStringLiteral("不能为空，") + hint;
    const bool usable = names == SplitFieldNames(locate) && names.contains(RowKey, Qt::CaseInsensitive)
                        && std::all_of(names.begin(), names.end(), IsLocateField);
    if (usable)
        return QString();
    return caption + Quote(locate) + QStringLiteral("找不到监控窗口中的商品行，") + hint;
}

QString ReturnProblem(const QString& returnField, const QString& caption)
{
    const QString hint = QStringLiteral("请填") + NamesOfKind(TradeLineFields(), TNamedFieldKind::Quantity).join(u'、') + u'！';
    if (returnField.isEmpty())
        return caption + QStringLiteral("不能为空，") + hint;
    if (IsKind(TradeLineFields(), returnField, TNamedFieldKind::Quantity))
        return QString();
    return caption + Quote(returnField) + QStringLiteral("不是交易行的数量字段，") + hint;
}

// Every field of the list gets the amount added (or taken, with '-').
QString UpdateProblem(const QString& fields, const QString& caption, bool required)
{
    const QString hint = QStringLiteral("请填") + NamesOfKind(FigureFields(), TNamedFieldKind::Quantity).join(u'、')
                         + QStringLiteral("（前面可加+或-，以逗号分隔）！");
    const QStringList items = SplitDelimitedText(fields, u',');
    if (items.isEmpty())
        return required ? caption + QStringLiteral("不能为空，") + hint : QString();
    for (const QString& item : items) {
        const bool hasSign = item.startsWith(u'+') || item.startsWith(u'-');
        if (!IsKind(FigureFields(), hasSign ? item.mid(1) : item, TNamedFieldKind::Quantity))
            return caption + QStringLiteral("中的") + Quote(item) + QStringLiteral("不是监控窗口的数量字段，") + hint;
    }
    return QString();
}

} // namespace

TRuleFields RuleFieldsOf(const TDataSet& rules)
{
    const auto text = [&](const char16_t* name) { return rules.FieldByName(QString::fromUtf16(name))->AsString(); };
    return {text(u"LocateFields"), text(u"ReturnField"), text(u"UpdateField"), text(u"OtherUpdateFields")};
}

QString RuleTitleOf(const TDataSet& rules)
{
    QStringList parts;
    for (const char16_t* name : {u"MsgType", u"TradeEvent", u"Status"})
        parts << rules.FieldByName(QString::fromUtf16(name))->AsString();
    return Quote(parts.join(u' '));
}

QString StockRuleCaption(const QString& column)
{
    static const std::pair<const char16_t*, const char16_t*> captions[] = {
        {u"LocateFields", u"定位字段"}, {u"ReturnField", u"返回字段"}, {u"UpdateField", u"更新字段"}, {u"OtherUpdateFields", u"其他更新字段"}};
    for (const auto& [name, caption] : captions)
        if (column == QStringView(name))
            return u'[' + QString::fromUtf16(caption) + u']';
    return u'[' + column + u']';
}

QString RuleFieldsProblem(const TRuleFields& rule, const TCaptionOf& captionOf)
{
    const QString update = captionOf(QStringLiteral("UpdateField"));
    const QString other = captionOf(QStringLiteral("OtherUpdateFields"));
    QString problem = LocateProblem(rule.LocateFields, captionOf(QStringLiteral("LocateFields")));
    if (problem.isEmpty())
        problem = ReturnProblem(rule.ReturnField, captionOf(QStringLiteral("ReturnField")));
    if (problem.isEmpty())
        problem = UpdateProblem(rule.UpdateField, update, true);
    if (problem.isEmpty())
        problem = UpdateProblem(rule.OtherUpdateFields, other, false);
    // The two are applied as one list (a quote left open in one runs on
    // into the other).
    if (problem.isEmpty() && !rule.OtherUpdateFields.isEmpty())
        problem = UpdateProblem(rule.UpdateField + u',' + rule.OtherUpdateFields, update + QStringLiteral("与") + other, true);
    return problem;
}

bool IsSyncTime(const QString& text)
{
    const QDateTime moment = PlatformMoment(text);
    return moment.isValid() && PlatformText(moment) == text;
}

QString SyncTimeProblem(const QString& caption, const QString& value)
{
    if (value.isEmpty() || IsSyncTime(value))
        return QString();
    return caption + Quote(value) + QStringLiteral("不是时间，请按yyyy-mm-dd hh:nn:ss填写（如2024-06-01 12:00:00），或清空！");
}

QString ShopSyncTimeProblem(const TTreeNodeShop& shop)
{
    if (shop.SyncDate.isEmpty() || IsSyncTime(shop.SyncDate))
        return QString();
    return QStringLiteral("店铺") + Quote(shop.Name.isEmpty() ? shop.Code : shop.Name) + QStringLiteral("的[同步时间]") + Quote(shop.SyncDate)
           + QStringLiteral("不是时间，无法统计数量。请管理员在“设置店铺”中改正或清空！");
}
