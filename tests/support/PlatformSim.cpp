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
