#include "app/KivFigureRange.h"

#include "platform/SqlText.h"
#include "platform/db/DataSet.h"
#include "platform/db/SqlQuery.h"

#include <bit>

namespace {

QString SkuWhere(const TSkuKey& sku)
{
    return QStringLiteral(" where \"SkuID\" = ") + SqlInteger(sku.SkuID) + QStringLiteral(" and \"NumIID\" = ") + SqlInteger(sku.NumIID);
}

} // namespace

TStockRoom StockRoom(const TSkuFigures& figures)
{
    const TFigureSpan& paid = figures.Trades[fgPay];
    return {paid.Up - BalanceBound, paid.Down + BalanceBound};
}

unsigned BrokenBounds(const TSkuFigures& figures)
{
    unsigned bounds = 0;
    for (int f = 0; f < TradeFigureCount; ++f) {
        const TFigureSpan& span = figures.Trades[size_t(f)];
        if (span.Up > FigureMax)
            bounds |= 1u << (2 * f);
        if (span.Down < FigureMin)
            bounds |= 2u << (2 * f);
    }
    const TStockRoom room = StockRoom(figures);
    if (figures.Stock > room.High)
        bounds |= 1u << (2 * fgBalance);
    if (figures.Stock < room.Low)
        bounds |= 2u << (2 * fgBalance);
    return bounds;
}

TFigure BrokenFigure(unsigned bounds)
{
    return TFigure(std::countr_zero(bounds) / 2);
}

bool BrokenAbove(unsigned bounds)
{
    return std::countr_zero(bounds) % 2 == 0;
}

QString FigureCaption(TFigure figure)
{
    return figure == fgBalance ? QStringLiteral("结余") : QString::fromUtf16(TradeFigure(figure).Caption);
}

namespace {

QString SumsInsertSql(const TSkuKey& sku)
{
    return QStringLiteral("insert into \"KivSkuSums\"(\"SkuID\",\"NumIID\") values(") + SqlInteger(sku.SkuID) + u',' + SqlInteger(sku.NumIID) + u')';
}

} // namespace

TSkuFigures LockSkuFigures(TKivTransaction& transaction, const TSkuKey& sku, const QString& stockTime)
{
    if (transaction.ExecSql(QStringLiteral("update \"KivSkuSums\" set \"Up0\" = \"Up0\"") + SkuWhere(sku)) == 0)
        transaction.ExecSql(SumsInsertSql(sku));
    const auto row = transaction.OpenQuery(QStringLiteral("select s.*, coalesce((select \"Stock\" from \"KivSkuStock\" t where t.\"StockTime\" = ")
                               + SqlInteger(stockTime)
                               + QStringLiteral(" and t.\"SkuID\" = s.\"SkuID\" and t.\"NumIID\" = s.\"NumIID\"), 0) \"Stock\" from \"KivSkuSums\" s")
                               + SkuWhere(sku));
    return row->IsEmpty() ? TSkuFigures{} : SkuFiguresOf(*row);
}

TSkuFigures SkuFiguresOf(const TDataSet& row)
{
    TSkuFigures figures;
    for (int f = 0; f < TradeFigureCount; ++f) {
        figures.Trades[size_t(f)].Up = row.FieldByName(QStringLiteral("Up%1").arg(f))->AsLargeInt();
        figures.Trades[size_t(f)].Down = row.FieldByName(QStringLiteral("Down%1").arg(f))->AsLargeInt();
    }
    figures.Stock = row.FieldByName(QStringLiteral("Stock"))->AsLargeInt();
    return figures;
}
