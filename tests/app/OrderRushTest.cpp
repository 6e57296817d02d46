// A rush of orders on the monitor: the lines that arrive while further
// trades are being fetched are stored together, and none waits longer than
// a moment for a fetch that does not come. Against the stand-in, a fresh
// database and the real windows.

#include "StockFiguresSupport.h"

#include "client/KivStream.h"

namespace {

using OrderRushTest = StockFiguresTest;

TEST_F(OrderRushTest, ARushIsStoredWholeAndALineNeverWaitsLongForAFetchThePlatformHolds)
{
    Sync();
    TFormItems& form = Monitoring();

    // The platform answers the first trade and holds the second: the first
    // line shows while the second is still being fetched.
    Sim.SetFault(u"hold"_qs, 0, -1, u"taobao.trade.get"_qs, 1);
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA, 2, Paid, u"TradeBuyerPay"_qs, 2).Streams, 1);
    ASSERT_TRUE(WaitFor([&] { return Sim.Held() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 2; })) << MonitorLog(form).toStdString();
    EXPECT_TRUE(TKivStreamThread::AnyFetchPending());
    EXPECT_EQ(Sim.Held(), 1);
    Sim.SetFault(u"none"_qs);
    Sim.Release();
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 4; })) << MonitorLog(form).toStdString();
    EXPECT_FALSE(TKivStreamThread::AnyFetchPending());

    // A rush: every line stored once, its sums with it, every figure shown.
    constexpr int rush = 120;
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuB, 1, Paid, u"TradeBuyerPay"_qs, rush).Streams, 1);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuB, u"QtyPay"_qs) == rush; })) << MonitorLog(form).toStdString();
    EXPECT_EQ(Scalar(u"select count(*) || '/' || count(distinct \"Oid\") from \"KivItemOut\" where \"SkuID\" = "_qs + SkuB),
              u"%1/%1"_qs.arg(rush));
    EXPECT_EQ(Scalar(u"select \"Up1\" from \"KivSkuSums\" where \"SkuID\" = "_qs + SkuB), QString::number(rush));
    EXPECT_EQ(Figure(SkuA, u"QtyPay"_qs), 4);
    EXPECT_TRUE(Answers.Messages.empty());
}

} // namespace
