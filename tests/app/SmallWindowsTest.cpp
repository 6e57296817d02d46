#include "AppTest.h"

#include "app/KivAbout.h"
#include "app/KivCDEdit.h"
#include "app/KivChangePass.h"
#include "app/KivMain.h"
#include "app/KivProgress.h"
#include "app/KivShop.h"
#include "client/KivConf.h"
#include "client/KivGetSessiion.h"
#include "client/KivLogin.h"
#include "platform/WindowHints.h"
#include "support/DialogAnswers.h"

#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QPushButton>
#include <QWindow>

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

// The dialogs and the progress window tell the window manager that they are
// helpers of their owner (no minimise, no maximise); the main window and the
// table editor, which minimise, do not.
TEST_F(SmallWindowsTest, DialogsAndTheProgressWindowAreMarkedAsHelpersOfTheirOwner)
{
    const auto marked = [](QWidget& window) {
        window.show();
        QCoreApplication::processEvents();
        const bool helper = window.windowHandle() && window.windowHandle()->property(WmWindowTypeProperty).toInt() == WmWindowTypeToolbar;
        window.hide();
        return helper;
    };
    TMainKiv main;
    TFormProgress progress(&main);
    TFormKivAbout about(&main);
    TChangePassKiv password(&main);
    TFormCDEdit record(&main);
    TFormShop editor(&main);
    TLoginKiv login;
    TConfKiv proxy;
    TFormGetSession session;
    editor.SetKeys(u"SYS_Shop"_qs, u"SYS_CODE"_qs, u"SYS_CODE"_qs);
    editor.SQLQueryShop->SQL = u"select * from \"SYS_Shop\""_qs;
    EXPECT_TRUE(marked(progress));
    EXPECT_TRUE(marked(about));
    EXPECT_TRUE(marked(password));
    EXPECT_TRUE(marked(record));
    EXPECT_TRUE(marked(login));
    EXPECT_TRUE(marked(proxy));
    EXPECT_TRUE(marked(session));
    EXPECT_FALSE(marked(editor));
    EXPECT_FALSE(marked(main));
    // The progress window stays on top and offers no icon of its own.
    EXPECT_TRUE(progress.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(progress.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(progress.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(main.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(main.minimumSize(), main.maximumSize()) << "a main window of one size cannot be maximised";
    // A new native window (a change of the flags makes one) is marked again.
    progress.setWindowFlag(Qt::WindowStaysOnTopHint, false);
    EXPECT_TRUE(marked(progress));
}
