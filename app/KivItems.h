#pragma once
// The items window: one row per SKU of a shop's latest snapshot with its
// stock figures (bought, paid, shipped, finished and refunded since the last
// sync, taken in during the current stock period, the balance and the
// quantity to order).
//
// Sync mode: modal, opened from "同步数据"; it syncs a shop that was never
// synced and can sync again. Monitor mode: modeless and owned by the main
// window, one per shop; it keeps the shop's notification stream open while
// monitoring, catches up the trades missed while it was not, and the update
// records of both change the figures in place: the changed cell is marked,
// low balances are red, a log list records every change, the application
// icon turns while monitoring runs and alert sounds play.
//
// Everything here runs on the GUI thread; the stream thread reaches the
// window only through its synchronized calls and the update-record queue.

#include "app/KivCatchUpBackOff.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <set>

class QAction;
class QListWidget;
class QMenu;
class QSplitter;
class QTimer;
class QToolBar;
class QToolButton;
class TClientDataSet;
class TColumnMv;
class TDataSetProvider;
class TDataSource;
class TDBGridMv;
class TField;
class TFormProgress;
class TKivStreamThread;
class TPlatformCallStop;
class TSQLQuery;
struct TOutGap;
struct TRect;
struct TStreamCoverage;
struct TTreeNodeShop;

class TFormItems : public QDialog {
    Q_OBJECT
public:
    // The layout keys of the two modes.
    static const QString SyncLayoutKey;
    static const QString MonitorLayoutKey;

    explicit TFormItems(QWidget* parent = nullptr);
    ~TFormItems() override;

    QToolBar* ToolBarItems;
    QToolButton* tbMonitor;
    QSplitter* Splitter1;
    TDBGridMv* DBGridItems;
    QListWidget* lbMonitor;
    QMenu* PopupMenuMsg;
    QTimer* TimerMonitor;

    std::unique_ptr<TSQLQuery> SQLQueryItems;
    TDataSetProvider* DataSetProviderItems;
    TClientDataSet* ClientDataSetItems;
    TDataSource* DataSourceItems;

    QAction* ActionSync;
    QAction* ActionPorp;
    QAction* ActionClose;
    QAction* ActionOpen;
    QAction* ActionSaveColumn;
    QAction* ActionMonitor;
    QAction* ActionShowMain;
    QAction* ActionClearMsg;

    TTreeNodeShop* Shop() const { return FShop; }
    void SetShop(TTreeNodeShop* shop) { FShop = shop; }
    bool MonitorMode() const { return FMonitorMode; }
    // Monitor mode shows the log, the monitor and show-main actions; sync
    // mode shows the sync action.
    void SetMonitorMode(bool monitor);
    const QString& LayoutKey() const { return FLayoutKey; }
    void SetLayoutKey(const QString& key) { FLayoutKey = key; }
    // From the start of monitoring (its catch-up included) to its stop; the
    // window does not close meanwhile.
    bool Monitoring() const { return FMonitoring; }
    // The low-stock threshold W of the figures (SysRec.LowStock).
    static int LowStock();

    // The stock figures of the shop, ordered by the quantity to order.
    void LoadItems();
    void ActionOpenExecute();
    void ActionSyncExecute();
    // The sync of the shop, as its only work meanwhile; false when the
    // window went during it.
    bool SyncShop();
    void ActionMonitorExecute();
    void ActionShowMainExecute();
    void ActionClearMsgExecute();

    void StartMonitor();
    void StopMonitor();
    // The stop action's work: the stream thread is told to end (its end is
    // logged, "监控停止") and the window is no longer monitoring. Nothing when
    // it is not monitoring.
    void StopMonitoring();
    // The stream thread of the last start has not ended yet.
    bool StreamRunning() const;
    void OnThreadEnd();
    // The trades that changed since the shop's record is known complete
    // (OutGapFrom; a shop without that moment from the second after its
    // newest trade line, else its sync), read through the rules a day's
    // window at a time, each window's pages from the last to the first; order
    // lines stored already are not recorded again. Each window read whole
    // moves the moment past it; one that cannot be read (the platform does
    // not answer or refuses, a page or a trade fails, the user stops it)
    // leaves the moment where it is, says so (in an error box when the user
    // started monitoring, else in the log) and is tried again while
    // monitoring after the back-off (CatchUpRetryMs, doubled for each
    // failure in a row up to sixteen times that; each retry is logged). The
    // first catch-up of a start waits for the stream, so that what changes
    // after its window reaches the stream. The seller's catch-up holds the
    // program behind its progress window; one the program starts by itself
    // (automatic) holds nobody, and shows its progress, with "停止", only
    // when it takes a while.
    void CatchUpTrades(bool automatic = false);
    // A catch-up after delayMs, or when the back-off of a failed one has
    // passed if that is later, when the shop's record is behind then (the
    // stream does not carry it on from its moment) and no other work holds
    // the program (a modal window).
    void RequestCatchUp(int delayMs);
    static int CatchUpRetryMs;
    // How often a live stream moves the shop's moment on (AdvanceWithStream).
    static int LiveAdvanceMs;
    // How long after a trade changed the platform's change listing is
    // trusted to show it: a catch-up reads up to that many seconds before
    // the platform's time, and what it leaves is read by a later one.
    static constexpr int DefaultListingLagSecs = 60;
    static int ListingLagSecs;
    void TimerMonitorTimer();
    // The image of the running-image list that ActionMonitor shows.
    int MonitorImageIndex() const { return FImageIndex; }

    void AttachSounds();
    void PlayFieldSound(TField& field);
    void DetachSounds();

    // The monitor window's rules ("SYS_Monitor" rows in force), open while
    // the window lives in monitor mode.
    TSQLQuery* RuleQuery() const { return FRuleQuery.get(); }
    void OpenRuleQuery();
    // Enters the window's dataset and log list box in the registries of open
    // monitor windows (once); they leave them when the window closes.
    void Register();

    // Escape takes the close box's road: refused while monitoring, the
    // layout saved and the registries left otherwise.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateControls();
    void FormShow();
    // Leaves the registries of open monitor windows and lets go of the shop.
    void Unregister();
    void SetMonitorImage(int index);
    void SetMonitoring(bool monitoring);
    // Starts the stream and the catch-up: the seller's at once, the
    // program's own (an auto-monitored shop) from the event loop.
    void StartMonitoring(bool automatic);
    void WaitForStream(const TPlatformCallStop& stop);
    // A live stream that carries the shop's record (as read) on from nowhere
    // yet is handed its start by the catch-up, from a reading of the
    // platform's clock taken at least a second after the stream was
    // confirmed: waits for that second and gives the stream (none when there
    // is nothing to hand).
    QPointer<TKivStreamThread> WaitToHandStreamItsStart(const TOutGap& record, const TPlatformCallStop& stop);
    // What the live stream carries of the shop's record as read (none
    // without a live stream).
    TStreamCoverage StreamCoverage(const TOutGap& record);
    // sameLineEvents: by status, the events of the stored trade lines that a
    // line of that status would record again (the rules' own, read once).
    bool ProcessTrade(const QString& tid, const QString& now, TSQLQuery& rules,
                      const std::map<QString, QStringList>& sameLineEvents);
    // The trades changed from start to end (at most a day apart); false when
    // not all of them could be read (said, and the window gone or not).
    bool ReadChangedTrades(const QString& start, const QString& end, const QString& now, TSQLQuery& rules,
                           const std::map<QString, QStringList>& sameLineEvents, const TPlatformCallStop& stop,
                           TFormProgress& progress, bool automatic);
    void CatchUpDone();
    void CatchUpFailed(const QString& from, const QString& message, bool automatic);
    // Moves the shop's moment on over what the live stream has shown
    // (TKivStreamThread::LiveCoverage) when it reaches back to the moment;
    // true when it moved.
    bool AdvanceWithStream(const TStreamCoverage& coverage);
    void CatchUpTimerTimeout();
    void DBGridItemsDrawDataCell(const TRect& rect, int dataCol, TColumnMv* column);
    bool IsLocatedCell(const TField& field) const;
    void HangSound(TField& field, const QByteArray& sound);
    // QtyBalance and QtyOrder follow QtyStock and QtyPay in a changed row.
    void RecomputeBalance();

    TTreeNodeShop* FShop = nullptr;
    bool FMonitorMode = false;
    QString FLayoutKey = SyncLayoutKey;
    std::unique_ptr<TSQLQuery> FRuleQuery;
    QPointer<TKivStreamThread> FStream;
    bool FMonitoring = false;
    bool FRegistered = false;
    bool FSyncing = false;
    bool FCatchingUp = false;
    // The running catch-up's stop, which a stop of monitoring presses.
    TPlatformCallStop* FCatchUpStop = nullptr;
    // The next catch-up is the start's: it waits for the stream.
    bool FAwaitStream = false;
    TCatchUpBackOff FBackOff;
    QTimer* FCatchUpTimer;
    // The earliest moment from which this window's log said trades were to
    // be caught up, until it says they have been.
    QString FGapSaid;
    QElapsedTimer FLastAdvance;
    int FImageIndex = 0;
    int FSavedImageIndex = 0;
    // Fields whose sound has played for the row being changed now: a field
    // set again by the recomputation does not play twice.
    std::set<const TField*> FSounded;
};

// "同步数据": the shop check, then the items window of the shop in sync mode,
// modal; it is freed when it closes.
void OpenSyncForm(TTreeNodeShop& shop);
// "监控数据": the shop check, then the shop's monitor window (made on the first
// call, owned by the main window, entered in the registries of open monitor
// windows), shown and restored from minimised.
void OpenMonitorForm(TTreeNodeShop& shop);
// Routes the main window's "同步数据" and "监控数据" to the two above.
void InstallItemsHooks();
