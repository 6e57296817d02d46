// The data module on a Firebird server of the test's own, reached as
// "host/port:path" with the login of the settings file.

#include "client/KivDataM.h"
#include "platform/Exceptions.h"
#include "support/FirebirdServer.h"
#include "support/TestSupport.h"

namespace {

class ServerTest : public DatabaseTest {
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
#if defined(__SANITIZE_THREAD__)
        // QProcess's child start is opaque to ThreadSanitizer (see PlatformSim).
        GTEST_SKIP() << "the server is started through QProcess";
#endif
        QString error;
        ASSERT_TRUE(FServer.Start(TempPath(QString()), &error)) << error.toStdString();
    }

    void UseServer(const QString& password) { FServer.WriteSettings(TempPath(QString()), DatabasePath(), password); }

    TFirebirdServer FServer;
};

} // namespace

TEST_F(ServerTest, TheDataModuleWorksThroughTheServerWithTheSettingsLoginAndAWrongOneIsRefused)
{
    QStringList users;
    UseServer(u"not-the-password"_qs);
    {
        TKivDM refused(TempPath(QString()));
        EXPECT_THROW(FillUserList(users), EDatabaseError);
    }
    UseServer(QString::fromUtf16(TFirebirdServer::Password));
    TKivDM dm(TempPath(QString()));
    EXPECT_FALSE(IsEmptyResult(u"select 1 from \"SYS_User\" where \"Code\" = 'admin'"_qs));
    {
        // The second attachment of the scoped transactions goes to the server too.
        TKivTransaction transaction;
        transaction.ExecSql(u"insert into \"SYS_User\"(\"Code\",\"Password\") values('seat2','')"_qs);
        transaction.Commit();
    }
    FillUserList(users);
    EXPECT_EQ(users, QStringList{u"seat2"_qs});
    const auto protocol = OpenQuery(
        u"select mon$remote_protocol from mon$attachments where mon$attachment_id = current_connection"_qs);
    EXPECT_EQ(protocol->Fields(0)->AsString().trimmed(), u"TCPv4"_qs);
}

TEST_F(ServerTest, AServerThatRestartsIsConnectedAgainAndWorkBegunBeforeWritesNothing)
{
    UseServer(QString::fromUtf16(TFirebirdServer::Password));
    TKivDM dm(TempPath(QString()));
    const auto addUser = [](TKivTransaction& work, const char* code) {
        work.ExecSql(u"insert into \"SYS_User\"(\"Code\",\"Password\") values('"_qs + QString::fromLatin1(code) + u"','')"_qs);
    };
    QStringList users;
    FillUserList(users);
    {
        TKivTransaction work;
        addUser(work, "before");
        FServer.Stop();
        EXPECT_THROW(addUser(work, "while-away"), EDatabaseConnectionLost);
        EXPECT_TRUE(dm.DatabaseLost());
        EXPECT_THROW(FillUserList(users), EDatabaseConnectionLost);
        QString error;
        ASSERT_TRUE(FServer.Restart(&error)) << error.toStdString();
        // A new attachment holds nothing of the work.
        EXPECT_THROW(addUser(work, "after"), EDatabaseConnectionLost);
        EXPECT_THROW(work.Commit(), EDatabaseConnectionLost);
    }
    {
        TKivTransaction work;
        EXPECT_FALSE(dm.DatabaseLost());
        addUser(work, "new");
        work.Commit();
    }
    FillUserList(users);
    EXPECT_EQ(users, QStringList{u"new"_qs});
}
