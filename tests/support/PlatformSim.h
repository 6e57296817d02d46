#pragma once
// The local platform stand-in as a test fixture: the built platform-sim,
// started on a free port of 127.0.0.1 with a catalogue file and stopped
// when the object goes. Control calls count requests, set faults and the
// platform's time, and replace the catalogue.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <memory>

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
    // "http500", "cut" (connection dropped mid-body), "junk" (a 200 page
    // that is not JSON), "none"; times: how many requests (-1: all).
    void SetFault(const QString& mode, int delayMs = 0, int times = -1) const;
    // The platform's time; empty: the clock.
    void SetNow(const QString& now) const;
    void SetCatalogue(const QByteArray& json) const;
    // A port on 127.0.0.1 that answers every connection with bytes that are not HTTP.
    int GarbagePort() const;

private:
    QByteArray Control(const QString& path, bool post) const;

    std::unique_ptr<QProcess> FProcess;
    int FPort = 0;
};

// The built stand-in's program file.
QString PlatformSimProgram();
