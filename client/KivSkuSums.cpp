#include "client/KivSkuSums.h"

#include "platform/SqlText.h"
#include "platform/db/SqlConnection.h"
#include "platform/db/SqlQuery.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QScopeGuard>

TUpgradeProgress UpgradeProgress;

namespace {

constexpr TTradeFigure TradeFigures[TradeFigureCount] = {
    {u"WAIT_BUYER_PAY", u"TradeAlipayCreate", true, u"拍下"},
    {u"WAIT_SELLER_SEND_GOODS", u"TradeBuyerPay", true, u"付款"},
    {u"WAIT_BUYER_CONFIRM_GOODS", u"TradeSellerShip", true, u"发货"},
    {u"TRADE_FINISHED", u"TradeSuccess", true, u"成交"},
    {u"WAIT_BUYER_CONFIRM_GOODS", u"RefundSuccess", false, u"退款"},
};
const QString CatchUpEvent = QStringLiteral("OfflineReload");

QString Text(const char16_t* text)
{
    return QString::fromUtf16(text);
}

// The sum of the figure's quantities of one sign (sign: "> 0" or "< 0").
QString SpanSum(int figure, const char* sign, const QString& name)
{
    return QStringLiteral("coalesce(sum(iif(") + TradeFigureCondition(figure, QStringLiteral("o")) + QStringLiteral(" and o.\"Qty\" ")
           + QLatin1String(sign) + QStringLiteral(", o.\"Qty\", 0)), 0) ") + QuotedName(name);
}

bool Empty(TSQLConnection& connection, const QString& sql)
{
    TSQLQuery query(&connection);
    query.SQL = sql;
    query.Open();
    return query.IsEmpty();
}

} // namespace

const TTradeFigure& TradeFigure(int figure)
{
    return TradeFigures[figure];
}

std::optional<int> TradeFigureOf(const QString& status, const QString& event)
{
    for (int f = 0; f < TradeFigureCount; ++f) {
        const TTradeFigure& figure = TradeFigures[f];
        if (status == Text(figure.Status) && (event == Text(figure.Event) || (figure.WithCatchUp && event == CatchUpEvent)))
            return f;
    }
    return std::nullopt;
}

QString TradeFigureCondition(int figure, const QString& alias)
{
    const TTradeFigure& f = TradeFigures[figure];
    const QString events = QuotedStr(Text(f.Event)) + (f.WithCatchUp ? u',' + QuotedStr(CatchUpEvent) : QString());
    return alias + QStringLiteral(".\"Status\" = ") + QuotedStr(Text(f.Status)) + QStringLiteral(" and ") + alias
           + QStringLiteral(".\"TradeEvent\" in (") + events + u')';
}

QString FullTradeSumsSql()
{
    QString sql = QStringLiteral("select o.\"SkuID\", o.\"NumIID\"");
    for (int f = 0; f < TradeFigureCount; ++f)
        sql += u',' + SpanSum(f, "> 0", QStringLiteral("Up%1").arg(f));
    for (int f = 0; f < TradeFigureCount; ++f)
        sql += u',' + SpanSum(f, "< 0", QStringLiteral("Down%1").arg(f));
    // A line without its SKU's ids counts for no SKU.
    return sql
           + QStringLiteral(" from \"KivItemOut\" o where o.\"SkuID\" is not null and o.\"NumIID\" is not null "
                            "group by o.\"SkuID\", o.\"NumIID\"");
}

QString FullStockSumsSql()
{
    return QStringLiteral(
        "select y.\"SkuID\", y.\"NumIID\", x.\"StockTime\", coalesce(sum(x.\"Qty\"), 0) \"Stock\" from \"KivItemIn\" x "
        "inner join \"KivItemInList\" y on x.\"AutoCode\" = y.\"PCode\" where y.\"SkuID\" is not null and y.\"NumIID\" is not null "
        "and x.\"StockTime\" is not null group by y.\"SkuID\", y.\"NumIID\", x.\"StockTime\"");
}

bool SkuSumsMissing(TSQLConnection& connection)
{
    // Once built, a SKU with a line has its row, and one with a stock-in its
    // stock: empty tables beside such a history were never built.
    return !Empty(connection,
                  QStringLiteral("select 1 from rdb$database where (exists (select 1 from \"KivItemOut\" where \"SkuID\" is not null and "
                                 "\"NumIID\" is not null) and not exists (select 1 from \"KivSkuSums\")) or (exists (select 1 from \"KivItemIn\" x "
                                 "inner join \"KivItemInList\" y on x.\"AutoCode\" = y.\"PCode\" where y.\"SkuID\" is not null and y.\"NumIID\" "
                                 "is not null and x.\"StockTime\" is not null) and not exists (select 1 from \"KivSkuStock\"))"));
}

void BuildSkuSums(TSQLConnection& connection)
{
    const bool large = UpgradeProgress
                       && !Empty(connection, QStringLiteral("select 1 from rdb$database where exists (select 1 from \"KivItemOut\" rows ")
                                                 + QString::number(UpgradeProgressLines) + QStringLiteral(" to ")
                                                 + QString::number(UpgradeProgressLines) + u')');
    const auto step = [large](int done, const QString& label) {
        if (large)
            UpgradeProgress(done, 2, label);
    };
    const auto done = qScopeGuard([&step] { step(2, QString()); });
    QSqlDatabase db = connection.Database();
    if (!db.transaction())
        connection.RaiseError(db.lastError());
    // Made again whole: what an unfinished build or an older program left
    // counts for nothing.
    bool open = true;
    const auto rollBack = qScopeGuard([&] {
        if (open && !db.rollback())
            connection.Close(); // the engine takes the work back with the attachment
    });
    step(0, QStringLiteral("正在统计各商品的交易数量..."));
    connection.ExecuteDirect(QStringLiteral("delete from \"KivSkuSums\""));
    connection.ExecuteDirect(QStringLiteral("insert into \"KivSkuSums\" ") + FullTradeSumsSql());
    step(1, QStringLiteral("正在统计各商品的入库数量..."));
    connection.ExecuteDirect(QStringLiteral("delete from \"KivSkuStock\""));
    connection.ExecuteDirect(QStringLiteral("insert into \"KivSkuStock\"(\"SkuID\",\"NumIID\",\"StockTime\",\"Stock\") ") + FullStockSumsSql());
    open = false;
    if (!db.commit()) {
        const auto close = qScopeGuard([&connection] { connection.Close(); });
        connection.RaiseError(db.lastError());
    }
}
