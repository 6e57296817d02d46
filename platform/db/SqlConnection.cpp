#include "platform/db/SqlConnection.h"

#include "platform/Exceptions.h"
#include "platform/db/DbTexts.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

QString NextConnectionName()
{
    static QAtomicInteger<int> counter;
    return QStringLiteral("morvane-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString ErrorText(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    const QString driver = error.driverText().trimmed();
    if (text.isEmpty())
        return driver;
    if (!driver.isEmpty() && !text.contains(driver))
        text = driver + QStringLiteral(": ") + text;
    return text;
}

bool IsServerName(const QString& name)
{
    return DatabaseServerAddress(name).has_value();
}

bool ContainsAny(const QString& text, const QStringList& words)
{
    return std::any_of(words.begin(), words.end(), [&](const QString& word) { return text.contains(word); });
}

// The server's words for a statement that met another transaction's write
// of the same row: a row held (an update conflict, a deadlock, a lock
// conflict or time-out) or a key stored meanwhile.
bool IsConflictText(const QString& text)
{
    static const QStringList conflicts = {QStringLiteral("update conflicts with concurrent update"), QStringLiteral("deadlock"),
                                          QStringLiteral("lock conflict"), QStringLiteral("lock time-out"),
                                          QStringLiteral("violation of PRIMARY or UNIQUE KEY")};
    return ContainsAny(text, conflicts);
}

// The server's words for values that do not fit their columns.
bool IsValueErrorText(const QString& text)
{
    static const QStringList refusals = {QStringLiteral("arithmetic exception, numeric overflow, or string truncation"),
                                         QStringLiteral("conversion error from string"), QStringLiteral("validation error for column"),
                                         QStringLiteral("Malformed string")};
    return ContainsAny(text, refusals);
}

} // namespace

std::optional<std::pair<QString, QString>> DatabaseServerAddress(const QString& databaseName)
{
    // "host:path" or "host/port:path" names a server; anything else is a local file.
    static const QRegularExpression server(QStringLiteral("^([A-Za-z0-9._-]+)(?:/([A-Za-z0-9_-]+))?:"));
    const QRegularExpressionMatch match = server.match(databaseName);
    if (!match.hasMatch())
        return std::nullopt;
    const QString port = match.captured(2);
    return std::pair{match.captured(1), port.isEmpty() ? QStringLiteral("3050") : port};
}

TSQLConnection::TSQLConnection(QObject* parent)
    : QObject(parent), FConnectionName(NextConnectionName())
{
}

TSQLConnection::~TSQLConnection()
{
    Close();
    if (QSqlDatabase::contains(FConnectionName))
        QSqlDatabase::removeDatabase(FConnectionName);
}

void TSQLConnection::SetParam(const QString& name, const QString& value)
{
    if (name.compare(u"Database", Qt::CaseInsensitive) == 0)
        FDatabase = value;
    else if (name.compare(u"User_Name", Qt::CaseInsensitive) == 0)
        FUserName = value;
    else if (name.compare(u"Password", Qt::CaseInsensitive) == 0)
        FPassword = value;
    else
        throw EDatabaseError(QStringLiteral("Unknown connection parameter %1").arg(name));
}

QString TSQLConnection::Param(const QString& name) const
{
    if (name.compare(u"Database", Qt::CaseInsensitive) == 0)
        return FDatabase;
    if (name.compare(u"User_Name", Qt::CaseInsensitive) == 0)
        return FUserName;
    if (name.compare(u"Password", Qt::CaseInsensitive) == 0)
        return FPassword;
    return {};
}

QString TSQLConnection::ResolvedDatabaseName() const
{
    if (IsServerName(FDatabase) || QDir::isAbsolutePath(FDatabase) || BaseDir.isEmpty())
        return FDatabase;
    return QDir(BaseDir).absoluteFilePath(FDatabase);
}

bool TSQLConnection::Connected() const
{
    return QSqlDatabase::contains(FConnectionName) && QSqlDatabase::database(FConnectionName, false).isOpen();
}

void TSQLConnection::Open()
{
    if (Connected())
        return;
    if (FDatabase.trimmed().isEmpty())
        throw EDatabaseError(NoDatabaseText(DatabaseSetting));
    // The driver of a lost connection keeps the handle of the transaction
    // that was open on it, and refuses to begin another: a new one takes over.
    if (FLost && QSqlDatabase::contains(FConnectionName))
        QSqlDatabase::removeDatabase(FConnectionName);
    FLost = false;
    QSqlDatabase db = QSqlDatabase::contains(FConnectionName)
                          ? QSqlDatabase::database(FConnectionName, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), FConnectionName);
    if (!db.isValid())
        throw EDatabaseError(QStringLiteral("The Firebird driver (QIBASE) is not available"));
    const QString name = ResolvedDatabaseName();
    // The embedded engine would create nothing, but its message for a missing
    // file (or a folder) is obscure; say plainly what is wrong.
    if (!IsServerName(name) && !QFileInfo(name).isFile())
        throw EDatabaseError(DatabaseMissingText(name, DatabaseSetting));
    db.setDatabaseName(name);
    db.setUserName(FUserName);
    db.setPassword(FPassword);
    db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    if (!db.open()) {
        // A server that answered before and does not now is away, not misnamed.
        if (FAttachments > 0)
            RaiseLost();
        throw EDatabaseError(ErrorText(db.lastError()));
    }
    ++FAttachments;
}

void TSQLConnection::Close()
{
    if (!QSqlDatabase::contains(FConnectionName))
        return;
    QSqlDatabase db = QSqlDatabase::database(FConnectionName, false);
    if (db.isOpen())
        db.close();
}

QSqlDatabase TSQLConnection::Database()
{
    Open();
    return QSqlDatabase::database(FConnectionName, false);
}

int TSQLConnection::ExecuteDirect(const QString& sql)
{
    QSqlQuery query(Database());
    // QIBASE reports the changed rows only for a prepared statement.
    if (!query.prepare(sql) || !query.exec())
        RaiseError(query, sql);
    return query.numRowsAffected();
}

void TSQLConnection::ExecuteDefinition(const QString& sql)
{
    QSqlQuery query(Database());
    if (!query.exec(sql))
        RaiseError(query, sql);
}

void TSQLConnection::RaiseError(const QSqlQuery& query, const QString& sql)
{
    Q_UNUSED(sql);
    RaiseError(query.lastError());
}

void TSQLConnection::RaiseError(const QSqlError& error)
{
    // The driver keeps a connection whose server has gone for open; only a
    // statement tells.
    if (Connected() && !Responds())
        RaiseLost();
    QString text = ErrorText(error);
    if (text.isEmpty())
        text = QStringLiteral("Statement failed");
    if (IsConflictText(text))
        throw EDatabaseConflict(text);
    if (IsValueErrorText(text))
        throw EDatabaseValueError(text);
    throw EDatabaseError(text);
}

bool TSQLConnection::Responds()
{
    QSqlQuery probe(QSqlDatabase::database(FConnectionName, false));
    return probe.exec(QStringLiteral("select 1 from rdb$database"));
}

void TSQLConnection::RaiseLost()
{
    Close();
    FLost = true;
    Q_EMIT ConnectionLost();
    throw EDatabaseConnectionLost(ConnectionLostText());
}

QString TSQLConnection::ConnectionLostText()
{
    return QStringLiteral("与数据库的连接已断开，请在数据库恢复后重试！");
}
