// The items sync on a Firebird server of the test's own that stops while
// the items are written: the sync says the database went away (not that
// the platform failed), and once it is back the next sync completes.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivItemsSync.h"
#include "app/KivProgress.h"
#include "support/DialogAnswers.h"
#include "support/FirebirdServer.h"

#include <QLabel>

namespace {

class SyncOutageTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
#if defined(__SANITIZE_THREAD__)
        // QProcess's child start is opaque to ThreadSanitizer (see PlatformSim).
        GTEST_SKIP() << "the server is started through QProcess";
#endif
        FDM.reset();
        QString error;
        ASSERT_TRUE(Server.Start(TempPath(QString()), &error)) << error.toStdString();
        Server.WriteSettings(TempPath(QString()), DatabasePath());
        FDM = std::make_unique<TKivDM>(TempPath(QString()));
        FDM->DatabaseRetryMs = 100;
        StartSim(Sim, StationeryCatalogue);
        PointAtSim(Sim);
        AddSimShopRows();
        SetSimShop(Shop);
    }

    TFirebirdServer Server;
    TPlatformSim Sim;
    TDialogAnswers Answers;
    TTreeNodeShop Shop;
};

} // namespace

TEST_F(SyncOutageTest, ADatabaseLostWhileTheItemsAreWrittenIsSaidAsSuch)
{
    ASSERT_EQ(SyncItems(Shop, nullptr).Outcome, TSyncOutcome::soCompleted);
    const QString synced = GetShopSyncDate(u"S1"_qs);

    // Synced again: the server stops once every item is fetched.
    Sim.SetNow(u"2024-06-02 12:00:00"_qs);
    ExecSql(u"update \"SYS_Shop\" set \"SyncDate\" = null"_qs);
    TItemsSync sync(Shop, nullptr);
    bool stopped = false;
    sync.OnProgress = [&](TFormProgress& progress) {
        if (!stopped && progress.LabelTitle->text().endsWith(u"属性需要调整"_qs)) {
            stopped = true;
            Server.Stop();
        }
    };
    EXPECT_EQ(sync.SyncItems().Outcome, TSyncOutcome::soIncomplete);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(Answers.Texts(), QStringList{u"同步未完成：与数据库的连接已断开，请在数据库恢复后重新同步！"_qs});

    QString error;
    ASSERT_TRUE(Server.Restart(&error)) << error.toStdString();
    ASSERT_TRUE(WaitFor([&] { return !KivDM->DatabaseLost(); }));
    EXPECT_EQ(Scalar(u"select count(*) || '/' || coalesce(min(\"SyncDate\"), '') from \"KivItem\""_qs), u"3/"_qs + synced);
    Sim.SetNow(u"2024-06-03 12:00:00"_qs);
    EXPECT_EQ(SyncItems(Shop, nullptr).Outcome, TSyncOutcome::soCompleted);
    EXPECT_EQ(GetShopSyncDate(u"S1"_qs), u"2024-06-03 12:00:00"_qs);
    EXPECT_EQ(Answers.Texts().size(), 1);
}
