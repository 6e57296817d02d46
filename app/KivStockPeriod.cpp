#include "app/KivStockPeriod.h"

#include "app/KivFigureRange.h"
#include "client/KivDataM.h"
#include "platform/SqlText.h"
#include "platform/db/SqlQuery.h"

#include <algorithm>

namespace {

// The paid lines of the SKU (alias k) dated from a moment on.
QString PaidSince(const QString& moment)
{
    return QStringLiteral("(select coalesce(sum(o.\"Qty\"), 0) from \"KivItemOut\" o where o.\"SkuID\" = k.\"SkuID\" and o.\"NumIID\" = k.\"NumIID\" "
                          "and o.\"Date\" >= ")
           + QuotedStr(moment) + QStringLiteral(" and ") + TradeFigureCondition(PaidFigure, QStringLiteral("o")) + u')';
}

// Every SKU with stock in the old period or a snapshot of the shop ("OfShop"
// 1), with its sums, its stock, and for the shop's SKUs the paid lines the
// old and the new figures count. The paid lines are read by date through
// the SKU's index: only those since the shop's last sync.
QString CarrySql(const TStockRollOver& roll, const QString& oldTime)
{
    QString sums;
    for (int f = 0; f < TradeFigureCount; ++f)
        for (const char* side : {"Up", "Down"}) {
            const QString column = QuotedName(QLatin1String(side) + QString::number(f));
            sums += QStringLiteral("coalesce(s.") + column + QStringLiteral(", 0) ") + column + u',';
        }
    return QStringLiteral("select k.\"SkuID\", k.\"NumIID\", k.\"OfShop\", ") + sums
           + QStringLiteral("coalesce(t.\"Stock\", 0) \"Stock\", iif(k.\"OfShop\" = 1, ") + PaidSince(roll.LastSync)
           + QStringLiteral(", 0) \"PaidBefore\", iif(k.\"OfShop\" = 1, ") + PaidSince(roll.Now)
           + QStringLiteral(", 0) \"PaidSince\" from (select u.\"SkuID\", u.\"NumIID\", max(u.\"OfShop\") \"OfShop\" from ("
                            "select \"SkuID\", \"NumIID\", 0 \"OfShop\" from \"KivSkuStock\" where \"StockTime\" = ")
           + oldTime
           + QStringLiteral(" union all select \"SkuID\", \"NumIID\", 1 from \"KivItem\" where \"ShopCode\" = ") + QuotedStr(roll.ShopCode)
           + QStringLiteral(" and \"SkuID\" is not null and \"NumIID\" is not null) u group by u.\"SkuID\", u.\"NumIID\") k "
                            "left join \"KivSkuStock\" t on t.\"StockTime\" = ")
           + oldTime
           + QStringLiteral(" and t.\"SkuID\" = k.\"SkuID\" and t.\"NumIID\" = k.\"NumIID\" "
                            "left join \"KivSkuSums\" s on s.\"SkuID\" = k.\"SkuID\" and s.\"NumIID\" = k.\"NumIID\"");
}

// What the SKU of the current row takes into the new period.
qint64 CarriedStock(const TDataSet& row)
{
    const TSkuFigures before = SkuFiguresOf(row);
    if (row.FieldByName(QStringLiteral("OfShop"))->AsInteger() == 0)
        return before.Stock;
    TSkuFigures after = before;
    after.Stock = before.Stock - row.FieldByName(QStringLiteral("PaidBefore"))->AsLargeInt()
                  + row.FieldByName(QStringLiteral("PaidSince"))->AsLargeInt();
    const unsigned broken = BrokenBounds(after) & ~BrokenBounds(before) & BoundsOf(fgBalance);
    return broken == 0 ? after.Stock : before.Stock;
}

// The carried stock as stock-ins of the new period (the database adds them
// to the SKU's stock): one per SKU, split where the total does not fit a
// stock-in's quantity.
void CarryOver(TKivTransaction& transaction, const TStockRollOver& roll, const TSkuKey& sku, const QString& newTime, qint64 stock)
{
    for (qint64 left = stock; left != 0;) {
        const qint64 qty = std::clamp(left, FigureMin, FigureMax);
        left -= qty;
        const QString id = SqlInteger(NextGen(QStringLiteral("GEN_KivItemIn_ID")));
        roll.Exec(transaction, QStringLiteral("insert into \"KivItemIn\"(\"AutoCode\",\"Qty\",\"StockTime\",\"Date\") values(") + id + u','
                                   + QString::number(qty) + u',' + newTime + QStringLiteral(",current_timestamp)"));
        roll.Exec(transaction, QStringLiteral("insert into \"KivItemInList\"(\"PCode\",\"StockTime\",\"SkuID\",\"NumIID\") values(") + id + u','
                                   + newTime + u',' + sku.SkuID + u',' + sku.NumIID + u')');
    }
}

} // namespace

QString RollStockPeriodOver(TKivTransaction& transaction, const TStockRollOver& roll)
{
    const QString oldTime = LockStockTime(transaction);
    const QString newTime = SqlInteger(NextStockTime());
    for (const auto rows = transaction.OpenQuery(CarrySql(roll, oldTime)); !rows->Eof(); rows->Next()) {
        const TSkuKey sku{SqlInteger(rows->FieldByName(QStringLiteral("SkuID"))->AsString()),
                          SqlInteger(rows->FieldByName(QStringLiteral("NumIID"))->AsString())};
        if (const qint64 stock = CarriedStock(*rows); stock != 0)
            CarryOver(transaction, roll, sku, newTime, stock);
    }
    SetStockTimeParam(newTime, &transaction);
    return newTime;
}
