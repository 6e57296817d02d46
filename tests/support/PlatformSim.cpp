#include "support/PlatformSim.h"

#include "platform/HttpClient.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>
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
    FProcess = std::make_unique<QProcess>();
    FProcess->setProcessChannelMode(QProcess::SeparateChannels);
    FProcess->start(PlatformSimProgram(), {QStringLiteral("--catalogue"), cataloguePath, QStringLiteral("--port"), QStringLiteral("0"),
                                           QStringLiteral("--exit-with-parent")});
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
    if (!FProcess)
        return;
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

void TPlatformSim::SetFault(const QString& mode, int delayMs, int times) const
{
    Control(QStringLiteral("/sim/fault?mode=%1&delay_ms=%2&times=%3").arg(mode).arg(delayMs).arg(times), true);
}

void TPlatformSim::SetNow(const QString& now) const
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("value"), now);
    Control(QStringLiteral("/sim/now?") + query.toString(QUrl::FullyEncoded), true);
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
