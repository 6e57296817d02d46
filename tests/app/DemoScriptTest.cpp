// The demo run's shops must be the stand-in's demo shops, or the demo's
// platform calls would be refused.

#include "support/TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
