#include "client/KivConf.h"
#include "client/KivDataM.h"
#include "platform/HttpClient.h"
#include "platform/IniFile.h"
#include "support/DialogAnswers.h"
#include "support/TestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

class ConfTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        FDM = std::make_unique<TKivDM>(TempPath(QString()));
        SysRec.ProxyServer = u"10.0.0.1"_qs;
        SysRec.ProxyPort = 8080;
    }
    void TearDown() override { FDM.reset(); }

    QString IniValue(const QString& key) const { return TIniFile(IniFileName()).ReadString(u"Proxy"_qs, key, u"<none>"_qs); }

    // Runs the proxy dialog: edit() changes its fields, then apply or cancel.
    void Run(const std::function<void(TConfKiv&)>& edit, bool apply)
    {
        Answers.Modal = [&](QDialog& dialog) {
            auto& conf = dynamic_cast<TConfKiv&>(dialog);
            Loaded = conf.EditProxyServer->text() + u':' + QString::number(conf.seProxyPort->value());
            edit(conf);
            (apply ? conf.BitBtnApply : conf.BitBtnCancel)->click();
            return conf.result();
        };
        ShowProxyDialog();
    }

    std::unique_ptr<TKivDM> FDM;
    TDialogAnswers Answers;
    QString Loaded;
};

} // namespace

TEST_F(ConfTest, ApplySavesIntoSettingsAndTheIniFileAndAClearedServerClearsThePort)
{
    Run([](TConfKiv& conf) {
        conf.EditProxyServer->setText(u"proxy.lan"_qs);
        conf.seProxyPort->setValue(3128);
    }, true);
    EXPECT_EQ(Loaded, u"10.0.0.1:8080"_qs);
    EXPECT_EQ(SysRec.ProxyServer, u"proxy.lan"_qs);
    EXPECT_EQ(SysRec.ProxyPort, 3128);
    EXPECT_EQ(IniValue(u"ProxyServer"_qs), u"proxy.lan"_qs);
    EXPECT_EQ(IniValue(u"ProxyPort"_qs), u"3128"_qs);
    // Platform queries go through it from now on.
    EXPECT_EQ(FDM->KivHttp->ProxyServer, u"proxy.lan"_qs);
    EXPECT_EQ(FDM->KivHttp->ProxyPort, 3128);
    // The data file entry is left as it was.
    EXPECT_EQ(LoadDataFile(), u"Kiv.fdb"_qs);

    Run([](TConfKiv& conf) {
        conf.EditProxyServer->clear();
        EXPECT_EQ(conf.seProxyPort->value(), 0);
    }, true);
    EXPECT_EQ(SysRec.ProxyServer, QString());
    EXPECT_EQ(SysRec.ProxyPort, 0);
    EXPECT_EQ(IniValue(u"ProxyServer"_qs), QString());
    EXPECT_EQ(IniValue(u"ProxyPort"_qs), u"0"_qs);
    EXPECT_EQ(FDM->KivHttp->ProxyServer, QString());
}

TEST_F(ConfTest, APortBeyondTheRangeIsRefusedAndCancelChangesNothing)
{
    Run([this](TConfKiv& conf) {
        conf.EditProxyServer->setText(u"10.0.0.2"_qs);
        EXPECT_EQ(conf.seProxyPort->value(), 8080);
        // The spin edit takes any number, but no port beyond 65535 is applied.
        for (const int port : {99999, -1}) {
            conf.seProxyPort->setValue(port);
            conf.BitBtnApply->click();
            EXPECT_EQ(conf.result(), QDialog::Rejected);
        }
        EXPECT_EQ(Answers.Texts(), QStringList(2, u"[代理服务器Port]必须是0到65535之间的整数，请重输！"_qs));
    }, false);
    EXPECT_EQ(SysRec.ProxyServer, u"10.0.0.1"_qs);
    EXPECT_EQ(SysRec.ProxyPort, 8080);
    EXPECT_EQ(FDM->KivHttp->ProxyServer, QString());
    EXPECT_EQ(IniValue(u"ProxyServer"_qs), QString());
    EXPECT_EQ(IniValue(u"ProxyPort"_qs), u"0"_qs);
}
