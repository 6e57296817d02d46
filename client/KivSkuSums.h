#pragma once
// The running sums of every SKU's stock figures ("KivSkuSums", "KivSkuStock"
// in db/schema.sql): what the figures' range check needs of a SKU's whole
// history, kept so that no trade line or stock-in has to read that history.
// The program keeps them in the unit of work of every line and stock-in it
// stores (app/KivFigureRange); here is which lines count in which figure,
// and the sums made from the whole history once, when a database made by an
// older program gets the tables.

#include <QString>
#include <functional>
#include <optional>

class TSQLConnection;

// The status sums of the trade lines, in the items window's order: bought,
// paid, shipped, finished, refunded.
inline constexpr int TradeFigureCount = 5;
inline constexpr int PaidFigure = 1;

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
