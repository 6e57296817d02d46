// Two seats of one user close their monitor windows at the same moment: the
// layout rows that both write meet, and the window closes all the same.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivItems.h"
#include "app/KivItemsSync.h"
#include "app/KivMain.h"
#include "platform/Threads.h"
#include "support/DialogAnswers.h"
#include "support/OtherSeat.h"

namespace {

class LayoutSaveTest : public AppTest {};

TEST_F(LayoutSaveTest, AMonitorWindowClosedWhileAnotherSeatWritesItsLayoutClosesAndTheLaterWidthWins)
{
    TPlatformSim sim;
    StartSim(sim, StationeryCatalogue);
    PointAtSim(sim);
    AddSimShopRows();
    TTreeNodeShop shop;
    SetSimShop(shop);
    ASSERT_EQ(SyncItems(shop, nullptr).Outcome, TSyncOutcome::soCompleted);
    InstallItemsHooks();
    TDialogAnswers answers;
    {
        TMainKiv main;
        main.tvShops->setCurrentItem(main.tvShops->topLevelItem(0)->child(1));
        main.tvShopsDblClick();
        TFormItems* form = MonitorOf(&main);
        ASSERT_TRUE(form);
        form->ClientDataSetItems->FieldByName(u"Title"_qs)->SetDisplayWidth(33);

        // The other seat writes the width of the window's "Title" row, and
        // commits once this seat's write of the same row waits for it.
        const TOtherSeat other(DatabasePath(), QString::fromUtf16(ServerPassword),
                               u"update \"SYS_Fields\" set \"Width\" = 44 where \"Code\" = 'SYS_KivMonitor' and \"FieldName\" = 'Title'"_qs,
                               u"update \"SYS_Fields\""_qs);
        ASSERT_TRUE(WaitFor([&] { return other.Holding.load(); }, 30000));
        bool closed = false;
        try {
            closed = form->close();
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
        EXPECT_TRUE(closed);
        EXPECT_TRUE(other.Committed);
        EXPECT_TRUE(WaitFor([&] { return !MonitorOf(&main); }));
        EXPECT_TRUE(main.close());
    }
    EXPECT_EQ(answers.Texts(), QStringList());
    // This seat wrote last: its width stands.
    EXPECT_EQ(Scalar(u"select \"Width\" from \"SYS_Fields\" where \"Code\" = 'SYS_KivMonitor' and \"FieldName\" = 'Title'"_qs), u"33"_qs);
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(20000));
    MainKivHooks = {};
}

} // namespace
