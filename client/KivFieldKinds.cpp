#include "client/KivFieldKinds.h"

#include <algorithm>

namespace {

TNamedField Text(const char16_t* name)
{
    return {QString::fromUtf16(name), TNamedFieldKind::Text};
}

TNamedField Id(const char16_t* name)
{
    return {QString::fromUtf16(name), TNamedFieldKind::Id};
}

TNamedField Quantity(const char16_t* name)
{
    return {QString::fromUtf16(name), TNamedFieldKind::Quantity};
}

} // namespace

const TFieldList& FigureFields()
{
    static const TFieldList fields = {
        Text(u"ShopName"), Text(u"Barcode"), Text(u"Title"), Text(u"PropNameFormat"),
        Quantity(u"Qty"), Quantity(u"QtyOut"), Quantity(u"QtyPay"), Quantity(u"QtySend"),
        Quantity(u"QtyOver"), Quantity(u"QtyBack"), Quantity(u"QtyStock"), Id(u"SkuID"),
        Id(u"NumIID"), Quantity(u"QtyBalance"), Quantity(u"QtyOrder"),
    };
    return fields;
}

const TFieldList& StockInListFields()
{
    // "Selected" is the tick, a number 1 or 0.
    static const TFieldList fields = {
        Quantity(u"Selected"), Id(u"SkuID"), Id(u"NumIID"), Text(u"PropNameFormat"), Text(u"Title"),
        Text(u"Barcode"), Text(u"ShopCode"), Text(u"ShopName"), Quantity(u"Qty"),
    };
    return fields;
}

const TFieldList& TradeLineFields()
{
    // The platform sends prices and the trade's time as texts, and the
    // mapping keeps them so: only the ids and the quantity are numbers.
    static const TFieldList fields = {
        Id(u"SkuID"), Id(u"NumIID"), Text(u"Date"), Id(u"Oid"), Text(u"Price"), Quantity(u"Qty"),
        Text(u"Amount"), Text(u"Status"), Text(u"ShopCode"), Text(u"EventDate"), Text(u"TradeEvent"), Id(u"Tid"),
    };
    return fields;
}

const TFieldList* WindowLayoutFields(const QString& layoutKey)
{
    const auto is = [&](const char16_t* key) { return layoutKey.compare(QString::fromUtf16(key), Qt::CaseInsensitive) == 0; };
    if (is(u"SYS_KivItem") || is(u"SYS_KivMonitor"))
        return &FigureFields();
    if (is(u"SYS_Barcode"))
        return &StockInListFields();
    return nullptr;
}

const TNamedField* FindNamedField(const TFieldList& fields, const QString& name)
{
    const auto found = std::find_if(fields.begin(), fields.end(),
                                    [&](const TNamedField& field) { return field.Name.compare(name, Qt::CaseInsensitive) == 0; });
    return found == fields.end() ? nullptr : &*found;
}

QStringList NamesOfKind(const TFieldList& fields, TNamedFieldKind kind)
{
    QStringList names;
    for (const TNamedField& field : fields)
        if (field.Kind == kind)
            names << field.Name;
    return names;
}
