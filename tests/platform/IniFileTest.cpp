#include "platform/Exceptions.h"
#include "platform/IniFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using IniFileTest = TempDirTest;

TEST_F(IniFileTest, WritesReadBackKeepOrderAndIgnoreCase)
{
    TIniFile ini(TempPath(u"a.ini"_qs));
    ini.WriteString(u"Proxy"_qs, u"ProxyServer"_qs, QString());
    ini.WriteInteger(u"Proxy"_qs, u"ProxyPort"_qs, 8080);
    ini.WriteString(u"Data"_qs, u"DataFile"_qs, u"数据/Kiv 1.fdb"_qs);
    ini.WriteString(u"proxy"_qs, u"proxyserver"_qs, u"10.0.0.1"_qs);

    EXPECT_EQ(ini.ReadString(u"PROXY"_qs, u"ProxyServer"_qs, u"x"_qs), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(ini.ReadInteger(u"Proxy"_qs, u"ProxyPort"_qs, 0), 8080);
    EXPECT_EQ(ini.ReadString(u"Data"_qs, u"DataFile"_qs, QString()), QStringLiteral("数据/Kiv 1.fdb"));

    QFile file(ini.FileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              QStringLiteral("[Proxy]\nProxyServer=10.0.0.1\nProxyPort=8080\n[Data]\nDataFile=数据/Kiv 1.fdb\n"));
}

TEST_F(IniFileTest, DefaultsForMissingFilesKeysAndNonIntegersAndHandWrittenFilesParse)
{
    const TIniFile missing(TempPath(u"none.ini"_qs));
    EXPECT_EQ(missing.ReadString(u"Data"_qs, u"DataFile"_qs, u"Kiv.fdb"_qs), QStringLiteral("Kiv.fdb"));
    EXPECT_EQ(missing.ReadInteger(u"Proxy"_qs, u"ProxyPort"_qs, 7), 7);
    EXPECT_FALSE(QFile::exists(missing.FileName()));

    QFile file(TempPath(u"b.ini"_qs));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("; comment\r\n[Proxy]\r\n  ProxyPort = abc \r\nProxyServer= host \r\n[Empty]\r\n");
    file.close();
    TIniFile ini(file.fileName());
    EXPECT_EQ(ini.ReadInteger(u"Proxy"_qs, u"ProxyPort"_qs, 3), 3);
    EXPECT_EQ(ini.ReadString(u"Proxy"_qs, u"ProxyServer"_qs, QString()), QStringLiteral("host"));
    // Line breaks in a value cannot inject keys.
    ini.WriteString(u"Proxy"_qs, u"ProxyServer"_qs, u"h\n[Data]\nDataFile=evil"_qs);
    EXPECT_EQ(ini.ReadString(u"Data"_qs, u"DataFile"_qs, u"Kiv.fdb"_qs), QStringLiteral("Kiv.fdb"));
}

TEST_F(IniFileTest, UnreadableAndUnwritableFilesRaise)
{
    // A folder in place of the file can be neither read nor written.
    ASSERT_TRUE(QDir(TempPath(QString())).mkdir(u"dir.ini"_qs));
    TIniFile ini(TempPath(u"dir.ini"_qs));
    EXPECT_THROW((void)ini.ReadString(u"a"_qs, u"b"_qs, QString()), EInOutError);
    EXPECT_THROW(ini.WriteString(u"a"_qs, u"b"_qs, u"c"_qs), EInOutError);
}
