#include "AppTest.h"

#include "app/KivAbout.h"
#include "client/KivConf.h"
#include "client/KivGetSessiion.h"
#include "support/DialogAnswers.h"

#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QPushButton>

using SmallWindowsTest = AppTest;

TEST_F(SmallWindowsTest, AboutBoxShowsTheVersionFirst)
{
    TFormKivAbout about;
    about.show();
    Keep(about.grab().toImage(), u"windows-about.png"_qs);
    for (const QLabel* picture : {about.Image1, about.Image2, about.Image3})
        EXPECT_FALSE(picture->pixmap().isNull());
    EXPECT_EQ(about.Memo1->toPlainText().split(u'\n').value(0), u"版本：0.9"_qs);

    TDialogAnswers answers;
    int shown = 0;
    answers.Modal = [&](QDialog& dialog) {
        ++shown;
        dynamic_cast<TFormKivAbout&>(dialog).BitBtnOK->click();
        return dialog.result();
    };
    ShowAbout();
    EXPECT_EQ(shown, 1);
}

TEST_F(SmallWindowsTest, SessionAndProxyDialogs)
{
    TFormGetSession session;
    session.leAuthcode->setText(u"AUTH-DEMO-1"_qs);
    session.show();
    Keep(session.grab().toImage(), u"windows-session.png"_qs);
    // The session comes only from the container.
    EXPECT_TRUE(session.leSession->isReadOnly());

    SysRec.ProxyServer = u"192.168.1.10"_qs;
    SysRec.ProxyPort = 8080;
    TConfKiv proxy;
    proxy.LoadProxySettings();
    proxy.show();
    Keep(proxy.grab().toImage(), u"windows-proxy.png"_qs);
    EXPECT_EQ(proxy.EditProxyServer->text(), u"192.168.1.10"_qs);
}
