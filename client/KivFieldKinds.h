#pragma once
// The fields of the rows the program's statements make, by name and kind,
// for what the administrator names in the settings: the items window's
// figures (both modes), the stock-in list, and the trade line an update
// record is made from (its "KivItemOut" columns as the trade mapping
// renders them, with the lines the stream and the catch-up add). The
// monitor rules' check and the layout editor read them here, before any
// window is open; the windows' tests hold these lists to the rows the
// statements really make.

#include <QString>
#include <QStringList>
#include <vector>

enum class TNamedFieldKind {
    Text,
    // A number that names something (a SKU, an item, an order line): a
    // row is found by it, nothing is counted in it.
    Id,
    // A number of pieces: what an update record adds to or takes from.
    Quantity,
};

struct TNamedField {
    QString Name;
    TNamedFieldKind Kind;
};

using TFieldList = std::vector<TNamedField>;

// The items window's row: "SYS_KivItem" (sync) and "SYS_KivMonitor" (monitor).
const TFieldList& FigureFields();
// The stock-in dialog's list of SKUs ("SYS_Barcode").
const TFieldList& StockInListFields();
// One order line of a trade, as an update record takes its values by name.
const TFieldList& TradeLineFields();

// The fields of a window's layout key; null for a key that is no window's
// (a table's).
const TFieldList* WindowLayoutFields(const QString& layoutKey);

// The field of that name (compared without regard to case, as the datasets
// find fields); null when the list has none.
const TNamedField* FindNamedField(const TFieldList& fields, const QString& name);
// The names of the fields of a kind, in the list's order.
QStringList NamesOfKind(const TFieldList& fields, TNamedFieldKind kind);
