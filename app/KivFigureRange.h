#pragma once
// The range of the stock figures. The items windows read a SKU's figures
// with one statement that casts each of them to INTEGER; a stored quantity
// that carried one past that range would make the statement fail for every
// seat, and the shop's windows could not be opened any more. So every write
// that feeds the figures (a stock-in, a trade line, the roll-over of the
// stock period) is checked here before it is kept.
//
// The status sums count the SKU's trade lines dated from the shop's sync
// date on, and that date moves with every sync (an administrator may edit
// it too). A check against today's date would not hold tomorrow, so each
// status's lines are summed whatever their date, the positive quantities
// and the negative ones apart: a sum over any part of the lines lies
// between the two, and fits whenever both do. The balance (stock - paid)
// is kept within BalanceBound on either side the same way, so that the
// quantity to order, |balance - W|, fits for every low-stock threshold W
// the program takes (|W| <= LowStockBound), not only today's.
//
// Those sums and the stock of each period are the SKU's running sums
// (client/KivSkuSums.h), which the database keeps with every line and
// stock-in: a check costs the same whatever the SKU's history. A trade line
// is checked by the database as it is stored; a stock-in here, with the
// SKU's row of sums locked first, so that two seats' checks of one SKU take
// turns, each counting what the other kept.

#include "client/KivDataM.h"
#include "client/KivSkuSums.h"

#include <QString>
#include <array>

class TDataSet;
class TKivTransaction;

// The figures that sum trade lines, in the items window's order: bought,
// paid, shipped, finished, refunded. Balance stands for the stock, the
// balance and the quantity to order, which all follow from the stock and
// the paid lines.
enum TFigure : int { fgOut, fgPay, fgSend, fgOver, fgBack, fgBalance };
static_assert(fgPay == PaidFigure && fgBalance == TradeFigureCount);

// The sums of a figure's positive and of its negative quantities.
struct TFigureSpan {
    qint64 Up = 0;
    qint64 Down = 0;
};

// What a SKU's figures can reach: each status's span over all its lines,
// and the stock-in total of a stock period.
struct TSkuFigures {
    std::array<TFigureSpan, TradeFigureCount> Trades;
    qint64 Stock = 0;
};

// The stock totals between which the SKU's stock, balance and quantity to
// order fit, given its paid lines; Low > High when none does.
struct TStockRoom {
    qint64 Low = 0;
    qint64 High = 0;
};
TStockRoom StockRoom(const TSkuFigures& figures);

// The ways the figures leave their range, one bit each: bit 2*f for figure
// f above its range, bit 2*f+1 below it (fgBalance: the stock outside its
// room). 0 when every figure fits.
unsigned BrokenBounds(const TSkuFigures& figures);
// The bits of the figure's two bounds.
constexpr unsigned BoundsOf(TFigure figure)
{
    return 3u << (2 * figure);
}
// The figure of the lowest bit set, and whether it lies above its range.
TFigure BrokenFigure(unsigned bounds);
bool BrokenAbove(unsigned bounds);
// The figure's caption, as the items window's columns name it.
QString FigureCaption(TFigure figure);

// A SKU by its ids, as they go into the statements (checked to be integers).
struct TSkuKey {
    QString SkuID;
    QString NumIID;
};

// Locks the SKU's row of sums until the transaction ends (made, all zero,
// for a SKU that has none; two seats making it at once: EDatabaseConflict
// for the second), and returns its figures with the stock of the period.
TSkuFigures LockSkuFigures(TKivTransaction& transaction, const TSkuKey& sku, const QString& stockTime);
// The figures of the current row of a statement with the columns "Up0".."Up4",
// "Down0".."Down4" (nulls count as 0) and "Stock".
TSkuFigures SkuFiguresOf(const TDataSet& row);
