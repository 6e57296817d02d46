// Two seats of one user close their monitor windows at the same moment: the
// layout rows that both write meet, and the window closes all the same.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivItems.h"
#include "app/KivItemsSync.h"
#include "app/KivMain.h"
#include "platform/Threads.h"
#include "support/DialogAnswers.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <atomic>
#include <thread>

namespace {

class LayoutSaveTest : public AppTest {};

// The other seat: in a transaction of its own it writes the width of the
// monitor window's "Title" row, and commits once this seat's write of the
// same row waits for it (the database's monitoring tables tell).
class TOtherSeat {
public:
    explicit TOtherSeat(const QString& database)
    {
        FThread = std::thread([this, database] {
            Run(database);
            QSqlDatabase::removeDatabase(QStringLiteral("other-seat"));
            QSqlDatabase::removeDatabase(QStringLiteral("other-seat-watch"));
        });
    }
    ~TOtherSeat() { FThread.join(); }

    std::atomic<bool> Holding{false};
    std::atomic<bool> Committed{false};

private:
    void Run(const QString& database)
    {
        QSqlDatabase seat = Open(database, QStringLiteral("other-seat"));
        QSqlDatabase watch = Open(database, QStringLiteral("other-seat-watch"));
        if (!seat.isOpen() || !watch.isOpen() || !seat.transaction())
            return;
        QSqlQuery write(seat);
        if (!write.exec(QStringLiteral("update \"SYS_Fields\" set \"Width\" = 44 where \"Code\" = 'SYS_KivMonitor' and \"FieldName\" = 'Title'")))
            return;
        Holding = true;
        for (int waited = 0; waited < 30000; waited += 10) {
            QSqlQuery waiting(watch);
            waiting.exec(QStringLiteral("select count(*) from mon$statements where mon$attachment_id <> current_connection and mon$state = 1 "
                                        "and mon$sql_text containing 'update \"SYS_Fields\"'"));
            if (waiting.next() && waiting.value(0).toInt() > 0)
                break;
            QThread::msleep(10);
        }
        Committed = seat.commit();
        seat.close();
        watch.close();
    }
    static QSqlDatabase Open(const QString& database, const QString& name)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), name);
        db.setDatabaseName(database);
        db.setUserName(QStringLiteral("sysdba"));
        db.setPassword(QString::fromUtf16(ServerPassword));
        db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
        db.open();
        return db;
    }

    std::thread FThread;
};

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

        const TOtherSeat other(DatabasePath());
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
