#include "app/KivFigureRange.h"

#include "platform/SqlText.h"
#include "platform/db/DataSet.h"

#include <bit>

namespace {

// Which lines each status sum counts, as the items statement counts them:
// the catch-up's lines ('OfflineReload') under their status too, but a
// refund only under its own event.
struct TTradeFigure {
    const char16_t* Status;
    const char16_t* Event;
    bool WithCatchUp;
    const char16_t* Caption;
};
constexpr TTradeFigure TradeFigures[TradeFigureCount] = {
    {u"WAIT_BUYER_PAY", u"TradeAlipayCreate", true, u"拍下"},
    {u"WAIT_SELLER_SEND_GOODS", u"TradeBuyerPay", true, u"付款"},
    {u"WAIT_BUYER_CONFIRM_GOODS", u"TradeSellerShip", true, u"发货"},
    {u"TRADE_FINISHED", u"TradeSuccess", true, u"成交"},
    {u"WAIT_BUYER_CONFIRM_GOODS", u"RefundSuccess", false, u"退款"},
};

QString Text(const char16_t* text)
{
    return QString::fromUtf16(text);
}

// The sum of the figure's quantities of one sign (sign: "> 0" or "< 0").
QString SpanSum(const TTradeFigure& figure, const char* sign, const QString& name)
{
    const QString events = QuotedStr(Text(figure.Event)) + (figure.WithCatchUp ? QStringLiteral(",'OfflineReload'") : QString());
    return QStringLiteral("coalesce(sum(iif(o.\"Status\" = ") + QuotedStr(Text(figure.Status)) + QStringLiteral(" and o.\"TradeEvent\" in (")
           + events + QStringLiteral(") and o.\"Qty\" ") + QLatin1String(sign) + QStringLiteral(", o.\"Qty\", 0)), 0) ") + QuotedName(name);
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
    return figure == fgBalance ? QStringLiteral("结余") : Text(TradeFigures[figure].Caption);
}

QString SkuFiguresSql(const QString& skus, const QString& stockTime)
{
    QString sql = QStringLiteral("select s.\"SkuID\", s.\"NumIID\"");
    for (int f = 0; f < TradeFigureCount; ++f) {
        sql += u',' + SpanSum(TradeFigures[f], "> 0", QStringLiteral("Up%1").arg(f));
        sql += u',' + SpanSum(TradeFigures[f], "< 0", QStringLiteral("Down%1").arg(f));
    }
    return sql
           + QStringLiteral(",(select coalesce(sum(x.\"Qty\"), 0) from \"KivItemIn\" x inner join \"KivItemInList\" y on x.\"AutoCode\" = y.\"PCode\" "
                            "where y.\"SkuID\" = s.\"SkuID\" and y.\"NumIID\" = s.\"NumIID\" and x.\"StockTime\" = ")
           + SqlInteger(stockTime) + QStringLiteral(") \"Stock\" from (") + skus
           + QStringLiteral(") s left join \"KivItemOut\" o on o.\"SkuID\" = s.\"SkuID\" and o.\"NumIID\" = s.\"NumIID\" "
                            "group by s.\"SkuID\", s.\"NumIID\"");
}

QString SkuFiguresSql(const QString& skuId, const QString& numIid, const QString& stockTime)
{
    return SkuFiguresSql(QStringLiteral("select cast(") + SqlInteger(skuId) + QStringLiteral(" as bigint) \"SkuID\", cast(") + SqlInteger(numIid)
                             + QStringLiteral(" as bigint) \"NumIID\" from rdb$database"),
                         stockTime);
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
