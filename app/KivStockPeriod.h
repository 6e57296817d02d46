#pragma once
// The roll-over of the stock period at the end of a shop's sync. The sales
// figures of the synced shop's SKUs restart at the sync (they count the
// lines dated from its time on), so each of those SKUs takes into the new
// period what is left of its stock: its stock less what was paid since the
// shop's previous sync (plus any line already dated at or after the new
// sync's time, which the restarted figures still count). Its balance and
// quantity to order read the same right after the sync as right before.
// The stock period is one for all shops while a sync is per shop: the SKUs
// of every other shop keep their sync date and their paid figures, and take
// their stock over as it stands.
//
// A SKU whose stock left that way would carry its figures out of their
// range where they were within (KivFigureRange.h) takes its stock over as
// it stands. GUI thread only.

#include <QString>
#include <functional>

class TKivTransaction;

struct TStockRollOver {
    QString ShopCode;
    // The shop's sync time before this sync (empty when it had none), and
    // this sync's.
    QString LastSync;
    QString Now;
    // Runs each statement that writes the new period (a test stops there).
    std::function<int(TKivTransaction&, const QString&)> Exec;
};

// In the sync's last transaction, before anything else of it: locks the
// stock period (a booking of another seat meanwhile waits, then books into
// the new period), carries every SKU's stock over into a new one, stores
// it as the current period and returns it. The transaction commits it with
// the sync's end.
QString RollStockPeriodOver(TKivTransaction& transaction, const TStockRollOver& roll);
