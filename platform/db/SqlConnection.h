#pragma once
// The database connection: Firebird through Qt SQL's QIBASE driver. The
// "Database" parameter is a local file path (opened by the embedded engine; a
// relative path is taken relative to BaseDir) or "host:path" (a server). The
// connection opens with the first statement and stays open; its character set
// is UTF8. Failures raise EDatabaseError with the driver's message.
//
// A connection whose server went away (stopped, restarted, out of reach)
// fails every statement for good: a statement that fails on a connection
// that no longer answers closes it and raises EDatabaseConnectionLost, and
// the next statement connects again. So does a failed connect of a
// connection that was open before. A statement that meets another
// transaction's write of the same row raises EDatabaseConflict, one whose
// values do not fit their columns EDatabaseValueError.

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <optional>
#include <utility>

class QSqlError;
class QSqlQuery;

// The host and port (or service) of a server database name ("host:path",
// "host/port:path"); none for a local file. The port defaults to Firebird's.
std::optional<std::pair<QString, QString>> DatabaseServerAddress(const QString& databaseName);

class TSQLConnection : public QObject {
    Q_OBJECT
public:
    explicit TSQLConnection(QObject* parent = nullptr);
    ~TSQLConnection() override;
    TSQLConnection(const TSQLConnection&) = delete;
    TSQLConnection& operator=(const TSQLConnection&) = delete;

    // Connection parameters as name=value: "Database", "User_Name", "Password".
    void SetParam(const QString& name, const QString& value);
    QString Param(const QString& name) const;
    // Folder against which a relative local database path is resolved.
    QString BaseDir;
    // Where the "Database" parameter is set, as the messages of a database
    // that is not named or not there tell the user; empty: not told.
    QString DatabaseSetting;

    bool Connected() const;
    void Open();
    void Close();
    // How many times the connection has been made: work begun on one
    // attachment tells whether it is still the same one.
    quint64 Attachments() const { return FAttachments; }

    // The database name as the driver gets it: a server name is kept, a
    // local relative path is made absolute against BaseDir.
    QString ResolvedDatabaseName() const;

    // Runs one statement directly (no result rows) and returns the number
    // of rows it changed.
    int ExecuteDirect(const QString& sql);
    // Runs a definition (a procedure's or a trigger's) exactly as it is
    // written: its body names its variables with a colon, which a statement
    // prepared for binding would take for placeholders.
    void ExecuteDefinition(const QString& sql);

    // The Qt handle, opened first; for the dataset framework.
    QSqlDatabase Database();

    // Raises EDatabaseError from a failed query with the driver's message:
    // EDatabaseConnectionLost when the connection no longer answers,
    // EDatabaseConflict when another transaction holds or wrote the row,
    // EDatabaseValueError when the values do not fit their columns.
    [[noreturn]] void RaiseError(const QSqlQuery& query, const QString& sql);
    [[noreturn]] void RaiseError(const QSqlError& error);
    // The message of EDatabaseConnectionLost.
    static QString ConnectionLostText();

Q_SIGNALS:
    // The connection was found gone (and closed); emitted before the raise.
    void ConnectionLost();

private:
    // Whether the open connection still answers a statement.
    bool Responds();
    [[noreturn]] void RaiseLost();

    QString FConnectionName;
    QString FDatabase;
    QString FUserName;
    QString FPassword;
    bool FLost = false;
    quint64 FAttachments = 0;
};
