// The demo run's shops must be the stand-in's demo shops, or the demo's
// platform calls would be refused; the order command it prints works as
// printed.

#include "support/PlatformSim.h"
#include "support/TestSupport.h"

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
