// The demo run's shops must be the stand-in's demo shops, or the demo's
// platform calls would be refused; the order command it prints works as
// printed; the stand-in it starts keeps a monitored stream alive, as the
// platform does.

#include "ItemsTestSupport.h"

#include "app/KivResources.h"
#include "client/KivStream.h"
#include "platform/Threads.h"
#include "support/ChildProcess.h"
#include "support/PlatformSim.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <curl/curl.h>

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

// The demo as scripts/demo runs it, over a build folder of the test's own
// whose program only says that it started and waits for "stop" in its
// folder (or for the script to go); the stand-in is the built one.
class DemoRunTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        InitKivResources();
        const QString build = TempPath(u"build"_qs);
        ASSERT_TRUE(QDir().mkpath(build + u"/app"_qs) && QDir().mkpath(build + u"/tools/platform-sim"_qs));
        ASSERT_TRUE(QFile::link(PlatformSimProgram(), build + u"/tools/platform-sim/platform-sim"_qs));
        QFile program(build + u"/app/morvane"_qs);
        ASSERT_TRUE(program.open(QIODevice::WriteOnly));
        program.write("#!/bin/sh\ntouch started\nwhile [ ! -e stop ] && kill -0 \"$PPID\" 2>/dev/null; do sleep 0.1; done\n");
        program.close();
        ASSERT_TRUE(program.setPermissions(program.permissions() | QFileDevice::ExeOwner));
        FProgramDir = build + u"/app"_qs;
        FDemoDir = build + u"/demo"_qs;
    }
    void TearDown() override
    {
        if (FStream)
            FStream->Terminate();
        EXPECT_TRUE(WaitFor([&] { return !FStream; }));
        EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(15000));
        StreamTimings = TStreamTimings{};
        FDM.reset();
        if (FDemo > 0) {
            QFile(FDemoDir + u"/stop"_qs).open(QIODevice::WriteOnly);
            const TProcessEnd end = WaitProcess(FDemo, 20000);
            EXPECT_TRUE(!end.Signalled && end.Code == 0) << end.Code;
        }
    }

    // Runs the demo with the environment's NAME=value lines; false when its
    // program was not reached.
    bool RunDemo(const QStringList& environment)
    {
        FDemo = StartProcess({SourceDir() + u"/scripts/demo"_qs, FProgramDir}, environment);
        return FDemo > 0 && WaitFor([&] { return QFile::exists(FDemoDir + u"/started"_qs); }, 60000);
    }

    // The demo's first shop as the program reads it from the demo's
    // database and settings.
    void OpenFirstShop()
    {
        FDM = std::make_unique<TKivDM>(FDemoDir);
        LoadApiSettings();
        const auto shop = OpenQuery(u"select \"Code\", \"AppKey\", \"AppSecret\", \"Session\" from \"SYS_Shop\" order by \"Code\""_qs);
        ASSERT_FALSE(shop->IsEmpty());
        FShop.Code = shop->Fields(0)->AsString();
        FShop.AppKey = shop->Fields(1)->AsString();
        FShop.AppSecret = shop->Fields(2)->AsString();
        FShop.Session = shop->Fields(3)->AsString();
    }

    int Logged(const QString& text) const
    {
        int count = 0;
        for (int i = 0; i < FLog.count(); ++i)
            count += FLog.item(i)->text().section(u'|', 1) == text;
        return count;
    }
    QString Log() const
    {
        QStringList lines;
        for (int i = 0; i < FLog.count(); ++i)
            lines << FLog.item(i)->text();
        return lines.join(u'\n');
    }

    QString FProgramDir;
    QString FDemoDir;
    int FDemo = 0;
    std::unique_ptr<TKivDM> FDM;
    TTreeNodeShop FShop;
    QListWidget FLog;
    TClientDataSet FDataSet;
    QPointer<TKivStreamThread> FStream;
};

} // namespace

TEST(DemoScript, ShopsCarryTheCredentialsOfTheDemoCatalogue)
{
    const QString script = QString::fromUtf8(ReadFile(SourceDir() + u"/scripts/demo"_qs));
    const QJsonArray shops =
        QJsonDocument::fromJson(ReadFile(SourceDir() + u"/tools/platform-sim/demo-catalogue.json"_qs)).object().value(u"shops"_qs).toArray();
    ASSERT_GE(shops.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QJsonObject shop = shops[i].toObject();
        // One statement line per shop row: name, key and secret side by side.
        const QString row = QStringLiteral("'%1', '%2', '%3'").arg(shop.value(u"nick"_qs).toString(), shop.value(u"app_key"_qs).toString(),
                                                               shop.value(u"app_secret"_qs).toString());
        EXPECT_TRUE(script.contains(row)) << row.toStdString();
    }
    // The first shop is ready to use; the second fetches its session.
    EXPECT_TRUE(script.contains(u"'"_qs + shops[0].toObject().value(u"session"_qs).toString() + u"', 0)"_qs));
    EXPECT_TRUE(script.contains(u"'"_qs + shops[1].toObject().value(u"app_secret"_qs).toString() + u"', '', 0)"_qs));
}

TEST(DemoScript, TheOrderCommandOfTheReadmeWorksAsPrinted)
{
    // `curl -X POST 'URL'`: a POST without a body, and without a length.
    const QString readme = QString::fromUtf8(ReadFile(SourceDir() + u"/README.md"_qs));
    const QRegularExpressionMatch command = QRegularExpression(u"curl -X POST '(http://127\\.0\\.0\\.1:PORT/sim/order\\?[^']*)'"_qs).match(readme);
    ASSERT_TRUE(command.hasMatch());
    TPlatformSim sim;
    QString error;
    ASSERT_TRUE(sim.Start(SourceDir() + u"/tools/platform-sim/demo-catalogue.json"_qs, &error)) << error.toStdString();
    const QByteArray url = command.captured(1).replace(u"PORT"_qs, QString::number(sim.Port())).toUtf8();

    CURL* curl = curl_easy_init();
    ASSERT_NE(curl, nullptr);
    std::string body;
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "POST");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 3000L);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* out) {
        static_cast<std::string*>(out)->append(data, size * count);
        return size * count;
    });
    const CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    EXPECT_EQ(result, CURLE_OK) << curl_easy_strerror(result);
    EXPECT_EQ(status, 200);
    EXPECT_FALSE(QJsonDocument::fromJson(QByteArray::fromStdString(body)).object().value(u"tid"_qs).toString().isEmpty()) << body;
}

TEST_F(DemoRunTest, TheStandInsHeartbeatsKeepAMonitoredStreamAlive)
{
    // Heartbeats a second apart; the program takes a stream silent for three
    // seconds as dead, and would connect again and say that trades wait to be
    // caught up.
    ASSERT_TRUE(RunDemo({u"MORVANE_DEMO_ORDERS=0"_qs, u"MORVANE_DEMO_HEARTBEAT=1"_qs}));
    ASSERT_NO_FATAL_FAILURE(OpenFirstShop());
    SysRec.DebugEcho = u"1"_qs;
    StreamTimings.SilenceMs = 3000;
    FStream = new TKivStreamThread(FShop, &FLog, &FDataSet);
    EXPECT_TRUE(WaitFor([&] { return Logged(u"连接正常,心跳正常"_qs) >= 4; }, 20000)) << Log().toStdString();
    EXPECT_EQ(FStream->EndedConnections(), 0);
    EXPECT_EQ(Logged(u"连接成功"_qs), 1) << Log().toStdString();
    EXPECT_FALSE(Log().contains(u"监控连接中断"_qs)) << Log().toStdString();
}
