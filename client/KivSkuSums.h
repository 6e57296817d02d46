#pragma once
// The running sums of every SKU's stock figures ("KivSkuSums", "KivSkuStock"
// in db/schema.sql): what the figures' range check needs of a SKU's whole
// history, kept so that no trade line or stock-in has to read that history.
//
// The database keeps them itself: triggers on the trade lines and on the
// stock-ins add and take back each row's share in the statement that writes
// the row, whoever writes it (this program, another seat, an administrator's
// tool), so the sums cannot drift from the rows they sum. The trade lines'
// trigger also refuses a line that would carry one of its SKU's figures past
// its range where it was within (app/KivFigureRange): one statement stores a
// line, its sums and their check, and the sums' row is the lock that makes
// two seats' lines of one SKU take turns.
//
// Here is which lines count in which figure, the triggers that keep the
// sums, and the sums made from the whole history once, when a database made
// by an older program gets the tables.

#include "client/KivDataM.h"

#include <QString>
#include <climits>
#include <functional>
#include <optional>
#include <vector>

class TSQLConnection;

// The status sums of the trade lines, in the items window's order: bought,
// paid, shipped, finished, refunded.
inline constexpr int TradeFigureCount = 5;
inline constexpr int PaidFigure = 1;

// The range that the items windows read every figure in (INTEGER), and the
// bound of the balance (stock - paid) on either side, which leaves room for
// the quantity to order, |balance - W|, for every low-stock threshold W the
// program takes.
inline constexpr qint64 FigureMax = INT_MAX;
inline constexpr qint64 FigureMin = INT_MIN;
inline constexpr qint64 BalanceBound = FigureMax - LowStockBound;
// The bits that name a bound: 2*f for figure f above its range, 2*f+1 below
// it; figure TradeFigureCount stands for the balance.

// Which lines a status sum counts, as the items statement counts them: the
// catch-up's lines ('OfflineReload') under their status too, but a refund
// only under its own event.
struct TTradeFigure {
    const char16_t* Status;
    const char16_t* Event;
    bool WithCatchUp;
    const char16_t* Caption;
};
const TTradeFigure& TradeFigure(int figure);

// The status sum a line with this status and event counts in; none for any
// other line.
std::optional<int> TradeFigureOf(const QString& status, const QString& event);
// The condition that a line (the table alias, e.g. "o") counts in the sum.
QString TradeFigureCondition(int figure, const QString& alias);

// Every SKU's sums over all its trade lines ("SkuID", "NumIID", "Up0".."Up4",
// "Down0".."Down4"), and every SKU's stock per period ("SkuID", "NumIID",
// "StockTime", "Stock"), as the whole history gives them.
QString FullTradeSumsSql();
QString FullStockSumsSql();

// The database objects that keep the sums (an exception, procedures and
// triggers), in the order they are made: how to tell that one is there, and
// the statement that makes it. A database made from db/schema.sql gets them
// when the program first opens it, as an older one does.
struct TSumsKeeper {
    QString Name;
    QString ExistsSql;
    QString CreateSql;
};
std::vector<TSumsKeeper> SumsKeepers();

// The bounds that a trade line would have carried its SKU's figures past
// (the bits above), when the database refused to store it for them (the
// text of its error); none for any other error.
std::optional<unsigned> RefusedBounds(const QString& errorText);

// Whether the sums are missing for a history the database holds (the tables
// made empty by an upgrade, or a build that never finished).
bool SkuSumsMissing(TSQLConnection& connection);
// Makes the sums afresh from the whole history, in one transaction of the
// connection (no other work may be open on it).
void BuildSkuSums(TSQLConnection& connection);

// Shows the progress of work on the database that takes more than a moment
// (set by the program's windows; none in programs without them): called
// with 0 and the number of steps first, then after each step with the steps
// done; the last call has done == steps. label says what the step does.
using TUpgradeProgress = std::function<void(int done, int steps, const QString& label)>;
extern TUpgradeProgress UpgradeProgress;
// Trade lines from which an upgrade of the sums takes more than a moment.
inline constexpr int UpgradeProgressLines = 50000;
