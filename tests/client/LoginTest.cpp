#include "client/KivConf.h"
#include "client/KivDataM.h"
#include "client/KivLogin.h"
#include "client/KivQuery.h"
#include "platform/Application.h"
#include "platform/HttpClient.h"
#include "platform/IniFile.h"
#include "platform/SqlText.h"
#include "support/DialogAnswers.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <tuple>

namespace {

class LoginTest : public DatabaseTest {
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        ResetTerminated();
        FDM = std::make_unique<TKivDM>(TempPath(QString()));
        AddUser(u"clerk"_qs, PasswordHash(u"clerk"_qs, u"secret"_qs));
        AddUser(u"blank"_qs, QString());
    }
    void TearDown() override
    {
        FDM.reset();
        ResetTerminated();
    }

    void AddUser(const QString& code, const QString& hash)
    {
        ExecSql(u"insert into \"SYS_User\"(\"Code\",\"Password\") values("_qs + QuotedStr(code) + u","_qs + QuotedStr(hash) + u")"_qs);
    }

    // Runs the login, trying each password for the user in turn until the
    // dialog closes; true when it closed with a login.
    bool Login(const QString& user, const QStringList& passwords)
    {
        TerminatedAfter.clear();
        Answers.Modal = [&](QDialog& dialog) {
            auto& login = dynamic_cast<TLoginKiv&>(dialog);
            Offered.clear();
            for (int i = 0; i < login.ComboBoxUser->count(); ++i)
                Offered << login.ComboBoxUser->itemText(i);
            login.show();
            login.ComboBoxUser->setEditText(user);
            for (const QString& password : passwords) {
                if (!login.isVisible())
                    break;
                login.EditPassword->setText(password);
                login.BitBtnLogin->click();
                TerminatedAfter << Terminated();
            }
            return login.result();
        };
        return ShowLogin();
    }

    std::unique_ptr<TKivDM> FDM;
    TDialogAnswers Answers;
    QStringList Offered;
    QList<bool> TerminatedAfter;
};

} // namespace

TEST_F(LoginTest, ThirdWrongPasswordEndsTheProgramAfterItsMessage)
{
    // Every message, the last included, is up while the program still runs.
    QList<bool> terminatedWhileShown;
    Answers.OnMessage = [&](const TMessageRequest&) { terminatedWhileShown << Terminated(); };
    EXPECT_FALSE(Login(u"clerk"_qs, {u"a"_qs, u"b"_qs, u"c"_qs, u"secret"_qs}));
    EXPECT_EQ(TerminatedAfter, (QList<bool>{false, false, true}));
    EXPECT_EQ(terminatedWhileShown, (QList<bool>{false, false, false}));
    ASSERT_EQ(Answers.Messages.size(), 3u);
    EXPECT_EQ(Answers.Messages[0].Text, u"密码不正确(还有2次重试机会)，请重试！"_qs);
    EXPECT_EQ(Answers.Messages[1].Text, u"密码不正确(还有1次重试机会)，请重试！"_qs);
    for (const auto& message : Answers.Messages) {
        EXPECT_EQ(message.Type, TMsgDlgType::mtError);
        EXPECT_EQ(message.Buttons, TMsgDlgButtons::mbOK);
    }
    EXPECT_EQ(SysRec.UserCode, QString());
}

TEST_F(LoginTest, UnknownUsersFailEvenWithAnEmptyPasswordAndFailuresCountForTheWholeRun)
{
    EXPECT_FALSE(Login(u"ghost"_qs, {QString()}));
    EXPECT_EQ(Answers.Texts(), QStringList{u"密码不正确(还有2次重试机会)，请重试！"_qs});
    EXPECT_EQ(LoginFailures, 1);
    EXPECT_FALSE(PasswordMatches(u"ghost"_qs, QString()));
    EXPECT_FALSE(PasswordMatches(u"ghost"_qs, u"x"_qs));
    // Opening the dialog again does not reset the count.
    EXPECT_FALSE(Login(u"clerk"_qs, {u"wrong"_qs, u"wrong"_qs}));
    EXPECT_EQ(TerminatedAfter, (QList<bool>{false, true}));
    EXPECT_EQ(Answers.Texts().value(1), u"密码不正确(还有1次重试机会)，请重试！"_qs);
}

TEST_F(LoginTest, AnEmptyPasswordOnlyForAnEmptyStoredOneAndTheAdministratorTypedByHand)
{
    EXPECT_TRUE(Login(u"blank"_qs, {u"x"_qs, QString()}));
    EXPECT_EQ(Answers.Messages.size(), 1u);
    EXPECT_EQ(SysRec.UserCode, u"blank"_qs);
    // The success resets the count.
    EXPECT_EQ(LoginFailures, 0);
    // "admin" is not offered but logs in with its empty password.
    EXPECT_TRUE(Login(u"admin"_qs, {QString()}));
    EXPECT_FALSE(Offered.contains(u"admin"_qs));
    EXPECT_EQ(SysRec.UserCode, u"admin"_qs);
}

TEST_F(LoginTest, ACodeNamesOneStoredUserAndTheSessionCarriesItAsStored)
{
    // Codes an older version stored with blanks around them.
    AddUser(u" bob"_qs, PasswordHash(u" bob"_qs, u"b1"_qs));
    AddUser(u"bob"_qs, PasswordHash(u"bob"_qs, u"b2"_qs));
    AddUser(u"ann  "_qs, PasswordHash(u"ann  "_qs, u"a"_qs));
    // Typed, password, the code the session carries. The database takes
    // "admin " for "admin", which has no password.
    const std::tuple<QString, QString, QString> named[] = {{u" bob"_qs, u"b1"_qs, u" bob"_qs},
                                                            {u"bob "_qs, u"b2"_qs, u"bob"_qs},
                                                            {u"ann"_qs, u"a"_qs, u"ann  "_qs},
                                                            {u"\tclerk "_qs, u"secret"_qs, u"clerk"_qs},
                                                            {u"admin "_qs, QString(), u"admin"_qs}};
    for (const auto& [typed, password, stored] : named) {
        EXPECT_TRUE(Login(typed, {password})) << typed.toStdString();
        EXPECT_EQ(SysRec.UserCode, stored);
    }
    // Two users once the blanks are dropped: neither; a NUL the statement
    // would drop names nobody.
    EXPECT_FALSE(Login(u" bob "_qs, {u"b1"_qs}));
    EXPECT_FALSE(PasswordMatches(u"bob "_qs, u"b1"_qs));
    EXPECT_FALSE(PasswordMatches(u"admin"_qs + QChar(0), QString()));
    EXPECT_EQ(LoginFailures, 1);
}

TEST_F(LoginTest, SuccessLoadsTheSettingsAndOffersNoAdministrator)
{
    TIniFile(IniFileName()).WriteString(u"Proxy"_qs, u"ProxyServer"_qs, u"10.1.2.3"_qs);
    TIniFile(IniFileName()).WriteInteger(u"Proxy"_qs, u"ProxyPort"_qs, 3128);

    EXPECT_TRUE(Login(u"clerk"_qs, {u"secret"_qs}));
    EXPECT_TRUE(Answers.Messages.empty());
    Offered.sort();
    EXPECT_EQ(Offered, (QStringList{u"blank"_qs, u"clerk"_qs}));
    EXPECT_EQ(SysRec.UserCode, u"clerk"_qs);
    EXPECT_EQ(SysRec.ProxyServer, u"10.1.2.3"_qs);
    EXPECT_EQ(SysRec.ProxyPort, 3128);
    EXPECT_EQ(FDM->KivHttp->ProxyServer, u"10.1.2.3"_qs);
    EXPECT_EQ(FDM->KivHttp->ProxyPort, 3128);
}

TEST_F(LoginTest, ConfigButtonShowsTheProxyOfTheIniFileAndApplyingKeepsIt)
{
    TIniFile ini(IniFileName());
    ini.WriteString(u"Proxy"_qs, u"ProxyServer"_qs, u"10.1.2.3"_qs);
    ini.WriteInteger(u"Proxy"_qs, u"ProxyPort"_qs, 3128);
    TLoginKiv login;
    login.show();
    QStringList shown;
    Answers.Modal = [&](QDialog& dialog) {
        auto& conf = dynamic_cast<TConfKiv&>(dialog);
        shown << conf.windowTitle() << conf.EditProxyServer->text() << QString::number(conf.seProxyPort->value());
        conf.BitBtnApply->click();
        return conf.result();
    };
    login.BitBtnConfig->click();
    EXPECT_EQ(shown, (QStringList{u"代理服务器设置"_qs, u"10.1.2.3"_qs, u"3128"_qs}));
    EXPECT_EQ(ini.ReadString(u"Proxy"_qs, u"ProxyServer"_qs, QString()), u"10.1.2.3"_qs);
    EXPECT_EQ(ini.ReadInteger(u"Proxy"_qs, u"ProxyPort"_qs, 0), 3128);
}
