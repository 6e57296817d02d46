#pragma once
// The local platform stand-in as a test fixture: the built platform-sim,
// started on a free port of 127.0.0.1 with a catalogue file and stopped
// when the object goes. Control calls count requests, set faults and the
// platform's time, and replace the catalogue.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <memory>

class QUrlQuery;

class TPlatformSim {
public:
    TPlatformSim() = default;
    ~TPlatformSim();
    TPlatformSim(const TPlatformSim&) = delete;
    TPlatformSim& operator=(const TPlatformSim&) = delete;

    // Starts the stand-in; false with the reason in error when it did not come up.
    bool Start(const QString& cataloguePath, QString* error = nullptr);
    void Stop();
    bool Running() const;

    int Port() const { return FPort; }
    // "http://127.0.0.1:PORT" followed by the path.
    QString Url(const QString& path = QString()) const;
    QString TqlUrl() const { return Url(QStringLiteral("/tql/2.0/json")); }
    QString ContainerUrl() const { return Url(QStringLiteral("/container?authcode=")); }

    // Requests of a kind ("tql", "container", "authorize", "home") or of a
    // method ("taobao.item.get"); empty: every request to the platform.
    long Count(const QString& name = QString()) const;
    void ResetCounts() const;
    // Fault of the query endpoint: "slow" (delayMs before the answer),
    // "hold" (no answer until Release), "http500", "cut" (connection dropped
    // mid-body), "junk" (a 200 page that is not JSON), "none"; times: how
    // many requests (-1: all); method: only requests of that method, of
    // which skip pass first.
    void SetFault(const QString& mode, int delayMs = 0, int times = -1, const QString& method = QString(), int skip = 0) const;
    // Answers the held requests; how many are held now.
    void Release() const;
    int Held() const;
    // The platform's time; empty: the clock.
    void SetNow(const QString& now) const;
    // The change listing shows a trade only that many seconds after it changed.
    void SetListingLag(int secs) const;
    void SetCatalogue(const QByteArray& json) const;
    // A port on 127.0.0.1 that answers every connection with bytes that are not HTTP.
    int GarbagePort() const;
    // A port on 127.0.0.1 that refuses every connection.
    int RefusingPort() const;

    // The notification stream. Each call that sends returns the number of
    // open streams it went to.
    QString StreamUrl() const { return Url(QStringLiteral("/stream")); }
    // The bytes, each line encoded and ended with CR LF (encode), or exactly
    // as given; repeated; cut into chunks at the offsets, gapMs apart.
    int StreamSend(const QByteArray& bytes, bool encode = true, const QList<int>& split = {}, int gapMs = 0,
                   int repeat = 1) const;
    // Business messages (202) of the kind ("notify_trade", "notify_refund");
    // a null text leaves its member out. log: record when each was written.
    int StreamNotify(const QString& kind, const QString& status, const QString& tid, const QString& oid,
                     const QString& modified, int count = 1, bool log = false) const;
    // One packet with the code (and the msg text unless it is null).
    int StreamCode(int code, const QString& msg = QString()) const;
    int StreamDrop() const;
    // Heartbeats every intervalMs on every stream; 0: none. Started here, the
    // stand-in sends none until asked (the platform's come every 30 s), so
    // that a stream carries only what the test sent.
    void StreamHeartbeat(int intervalMs) const;
    // New streams wait that long before they answer (0: at once).
    void StreamStall(int ms) const;
    // New streams are refused with the platform's error reply of the text
    // (empty: taken again).
    void StreamRefuse(const QString& msg) const;
    int StreamOpen() const;
    // A buyer's order of num of the SKU (empty: the next SKU in turn; several
    // joined by ",": one trade of one order line each) in the
    // shop of the app key: the trade goes into the catalogue and its
    // notification (event) onto the open streams, count times over; log:
    // record when each notification was written. The last order's trade id.
    struct TOrder {
        QString Tid;
        QString Oid;
        int Streams = 0;
    };
    TOrder PlaceOrder(const QString& appKey, const QString& skuId, qint64 num = 1,
                      const QString& status = QStringLiteral("WAIT_SELLER_SEND_GOODS"),
                      const QString& event = QStringLiteral("TradeBuyerPay"), int count = 1, bool log = false) const;
    // The trade paid, shipped or refunded later: its order lines (only the
    // line oid when given) take the status and the refund status that are
    // not empty, its modification time becomes the platform's time, and with
    // an event the notification of the kind goes onto the open streams.
    TOrder ChangeTrade(const QString& appKey, const QString& tid, const QString& status, const QString& event = QString(),
                       const QString& refundStatus = QString(), const QString& kind = QStringLiteral("notify_trade"),
                       const QString& oid = QString()) const;
    // Steady-clock nanoseconds at which each logged message was written.
    QList<qint64> StreamSent() const;
    void StreamSentClear() const;

private:
    QByteArray Control(const QString& path, bool post) const;
    QByteArray Control(const QString& path, const QUrlQuery& query) const;

    std::unique_ptr<QProcess> FProcess;
    // Under ThreadSanitizer the stand-in is spawned without QProcess (see Start).
    int FPid = 0;
    int FOutput = -1;
    int FPort = 0;
};

// The built stand-in's program file.
QString PlatformSimProgram();
