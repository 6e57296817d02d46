// A monitor whose shop another seat deletes, or gives another code, stops
// at the latest at the shop's next order, says so and stores nothing more
// for the shop. The stand-in, a fresh database, real windows and a second
// attachment of the database as the other seat.

#include "SellerSupport.h"

#include "app/KivCodeMoves.h"
#include "platform/db/DataSetProvider.h"

#include <QSqlDatabase>

namespace {

class GoneShopTest : public ShopWindowsTest {
protected:
    // Another seat deletes the shop "S1" (to empty) or gives it the code to,
    // as its shop editor saves it.
    void OtherSeatMovesTheShop(const QString& to)
    {
        TSQLConnection otherSeat;
        otherSeat.SetParam(u"Database"_qs, DatabasePath());
        QSqlDatabase db = otherSeat.Database();
        ASSERT_TRUE(db.transaction());
        otherSeat.ExecuteDirect(to.isEmpty() ? u"delete from \"SYS_Shop\" where \"Code\" = 'S1'"_qs
                                             : u"update \"SYS_Shop\" set \"Code\" = "_qs + QuotedStr(to) + u" where \"Code\" = 'S1'"_qs);
        const std::vector<Variant> moved = to.isEmpty() ? std::vector<Variant>{} : std::vector{Variant(to)};
        CodeCarrier(u"SYS_Shop"_qs)(otherSeat, TKeyMove{{u"Code"_qs}, {Variant(u"S1"_qs)}, moved});
        ASSERT_TRUE(db.commit());
    }
    // The monitor of "S1", moved away at another seat, meets a paid order:
    // it stops and says why; the order is stored under no code.
    void MonitorMeetsAnOrderOfItsMovedShop(const QString& to)
    {
        AddRule(u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtyPay"_qs);
        Sync();
        AdministratorsMain();
        TFormItems& form = StartMonitor();
        OtherSeatMovesTheShop(to);
        const TPlatformSim::TOrder order = Sim.PlaceOrder(u"k1"_qs, SkuA, 2);
        ASSERT_TRUE(WaitFor([&] { return !form.Monitoring() && Sim.StreamOpen() == 0; }, 10000))
            << MonitorLog(form).toStdString();
        EXPECT_TRUE(MonitorLog(form).contains(u"店铺[文具店](代码S1)已被删除或已改了店铺代码，监控已停止，不再保存该店铺的交易"_qs))
            << MonitorLog(form).toStdString();
        EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOut\" where \"Tid\" = "_qs + order.Tid), u"0"_qs);
        EXPECT_EQ(ItemsFigure(*form.ClientDataSetItems, SkuA, u"QtyPay"_qs), 0);
        EXPECT_EQ(Scalar(u"select count(*) from \"KivOutGap\" where \"ShopCode\" = 'S1'"_qs), u"0"_qs);
        Keep(form, u"monitor-shop-gone.png"_qs);
    }
};

} // namespace

TEST_F(GoneShopTest, AMonitorWhoseShopAnotherSeatDeletesStopsAtItsNextOrderStoresNothingMoreAndDoesNotStartAgain)
{
    MonitorMeetsAnOrderOfItsMovedShop(QString());
    // Started again, it stops at once: its catch-up finds the shop gone.
    TFormItems& form = *Monitor();
    form.ActionMonitor->trigger();
    EXPECT_FALSE(form.Monitoring());
    EXPECT_EQ(MonitorLog(form).count(u"已被删除或已改了店铺代码"_qs), 2);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivOutGap\""_qs), u"0"_qs);
}

TEST_F(GoneShopTest, AShopAnotherSeatRenamesIsGoneUnderItsOldCodeForTheMonitorAndTheTree)
{
    MonitorMeetsAnOrderOfItsMovedShop(u"S9"_qs);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOut\" where \"ShopCode\" = 'S9'"_qs), u"0"_qs);
    // Its window closed, the shop's old node opens nothing; the tree takes the new code.
    Monitor()->close();
    Answers.Messages.clear();
    OpenShopWindow(*Main, 0);
    EXPECT_EQ(Answers.Texts(), QStringList{u"店铺[文具店]已被删除或已改了店铺代码！"_qs});
    EXPECT_EQ(Main->ShopOf(Main->tvShops->topLevelItem(0))->Code, u"S9"_qs);
}
