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

QString SpanColumn(TFigure figure, qint64 qty)
{
    return (qty > 0 ? QStringLiteral("Up%1") : QStringLiteral("Down%1")).arg(int(figure));
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

TSqlWork WorkOf(TKivTransaction& transaction)
{
    return {[&transaction](const QString& sql) { return transaction.ExecSql(sql); },
            [&transaction](const QString& sql) { return transaction.OpenQuery(sql); }};
}

TSqlWork HelperWork()
{
    return {[](const QString& sql) { return ExecSql(sql); }, [](const QString& sql) { return OpenQuery(sql); }};
}

namespace {

QString SumsInsertSql(const TSkuKey& sku, const QString& column = QString(), qint64 qty = 0)
{
    return QStringLiteral("insert into \"KivSkuSums\"(\"SkuID\",\"NumIID\"") + (column.isEmpty() ? QString() : u',' + column)
           + QStringLiteral(") values(") + SqlInteger(sku.SkuID) + u',' + SqlInteger(sku.NumIID)
           + (column.isEmpty() ? QString() : u',' + QString::number(qty)) + u')';
}

TFigureSpan& SpanOf(TSkuFigures& figures, TFigure figure)
{
    return figures.Trades[size_t(figure)];
}

} // namespace

TSkuFigures LockSkuFigures(const TSqlWork& work, const TSkuKey& sku, const QString& stockTime)
{
    if (work.Exec(QStringLiteral("update \"KivSkuSums\" set \"Up0\" = \"Up0\"") + SkuWhere(sku)) == 0)
        work.Exec(SumsInsertSql(sku));
    return SkuFigures(work, sku, stockTime);
}

TSkuFigures SkuFigures(const TSqlWork& work, const TSkuKey& sku, const QString& stockTime)
{
    const auto row = work.Open(QStringLiteral("select s.*, coalesce((select \"Stock\" from \"KivSkuStock\" t where t.\"StockTime\" = ")
                               + SqlInteger(stockTime)
                               + QStringLiteral(" and t.\"SkuID\" = s.\"SkuID\" and t.\"NumIID\" = s.\"NumIID\"), 0) \"Stock\" from \"KivSkuSums\" s")
                               + SkuWhere(sku));
    return row->IsEmpty() ? TSkuFigures{} : SkuFiguresOf(*row);
}

void AddToFigure(TSkuFigures& figures, TFigure figure, qint64 qty)
{
    if (figure == fgBalance)
        figures.Stock += qty;
    else
        (qty > 0 ? SpanOf(figures, figure).Up : SpanOf(figures, figure).Down) += qty;
}

void TakeFromFigure(TSkuFigures& figures, TFigure figure, qint64 qty)
{
    if (figure == fgBalance)
        figures.Stock -= qty;
    else
        (qty > 0 ? SpanOf(figures, figure).Up : SpanOf(figures, figure).Down) -= qty;
}

void AddTradeSums(const TSqlWork& work, const TSkuKey& sku, TFigure figure, qint64 qty)
{
    const QString column = QuotedName(SpanColumn(figure, qty));
    if (work.Exec(QStringLiteral("update \"KivSkuSums\" set ") + column + QStringLiteral(" = ") + column + QStringLiteral(" + (")
                  + QString::number(qty) + u')' + SkuWhere(sku))
        == 0)
        work.Exec(SumsInsertSql(sku, column, qty));
}

void AddStockSums(const TSqlWork& work, const TSkuKey& sku, const QString& stockTime, qint64 qty)
{
    const QString period = SqlInteger(stockTime);
    if (work.Exec(QStringLiteral("update \"KivSkuStock\" set \"Stock\" = \"Stock\" + (") + QString::number(qty) + u')' + SkuWhere(sku)
                  + QStringLiteral(" and \"StockTime\" = ") + period)
        == 0)
        work.Exec(QStringLiteral("insert into \"KivSkuStock\"(\"SkuID\",\"NumIID\",\"StockTime\",\"Stock\") values(") + SqlInteger(sku.SkuID)
                  + u',' + SqlInteger(sku.NumIID) + u',' + period + u',' + QString::number(qty) + u')');
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
