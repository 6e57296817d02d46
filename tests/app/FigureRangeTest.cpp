// No quantity may carry a SKU's stock figures past their range: the items
// statement casts each figure to INTEGER, and one figure out of range would
// keep every seat out of the shop's windows. Stock-ins, trade lines (live
// and caught up) and the stock period's roll-over are refused or carried so
// that the figures fit for every low-stock threshold the program takes.
// Against the platform stand-in, a fresh database and the real windows.

#include "StockFiguresSupport.h"

#include "app/KivItemIn.h"
#include "app/KivItems.h"
#include "app/KivItemsSync.h"
#include "app/KivMain.h"
#include "client/KivStream.h"
#include "platform/Threads.h"
#include "support/DialogAnswers.h"
#include "support/OtherSeat.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// The largest stock SKU A can take with nothing paid: the balance's bound,
// |balance| <= INT_MAX - LowStockBound.
constexpr qint64 StockBound = 2147483647LL - LowStockBound;

class FigureRangeTest : public StockFiguresTest {
protected:
    // SKU A's figure as both of the shop's windows read it afresh with the
    // largest threshold the program takes: "同步数据", and the monitor
    // window reloaded (opened when it is not).
    QString ReadAfresh(const QString& field)
    {
        SysRec.LowStock = QString::number(LowStockBound);
        QString read;
        Answers.Modal = [&](QDialog& dialog) {
            auto& items = dynamic_cast<TFormItems&>(dialog);
            items.show();
            read = QString::number(ItemsFigure(*items.ClientDataSetItems, SkuA, field));
            return int(QDialog::Rejected);
        };
        Open(0);
        if (!Form())
            Open(1);
        Form()->LoadItems();
        read += u'/' + QString::number(Figure(SkuA, field));
        SysRec.LowStock = u"10"_qs;
        Form()->LoadItems();
        return read;
    }
    static QString Stored()
    {
        return Scalar(u"select count(*) || '/' || coalesce(sum(\"Qty\"), 0) from \"KivItemIn\""_qs) + u'/'
               + Scalar(u"select count(*) from \"KivItemInList\""_qs) + u'/'
               + Scalar(u"select list(distinct \"Barcode\") from \"KivItem\" where \"SkuID\" = "_qs + SkuA);
    }
    static int LinesOf(const QString& tid) { return Scalar(u"select count(*) from \"KivItemOut\" where \"Tid\" = "_qs + tid).toInt(); }
    int Said(const TPlatformSim::TOrder& order, const QString& how) const
    {
        return int(MonitorLog(*Form()).count(u"交易"_qs + order.Tid + u"的订单行"_qs + order.Oid + u"无法保存："_qs + how + u"，已略过"_qs));
    }

};

TEST_F(FigureRangeTest, AStockInPastTheRangeEitherWayIsRefusedAndStoresNothing)
{
    Sync();
    Open(1);
    ASSERT_EQ(BookIn(100), u"closed"_qs);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyStock"_qs) == 100; }));

    // Too large, then too small: said with the SKU and the quantity that
    // would do; the dialog stays with the quantity selected, and nothing
    // is stored, not even the edited barcode.
    EXPECT_EQ(BookIn(2147483647, u"6901"_qs, u"6902"_qs), u"open:2147483647"_qs);
    EXPECT_EQ(BookIn(-2147483648LL), u"open:-2147483648"_qs);
    EXPECT_EQ(Answers.Texts(),
              (QStringList{u"[入库数量]“2147483647”太大：商品“中性笔 黑色”入库后，其入库、结余或需订货的数字将超出范围，"
                           "此商品本次入库数量不能大于2146483547，请重新填写！"_qs,
                           u"[入库数量]“-2147483648”太小：商品“中性笔 黑色”入库后，其入库、结余或需订货的数字将超出范围，"
                           "此商品本次入库数量不能小于-2146483747，请重新填写！"_qs}));
    EXPECT_EQ(Stored(), u"1/100/1/6901"_qs);
    EXPECT_TRUE(EventQueue.empty());
    EXPECT_EQ(ReadAfresh(u"QtyStock"_qs), u"100/100"_qs);

    // Down to the bound it is taken, and the quantity to order fits the
    // largest threshold.
    Answers.Messages.clear();
    EXPECT_EQ(BookIn(-StockBound - 100), u"closed"_qs);
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyStock"_qs) == -StockBound; }));
    EXPECT_EQ(ReadAfresh(u"QtyOrder"_qs), u"2147483647/2147483647"_qs);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

TEST_F(FigureRangeTest, ATotalStoredPastTheRangeIsPutRightFromTheStockIn)
{
    // Booked before the check was made: no window can read the shop.
    Sync();
    StockIn(100, SysRec.StockTime, {SkuA});
    StockIn(2147483647, SysRec.StockTime, {SkuA});
    EXPECT_EQ(BookIn(-10), u"open:-10"_qs);
    ASSERT_EQ(Answers.Texts().size(), 1u);
    EXPECT_TRUE(Answers.Texts()[0].contains(u"太大"_qs) && Answers.Texts()[0].contains(u"不能大于-1000100，"_qs))
        << Answers.Texts()[0].toStdString();
    EXPECT_EQ(BookIn(-2147483647), u"closed"_qs);
    EXPECT_EQ(Answers.Messages.size(), 1u);
    EXPECT_EQ(ReadAfresh(u"QtyStock"_qs), u"100/100"_qs);
}

TEST_F(FigureRangeTest, TwoSeatsBookingOneSkuAtOnceCannotBothCarryItPastTheRange)
{
    Sync();
    ASSERT_EQ(BookIn(100), u"closed"_qs);
    // Another seat books the SKU as the program does (the period and the
    // SKU's sums locked; the database adds its stock) and holds its rows until
    // this seat's booking waits for them; the booking that fits with the
    // other's passes.
    const auto otherSeatBooks = [&](qint64 qty, qint64 ours) {
        const TOtherSeat other(DatabasePath(), QString::fromUtf16(ServerPassword),
                               u"execute block as declare id bigint; begin "
                               "update \"SYS_Params\" set \"Value\" = \"Value\" where \"Code\" = 1; id = gen_id(\"GEN_KivItemIn_ID\", 1); "
                               "insert into \"KivItemIn\"(\"AutoCode\",\"Qty\",\"StockTime\",\"Date\") values(:id, %1, %2, current_timestamp); "
                               "insert into \"KivItemInList\"(\"PCode\",\"StockTime\",\"SkuID\",\"NumIID\") values(:id, %2, %3, 500000000001); "
                               "update \"KivItem\" set \"Barcode\" = '6901' where \"SkuID\" = %3; "
                               "update or insert into \"KivSkuSums\"(\"SkuID\",\"NumIID\") values(%3, 500000000001); end"_qs.arg(qty).arg(
                                   SysRec.StockTime, SkuA),
                               u"update \"SYS_Params\""_qs);
        EXPECT_TRUE(WaitFor([&] { return other.Holding.load(); }));
        const QString left = BookIn(ours);
        EXPECT_TRUE(WaitFor([&] { return other.Committed.load(); }));
        return left;
    };
    EXPECT_EQ(otherSeatBooks(StockBound - 1100, 1001), u"open:1001"_qs);
    EXPECT_EQ(Stored(), u"2/"_qs + QString::number(StockBound - 1000) + u"/2/6901"_qs);
    EXPECT_EQ(otherSeatBooks(1, 999), u"closed"_qs);
    EXPECT_EQ(Stored(), u"4/"_qs + QString::number(StockBound) + u"/4/6901"_qs);
    ASSERT_EQ(Answers.Texts().size(), 1u);
    EXPECT_TRUE(Answers.Texts()[0].startsWith(u"[入库数量]“1001”太大：商品“中性笔 黑色”"_qs)) << Answers.Texts()[0].toStdString();
}

TEST_F(FigureRangeTest, ATradeLinePastTheRangeIsPassedOverOnceLiveInTheCatchUpAndAfterARestart)
{
    Sync();
    TFormItems* form = &Monitoring();
    const auto order = [&](const QString& sku, qint64 num, const QString& status = Paid) {
        const TPlatformSim::TOrder placed = Sim.PlaceOrder(u"k1"_qs, sku, num, status, status == Paid ? u"TradeBuyerPay"_qs : u"TradeAlipayCreate"_qs);
        return placed;
    };
    // Live: the most that fits is bought; one more, and the paid quantities
    // that would carry the balance past its bound either way, are not.
    order(SkuB, 1);
    order(SkuA, 2147483647, Bought);
    const TPlatformSim::TOrder oneMore = order(SkuA, 1, Bought);
    const TPlatformSim::TOrder paidUp = order(SkuA, 2147483647);
    const TPlatformSim::TOrder paidDown = order(SkuA, -2147483648LL);
    order(SkuC, 1);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuC, u"QtyPay"_qs) == 1; })) << MonitorLog(*form).toStdString();
    EXPECT_EQ(Said(oneMore, u"数量1会使[拍下]超出范围"_qs), 1) << MonitorLog(*form).toStdString();
    EXPECT_EQ(Said(paidUp, u"数量2147483647会使[结余]超出范围"_qs), 1);
    EXPECT_EQ(Said(paidDown, u"数量-2147483648会使[结余]超出范围"_qs), 1);
    const auto figures = [&] {
        return QStringList{QString::number(Figure(SkuA, u"QtyOut"_qs)), QString::number(Figure(SkuA, u"QtyPay"_qs)),
                           QString::number(Figure(SkuB, u"QtyPay"_qs)), QString::number(Figure(SkuC, u"QtyPay"_qs))}
            .join(u'/');
    };
    EXPECT_EQ(figures(), u"2147483647/0/1/1"_qs);
    form->LoadItems();
    EXPECT_EQ(figures(), u"2147483647/0/1/1"_qs);

    // Caught up, with a line past the range and its neighbour placed while
    // stopped: read all again, each refused line is said once.
    Stop(*form);
    Sim.SetNow(u"2024-06-01 12:10:00"_qs);
    const TPlatformSim::TOrder missed = order(SkuA, 1, Bought);
    order(SkuB, 2);
    MarkOutGap(u"S1"_qs, u"2024-06-01 12:00:00"_qs);
    Sim.SetNow(u"2024-06-01 12:20:00"_qs);
    form->ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuB, u"QtyPay"_qs) == 3; })) << MonitorLog(*form).toStdString();
    EXPECT_EQ(Said(missed, u"数量1会使[拍下]超出范围"_qs), 1) << MonitorLog(*form).toStdString();
    EXPECT_EQ(Said(oneMore, u"数量1会使[拍下]超出范围"_qs), 1);
    Keep(*form, u"monitor-past-range.png"_qs);

    // The program started again: read once more, nothing is counted twice.
    Stop(*form);
    Main.reset();
    MarkOutGap(u"S1"_qs, u"2024-06-01 12:00:00"_qs);
    Sim.SetNow(u"2024-06-01 12:30:00"_qs);
    Main = std::make_unique<TMainKiv>();
    form = &Monitoring();
    ASSERT_TRUE(WaitFor([] { return OutGapFrom(u"S1"_qs) == u"2024-06-01 12:30:00"_qs; }));
    EXPECT_EQ(figures(), u"2147483647/0/3/1"_qs);
    for (const TPlatformSim::TOrder& refused : {oneMore, paidUp, paidDown, missed})
        EXPECT_EQ(LinesOf(refused.Tid), 0);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOut\""_qs), u"4"_qs);
    EXPECT_FALSE(MonitorLog(*form).contains(u"无法保存"_qs)) << MonitorLog(*form).toStdString();
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

TEST_F(FigureRangeTest, AChangeAMonitorWindowCannotHoldIsLoggedAndLeftForAReload)
{
    // The window reads 2000000000 in stock; another seat takes it all out,
    // and this seat books 2000000000 again: the stock fits, the sum of what
    // the window holds and the booking does not.
    Sync();
    StockIn(2000000000, SysRec.StockTime, {SkuA});
    TFormItems& form = Monitoring();
    StockIn(-2000000000, SysRec.StockTime, {SkuA});
    ASSERT_EQ(BookIn(2000000000), u"closed"_qs);
    ASSERT_TRUE(WaitFor([&] { return MonitorLog(form).contains(u"的变动未能显示"_qs); }));
    EXPECT_TRUE(MonitorLog(form).contains(u"商品“中性笔 黑色”的变动未能显示：[入库]的值“4000000000”超出范围"_qs)) << MonitorLog(form).toStdString();
    EXPECT_EQ(Figure(SkuA, u"QtyStock"_qs), 2000000000);
    EXPECT_EQ(form.ClientDataSetItems->State(), dsBrowse);
    form.LoadItems();
    EXPECT_EQ(Figure(SkuA, u"QtyStock"_qs), 2000000000);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

TEST_F(FigureRangeTest, TheRollOverCarriesNoStockPastTheRange)
{
    // Paid after the first sync: so much of SKU A that what is left of its
    // stock would lie below the balance's bound, were the paid line counted
    // again (a sync date moved back); it is carried as it stands. SKU B
    // takes what is left of it.
    const auto paid = [](const QString& sku, qint64 qty, const QString& date) {
        ExecSql(u"insert into \"KivItemOut\"(\"ShopCode\",\"SkuID\",\"NumIID\",\"Qty\",\"Date\",\"Status\",\"TradeEvent\") values('S1',%1,500000000001,%2,%3,%4,'TradeBuyerPay')"_qs
                    .arg(sku)
                    .arg(qty)
                    .arg(QuotedStr(date), QuotedStr(Paid)));
    };
    StockIn(100, SysRec.StockTime, {SkuA});
    StockIn(100, SysRec.StockTime, {SkuB});
    paid(SkuA, 2000000000, u"2024-06-01 12:00:00"_qs);
    paid(SkuB, 30, u"2024-06-01 12:30:00"_qs);
    // Stored behind the program's back: the sums are made again from the
    // lines, as an upgrade makes them.
    BuildSkuSums(*FDM->KivConn);
    EXPECT_EQ(ReadAfresh(u"QtyBalance"_qs), u"-1999999900/-1999999900"_qs);
    EXPECT_EQ(Figure(SkuB, u"QtyBalance"_qs), 70);

    Sim.SetCatalogue(QByteArray(StationeryCatalogue).replace("2024-05-01 10:00:00", "2024-06-01 12:30:00"));
    Sim.SetNow(u"2024-06-01 13:00:00"_qs);
    Sync();
    EXPECT_EQ(ReadAfresh(u"QtyStock"_qs), u"100/100"_qs);
    EXPECT_EQ(Figure(SkuB, u"QtyStock"_qs), 70);
    EXPECT_EQ(Figure(SkuB, u"QtyBalance"_qs), 70);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

} // namespace
