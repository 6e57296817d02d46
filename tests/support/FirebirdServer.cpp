#include "support/FirebirdServer.h"

#include "platform/IniFile.h"
#include "platform/SqlText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString ServerProgram = QStringLiteral("/usr/sbin/firebird");

// The installed engine's folder (plugins, intl, messages), whatever the
// machine's multiarch triplet.
QString EngineDir()
{
    for (const QString& arch : QDir(QStringLiteral("/usr/lib")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString dir = QStringLiteral("/usr/lib/") + arch + QStringLiteral("/firebird/3.0");
        if (QFile::exists(dir + QStringLiteral("/plugins")))
            return dir;
    }
    return {};
}

bool WriteFile(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) == text.toUtf8().size();
}

// A socket bound to 127.0.0.1:port (0: any free port), closed when it goes.
struct TLoopbackSocket {
    explicit TLoopbackSocket(int port)
    {
        Address.sin_family = AF_INET;
        Address.sin_port = htons(quint16(port));
        Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    ~TLoopbackSocket()
    {
        if (Handle >= 0)
            ::close(Handle);
    }
    TLoopbackSocket(const TLoopbackSocket&) = delete;
    TLoopbackSocket& operator=(const TLoopbackSocket&) = delete;

    int Handle = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in Address{};
};

// A port of 127.0.0.1 that nobody listens on right now.
int FreePort()
{
    TLoopbackSocket probe(0);
    socklen_t length = sizeof probe.Address;
    if (probe.Handle < 0 || ::bind(probe.Handle, reinterpret_cast<sockaddr*>(&probe.Address), length) != 0 ||
        ::getsockname(probe.Handle, reinterpret_cast<sockaddr*>(&probe.Address), &length) != 0)
        return 0;
    return ntohs(probe.Address.sin_port);
}

QProcessEnvironment ServerEnvironment(const QString& root)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FIREBIRD"), root);
    environment.insert(QStringLiteral("FIREBIRD_LOCK"), root + QStringLiteral("/lock"));
    return environment;
}

// Runs isql on the embedded engine of the server's root; the output when it failed.
QString RunIsql(const QString& root, const QStringList& arguments, const QString& script)
{
    QProcess isql;
    isql.setProcessEnvironment(ServerEnvironment(root));
    isql.setProcessChannelMode(QProcess::MergedChannels);
    isql.start(QStringLiteral("isql-fb"), QStringList{QStringLiteral("-q"), QStringLiteral("-b")} + arguments);
    if (!isql.waitForStarted(10000))
        return QStringLiteral("isql-fb did not start");
    isql.write(script.toUtf8());
    isql.closeWriteChannel();
    if (!isql.waitForFinished(60000) || isql.exitCode() != 0)
        return QStringLiteral("isql-fb: ") + QString::fromLocal8Bit(isql.readAll());
    return {};
}

bool WriteConf(const QString& root, int port)
{
    return WriteFile(root + QStringLiteral("/firebird.conf"),
                     QStringLiteral("RemoteServicePort = %1\nRemoteBindAddress = 127.0.0.1\nAuthServer = Srp\n"
                                    "UserManager = Srp\nWireCrypt = Enabled\nSecurityDatabase = %2\n")
                         .arg(port)
                         .arg(root + QStringLiteral("/security3.fdb")));
}

bool Listening(int port)
{
    TLoopbackSocket socket(port);
    return socket.Handle >= 0 &&
           ::connect(socket.Handle, reinterpret_cast<const sockaddr*>(&socket.Address), sizeof socket.Address) == 0;
}

} // namespace

TFirebirdServer::TFirebirdServer() = default;

TFirebirdServer::~TFirebirdServer()
{
    Stop();
}

bool TFirebirdServer::Installed()
{
    return QFile::exists(ServerProgram) && !EngineDir().isEmpty();
}

bool TFirebirdServer::Start(const QString& folder, QString* error)
{
    Stop();
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        Stop();
        return false;
    };
    if (!Installed())
        return fail(QStringLiteral("the Firebird server is not installed (scripts/deps installs it)"));
    const QString engine = EngineDir();
    const QString root = QDir(folder).absoluteFilePath(QStringLiteral("fbroot"));
    if (!QDir().mkpath(root + QStringLiteral("/lock")))
        return fail(QStringLiteral("cannot make ") + root);
    for (const QString& name : {QStringLiteral("plugins"), QStringLiteral("intl"), QStringLiteral("firebird.msg"),
                                QStringLiteral("plugins.conf")}) {
        if (QFile::exists(engine + u'/' + name) && !QFile::link(engine + u'/' + name, root + u'/' + name))
            return fail(QStringLiteral("cannot link ") + name);
    }
    // The engine takes a root as its own only with a firebird.conf in it.
    const QString security = root + QStringLiteral("/security3.fdb");
    if (!WriteConf(root, 0) ||
        !WriteFile(root + QStringLiteral("/databases.conf"),
                   QStringLiteral("security.db = %1\n{\n  RemoteAccess = false\n}\n").arg(security)))
        return fail(QStringLiteral("cannot write the server's configuration"));

    // The security database is made and its administrator set on the
    // embedded engine, before the server runs.
    const QString user = QString::fromUtf16(UserName);
    QString failure = RunIsql(root, {QStringLiteral("-user"), user},
                              QStringLiteral("create database ") + QuotedStr(security) + QStringLiteral(";\ncommit;\n"));
    if (failure.isEmpty())
        failure = RunIsql(root, {QStringLiteral("-user"), user, security},
                          QStringLiteral("create or alter user ") + user + QStringLiteral(" password ") +
                              QuotedStr(QString::fromUtf16(Password)) + QStringLiteral(" using plugin Srp;\ncommit;\n"));
    if (!failure.isEmpty())
        return fail(failure);

    // A free port can be taken by another test between the probe and the
    // server's bind: then the server ends, and a new port is tried.
    FRoot = root;
    for (int attempt = 0; attempt < 5; ++attempt) {
        failure = Launch(FreePort());
        if (failure.isEmpty())
            return true;
    }
    return fail(failure);
}

bool TFirebirdServer::Restart(QString* error)
{
    const QString failure = FRoot.isEmpty() ? QStringLiteral("the server was never started") : Launch(FPort);
    if (error)
        *error = failure;
    return failure.isEmpty();
}

QString TFirebirdServer::Launch(int port)
{
    Stop();
    FPort = port;
    const QString& root = FRoot;
    if (FPort <= 0 || !WriteConf(root, FPort))
        return QStringLiteral("cannot write the server's configuration");
    FProcess = std::make_unique<QProcess>();
    FProcess->setProcessEnvironment(ServerEnvironment(root));
    FProcess->setProcessChannelMode(QProcess::MergedChannels);
    FProcess->setStandardOutputFile(root + QStringLiteral("/server.log"));
    FProcess->start(ServerProgram, {});
    if (!FProcess->waitForStarted(10000))
        return QStringLiteral("the server did not start");
    QElapsedTimer timer;
    timer.start();
    // Listening alone could be somebody else on a reused port: the server
    // must still run a moment later.
    while (!Listening(FPort) || FProcess->waitForFinished(100)) {
        if (FProcess->state() != QProcess::Running || timer.elapsed() > 20000) {
            QFile log(root + QStringLiteral("/firebird.log"));
            const QString text = log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
            return QStringLiteral("the server does not listen on port %1: %2").arg(FPort).arg(text.right(2000));
        }
        QThread::msleep(50);
    }
    return {};
}

void TFirebirdServer::Stop()
{
    if (FProcess) {
        FProcess->terminate();
        if (!FProcess->waitForFinished(10000)) {
            FProcess->kill();
            FProcess->waitForFinished(5000);
        }
        FProcess.reset();
    }
}

QString TFirebirdServer::DatabaseName(const QString& path) const
{
    return QStringLiteral("127.0.0.1/%1:%2").arg(FPort).arg(QDir(path).absolutePath());
}

void TFirebirdServer::WriteSettings(const QString& programDir, const QString& databasePath, const QString& password) const
{
    TIniFile ini(QDir(programDir).filePath(QStringLiteral("KivSets.ini")));
    ini.WriteString(QStringLiteral("Data"), QStringLiteral("DataFile"), DatabaseName(databasePath));
    ini.WriteString(QStringLiteral("Data"), QStringLiteral("UserName"), QString::fromUtf16(UserName));
    ini.WriteString(QStringLiteral("Data"), QStringLiteral("Password"), password);
}
