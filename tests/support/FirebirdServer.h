#pragma once
// A Firebird server of the test's own, as several seats would share one
// database: the installed server binary run with a root folder inside the
// test's temporary folder (its own configuration, a port on 127.0.0.1, its
// own security database and lock folder), so that it needs no system
// service and leaves nothing behind. Stopped when the object goes.

#include <QString>
#include <memory>

class QProcess;

class TFirebirdServer {
public:
    TFirebirdServer();
    ~TFirebirdServer();
    TFirebirdServer(const TFirebirdServer&) = delete;
    TFirebirdServer& operator=(const TFirebirdServer&) = delete;

    // Sets the root up in folder (which must exist) and starts the server
    // with the user and password below; false with the reason in error.
    bool Start(const QString& folder, QString* error = nullptr);
    void Stop();
    // Starts the stopped server again on its root and port, as a server that
    // was restarted; false with the reason in error.
    bool Restart(QString* error = nullptr);
    int Port() const { return FPort; }
    // The name the program connects with: "127.0.0.1/PORT:path".
    QString DatabaseName(const QString& path) const;
    // Points the program folder's "KivSets.ini" at the database file through
    // this server, with the login below (or another password).
    void WriteSettings(const QString& programDir, const QString& databasePath, const QString& password = QString::fromUtf16(Password)) const;

    static constexpr auto UserName = u"SYSDBA";
    static constexpr auto Password = u"seatpass";

private:
    // Whether the server binary is installed (package firebird3.0-server).
    static bool Installed();
    // Starts the server of the prepared root on the port; the reason when it did not come up.
    QString Launch(int port);

    std::unique_ptr<QProcess> FProcess;
    QString FRoot;
    int FPort = 0;
};
