#include "client/KivDataM.h"
#include "client/KivGetSessiion.h"
#include "support/DialogAnswers.h"
#include "support/PlatformSim.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// The session dialog against the stand-in's container: two shops, one of
// whose authorization codes holds characters that must be encoded.
class SessionTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        const QString catalogue = TempPath(u"catalogue.json"_qs);
        QFile file(catalogue);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"({"now": "", "shops": [
            {"nick": "店一", "app_key": "k1", "app_secret": "s1", "session": "6100aaa", "authcode": "CODE-1", "items": [], "trades": []},
            {"nick": "店二", "app_key": "k2", "app_secret": "s2", "session": "6100bbb", "authcode": "A&B C", "items": [], "trades": []}
        ]})");
        file.close();
        QString error;
        ASSERT_TRUE(FSim.Start(catalogue, &error)) << error.toStdString();
        FDM = std::make_unique<TKivDM>(TempPath(QString()));
        SysRec.ContainerUrl = FSim.ContainerUrl();
    }
    void TearDown() override { FDM.reset(); }

    static void Fetch(TFormGetSession& dialog, const QString& authcode)
    {
        dialog.leAuthcode->setText(authcode);
        dialog.ActionGetSession->trigger();
    }

    TPlatformSim FSim;
    std::unique_ptr<TKivDM> FDM;
    TDialogAnswers Answers;
};

} // namespace

TEST_F(SessionTest, AuthcodeBecomesTheSessionAndAFailedRequestChangesNothing)
{
    Answers.Modal = [](QDialog& dialog) {
        auto& session = dynamic_cast<TFormGetSession&>(dialog);
        Fetch(session, u"CODE-1"_qs);
        EXPECT_TRUE(session.MemoLog->toPlainText().contains(u"kiv_session=6100aaa"_qs));
        session.BitBtnOK->click();
        return session.result();
    };
    EXPECT_EQ(GetSession(), u"6100aaa"_qs);
    EXPECT_TRUE(Answers.Messages.empty());
    EXPECT_EQ(FSim.Count(u"container"_qs), 1);

    // A failed request leaves the dialog as it was, and says so.
    TFormGetSession dialog;
    Fetch(dialog, u"CODE-1"_qs);
    const QString log = dialog.MemoLog->toPlainText();
    SysRec.ContainerUrl = FSim.Url(u"/no-such-container?authcode="_qs);
    Fetch(dialog, u"CODE-2"_qs);
    FSim.Stop();
    Fetch(dialog, u"CODE-3"_qs);
    EXPECT_EQ(dialog.leSession->text(), u"6100aaa"_qs);
    EXPECT_EQ(dialog.MemoLog->toPlainText(), log);
    EXPECT_EQ(Answers.Texts(), QStringList(2, u"获取Session失败：无法连接淘宝平台，请检查网络和授权码后重试！"_qs));
    EXPECT_EQ(Answers.Messages.back().Type, TMsgDlgType::mtError);
}

TEST_F(SessionTest, AnEmptyOrUnknownCodeLeavesTheSessionEmptyAndOkIsRefused)
{
    TFormGetSession dialog;
    dialog.show();
    // An empty code is asked for, and nothing is sent.
    QApplication::setActiveWindow(&dialog);
    dialog.BitBtnOK->setFocus();
    Fetch(dialog, QString());
    ASSERT_EQ(Answers.Messages.size(), 1u);
    EXPECT_EQ(Answers.Messages[0].Text, u"请将网页中的授权码全部复制到上面的输入框中！"_qs);
    EXPECT_EQ(Answers.Messages[0].Type, TMsgDlgType::mtInformation);
    EXPECT_EQ(QApplication::focusWidget(), dialog.leAuthcode);
    EXPECT_EQ(FSim.Count(u"container"_qs), 0);
    // A code with an ampersand and a blank is sent whole.
    Fetch(dialog, u"A&B C"_qs);
    ASSERT_EQ(dialog.leSession->text(), u"6100bbb"_qs);
    // A code the container does not know: its reply names no session, and
    // says why, which is told as the platform's refusal.
    Fetch(dialog, u"WRONG"_qs);
    EXPECT_TRUE(dialog.MemoLog->toPlainText().startsWith(u"error=invalid_authcode"_qs));
    EXPECT_EQ(dialog.leSession->text(), QString());
    EXPECT_EQ(Answers.Texts().value(1), u"获取Session失败：淘宝平台拒绝了请求（authorization code not valid [invalid_authcode]），"
                                         "请重新获取授权码，并检查“设置店铺”中店铺的AppKey后重试！"_qs);
    EXPECT_EQ(Answers.Messages.back().Type, TMsgDlgType::mtError);
    dialog.BitBtnOK->click();
    EXPECT_EQ(Answers.Texts().value(2), u"没有正常获取到Session,请重试！"_qs);
    EXPECT_EQ(Answers.Messages.size(), 3u);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), int(QDialog::Accepted));
}
