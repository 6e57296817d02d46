#include "client/KivSkuSums.h"

#include "platform/SqlText.h"
#include "platform/db/SqlConnection.h"
#include "platform/db/SqlQuery.h"

#include <QRegularExpression>
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

namespace {

// The names of the objects that keep the sums.
const QString RangeException = QStringLiteral("KivFigureRange");
const QString TradeSumsProcedure = QStringLiteral("KivAddTradeSums");
const QString StockSumsProcedure = QStringLiteral("KivAddStockSums");
// What the trade lines' trigger says when it refuses a line, before the
// bits of the bounds the line would break.
const QString RefusalWords = QStringLiteral("figures past their range: ");

QString Number(qint64 value)
{
    // In parentheses: a negative number after a minus sign would begin a
    // comment ("--5").
    return u'(' + QString::number(value) + u')';
}

// The figure a trade line (NEW or OLD) counts in, or null for none.
QString FigureOfLine(const QString& row)
{
    QString sql = QStringLiteral("case");
    for (int f = 0; f < TradeFigureCount; ++f)
        sql += QStringLiteral(" when ") + TradeFigureCondition(f, row) + QStringLiteral(" then ") + QString::number(f);
    return sql + QStringLiteral(" else null end");
}

// A sums column's share of a line's quantity Q of figure F, added (D = 1)
// or taken back (D = -1): the line's sign chooses the column either way.
QString Share(int figure, bool up)
{
    return QStringLiteral("iif(:F = ") + QString::number(figure) + (up ? QStringLiteral(" and :Q > 0") : QStringLiteral(" and :Q < 0"))
           + QStringLiteral(", :Q * :D, 0)");
}

QString SumColumn(int figure, bool up)
{
    return QuotedName((up ? QStringLiteral("Up") : QStringLiteral("Down")) + QString::number(figure));
}

// Adds (D = 1) or takes back (D = -1) the quantity Q of a trade line of
// figure F (none: null) in the SKU's sums, making its row (all zero) when it
// has none: every SKU with a line has its row, as the sums made from the
// whole history have.
QString TradeSumsProcedureSql()
{
    QString set;
    QString columns;
    QString values;
    for (int f = 0; f < TradeFigureCount; ++f)
        for (const bool up : {true, false}) {
            const QString column = SumColumn(f, up);
            set += (set.isEmpty() ? QString() : QStringLiteral(", ")) + column + QStringLiteral(" = ") + column + QStringLiteral(" + ") + Share(f, up);
            columns += u',' + column;
            values += QStringLiteral(", ") + Share(f, up);
        }
    return QStringLiteral("create procedure ") + QuotedName(TradeSumsProcedure)
           + QStringLiteral(" (S bigint, N bigint, F integer, Q bigint, D integer) as begin "
                            "if (S is null or N is null) then exit; "
                            "Q = coalesce(Q, 0); "
                            "update \"KivSkuSums\" set ")
           + set
           + QStringLiteral(" where \"SkuID\" = :S and \"NumIID\" = :N; "
                            "if (row_count = 0) then insert into \"KivSkuSums\"(\"SkuID\",\"NumIID\"")
           + columns + QStringLiteral(") values(:S, :N") + values + QStringLiteral("); end");
}

// Adds the quantity Q to the SKU's stock of the period P.
QString StockSumsProcedureSql()
{
    return QStringLiteral("create procedure ") + QuotedName(StockSumsProcedure)
           + QStringLiteral(" (S bigint, N bigint, P bigint, Q bigint) as begin "
                            "if (S is null or N is null or P is null) then exit; "
                            "update \"KivSkuStock\" set \"Stock\" = \"Stock\" + coalesce(:Q, 0) "
                            "where \"StockTime\" = :P and \"SkuID\" = :S and \"NumIID\" = :N; "
                            "if (row_count = 0) then insert into \"KivSkuStock\"(\"SkuID\",\"NumIID\",\"StockTime\",\"Stock\") "
                            "values(:S, :N, :P, coalesce(:Q, 0)); end");
}

QString Bit(int bound)
{
    return QStringLiteral("bin_shl(1, ") + QString::number(bound) + u')';
}

// The trade lines' trigger: each row's share moves with it, and a new line
// that would carry one of its SKU's figures past its range where it was
// within is refused. Only the figure the line counts in can move, and with
// the paid figure the balance (stock - paid, the stock of the current
// period): the bounds it held before are its sums less the line.
QString TradeLinesTriggerSql()
{
    const QString balanceAbove = Bit(2 * TradeFigureCount);
    const QString balanceBelow = Bit(2 * TradeFigureCount + 1);
    return QStringLiteral("create trigger \"KivItemOut_Sums\" for \"KivItemOut\" active after insert or update or delete position 0 as "
                          "declare OldFigure integer; declare NewFigure integer; "
                          "declare Up bigint; declare Down bigint; declare PaidUp bigint; declare PaidDown bigint; "
                          "declare Q bigint; declare Period bigint; declare Stock bigint; declare Bits integer = 0; "
                          "begin "
                          "if (not inserting) then OldFigure = ")
           + FigureOfLine(QStringLiteral("old")) + QStringLiteral("; if (not deleting) then NewFigure = ") + FigureOfLine(QStringLiteral("new"))
           + QStringLiteral("; if (updating and old.\"SkuID\" is not distinct from new.\"SkuID\" and old.\"NumIID\" is not distinct from "
                            "new.\"NumIID\" and old.\"Qty\" is not distinct from new.\"Qty\" and OldFigure is not distinct from NewFigure) "
                            "then exit; "
                            "if (not inserting) then execute procedure ")
           + QuotedName(TradeSumsProcedure) + QStringLiteral("(old.\"SkuID\", old.\"NumIID\", :OldFigure, old.\"Qty\", -1); "
                                                           "if (not deleting) then execute procedure ")
           + QuotedName(TradeSumsProcedure)
           + QStringLiteral("(new.\"SkuID\", new.\"NumIID\", :NewFigure, new.\"Qty\", 1); "
                            "Q = coalesce(new.\"Qty\", 0); "
                            "if (not inserting or NewFigure is null or Q = 0 or new.\"SkuID\" is null or new.\"NumIID\" is null) then exit; "
                            "select case :NewFigure when 0 then \"Up0\" when 1 then \"Up1\" when 2 then \"Up2\" when 3 then \"Up3\" else \"Up4\" end, "
                            "case :NewFigure when 0 then \"Down0\" when 1 then \"Down1\" when 2 then \"Down2\" when 3 then \"Down3\" else \"Down4\" end, "
                            "\"Up1\", \"Down1\" from \"KivSkuSums\" where \"SkuID\" = new.\"SkuID\" and \"NumIID\" = new.\"NumIID\" "
                            "into :Up, :Down, :PaidUp, :PaidDown; "
                            "if (Q > 0 and Up > ")
           + Number(FigureMax) + QStringLiteral(" and Up - Q <= ") + Number(FigureMax)
           + QStringLiteral(") then Bits = bin_or(Bits, bin_shl(1, 2 * NewFigure)); "
                            "if (Q < 0 and Down < ")
           + Number(FigureMin) + QStringLiteral(" and Down - Q >= ") + Number(FigureMin)
           + QStringLiteral(") then Bits = bin_or(Bits, bin_shl(2, 2 * NewFigure)); "
                            "if (NewFigure = ")
           + QString::number(PaidFigure)
           + QStringLiteral(") then begin "
                            // A period stored unusable has no stock: the login draws a new one.
                            "begin Period = (select cast(\"Value\" as bigint) from \"SYS_Params\" where \"Code\" = 1); "
                            "when any do Period = null; end "
                            "Stock = coalesce((select \"Stock\" from \"KivSkuStock\" where \"StockTime\" = :Period and \"SkuID\" = new.\"SkuID\" "
                            "and \"NumIID\" = new.\"NumIID\"), 0); "
                            "if (Stock > PaidDown + ")
           + Number(BalanceBound) + QStringLiteral(" and Stock <= PaidDown - iif(Q < 0, Q, 0) + ") + Number(BalanceBound)
           + QStringLiteral(") then Bits = bin_or(Bits, ") + balanceAbove + QStringLiteral("); if (Stock < PaidUp - ") + Number(BalanceBound)
           + QStringLiteral(" and Stock >= PaidUp - iif(Q > 0, Q, 0) - ") + Number(BalanceBound) + QStringLiteral(") then Bits = bin_or(Bits, ")
           + balanceBelow + QStringLiteral("); end if (Bits <> 0) then exception ") + QuotedName(RangeException) + u' '
           + QuotedStr(RefusalWords) + QStringLiteral(" || Bits; end");
}

// The stock of a stock-in is its header's quantity and period for each SKU
// its list names: whichever of the two tables is written second adds the
// share, whichever goes first takes it back. A stock-in table's trigger:
// unless unchanged holds, for each counterpart row (a select into the
// locals, %1 standing for old or new) it adds share (%1 the row, %2 the
// sign) to the stock.
QString StockInSumsTriggerSql(const QString& table, const QString& locals, const QString& unchanged, const QString& counterparts,
                              const QString& share)
{
    const auto side = [&](const QString& row, const QString& sign) {
        return QStringLiteral("for ") + counterparts.arg(row) + QStringLiteral(" do execute procedure ") + QuotedName(StockSumsProcedure) + u'('
               + share.arg(row, sign) + QStringLiteral("); ");
    };
    return QStringLiteral("create trigger ") + QuotedName(table + QStringLiteral("_Sums")) + QStringLiteral(" for ") + QuotedName(table)
           + QStringLiteral(" active after insert or update or delete position 0 as ") + locals + QStringLiteral(" begin if (updating and ")
           + unchanged + QStringLiteral(") then exit; if (not inserting) then ") + side(QStringLiteral("old"), QStringLiteral("-"))
           + QStringLiteral("if (not deleting) then ") + side(QStringLiteral("new"), QString()) + QStringLiteral("end");
}

QString StockInTriggerSql()
{
    return StockInSumsTriggerSql(QStringLiteral("KivItemIn"), QStringLiteral("declare S bigint; declare N bigint;"),
                                 QStringLiteral("old.\"AutoCode\" = new.\"AutoCode\" and old.\"Qty\" is not distinct from new.\"Qty\" and "
                                                "old.\"StockTime\" is not distinct from new.\"StockTime\""),
                                 QStringLiteral("select \"SkuID\", \"NumIID\" from \"KivItemInList\" where \"PCode\" = %1.\"AutoCode\" into :S, :N"),
                                 QStringLiteral(":S, :N, %1.\"StockTime\", %2%1.\"Qty\""));
}

QString StockInListTriggerSql()
{
    return StockInSumsTriggerSql(QStringLiteral("KivItemInList"), QStringLiteral("declare P bigint; declare Q bigint;"),
                                 QStringLiteral("old.\"PCode\" = new.\"PCode\" and old.\"SkuID\" is not distinct from new.\"SkuID\" and "
                                                "old.\"NumIID\" is not distinct from new.\"NumIID\""),
                                 QStringLiteral("select \"StockTime\", \"Qty\" from \"KivItemIn\" where \"AutoCode\" = %1.\"PCode\" into :P, :Q"),
                                 QStringLiteral("%1.\"SkuID\", %1.\"NumIID\", :P, %2:Q"));
}

QString Exists(const QString& catalogue, const QString& column, const QString& name)
{
    return QStringLiteral("select 1 from ") + catalogue + QStringLiteral(" where ") + column + QStringLiteral(" = ") + QuotedStr(name);
}

TSumsKeeper Trigger(const QString& name, const QString& create)
{
    return {name, Exists(QStringLiteral("rdb$triggers"), QStringLiteral("rdb$trigger_name"), name), create};
}

TSumsKeeper Procedure(const QString& name, const QString& create)
{
    return {name, Exists(QStringLiteral("rdb$procedures"), QStringLiteral("rdb$procedure_name"), name), create};
}

} // namespace

std::vector<TSumsKeeper> SumsKeepers()
{
    return {
        {RangeException, Exists(QStringLiteral("rdb$exceptions"), QStringLiteral("rdb$exception_name"), RangeException),
         QStringLiteral("create exception ") + QuotedName(RangeException)
             + QStringLiteral(" 'The line would carry its SKU''s figures past their range'")},
        Procedure(TradeSumsProcedure, TradeSumsProcedureSql()),
        Procedure(StockSumsProcedure, StockSumsProcedureSql()),
        Trigger(QStringLiteral("KivItemOut_Sums"), TradeLinesTriggerSql()),
        Trigger(QStringLiteral("KivItemIn_Sums"), StockInTriggerSql()),
        Trigger(QStringLiteral("KivItemInList_Sums"), StockInListTriggerSql()),
    };
}

std::optional<unsigned> RefusedBounds(const QString& errorText)
{
    static const QRegularExpression refusal(QRegularExpression::escape(RefusalWords) + QStringLiteral("(\\d+)"));
    const QRegularExpressionMatch match = refusal.match(errorText);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toUInt();
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
