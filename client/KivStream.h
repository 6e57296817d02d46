#pragma once
// The notification stream of a monitored shop. While its monitor window is
// monitoring, one TKivStreamThread holds the platform's stream open for the
// shop: a signed POST whose reply never ends and arrives in chunks. The
// stream thread appends each chunk, raw, to the buffer (under
// StreamBufferLock) and has the buffer processed on the GUI thread by a
// synchronized call: complete lines are decoded and read, connection packets
// are logged in the window's log list box, and trade and refund
// notifications that an active monitor rule covers are fetched, mapped and
// queued as update records.
//
// The monitor window's side:
//   StartMonitor:  shop.Stopped = false;
//                  FStream = new TKivStreamThread(shop, lbMonitor, dataSet, this);
//                  connect(FStream, &TKivStreamThread::ThreadEnd, this, &...::OnThreadEnd);
//   StopMonitor:   shop.Stopped = true; if (FStream) FStream->Terminate();
// Terminate never waits for the stream thread: it ends the connection (or
// the pause before the next one) and returns. The object frees itself once
// the thread has ended, after emitting ThreadEnd on the GUI thread; hold it
// in a QPointer. Destroying it earlier (with its parent) stops the thread
// too, and then no ThreadEnd comes.
//
// A connection that fails or ends is made again after a pause that doubles
// from ReconnectBaseMs up to ReconnectMaxMs, and is back at the base after a
// connection the platform confirmed (200). A connection silent for three
// heartbeat intervals (SilenceMs while no interval is known) counts as dead
// and is made again. A stream that cannot get through says so in the log
// once an outage, from the first attempt that fails on: that no connection
// could be made, or that the platform refused it (its error reply instead
// of the stream), in the platform's words; again when those words change.
//
// The trade of a notification is fetched on a thread of its own (one fetch
// after the other), so that a platform slow to answer holds up neither the
// windows nor the stream; its order lines are queued on the GUI thread when
// the reply is in. What the stream may have missed is remembered as the
// shop's gap (MarkOutGap) and said in the log: a trade whose fetch failed
// (from its notification's time), a confirmed connection that ended (from
// OutageMarginSecs before its last line), fetches cut short by the stop.
//
// What a live connection shows of the shop's record starts at a reading of
// the platform's clock that a catch-up took at least a second after the
// platform confirmed the connection (TakeCoverage): every trade that
// changes from the second it read on reaches the stream, and what changed
// before is the catch-up's to read, so the two meet by construction.

#include "client/KivDataM.h"
#include "client/KivMapping.h"
#include "client/KivQuery.h"
#include "client/KivStreamLines.h"
#include "platform/HttpClient.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QListWidget;
class TClientDataSet;
struct TStreamNotify;
struct TTqlReply;

// Timings of the stream connections; each thread takes them at creation.
struct TStreamTimings {
    int ReconnectBaseMs = 1000;
    int ReconnectMaxMs = 30000;
    // A stream without a byte for this long is dead, until the platform's
    // heartbeat interval is known (then three of them).
    int SilenceMs = 90000;
    int ConnectTimeoutMs = 10000;
    qsizetype MaxLineBytes = TStreamLineBuffer::DefaultMaxLine;
    // How long before the last line of a connection that ended its gap
    // starts: the platform's clock is known to the second only, and a trade
    // read twice is recorded once.
    int OutageMarginSecs = 60;
};
extern TStreamTimings StreamTimings;

// What a live stream carries of a shop's record (TKivStreamThread::
// LiveCoverage), in the platform's time; From is empty for none.
struct TStreamCoverage {
    QString From;
    QString To;
    // The record's count of marks it was handed with.
    int Marks = -1;
    // The reading From was taken from.
    TPlatformReading Reading;
};

// One active row of "SYS_Monitor" as the stream reads it.
struct TMonitorRule {
    QString MsgType;
    QString TradeEvent;
    QString Status;
    QString LocateFields;
    QString ReturnField;
    QString UpdateField;
    QString OtherUpdateFields;

    // Every column a notification needs holds something.
    bool Complete() const
    {
        return !Status.isEmpty() && !LocateFields.isEmpty() && !ReturnField.isEmpty() && !UpdateField.isEmpty();
    }
};

class TKivStreamThread : public QObject {
    Q_OBJECT
public:
    // GUI thread. Reads the active monitor rules (rule edits take effect at
    // the next start), publishes the connection as shop.StreamHttp and starts
    // the thread. The shop's credentials, the proxy and the stream address
    // are taken now. Raises when the rules cannot be read.
    TKivStreamThread(TTreeNodeShop& shop, QListWidget* logBox, TClientDataSet* dataSet, QObject* parent = nullptr);
    ~TKivStreamThread() override;

    // GUI thread: ends the connection, or the wait for the next one, and
    // lets the thread end; returns at once. Also unhooks shop.StreamHttp.
    // Nothing reaches the log box or the queue after this.
    void Terminate();
    bool Terminated() const;
    // True until ThreadEnd has been emitted.
    bool Running() const { return FRunning; }
    // The platform confirmed the connection (200), and it has not ended since.
    bool Live() const { return FLive; }
    // Connections (or attempts) that have ended so far.
    int EndedConnections() const { return FEnded; }
    // GUI thread: whether any stream of this program is fetching the trade
    // of a notification, whose lines are then about to be queued.
    static bool AnyFetchPending();

    // When the live connection was confirmed, on the steady clock.
    std::chrono::steady_clock::time_point ConfirmedAt() const { return FConfirmedAt; }

    // A catch-up read the platform's clock (reading) at least a second after
    // the live connection was confirmed, having read the shop's record
    // before: from the second it read on, or the second after the record's
    // latest mark when that is later, the stream carries the shop's record.
    // Taken only while a connection is live, the reading is that late and
    // the record was known; true when taken. (A connection that ended
    // meanwhile marked the record, which ends the coverage at once.)
    bool TakeCoverage(const TOutGap& record, const TPlatformReading& reading);

    // What the live stream shows of the shop's record as just read: every
    // trade that changed from From up to (not including) To has reached it
    // and been stored, or waits in EventQueue. To lies OutageMarginSecs
    // before the connection's last line, counted from the reading of From,
    // and at the earliest trade still being fetched. None while no
    // connection is live, no catch-up has handed it a reading since it was
    // confirmed, or any seat marked the record since (its count of marks is
    // not the one the coverage was handed with).
    TStreamCoverage LiveCoverage(const TOutGap& record);

    // The first active rule whose "MsgType" is the kind and whose
    // "TradeEvent", in single quotes, equals the event; none when there is
    // no such row or its "Status", "LocateFields", "ReturnField" or
    // "UpdateField" is empty.
    const TMonitorRule* FindMonitorRule(const QString& kind, const QString& event) const;
    // The active rules that cannot be applied, a line each saying which and
    // why (the monitor logs them as it starts); those that name a field the
    // window or the trade line lacks are left out of the rules.
    const QStringList& RuleProblems() const { return FRuleProblems; }

Q_SIGNALS:
    // The stream thread has ended (OnThreadEnd of the monitor window).
    void ThreadEnd();
    // The platform confirmed a connection after none was live.
    void Connected();

private:
    struct TShared;
    // A notification whose trade is being fetched.
    struct TPendingFetch {
        QString Tid;
        QString Modified;
        QStringList ExtraLines;
        TTradeEventTarget Target;
    };
    static void Execute(const std::shared_ptr<TShared>& shared, const std::atomic<bool>& stopping);
    static void StreamConnect(TShared& shared);
    static void FetchTrades(const std::shared_ptr<TShared>& shared, const std::atomic<bool>& stopping);

    void ProcessBuffer();
    void ProcessLine(const QString& line);
    void HandleNotifyMessage(const TStreamNotify& notify);
    void FetchDone(quint64 id, const TTqlReply& reply);
    void OnConnectionEnded();
    // An attempt ended before the platform confirmed it: said once an outage.
    void NotConnected(const QString& refusal);
    // Marks the shop's gap from the moment and says so.
    void Missed(const QString& from, const QString& what);
    // Says what happened, and from when the shop's trades wait to be caught up.
    void SayWaiting(const QString& what);
    // The reading the platform's time is counted from now: the coverage's,
    // else the last one taken.
    TPlatformReading ReadingNow() const;
    void StoreRawMessage(const QString& line);
    void ThreadEnded();

    std::shared_ptr<TShared> FShared;
    // The shop whose StreamHttp this connection is, until Terminate.
    TTreeNodeShop* Shop;
    // The shop's code and credentials as they were at the start.
    TTreeNodeShop FShopCopy;
    QPointer<QListWidget> LogBox;
    QPointer<TClientDataSet> DataSet;
    std::vector<TMonitorRule> RuleQuery;
    QStringList FRuleProblems;
    bool FRunning = true;
    bool FLive = false;
    int FEnded = 0;
    // The platform's words refusing the attempt under way, if it did.
    QString FAttemptRefusal;
    // The outage (since the last confirmed connection) has been said, and
    // with which words of the platform (none for no connection).
    bool FOutageSaid = false;
    QString FRefusalSaid;
    std::chrono::steady_clock::time_point FConfirmedAt;
    // When the live connection last had a line.
    std::chrono::steady_clock::time_point FLastAlive;
    // What a catch-up handed over (TakeCoverage), while it holds.
    struct TCoverage {
        QString From;
        int Marks = -1;
        TPlatformReading Reading;
    };
    std::optional<TCoverage> FCoverage;
    quint64 FLastFetch = 0;
    std::map<quint64, TPendingFetch> FFetches;
    std::optional<std::chrono::steady_clock::time_point> FLastHeartbeat;
};
