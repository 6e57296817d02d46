#include "AppTest.h"

#include "app/KivAbout.h"
#include "app/KivProgress.h"
#include "client/KivConf.h"
#include "client/KivGetSessiion.h"
#include "support/DialogAnswers.h"

#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QProgressBar>
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

TEST_F(SmallWindowsTest, ProgressWindowIsAFixedStayOnTopBox)
{
    TFormProgress progress;
    progress.setWindowTitle(u"在线商品数据同步中..."_qs);
    progress.LabelTitle->setText(u"商品数量共25条,分3页同步,每页10条正在同步第1页"_qs);
    progress.ProgressBar->setRange(0, 3);
    progress.ProgressBar->setValue(1);
    progress.show();
    Keep(progress.grab().toImage(), u"windows-progress.png"_qs);
    EXPECT_TRUE(progress.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // The whole label text fits on the window.
    EXPECT_LE(progress.LabelTitle->fontMetrics().horizontalAdvance(progress.LabelTitle->text()), progress.LabelTitle->width());
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
