#include "support/PlatformSim.h"

#include "platform/HttpClient.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>

QString PlatformSimProgram()
{
    return BinaryDir() + QStringLiteral("/tools/platform-sim/platform-sim");
}

TPlatformSim::~TPlatformSim()
{
    Stop();
}

#if defined(__SANITIZE_THREAD__)
// QProcess starts its child with a vfork-style clone that shares the test's
// memory until the exec; ThreadSanitizer cannot follow that and from then on
// ignores the synchronization of the thread that started it, so every later
// report about that thread is noise. posix_spawn it understands.
#define MORVANE_SIM_SPAWN 1
#endif

#ifdef MORVANE_SIM_SPAWN
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Starts the program with its standard output on a pipe; the pid, or 0.
int Spawn(const QStringList& arguments, int& output)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    TCStringArray argv(arguments);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv.Data()[0], &actions, nullptr, argv.Data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (failed) {
        ::close(fds[0]);
        return 0;
    }
    output = fds[0];
    return int(pid);
}

// The first line the program writes, waiting at most timeoutMs.
QByteArray FirstLine(int output, int timeoutMs)
{
    QByteArray line;
    QElapsedTimer timer;
    timer.start();
    while (!line.contains('\n') && timer.elapsed() < timeoutMs) {
        pollfd poller{output, POLLIN, 0};
        if (::poll(&poller, 1, 100) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(output, buffer, sizeof buffer);
        if (n <= 0)
            break;
        line.append(buffer, n);
    }
    return line.left(line.indexOf('\n'));
}

} // namespace
#endif

bool TPlatformSim::Start(const QString& cataloguePath, QString* error)
{
    Stop();
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        Stop();
        return false;
    };
    if (!QFile::exists(PlatformSimProgram()))
        return fail(QStringLiteral("not built: ") + PlatformSimProgram());
#ifdef MORVANE_SIM_SPAWN
    FPid = Spawn({PlatformSimProgram(), QStringLiteral("--catalogue"), cataloguePath, QStringLiteral("--port"), QStringLiteral("0"),
                  QStringLiteral("--exit-with-parent"), QStringLiteral("--heartbeat"), QStringLiteral("0")},
                 FOutput);
    if (!FPid)
        return fail(QStringLiteral("did not start"));
    const QString first = QString::fromUtf8(FirstLine(FOutput, 20000)).trimmed();
    FPort = first.section(u':', -1).toInt();
    if (FPort <= 0)
        return fail(QStringLiteral("unexpected first line: ") + first);
    return true;
#endif
    FProcess = std::make_unique<QProcess>();
    FProcess->setProcessChannelMode(QProcess::SeparateChannels);
    FProcess->start(PlatformSimProgram(), {QStringLiteral("--catalogue"), cataloguePath, QStringLiteral("--port"), QStringLiteral("0"),
                                           QStringLiteral("--exit-with-parent"), QStringLiteral("--heartbeat"), QStringLiteral("0")});
    if (!FProcess->waitForStarted(10000))
        return fail(QStringLiteral("did not start"));
    QElapsedTimer timer;
    timer.start();
    while (!FProcess->canReadLine()) {
        if (FProcess->state() != QProcess::Running || timer.elapsed() > 20000)
            return fail(QStringLiteral("no port: ") + QString::fromLocal8Bit(FProcess->readAllStandardError()));
        FProcess->waitForReadyRead(100);
    }
    const QString line = QString::fromUtf8(FProcess->readLine()).trimmed();
    FPort = line.section(u':', -1).toInt();
    if (FPort <= 0)
        return fail(QStringLiteral("unexpected first line: ") + line);
    return true;
}

void TPlatformSim::Stop()
{
#ifdef MORVANE_SIM_SPAWN
    if (FPid) {
        ::kill(FPid, SIGTERM);
        int status = 0;
        QElapsedTimer timer;
        timer.start();
        while (::waitpid(FPid, &status, WNOHANG) == 0) {
            if (timer.elapsed() > 5000) {
                ::kill(FPid, SIGKILL);
                ::waitpid(FPid, &status, 0);
                break;
            }
            QThread::msleep(5);
        }
        ::close(FOutput);
        FPid = 0;
        FOutput = -1;
    }
#endif
    if (!FProcess) {
        FPort = 0;
        return;
    }
    if (FProcess->state() != QProcess::NotRunning) {
        FProcess->terminate();
        if (!FProcess->waitForFinished(5000)) {
            FProcess->kill();
            FProcess->waitForFinished(5000);
        }
    }
    FProcess.reset();
    FPort = 0;
}

bool TPlatformSim::Running() const
{
#ifdef MORVANE_SIM_SPAWN
    if (FPid)
        return ::waitpid(FPid, nullptr, WNOHANG) == 0;
#endif
    return FProcess && FProcess->state() == QProcess::Running;
}

QString TPlatformSim::Url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(FPort) + path;
}

QByteArray TPlatformSim::Control(const QString& path, bool post) const
{
    THttpClient http;
    http.ConnectTimeoutMs = 5000;
    http.ReadTimeoutMs = 10000;
    const THttpResult result = post ? http.Post(Url(path), {}) : http.Get(Url(path));
    EXPECT_TRUE(result.Ok) << path.toStdString() << ": " << result.Error.toStdString();
    return result.Body;
}

long TPlatformSim::Count(const QString& name) const
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("name"), name);
    return Control(QStringLiteral("/sim/count?") + query.toString(QUrl::FullyEncoded), false).toLong();
}

void TPlatformSim::ResetCounts() const
{
    Control(QStringLiteral("/sim/reset-counts"), true);
}

void TPlatformSim::SetFault(const QString& mode, int delayMs, int times, const QString& method, int skip) const
{
    Control(QStringLiteral("/sim/fault?mode=%1&delay_ms=%2&times=%3&method=%4&skip=%5").arg(mode).arg(delayMs).arg(times).arg(method).arg(skip),
            true);
}

void TPlatformSim::Release() const
{
    Control(QStringLiteral("/sim/release"), true);
}

int TPlatformSim::Held() const
{
    return Control(QStringLiteral("/sim/held"), false).toInt();
}

void TPlatformSim::SetNow(const QString& now) const
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("value"), now);
    Control(QStringLiteral("/sim/now?") + query.toString(QUrl::FullyEncoded), true);
}

void TPlatformSim::SetListingLag(int secs) const
{
    Control(QStringLiteral("/sim/listing-lag?secs=%1").arg(secs), true);
}

void TPlatformSim::SetCatalogue(const QByteArray& json) const
{
    // Handed over as a file: a form body of that size would be refused.
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write(json);
    file.flush();
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("path"), file.fileName());
    Control(QStringLiteral("/sim/catalogue?") + query.toString(QUrl::FullyEncoded), true);
}

int TPlatformSim::GarbagePort() const
{
    return Control(QStringLiteral("/sim/garbage-port"), false).toInt();
}

int TPlatformSim::RefusingPort() const
{
    return Control(QStringLiteral("/sim/refusing-port"), false).toInt();
}

QByteArray TPlatformSim::Control(const QString& path, const QUrlQuery& query) const
{
    THttpClient http;
    http.ConnectTimeoutMs = 5000;
    http.ReadTimeoutMs = 30000;
    THttpFormFields fields;
    for (const auto& [name, value] : query.queryItems(QUrl::FullyDecoded))
        fields.emplace_back(name, value);
    const THttpResult result = http.Post(Url(path), fields);
    EXPECT_TRUE(result.Ok) << path.toStdString() << ": " << result.Error.toStdString();
    return result.Body;
}

int TPlatformSim::StreamSend(const QByteArray& bytes, bool encode, const QList<int>& split, int gapMs, int repeat) const
{
    QStringList offsets;
    for (const int offset : split)
        offsets << QString::number(offset);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("data64"), QString::fromLatin1(bytes.toBase64()));
    query.addQueryItem(QStringLiteral("encode"), encode ? QStringLiteral("1") : QStringLiteral("0"));
    query.addQueryItem(QStringLiteral("split"), offsets.join(u','));
    query.addQueryItem(QStringLiteral("gap_ms"), QString::number(gapMs));
    query.addQueryItem(QStringLiteral("repeat"), QString::number(repeat));
    return Control(QStringLiteral("/sim/stream/send"), query).toInt();
}

int TPlatformSim::StreamNotify(const QString& kind, const QString& status, const QString& tid, const QString& oid,
                               const QString& modified, int count, bool log) const
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("kind"), kind);
    const std::pair<const char*, const QString*> members[] = {{"status", &status}, {"tid", &tid}, {"oid", &oid}, {"modified", &modified}};
    for (const auto& [name, value] : members)
        if (!value->isNull())
            query.addQueryItem(QString::fromLatin1(name), *value);
    query.addQueryItem(QStringLiteral("count"), QString::number(count));
    query.addQueryItem(QStringLiteral("log"), log ? QStringLiteral("1") : QStringLiteral("0"));
    return Control(QStringLiteral("/sim/stream/notify"), query).toInt();
}

int TPlatformSim::StreamCode(int code, const QString& msg) const
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("code"), QString::number(code));
    if (!msg.isNull())
        query.addQueryItem(QStringLiteral("msg"), msg);
    return Control(QStringLiteral("/sim/stream/code"), query).toInt();
}

int TPlatformSim::StreamDrop() const
{
    return Control(QStringLiteral("/sim/stream/drop"), true).toInt();
}

void TPlatformSim::StreamHeartbeat(int intervalMs) const
{
    Control(QStringLiteral("/sim/stream/heartbeat?interval_ms=%1").arg(intervalMs), true);
}

void TPlatformSim::StreamStall(int ms) const
{
    Control(QStringLiteral("/sim/stream/stall?ms=%1").arg(ms), true);
}

TPlatformSim::TOrder TPlatformSim::PlaceOrder(const QString& appKey, const QString& skuId, qint64 num, const QString& status,
                                              const QString& event, int count, bool log) const
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("app_key"), appKey);
    if (!skuId.isEmpty())
        query.addQueryItem(QStringLiteral("sku_id"), skuId);
    query.addQueryItem(QStringLiteral("num"), QString::number(num));
    query.addQueryItem(QStringLiteral("status"), status);
    query.addQueryItem(QStringLiteral("event"), event);
    query.addQueryItem(QStringLiteral("count"), QString::number(count));
    query.addQueryItem(QStringLiteral("log"), log ? QStringLiteral("1") : QStringLiteral("0"));
    const QJsonObject reply = QJsonDocument::fromJson(Control(QStringLiteral("/sim/order"), query)).object();
    return {reply.value(QStringLiteral("tid")).toString(), reply.value(QStringLiteral("oid")).toString(),
            reply.value(QStringLiteral("streams")).toInt()};
}

TPlatformSim::TOrder TPlatformSim::ChangeTrade(const QString& appKey, const QString& tid, const QString& status, const QString& event,
                                               const QString& refundStatus, const QString& kind, const QString& oid) const
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("app_key"), appKey);
    query.addQueryItem(QStringLiteral("tid"), tid);
    for (const auto& [name, value] : {std::pair{QStringLiteral("oid"), oid}, {QStringLiteral("status"), status},
                                      {QStringLiteral("refund_status"), refundStatus}, {QStringLiteral("event"), event}})
        if (!value.isEmpty())
            query.addQueryItem(name, value);
    query.addQueryItem(QStringLiteral("kind"), kind);
    const QJsonObject reply = QJsonDocument::fromJson(Control(QStringLiteral("/sim/trade"), query)).object();
    return {reply.value(QStringLiteral("tid")).toString(), reply.value(QStringLiteral("oid")).toString(),
            reply.value(QStringLiteral("streams")).toInt()};
}

void TPlatformSim::StreamRefuse(const QString& msg) const
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("msg"), msg);
    Control(QStringLiteral("/sim/stream/refuse"), query);
}

int TPlatformSim::StreamOpen() const
{
    return Control(QStringLiteral("/sim/stream/open"), false).toInt();
}

QList<qint64> TPlatformSim::StreamSent() const
{
    QList<qint64> sent;
    for (const QByteArray& line : Control(QStringLiteral("/sim/stream/sent"), false).split('\n'))
        if (!line.isEmpty())
            sent << line.toLongLong();
    return sent;
}

void TPlatformSim::StreamSentClear() const
{
    Control(QStringLiteral("/sim/stream/sent-clear"), true);
}
