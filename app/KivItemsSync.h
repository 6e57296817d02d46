#pragma once
// The items sync: a shop's on-sale items and their SKUs are copied from the
// platform into "KivItemOnsale" and "KivItem" as a new snapshot stamped with
// the platform's time, every SKU's property text is formatted, barcodes are
// carried forward from the SKU's previous snapshot, and a new stock period
// takes over the stock-ins of the old one. Also the shop check that runs
// before any window of a shop opens.
//
// These are operations of the items window (KivItems). They take the shop
// record and the widget that owns the progress window. All of it runs on the
// GUI thread.
//
// A sync never leaves half an item behind: each item's rows (its on-sale
// row, its SKU rows with their property texts and carried barcodes) are
// written in one transaction of their own, and the sync date, the removal of
// older snapshots and the stock period's roll-over in one more, the last.
// A sync that fails or is killed leaves whole items only and the sync date
// where it was, so the next sync fetches the rest again; a value the
// database refuses fails only its own item, and the message names the item
// and the database's reason. A text longer than its column is stored cut to
// it (UpsertRows), so a long title or property text fails nothing. SQL errors of that last
// transaction are not caught here and reach the caller (the progress window
// goes in every case).

#include "client/KivDataM.h"
#include "client/KivMapping.h"
#include "client/KivPlatformTexts.h"
#include "client/KivQuery.h"
#include "platform/Exceptions.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class QWidget;
class TFormProgress;
struct TTreeNodeShop;

// True when the shop's credentials are complete. Otherwise an error message
// names the first missing one, and the main window's matching editor opens
// (shops, or the links between users and shops).
bool CheckShop(const TTreeNodeShop& shop);

// The display text of a SKU's properties ("pid:vid:name:value" entries, ';'
// between them; a value keeps its blanks): each entry's value, or the item's
// alias for its "pid:vid" when it has one, joined by a full-width comma.
QString FormatSkuProps(const QString& propsName, const QString& alias);


// Removes the shop's rows from "KivItemOnsale" and "KivItem", all but those
// of the snapshot keepSyncDate: a first sync drops the older snapshots only
// once its own is complete, so their barcodes are carried forward first.
void DeleteShopItems(const QString& shopCode, const QString& keepSyncDate, TKivTransaction& transaction);

enum class TSyncOutcome {
    soNoServerTime,  // no platform time: nothing happened
    soCountFailed,   // the count came back without a total: nothing happened
    soNothingToSync, // no item (modified since the last sync): nothing happened,
                     // but a first sync removes what the shop listed before
    soCompleted,     // a new snapshot, SyncDate and stock period moved on
    soIncomplete,    // pages or items failed: the snapshot holds the whole
                     // items only; SyncDate and the stock period stay for
                     // the next sync
    soStopped        // the user stopped it (or the program ended): as
                     // soIncomplete, without a message
};

struct TItemsSyncResult {
    TSyncOutcome Outcome = TSyncOutcome::soNoServerTime;
    QString Now;       // the platform's time that stamps this sync
    qint64 Total = 0;  // items counted
    int Pages = 0;     // pages of PageSize items fetched
    int Items = 0;     // items whose SKUs were fetched
    int Skus = 0;      // SKU rows of the snapshot
    int FailedPages = 0;
    int FailedItems = 0;   // items whose SKUs could not be fetched (or read)
    int RefusedItems = 0;  // items the database would not store
};

class TItemsSync {
public:
    static constexpr int PageSize = 10;

    // progressOwner owns the progress window while a sync runs (may be null).
    TItemsSync(TTreeNodeShop& shop, QWidget* progressOwner);

    // One sync of the shop (full when it was never synced, else the items
    // modified since the last one). A failed count shows the platform's
    // message, a platform that does not answer at all an error of its own;
    // failed pages or items are reported once the sync is over.
    // The progress window shows from the first platform call on; its "停止"
    // ends the sync after the item at hand (the call under way is cut).
    // Raises EConvertError before anything happens when the stored stock
    // period is not one.
    TItemsSyncResult SyncItems();

    // Runs after every label change, once pending events are processed.
    std::function<void(TFormProgress& progress)> OnProgress;
    // Runs before each statement that the sync composes itself (property
    // texts, removals, roll-over; not those of the row mapping), with its text.
    std::function<void(const QString& sql)> OnStatement;

private:
    // One on-sale item of the fetched pages: its row as one-row columns.
    struct TPendingItem {
        QString NumIid;
        TMappedReply Row;
        // Its SKUs, once fetched; none when the fetch failed.
        std::optional<TMappedReply> Skus;
    };

    struct TBatchCount {
        QStringList Items; // their ids
        int Skus = 0;
    };
    // An item the database would not store, and why.
    struct TRefusal {
        QString NumIid;
        QString Reason;
    };

    bool CountItems();
    bool Stopped() const { return FStop.Stopped(); }
    void FetchAndWrite();
    void ShowProgress();
    void FetchPages();
    void KeepPageItems(const TMappedReply& page);
    void FetchItems();
    void WriteItems();
    void CommitBatch(std::optional<TKivTransaction>& batch, TBatchCount& written);
    void Refuse(const QStringList& numIids, const EDatabaseError& error);
    QString RefusalsText() const;
    int WriteItem(const TPendingItem& item, const TMappedReply& skus);
    void FormatSkus(TKivTransaction& transaction, const TMappedReply& skus);
    void FinishSync();
    int Exec(TKivTransaction& transaction, const QString& sql);
    void SetLabel(const QString& text);
    void SetBarRange(int maximum);
    void StepBar();
    void ReportFailures() const;

    TTreeNodeShop& FShop;
    QPointer<QWidget> FOwner;
    TPlatformCallStop FStop;
    QPointer<TFormProgress> FProgress;
    QString FLast;
    QStringList FExtraLines;
    // Why the platform's time or the count could not be had, as said.
    QString FPlatformFailure;
    // The database went away while the items were written.
    bool FDatabaseLost = false;
    std::vector<TRefusal> FRefusals;
    std::vector<TPendingItem> FItems;
    // The SKU rows fetched, which the property step counts.
    int FSkuRows = 0;
    TItemsSyncResult FResult;
};

// SyncItems of a TItemsSync made for the call.
TItemsSyncResult SyncItems(TTreeNodeShop& shop, QWidget* progressOwner);
