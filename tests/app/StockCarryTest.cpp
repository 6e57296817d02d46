// The stock figures through a sync, across seats and over the years: a
// sync leaves every balance and quantity to order as it was, a stock-in
// booked at a seat that another seat's sync left behind lands in the period
// that every window reads, and the running sums of every SKU stay equal to
// what its whole history gives. Against the stand-in, a fresh database (one
// served by a Firebird server for two seats) and the real windows.

#include "StockFiguresSupport.h"

#include "app/KivFigureRange.h"
#include "app/KivProgress.h"
#include "client/KivSkuSums.h"
#include "support/ChildProcess.h"
#include "support/OtherSeat.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

namespace {

const QString Shipped = u"WAIT_BUYER_CONFIRM_GOODS"_qs;
const QString Finished = u"TRADE_FINISHED"_qs;
// The stand-in's shop synced at noon, then an hour later with every item changed.
const QString Noon = u"2024-06-01 12:00:00"_qs;
const QString One = u"2024-06-01 13:00:00"_qs;

class StockCarryTest : public StockFiguresTest {
protected:
    // Another shop, synced in May and not on the stand-in: SKU 9 of item 8.
    void AddOtherShop()
    {
        ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\",\"SyncDate\") values('S2','杂货店','k2','s2','x2','2024-05-20 00:00:00')"_qs);
        ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values('admin','S2','店长')"_qs);
        ExecSql(u"insert into \"KivItemOnsale\"(\"NumIID\",\"Title\",\"ShopCode\",\"SyncDate\") values(8,'旧货','S2','2024-05-20 00:00:00')"_qs);
        ExecSql(u"insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"ShopCode\",\"SyncDate\",\"PropNameFormat\") values(9,8,'S2','2024-05-20 00:00:00','红')"_qs);
        // The tree lists the shops when the window is made; the window
        // that goes takes the idle handler with it.
        Main.reset();
        Main = std::make_unique<TMainKiv>();
    }
    // The shop's items changed since noon: the next sync at the time writes a snapshot.
    void ChangeItemsBy(const QString& now)
    {
        Sim.SetCatalogue(QByteArray(StationeryCatalogue).replace("2024-05-01 10:00:00", PlatformSecsAfter(now, -60).toUtf8()));
        Sim.SetNow(now);
    }
    // Each SKU's stock, balance and quantity to order as the shop's monitor
    // window reads them at "打开数据".
    QString Figures(const QString& shop, const QStringList& skus)
    {
        if (!Form(shop))
            Open(1, shop);
        Form(shop)->LoadItems();
        QStringList figures;
        for (const QString& sku : skus)
            figures << sku + u':' + QString::number(ItemsFigure(*Form(shop)->ClientDataSetItems, sku, u"QtyStock"_qs)) + u'/'
                           + QString::number(ItemsFigure(*Form(shop)->ClientDataSetItems, sku, u"QtyBalance"_qs)) + u'/'
                           + QString::number(ItemsFigure(*Form(shop)->ClientDataSetItems, sku, u"QtyOrder"_qs));
        return figures.join(u' ');
    }
    // The balances and quantities to order of both shops' SKUs.
    QString Balances()
    {
        QStringList balances;
        for (const QString& figure : (Figures(u"S1"_qs, {SkuA, SkuB, SkuC}) + u' ' + Figures(u"S2"_qs, {u"9"_qs})).split(u' '))
            balances << figure.section(u':', 0, 0) + u':' + figure.section(u'/', 1);
        return balances.join(u' ');
    }
    // What the running sums hold, and what the whole history gives.
    static QString Rows(const QString& sql)
    {
        QStringList rows;
        for (const auto query = OpenQuery(sql); !query->Eof(); query->Next()) {
            QStringList fields;
            for (int i = 0; i < query->FieldCount(); ++i)
                fields << query->Fields(i)->AsString();
            rows << fields.join(u',');
        }
        return rows.join(u'\n');
    }
    static void ExpectSumsOfTheWholeHistory()
    {
        EXPECT_EQ(Rows(u"select * from \"KivSkuSums\" order by 1, 2"_qs), Rows(FullTradeSumsSql() + u" order by 1, 2"_qs));
        EXPECT_EQ(Rows(u"select \"SkuID\", \"NumIID\", \"StockTime\", \"Stock\" from \"KivSkuStock\" where \"Stock\" <> 0 order by 3, 1, 2"_qs),
                  Rows(u"select * from ("_qs + FullStockSumsSql() + u") where \"Stock\" <> 0 order by 3, 1, 2"_qs));
    }
};

TEST_F(StockCarryTest, ASyncLeavesEveryBalanceAsItWasForEveryShopsSkus)
{
    AddOtherShop();
    Sync();
    AddRule(u"TradeSellerShip"_qs, Shipped, u"QtySend"_qs);
    AddRule(u"TradeSuccess"_qs, Finished, u"QtyOver"_qs);
    // One stock-in for two SKUs, a second for one of them, one for each other shop's SKU.
    ASSERT_EQ(BookIn(10, u"6901"_qs, QString(), {SkuA, SkuB}), u"closed"_qs);
    ASSERT_EQ(BookIn(4, u"6902"_qs), u"closed"_qs);
    ASSERT_EQ(BookIn(7, u"6903"_qs, QString(), {SkuC}), u"closed"_qs);
    ASSERT_EQ(BookIn(6, u"6904"_qs, QString(), {u"9"_qs}), u"closed"_qs);
    // Bought, paid, shipped and finished lines, live; the other shop's
    // paid line dated after its own sync.
    TFormItems& form = Monitoring();
    Sim.PlaceOrder(u"k1"_qs, SkuA, 3);
    Sim.PlaceOrder(u"k1"_qs, SkuA, 2, Bought, u"TradeAlipayCreate"_qs);
    Sim.PlaceOrder(u"k1"_qs, SkuA, 1, Shipped, u"TradeSellerShip"_qs);
    Sim.PlaceOrder(u"k1"_qs, SkuB, 5);
    Sim.PlaceOrder(u"k1"_qs, SkuB, -1);
    Sim.PlaceOrder(u"k1"_qs, SkuC, 2, Finished, u"TradeSuccess"_qs);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuC, u"QtyOver"_qs) == 2 && Figure(SkuB, u"QtyPay"_qs) == 4; })) << MonitorLog(form).toStdString();
    Stop(form);
    ExecSql(u"insert into \"KivItemOut\"(\"ShopCode\",\"SkuID\",\"NumIID\",\"Qty\",\"Date\",\"Status\",\"TradeEvent\") values('S2',9,8,2,'2024-05-25 00:00:00',"_qs
            + QuotedStr(Paid) + u",'TradeBuyerPay')"_qs);
    // Stored behind the program's back: the sums are made again from the
    // lines, as an upgrade makes them.
    BuildSkuSums(*FDM->KivConn);
    const QString before = Balances();
    EXPECT_EQ(before, u"5000000000011:11/1 5000000000012:6/4 5000000000021:7/3 9:4/6"_qs);

    // An incremental sync: the shop's sales figures restart, the stock is
    // what is left of it; the other shop's figures stay.
    ChangeItemsBy(One);
    Sync();
    EXPECT_EQ(Balances(), before);
    EXPECT_EQ(Figures(u"S1"_qs, {SkuA, SkuB}), u"5000000000011:11/11/1 5000000000012:6/6/4"_qs);
    EXPECT_EQ(Figure(SkuA, u"QtyPay"_qs), 0);
    EXPECT_EQ(Figures(u"S2"_qs, {u"9"_qs}), u"9:6/4/6"_qs);

    // Another sync with a payment in between, then a first sync again
    // (the administrator cleared the shop's sync time: every line counted).
    Monitoring();
    Sim.PlaceOrder(u"k1"_qs, SkuA, 4);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 4; })) << MonitorLog(form).toStdString();
    Stop(form);
    ASSERT_EQ(Figures(u"S1"_qs, {SkuA}), u"5000000000011:11/7/3"_qs);
    const QString paid = Balances();
    ChangeItemsBy(PlatformSecsAfter(One, 1200));
    Sync();
    EXPECT_EQ(Balances(), paid);
    ExecSql(u"update \"SYS_Shop\" set \"SyncDate\" = null where \"Code\" = 'S1'"_qs);
    const QString first = Balances();
    EXPECT_EQ(Figures(u"S1"_qs, {SkuA}), u"5000000000011:7/0/10"_qs);
    ChangeItemsBy(PlatformSecsAfter(One, 1800));
    Sync();
    EXPECT_EQ(Balances(), first);
    ExpectSumsOfTheWholeHistory();
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

// Two seats on one database through a Firebird server: this one, and
// another (a second program, or a second attachment that writes as the
// program does).
class StockSeatsTest : public StockCarryTest {
protected:
    StockSeatsTest() { Served = true; }

    // This seat's barcode 6901 for SKU A, 10 pieces, 3 of them paid.
    void BookAndSell()
    {
        Sync();
        ASSERT_EQ(BookIn(10), u"closed"_qs);
        TFormItems& form = Monitoring();
        Sim.PlaceOrder(u"k1"_qs, SkuA, 3);
        ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 3; })) << MonitorLog(form).toStdString();
        Stop(form);
    }
    QString SeatDatabase() const { return Server.DatabaseName(DatabasePath()); }
    static QString SeatPassword() { return QString::fromUtf16(TFirebirdServer::Password); }
    // The stock-ins of the quantity: their periods, "new" for the current one.
    static QString PeriodsOf(int qty)
    {
        return Scalar(u"select list(iif(\"StockTime\" = (select \"Value\" from \"SYS_Params\" where \"Code\" = 1), 'new', 'old')) from "
                      "\"KivItemIn\" where \"Qty\" = "_qs
                      + QString::number(qty));
    }
};

TEST_F(StockSeatsTest, AStockInAfterAnotherSeatsSyncCountsAndReadsAsAFreshLoginReadsIt)
{
    BookAndSell();
    if (HasFatalFailure())
        return;
    EXPECT_EQ(Figures(u"S1"_qs, {SkuA}), u"5000000000011:10/7/3"_qs);
    // The other seat, a program of its own, syncs the shop an hour later.
    ChangeItemsBy(One);
    const TProcessEnd synced = RunTestChildProcess("items-sync", {u"MORVANE_SYNC_DIR="_qs + TempPath(QString()), u"MORVANE_SYNC_TQL="_qs + Sim.TqlUrl()});
    ASSERT_TRUE(!synced.Signalled && synced.Code == 0) << synced.Code;

    // This seat, logged in before, books 5 more: they count with what is
    // left, in the window now and after a fresh login alike.
    ASSERT_EQ(BookIn(5), u"closed"_qs);
    EXPECT_EQ(PeriodsOf(5), u"new"_qs);
    const QString figures = Figures(u"S1"_qs, {SkuA});
    EXPECT_EQ(figures, u"5000000000011:12/12/2"_qs);
    Main.reset();
    FDM.reset();
    FDM = std::make_unique<TKivDM>(TempPath(QString()));
    PointAtSim(Sim); // the login's settings, the stock period among them
    Main = std::make_unique<TMainKiv>();
    EXPECT_EQ(Figures(u"S1"_qs, {SkuA}), figures);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

TEST_F(StockSeatsTest, ABookingAndAnotherSeatsRollOverAtOnceCountThePiecesOnceInThePeriodTheWindowsRead)
{
    BookAndSell();
    if (HasFatalFailure())
        return;
    // The other seat's sync ends first and holds the new period until this
    // seat's booking waits for it: the booking lands in the new period.
    const QString next = QString::number(SysRec.StockTime.toLongLong() + 100);
    {
        const TOtherSeat other(SeatDatabase(), SeatPassword(),
                               u"execute block as declare id bigint; begin "
                               "update \"SYS_Params\" set \"Value\" = '%1' where \"Code\" = 1; id = gen_id(\"GEN_KivItemIn_ID\", 1); "
                               "insert into \"KivItemIn\"(\"AutoCode\",\"Qty\",\"StockTime\",\"Date\") values(:id, 7, %1, current_timestamp); "
                               "insert into \"KivItemInList\"(\"PCode\",\"StockTime\",\"SkuID\",\"NumIID\") values(:id, %1, %2, 500000000001); "
                               "update \"SYS_Shop\" set \"SyncDate\" = '2024-06-01 13:00:00' where \"Code\" = 'S1'; end"_qs.arg(next, SkuA),
                               u"update \"SYS_Params\""_qs);
        ASSERT_TRUE(WaitFor([&] { return other.Holding.load(); }));
        EXPECT_EQ(BookIn(5), u"closed"_qs);
        EXPECT_TRUE(WaitFor([&] { return other.Committed.load(); }));
    }
    EXPECT_EQ(PeriodsOf(5), u"new"_qs);
    EXPECT_EQ(Figures(u"S1"_qs, {SkuA}), u"5000000000011:12/12/2"_qs);

    // This seat's sync ends while the other seat's booking holds the
    // period: the sync waits, and carries the booking over.
    {
        const TOtherSeat other(SeatDatabase(), SeatPassword(),
                               u"execute block as declare id bigint; begin "
                               "update \"SYS_Params\" set \"Value\" = \"Value\" where \"Code\" = 1; id = gen_id(\"GEN_KivItemIn_ID\", 1); "
                               "insert into \"KivItemIn\"(\"AutoCode\",\"Qty\",\"StockTime\",\"Date\") values(:id, 20, %1, current_timestamp); "
                               "insert into \"KivItemInList\"(\"PCode\",\"StockTime\",\"SkuID\",\"NumIID\") values(:id, %1, %2, 500000000001); "
                               "end"_qs.arg(next, SkuA),
                               u"update \"SYS_Params\""_qs);
        ASSERT_TRUE(WaitFor([&] { return other.Holding.load(); }));
        ChangeItemsBy(u"2024-06-01 14:00:00"_qs);
        Sync();
        EXPECT_TRUE(WaitFor([&] { return other.Committed.load(); }));
    }
    EXPECT_EQ(PeriodsOf(20), u"old"_qs);
    EXPECT_EQ(Figures(u"S1"_qs, {SkuA}), u"5000000000011:32/32/22"_qs);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

TEST_F(StockCarryTest, TheRunningSumsAreTheWholeHistorysAfterLinesStockInsSyncsAndAnUpgrade)
{
    Sync();
    ASSERT_EQ(BookIn(10, u"6901"_qs, QString(), {SkuA, SkuB}), u"closed"_qs);
    TFormItems& form = Monitoring();
    Sim.PlaceOrder(u"k1"_qs, SkuA, 3);
    Sim.PlaceOrder(u"k1"_qs, SkuB, -2, Bought, u"TradeAlipayCreate"_qs);
    Sim.PlaceOrder(u"k1"_qs, SkuC, 4, Bought, u"TradeAlipayCreate"_qs);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuC, u"QtyOut"_qs) == 4 && Figure(SkuB, u"QtyOut"_qs) == -2 && Figure(SkuA, u"QtyPay"_qs) == 3; }))
        << MonitorLog(form).toStdString();
    Stop(form);
    ChangeItemsBy(One);
    Sync();
    ASSERT_EQ(BookIn(-4, u"6901"_qs), u"closed"_qs);
    ExpectSumsOfTheWholeHistory();

    // A database an older program kept: no sums nor what keeps them, no
    // index by date, and history enough that the sums take more than a
    // moment to make. Made on an attachment of its own: one that has run
    // the triggers may not drop what they use.
    Main.reset();
    const auto dropKeepers = [this] {
        FDM.reset();
        FDM = std::make_unique<TKivDM>(TempPath(QString()));
        for (const QString& change :
             {u"drop trigger \"KivItemOut_Sums\""_qs, u"drop trigger \"KivItemIn_Sums\""_qs, u"drop trigger \"KivItemInList_Sums\""_qs,
              u"drop procedure \"KivAddTradeSums\""_qs, u"drop procedure \"KivAddStockSums\""_qs, u"drop exception \"KivFigureRange\""_qs})
            ExecSql(change);
    };
    dropKeepers();
    for (const QString& change : {u"drop table \"KivSkuSums\""_qs, u"drop table \"KivSkuStock\""_qs, u"drop index \"IX_KivItemOut_SkuDate\""_qs,
                                  u"create index \"IX_KivItemOut_Sku\" on \"KivItemOut\" (\"SkuID\", \"NumIID\")"_qs,
                                  u"drop index \"IX_KivItemOut_ShopOid\""_qs, u"create index \"IX_KivItemOut_Shop\" on \"KivItemOut\" (\"ShopCode\")"_qs,
                                  u"create index \"IX_KivItemOut_Oid\" on \"KivItemOut\" (\"Oid\")"_qs})
        ExecSql(change);
    ExecSql(u"execute block as declare i integer = 0; begin while (i < %1) do begin "
            "insert into \"KivItemOut\"(\"ShopCode\",\"SkuID\",\"NumIID\",\"Qty\",\"Date\",\"Status\",\"TradeEvent\") values('S1', %2, "
            "500000000001, mod(:i, 7) - 3, '2024-05-01 00:00:00', iif(mod(:i, 2) = 0, 'WAIT_SELLER_SEND_GOODS', 'WAIT_BUYER_PAY'), "
            "iif(mod(:i, 3) = 0, 'OfflineReload', iif(mod(:i, 2) = 0, 'TradeBuyerPay', 'TradeAlipayCreate'))); i = i + 1; end end"_qs
                .arg(UpgradeProgressLines)
                .arg(SkuB));
    FDM.reset();
    InstallUpgradeProgress();
    const TUpgradeProgress shown = UpgradeProgress;
    QStringList steps;
    UpgradeProgress = [&](int done, int count, const QString& label) {
        shown(done, count, label);
        if (auto* progress = qobject_cast<TFormProgress*>(QApplication::activeModalWidget())) {
            steps << QString::number(progress->ProgressBar->value()) + u'/' + QString::number(progress->ProgressBar->maximum()) + u' '
                         + progress->LabelTitle->text();
            Keep(*progress, u"sums-upgrade.png"_qs);
        }
    };
    FDM = std::make_unique<TKivDM>(TempPath(QString()));
    EXPECT_EQ(Scalar(u"select list(n) from (select trim(rdb$index_name) n from rdb$indices where rdb$relation_name = 'KivItemOut' "
                     "order by 1)"_qs),
              u"IX_KivItemOut_ShopOid,IX_KivItemOut_SkuDate"_qs);
    UpgradeProgress = nullptr;
    EXPECT_EQ(steps, (QStringList{u"0/2 正在统计各商品的交易数量..."_qs, u"1/2 正在统计各商品的入库数量..."_qs}));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    ExpectSumsOfTheWholeHistory();
    EXPECT_EQ(Scalar(u"select \"Stock\" from \"KivSkuStock\" where \"SkuID\" = "_qs + SkuB + u" and \"StockTime\" = "_qs + ReadStockTime()),
              u"6"_qs);

    // The upgraded database keeps its sums itself, whoever writes the rows.
    ExecSql(u"update \"KivItemOut\" set \"Qty\" = \"Qty\" + 1 where \"SkuID\" = "_qs + SkuB + u" and \"Qty\" = 3"_qs);
    ExecSql(u"delete from \"KivItemOut\" where \"SkuID\" = "_qs + SkuB + u" and \"Qty\" = -3"_qs);
    ExecSql(u"update \"KivItemIn\" set \"Qty\" = \"Qty\" * 2"_qs);
    ExecSql(u"delete from \"KivItemInList\" where \"SkuID\" = "_qs + SkuA);
    ExpectSumsOfTheWholeHistory();

    // Sums that an older program kept by itself, gone astray, are made
    // again with their keepers.
    dropKeepers();
    ExecSql(u"update \"KivSkuSums\" set \"Up1\" = \"Up1\" + 5"_qs);
    ExecSql(u"update \"KivSkuStock\" set \"Stock\" = \"Stock\" - 5"_qs);
    FDM.reset();
    FDM = std::make_unique<TKivDM>(TempPath(QString()));
    ExpectSumsOfTheWholeHistory();
}

} // namespace
