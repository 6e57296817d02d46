#include "AppTest.h"

#include "app/KivChangePass.h"
#include "client/KivLogin.h"
#include "client/KivQuery.h"
#include "support/DialogAnswers.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

class ChangePassTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        AddUser(u"clerk"_qs, PasswordHash(u"clerk"_qs, u"old"_qs));
        // As after a login at the first try.
        LoginFailures = 0;
    }

    // Runs the dialog for the user, typing the three fields and pressing
    // "更改" once per entry of oldPasswords.
    bool Change(const QString& user, const QStringList& oldPasswords, const QString& newPassword, const QString& confirmation)
    {
        Answers.Modal = [&](QDialog& dialog) {
            auto& change = dynamic_cast<TChangePassKiv&>(dialog);
            Caption = change.windowTitle();
            change.show();
            for (const QString& old : oldPasswords) {
                if (!change.isVisible()) // closed by the previous press
                    break;
                change.EditOldPass->setText(old);
                change.EditNewPass->setText(newPassword);
                change.EditNewPass2->setText(confirmation);
                change.BitBtnChange->click();
                Results << change.result();
            }
            return change.result();
        };
        return ShowChangePassword(user);
    }

    QString Stored(const QString& user) { return GetUserPassword(user); }

    TDialogAnswers Answers;
    QString Caption;
    QList<int> Results;
};

} // namespace

TEST_F(ChangePassTest, ThreeWrongOldPasswordsEndTheProgram)
{
    EXPECT_FALSE(Change(u"clerk"_qs, {u"x"_qs, u"y"_qs}, u"new"_qs, u"new"_qs));
    EXPECT_FALSE(Terminated());
    EXPECT_EQ(Answers.Texts(), (QStringList{u"老密码与系统不一致(还有2次重试机会)，请重试！"_qs, u"老密码与系统不一致(还有1次重试机会)，请重试！"_qs}));
    EXPECT_EQ(Answers.Messages[0].Type, TMsgDlgType::mtError);

    // The count goes on in the next dialog: its first wrong password is the
    // third, whose message is up before the program is asked to end.
    bool terminatedWhileShown = true;
    Answers.OnMessage = [&](const TMessageRequest&) { terminatedWhileShown = Terminated(); };
    EXPECT_FALSE(Change(u"clerk"_qs, {u"z"_qs}, u"new"_qs, u"new"_qs));
    EXPECT_FALSE(terminatedWhileShown);
    EXPECT_TRUE(Terminated());
    EXPECT_EQ(Answers.Messages.size(), 3u);
    EXPECT_EQ(Results.back(), int(QDialog::Rejected));
    EXPECT_EQ(Stored(u"clerk"_qs), PasswordHash(u"clerk"_qs, u"old"_qs));
}

TEST_F(ChangePassTest, FailuresOfTheLoginCountHereToo)
{
    // A wrong old password after a failed login leaves one try.
    ++LoginFailures;
    EXPECT_FALSE(Change(u"clerk"_qs, {u"bad"_qs}, u"n"_qs, u"n"_qs));
    EXPECT_EQ(Answers.Messages.back().Text, u"老密码与系统不一致(还有1次重试机会)，请重试！"_qs);
}

TEST_F(ChangePassTest, SuccessStoresTheNewHashAndEmptyPasswordsAreTheEmptyHashBothWays)
{
    EXPECT_TRUE(Change(u"clerk"_qs, {u"old"_qs}, u"新密码"_qs, u"新密码"_qs));
    EXPECT_EQ(Caption, u"clerk 密码设置"_qs);
    EXPECT_EQ(Answers.Texts(), QStringList{u"密码修改成功!"_qs});
    EXPECT_EQ(Answers.Messages[0].Type, TMsgDlgType::mtInformation);
    EXPECT_EQ(Stored(u"clerk"_qs), Md5Hex(u"clerk新密码"_qs));
    EXPECT_TRUE(PasswordMatches(u"clerk"_qs, u"新密码"_qs));

    // An empty new password is stored so that the login accepts an empty field.
    EXPECT_TRUE(Change(u"clerk"_qs, {u"新密码"_qs}, QString(), QString()));
    EXPECT_EQ(Stored(u"clerk"_qs), QString());
    EXPECT_TRUE(PasswordMatches(u"clerk"_qs, QString()));
    EXPECT_FALSE(PasswordMatches(u"clerk"_qs, u"新密码"_qs));
    // An empty old field passes against an empty stored hash.
    EXPECT_TRUE(Change(u"clerk"_qs, {QString()}, u"pw"_qs, u"pw"_qs));
    EXPECT_EQ(Stored(u"clerk"_qs), Md5Hex(u"clerkpw"_qs));
}

TEST_F(ChangePassTest, ChangeThatChangesNoRowIsAnError)
{
    // No row for the code: the stored hash reads as empty, so an empty old
    // password passes, but the update finds nothing to change.
    EXPECT_FALSE(Change(u"ghost"_qs, {QString()}, u"pw"_qs, u"pw"_qs));
    ASSERT_EQ(Answers.Messages.size(), 1u);
    EXPECT_EQ(Answers.Messages[0].Type, TMsgDlgType::mtError);
    EXPECT_NE(Answers.Messages[0].Text, u"密码修改成功!"_qs);
    EXPECT_TRUE(Answers.Messages[0].Text.contains(u"ghost"_qs));
    EXPECT_EQ(Stored(u"ghost"_qs), QString());
}

TEST_F(ChangePassTest, AMismatchedConfirmationOrCancelLeavesThePasswordAndCountsNothing)
{
    EXPECT_FALSE(Change(u"clerk"_qs, {u"old"_qs}, u"new"_qs, u"neu"_qs));
    EXPECT_EQ(Answers.Texts(), QStringList{u"新密码确认不一致，请重输！"_qs});
    EXPECT_EQ(Results, QList<int>{int(QDialog::Rejected)}) << "the dialog stays open";
    EXPECT_EQ(LoginFailures, 0);

    Answers.Modal = [](QDialog& dialog) {
        auto& change = dynamic_cast<TChangePassKiv&>(dialog);
        change.EditOldPass->setText(u"old"_qs);
        change.EditNewPass->setText(u"n"_qs);
        change.EditNewPass2->setText(u"n"_qs);
        change.BitBtnCancel->click();
        return change.result();
    };
    EXPECT_FALSE(ShowChangePassword(u"clerk"_qs));
    EXPECT_EQ(Answers.Messages.size(), 1u);
    EXPECT_EQ(Stored(u"clerk"_qs), PasswordHash(u"clerk"_qs, u"old"_qs));
}

TEST_F(ChangePassTest, AUserDeletedElsewhereIsToldSoAndNoPasswordCountsAgainstTheTries)
{
    ExecSql(u"delete from \"SYS_User\" where \"Code\" = 'clerk'"_qs);
    // The right old password of before, and a wrong one.
    for (const QString& old : {u"old"_qs, u"x"_qs})
        EXPECT_FALSE(Change(u"clerk"_qs, {old}, u"new"_qs, u"new"_qs));
    EXPECT_EQ(Answers.Texts(), QStringList(2, u"系统中没有用户“clerk”（可能已在其他电脑上被删除），密码没有修改！"_qs));
    EXPECT_EQ(LoginFailures, 0);
}
