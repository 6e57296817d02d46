// The items window in sync and monitor mode, opened from the main window's
// tree, against the platform stand-in, a fresh database and real widgets.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivItems.h"
#include "app/KivItemsSync.h"
#include "app/KivMain.h"
#include "app/KivMsgQueue.h"
#include "app/KivProgress.h"
#include "client/KivEvents.h"
#include "client/KivStream.h"
#include "grid/DBGridMv.h"
#include "grid/DBGridMvInplaceEdit.h"
#include "platform/HttpClient.h"
#include "platform/Threads.h"
#include "platform/db/ClientDataSet.h"
#include "support/DialogAnswers.h"
#include "support/PlatformSim.h"
#include "support/Wave.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QScrollBar>
#include <QToolBar>
#include <QTreeWidget>

namespace {

const QString Now1 = u"2024-06-01 12:00:00"_qs;

class ItemsWindowTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        StartSim(Sim, StationeryCatalogue);
        MonitorTestSettings(Sim);
        Tee = TempPath(u"played.raw"_qs);
        qputenv("MORVANE_AUDIO_DEVICE", "tee:null,'" + Tee.toUtf8() + "',raw");
    }
    void TearDown() override
    {
        EndMonitorTest(Main);
        qputenv("MORVANE_AUDIO_DEVICE", "null");
        AppTest::TearDown();
    }

    // The shop synced once, then the main window over it.
    void SyncAndShowMain()
    {
        TTreeNodeShop shop;
        SetSimShop(shop);
        ASSERT_EQ(SyncItems(shop, nullptr).Outcome, TSyncOutcome::soCompleted);
        Main = std::make_unique<TMainKiv>();
    }

    void DoubleClick(int child)
    {
        Main->tvShops->setCurrentItem(Main->tvShops->topLevelItem(0)->child(child));
        Main->tvShopsDblClick();
    }

    TTreeNodeShop* Shop() const { return Main->ShopOf(Main->tvShops->topLevelItem(0)); }

    // The monitor window of the synced shop, monitoring, its stream open;
    // synced runs once the shop has been synced.
    TFormItems& Monitoring(const std::function<void()>& synced = {})
    {
        SyncAndShowMain();
        if (synced)
            synced();
        DoubleClick(1);
        TFormItems& form = *Form();
        CurrentData = form.ClientDataSetItems;
        form.ActionMonitor->trigger();
        EXPECT_TRUE(form.Monitoring());
        EXPECT_TRUE(WaitFor([&] { return MonitorStreamOpen(Sim, form); }));
        return form;
    }

    // A paid order of SKU C told by the open stream (MonitorStreamOpen),
    // once its figure shows: everything the stream brought before it has
    // been handled by then.
    void Marker()
    {
        const int paid = Figure(SkuC, u"QtyPay"_qs);
        ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuC).Streams, 1);
        ASSERT_TRUE(WaitFor([&] { return Figure(SkuC, u"QtyPay"_qs) == paid + 1; }));
    }

    static int LinesOf(const QString& tid)
    {
        return Scalar(u"select count(*) from \"KivItemOut\" where \"Tid\" = "_qs + tid).toInt();
    }
    TFormItems* Form() const { return MonitorOf(Main.get()); }

    void TradeLine(const QString& sku, const QString& numIid, int qty, const QString& date, const QString& status, const QString& event)
    {
        ExecSql(u"insert into \"KivItemOut\"(\"ShopCode\",\"SkuID\",\"NumIID\",\"Qty\",\"Date\",\"Status\",\"TradeEvent\") values('S1',"_qs + sku
                + u","_qs + numIid + u","_qs + QString::number(qty) + u","_qs + QuotedStr(date) + u","_qs + QuotedStr(status) + u","_qs
                + QuotedStr(event) + u")"_qs);
    }

    // The figure of the SKU's row as the window shows it.
    int Figure(const QString& sku, const QString& field) const { return ItemsFigure(*CurrentData, sku, field); }
    QStringList RowOrder() const { return ItemsRowOrder(*CurrentData); }
    static QRect Cell(TFormItems& form, const QString& sku, const QString& field) { return ItemsCell(form, sku, field); }

    static QString Log(const TFormItems& form) { return MonitorLog(form); }
    // Whether a sound has played since the last call, once it has ended.
    bool PlayedSince() const
    {
        EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(20000));
        const bool played = QFile(Tee).size() > 0;
        QFile::remove(Tee);
        return played;
    }

    TPlatformSim Sim;
    TDialogAnswers Answers;
    std::unique_ptr<TMainKiv> Main;
    TClientDataSet* CurrentData = nullptr;
    QString Tee;
};

TEST_F(ItemsWindowTest, SyncModeSyncsAFreshShopAndShowsHandComputedFigures)
{
    Main = std::make_unique<TMainKiv>();
    QStringList rows;
    Answers.Modal = [&](QDialog& dialog) {
        auto& form = static_cast<TFormItems&>(dialog);
        form.show();
        CurrentData = form.ClientDataSetItems;
        rows = RowOrder();
        EXPECT_FALSE(form.ActionMonitor->isVisible());
        EXPECT_FALSE(form.lbMonitor->isVisible());
        EXPECT_EQ(form.windowTitle(), u"文具店"_qs);
        return int(QDialog::Rejected);
    };
    DoubleClick(0); // "同步数据": never synced, so it syncs first
    EXPECT_EQ(rows.size(), 3);
    EXPECT_FALSE(Shop()->SyncDate.isEmpty());

    // SKU A: 12 in, 4 paid (one of them caught up), 2 bought; a paid line
    // from before the sync does not count. SKU B: 5 in, 5 paid.
    // SKU C: 3 paid, of which 2 shipped later, and one refund.
    StockIn(12, SysRec.StockTime, {SkuA});
    StockIn(5, SysRec.StockTime, {SkuB});
    TradeLine(SkuA, u"500000000001"_qs, 3, Now1, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs);
    TradeLine(SkuA, u"500000000001"_qs, 1, Now1, u"WAIT_SELLER_SEND_GOODS"_qs, u"OfflineReload"_qs);
    TradeLine(SkuA, u"500000000001"_qs, 7, u"2024-05-01 00:00:00"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs);
    TradeLine(SkuA, u"500000000001"_qs, 2, Now1, u"WAIT_BUYER_PAY"_qs, u"TradeAlipayCreate"_qs);
    TradeLine(SkuB, u"500000000001"_qs, 5, Now1, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs);
    TradeLine(SkuC, u"500000000002"_qs, 3, Now1, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs);
    TradeLine(SkuC, u"500000000002"_qs, 2, Now1, u"WAIT_BUYER_CONFIRM_GOODS"_qs, u"OfflineReload"_qs);
    TradeLine(SkuC, u"500000000002"_qs, 1, Now1, u"WAIT_BUYER_CONFIRM_GOODS"_qs, u"RefundSuccess"_qs);
    const long requests = Sim.Count();
    Answers.Modal = [&](QDialog& dialog) {
        auto& form = static_cast<TFormItems&>(dialog);
        form.show();
        CurrentData = form.ClientDataSetItems;
        const QImage image = form.grab().toImage();
        Keep(image, u"items-sync.png"_qs);
        // Ordered by the quantity to order: 2, 10, 13.
        EXPECT_EQ(RowOrder(), QStringList({SkuA, SkuB, SkuC}));
        const std::vector<std::pair<QString, std::vector<int>>> expected = {
            // QtyOut, QtyPay, QtySend, QtyBack, QtyStock, QtyBalance, QtyOrder
            {SkuA, {2, 4, 0, 0, 12, 8, 2}},
            {SkuB, {0, 5, 0, 0, 5, 0, 10}},
            {SkuC, {0, 3, 2, 1, 0, -3, 13}}};
        for (const auto& [sku, figures] : expected) {
            int i = 0;
            for (const char16_t* field : {u"QtyOut", u"QtyPay", u"QtySend", u"QtyBack", u"QtyStock", u"QtyBalance", u"QtyOrder"})
                EXPECT_EQ(Figure(sku, QString::fromUtf16(field)), figures[size_t(i++)]) << sku.toStdString() << " " << QString::fromUtf16(field).toStdString();
        }
        // A low balance (8) is red across the row; 0 and -3 are not.
        EXPECT_GT(PixelsLike(image, Cell(form, SkuA, u"Title"_qs), Qt::red), 5);
        EXPECT_EQ(PixelsLike(image, Cell(form, SkuB, u"Title"_qs), Qt::red), 0);
        EXPECT_EQ(PixelsLike(image, Cell(form, SkuC, u"QtyBalance"_qs), Qt::red), 0);
        return int(QDialog::Rejected);
    };
    DoubleClick(0); // synced already: the figures only
    EXPECT_EQ(Sim.Count(), requests);
}

TEST_F(ItemsWindowTest, APropertyValueOrAnAliasWithBlanksShowsWhole)
{
    Sim.SetCatalogue(QByteArray(StationeryCatalogue)
                         .replace("\"1:1:颜色:黑色\"", "\"1:1:颜色:深 蓝;2:7:尺码:XL 建议120-130斤\"")
                         .replace("\"property_alias\":\"\"", "\"property_alias\":\"1:1:深 蓝 经典款\""));
    Main = std::make_unique<TMainKiv>();
    QString shown;
    Answers.Modal = [&](QDialog& dialog) {
        auto& form = static_cast<TFormItems&>(dialog);
        form.show();
        EXPECT_TRUE(form.ClientDataSetItems->Locate(u"SkuID"_qs, Variant(SkuA.toLongLong())));
        shown = form.ClientDataSetItems->FieldByName(u"PropNameFormat"_qs)->DisplayText();
        Keep(form, u"items-property-blanks.png"_qs);
        return int(QDialog::Rejected);
    };
    DoubleClick(0); // "同步数据": never synced, so it syncs first
    EXPECT_EQ(shown, u"深 蓝 经典款，XL 建议120-130斤"_qs);
}

TEST_F(ItemsWindowTest, TheFiguresAreReadOnlyAndEscapeTakesTheCloseBoxsRoadInBothModes)
{
    SyncAndShowMain();
    // Down past the last row, Insert, and a number typed into a figure.
    const auto tryToEdit = [](TFormItems& form) {
        TDBGridMv& grid = *form.DBGridItems;
        grid.setFocus();
        grid.SetSelectedIndex(grid.GetColumnByFieldName(u"QtyPay"_qs)->Index());
        form.ClientDataSetItems->Last();
        for (const int key : {Qt::Key_Down, Qt::Key_Insert, Qt::Key_F2})
            Press(grid.ClientWidget(), key);
        QWidget* editor = grid.CellEditor();
        Press(editor ? editor : grid.ClientWidget(), Qt::Key_7, u"7"_qs);
        Press(editor ? editor : grid.ClientWidget(), Qt::Key_Return);
        EXPECT_EQ(form.ClientDataSetItems->State(), dsBrowse);
        return form.ClientDataSetItems->RecordCount();
    };
    Answers.Modal = [&](QDialog& dialog) {
        auto& form = static_cast<TFormItems&>(dialog);
        form.show();
        EXPECT_EQ(tryToEdit(form), 3);
        form.ClientDataSetItems->FieldByName(u"Title"_qs)->SetDisplayWidth(33);
        Press(form.ToolBarItems, Qt::Key_Escape);
        EXPECT_FALSE(form.isVisible());
        return int(QDialog::Rejected);
    };
    DoubleClick(0);
    EXPECT_EQ(Scalar(u"select \"Width\" from \"SYS_Fields\" where \"Code\" = 'SYS_KivItem' and \"FieldName\" = 'Title'"_qs), u"33"_qs);

    // A shop without items: its empty grid takes no row either.
    ExecSql(u"delete from \"KivItem\""_qs);
    DoubleClick(1);
    ASSERT_TRUE(Form());
    TFormItems& form = *Form();
    EXPECT_EQ(tryToEdit(form), 0);
    form.ActionMonitor->trigger();
    ASSERT_TRUE(form.Monitoring());
    Press(form.lbMonitor, Qt::Key_Escape);
    // The same with the focus in the grid, which has nothing of its own to revert.
    Press(form.DBGridItems->ClientWidget(), Qt::Key_Escape);
    EXPECT_EQ(Answers.Texts(), QStringList(2, u"正在监控,请先停止!"_qs));
    EXPECT_TRUE(form.isVisible());
    form.ActionMonitor->trigger();
    Press(form.lbMonitor, Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] { return !Form(); }));
    EXPECT_TRUE(MonitorDataSets.isEmpty());
}

TEST_F(ItemsWindowTest, BalanceSoundsAndTheMarkedCellFollowTheUpdateRecords)
{
    SyncAndShowMain();
    // Balances 9, 1 and -2 before the records.
    StockIn(12, SysRec.StockTime, {SkuA});
    StockIn(5, SysRec.StockTime, {SkuB});
    TradeLine(SkuA, u"500000000001"_qs, 3, Now1, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs);
    TradeLine(SkuB, u"500000000001"_qs, 4, Now1, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs);
    TradeLine(SkuC, u"500000000002"_qs, 2, Now1, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs);
    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"BlobValue\") values(9, x'"_qs + QString::fromLatin1(MakeWave(40).toHex()) + u"')"_qs);

    DoubleClick(1);
    DoubleClick(1); // the same window, registered once
    ASSERT_TRUE(Form());
    EXPECT_EQ(MonitorDataSets.size(), 1);
    TFormItems& form = *Form();
    CurrentData = form.ClientDataSetItems;
    // One paid piece more for each SKU, as the consumer applies the records
    // of a rule that adjusts QtyPay alone (SKU A as the stock-in sends its
    // key, quoted; B and C as trades do, bare).
    const auto pay = [&](const QString& key) {
        auto record = std::make_unique<TMsgRec>();
        record->KeyNames = u"SkuID;NumIID"_qs;
        record->KeyValues = {Variant(key), Variant(key.contains(SkuC) ? u"500000000002"_qs : u"500000000001"_qs)};
        record->UpdateFields = u"QtyPay"_qs;
        record->Amount = u"1"_qs;
        record->DataSet = form.ClientDataSetItems;
        ApplyMsgRec(std::move(record));
    };
    pay(u"'"_qs + SkuA + u"'"_qs);
    EXPECT_EQ(Figure(SkuA, u"QtyBalance"_qs), 8);
    EXPECT_EQ(Figure(SkuA, u"QtyOrder"_qs), 2);
    const QImage image = form.grab().toImage();
    EXPECT_GT(PixelsLike(image, Cell(form, SkuA, u"QtyPay"_qs), Qt::yellow), 20);
    EXPECT_EQ(PixelsLike(image, Cell(form, SkuA, u"QtyStock"_qs), Qt::yellow), 0);
    EXPECT_TRUE(PlayedSince()); // balance 8: low
    pay(SkuB);
    EXPECT_EQ(Figure(SkuB, u"QtyOrder"_qs), 10);
    EXPECT_FALSE(PlayedSince()); // balance 0: silent
    pay(SkuC);
    EXPECT_EQ(Figure(SkuC, u"QtyOrder"_qs), 13);
    EXPECT_TRUE(PlayedSince()); // balance -3: a shortage sounds
    const QImage after = form.grab().toImage();
    EXPECT_GT(PixelsLike(after, Cell(form, SkuC, u"QtyPay"_qs), Qt::yellow), 20);
    EXPECT_EQ(PixelsLike(after, Cell(form, SkuA, u"QtyPay"_qs), Qt::yellow), 0);
    // Reloaded ("打开数据"), the new fields sound as well.
    form.ActionOpen->trigger();
    pay(SkuC);
    EXPECT_TRUE(PlayedSince());

    form.close();
    EXPECT_TRUE(WaitFor([&] { return !Form(); }));
    EXPECT_TRUE(MonitorDataSets.isEmpty());
    EXPECT_TRUE(MonitorLogBoxes.isEmpty());
}

TEST_F(ItemsWindowTest, MonitorShowsALivePaidOrderAndCatchesUpMissedTradesOnce)
{
    const QByteArray sound = MakeWave(60);
    AddRule(u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtyPay"_qs, sound);
    // A second rule of the same status: the catch-up must not record its
    // order lines twice.
    AddRule(u"TradeSellerShip"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtySend"_qs);
    TFormItems& form = Monitoring([] { StockIn(50, SysRec.StockTime, {SkuA}); });
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA, 2).Streams, 1);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 2; })) << Log(form).toStdString();

    // The icon turns through the running images (it may have turned already).
    const int turned = form.MonitorImageIndex();
    form.TimerMonitorTimer();
    EXPECT_EQ(form.MonitorImageIndex(), (turned + 1) % KivDM->ImageListRun.Count());
    for (int i = 1; i < KivDM->ImageListRun.Count(); ++i)
        form.TimerMonitorTimer();
    EXPECT_EQ(form.MonitorImageIndex(), turned);

    // Stopped: 20 orders are missed, at a later time.
    form.ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return form.lbMonitor->count() > 0 && form.lbMonitor->item(form.lbMonitor->count() - 1)->text().endsWith(u"监控停止"_qs); }));
    ASSERT_TRUE(WaitFor([&] { return Sim.StreamOpen() == 0; }));
    Sim.SetNow(u"2024-06-01 12:10:00"_qs);
    EXPECT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA, 1, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs, 20).Streams, 0);
    Sim.SetNow(u"2024-06-01 12:20:00"_qs);
    Sim.ResetCounts();
    // Started again: the catch-up reads what changed since the record was
    // complete (the live order at 12:00:00 is not among it), in 2 pages, each
    // trade fetched once for both rules. It cannot be closed meanwhile.
    QObject::connect(form.lbMonitor->model(), &QAbstractItemModel::rowsInserted, &form, [&] {
        if (Answers.Messages.empty() && form.lbMonitor->count() > 0
            && form.lbMonitor->item(form.lbMonitor->count() - 1)->text().contains(u"已付"_qs))
            form.close();
    });
    form.ActionMonitor->trigger();
    EXPECT_EQ(Answers.Texts(), QStringList({u"正在监控,请先停止!"_qs}));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(Sim.Count(u"taobao.trades.sold.increment.get"_qs), 3);
    EXPECT_EQ(Sim.Count(u"taobao.trade.get"_qs), 20);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 22; }));
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOut\" where \"TradeEvent\" = 'OfflineReload'"_qs), u"20"_qs);
    EXPECT_EQ(Figure(SkuA, u"QtySend"_qs), 0);
    // Reloaded, the caught-up lines still count.
    form.LoadItems();
    EXPECT_EQ(Figure(SkuA, u"QtyPay"_qs), 22);
    EXPECT_EQ(Figure(SkuA, u"QtyOrder"_qs), 18);
}

// The log's lines as a person can read them: each as wide as its text in the
// log's font, the widest reachable with the horizontal scroll bar. Gives the
// widest line's width.
int ExpectLogLinesWhole(TFormItems& form, const QString& picture)
{
    Keep(form, picture);
    const QListWidget& box = *form.lbMonitor;
    const QFontMetrics metrics(box.font());
    int widest = 0;
    for (int row = 0; row < box.count(); ++row) {
        const QListWidgetItem* item = box.item(row);
        const int width = metrics.horizontalAdvance(item->text());
        widest = std::max(widest, width);
        EXPECT_GE(box.visualItemRect(item).width(), width) << item->text().toStdString();
    }
    EXPECT_GE(box.horizontalScrollBar()->maximum() + box.viewport()->width(), widest);
    return widest;
}

TEST_F(ItemsWindowTest, EveryLogLineCanBeReadWholeWhateverWasLoggedAfterIt)
{
    AddRule(u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtyPay"_qs);
    TFormItems& form = Monitoring();
    QListWidget& box = *form.lbMonitor;
    // Stock lines of two widths (a Chinese and a Latin property) between
    // short lines.
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA, 2).Streams, 1);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 2; }));
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuC, 1).Streams, 1);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuC, u"QtyPay"_qs) == 1; }));
    form.ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return Log(form).endsWith(u"监控停止"_qs); }));
    ASSERT_TRUE(Log(form).contains(u"2件|  已付"_qs)) << Log(form).toStdString();
    EXPECT_GT(ExpectLogLinesWhole(form, u"monitor-log.png"_qs), box.viewport()->width());

    // Emptied at 200 lines, then a stock line and a short one; emptied
    // again, short lines only: nothing is left to scroll to.
    const auto fill = [&] {
        while (box.count() < 200)
            LogLine(&box, u"连接正常,心跳正常"_qs);
    };
    fill();
    ASSERT_TRUE(CurrentData->Locate(u"SkuID"_qs, Variant(SkuB.toLongLong())));
    LogStockChange(&box, CurrentData, Now1, u"QtyStock"_qs, u"12"_qs);
    LogLine(&box, u"监控开始"_qs);
    ASSERT_EQ(box.count(), 2);
    EXPECT_GT(ExpectLogLinesWhole(form, u"monitor-log-emptied.png"_qs), box.viewport()->width());
    fill();
    LogLine(&box, u"监控开始"_qs);
    ExpectLogLinesWhole(form, u"monitor-log-short.png"_qs);
    EXPECT_EQ(box.horizontalScrollBar()->maximum(), 0);
}

TEST_F(ItemsWindowTest, ACatchUpThePlatformDoesNotAnswerOrRefusesIsSaidAndTriedAgainAtTheNextStart)
{
    AddRule(u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtyPay"_qs);
    SyncAndShowMain();
    TradeLine(SkuA, u"500000000001"_qs, 1, Now1, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs);
    Sim.SetNow(u"2024-06-01 12:10:00"_qs);
    Sim.PlaceOrder(u"k1"_qs, SkuA, 3);
    Sim.SetNow(u"2024-06-01 12:20:00"_qs);
    DoubleClick(1);
    ASSERT_TRUE(Form());
    TFormItems& form = *Form();
    CurrentData = form.ClientDataSetItems;
    const int paid = Figure(SkuA, u"QtyPay"_qs);
    const auto startAndStop = [&] {
        form.ActionMonitor->trigger();
        ASSERT_TRUE(form.Monitoring()) << "the stream runs even when the catch-up fails";
        form.ActionMonitor->trigger();
        ASSERT_TRUE(WaitFor([&] { return Sim.StreamOpen() == 0; }));
    };
    Sim.SetFault(u"http500"_qs);
    startAndStop();
    EXPECT_EQ(Answers.Texts(), QStringList{PlatformUnreachableText(u"中断交易数据同步"_qs)});
    EXPECT_EQ(Figure(SkuA, u"QtyPay"_qs), paid);
    Sim.SetFault(u"none"_qs);
    // The platform refuses the count: its reason is said.
    Shop()->Session = u"expired"_qs;
    startAndStop();
    ASSERT_EQ(Answers.Messages.size(), 2u);
    EXPECT_EQ(Answers.Messages[1].Text,
              u"中断交易数据同步失败：淘宝平台拒绝了请求（Invalid session [27]），请检查“设置店铺”中店铺的AppKey、AppSecret和Session后重试！"_qs);
    EXPECT_EQ(Figure(SkuA, u"QtyPay"_qs), paid);
    Shop()->Session = u"sess"_qs;
    startAndStop();
    EXPECT_EQ(Answers.Messages.size(), 2u);
    // The caught-up order's record is applied at the next idle moment.
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == paid + 3; }));
}

TEST_F(ItemsWindowTest, AutoMonitorShopsMonitorFromTheStartAndHoldTheMainWindowOpen)
{
    ExecSql(u"update \"SYS_Shop\" set \"AutoMonitor\" = 1"_qs);
    SyncAndShowMain();
    ASSERT_TRUE(Form());
    EXPECT_TRUE(Form()->isVisible());
    EXPECT_TRUE(Form()->Monitoring());
    EXPECT_TRUE(WaitFor([&] { return Sim.StreamOpen() == 1; }));
    EXPECT_FALSE(Main->close());
    EXPECT_EQ(Answers.Texts(), QStringList({u"请先关闭监控窗口!"_qs}));
    Form()->ActionMonitor->trigger();
    EXPECT_TRUE(Form()->close());
    EXPECT_TRUE(WaitFor([&] { return !Form(); }));
    EXPECT_TRUE(Main->close());
}

TEST_F(ItemsWindowTest, AnOrderLineIsRecordedOnceWhicheverRoadBringsIt)
{
    AddRule(u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtyPay"_qs);
    TFormItems& form = Monitoring();

    // The platform delivers a notification twice.
    const TPlatformSim::TOrder twice = Sim.PlaceOrder(u"k1"_qs, SkuA, 2);
    ASSERT_EQ(Sim.StreamNotify(u"notify_trade"_qs, u"TradeBuyerPay"_qs, twice.Tid, twice.Oid, Now1), 1);
    Marker();
    EXPECT_EQ(Figure(SkuA, u"QtyPay"_qs), 2);
    EXPECT_EQ(LinesOf(twice.Tid), 1);

    // A trade of two SKUs reaches the catch-up first, then the stream.
    form.ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return Sim.StreamOpen() == 0; }));
    Sim.SetNow(u"2024-06-01 12:10:00"_qs);
    const TPlatformSim::TOrder missed = Sim.PlaceOrder(u"k1"_qs, SkuA + u","_qs + SkuB);
    Sim.SetNow(u"2024-06-01 12:20:00"_qs);
    form.ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return MonitorStreamOpen(Sim, form) && Figure(SkuB, u"QtyPay"_qs) == 1; }));
    ASSERT_EQ(Sim.StreamNotify(u"notify_trade"_qs, u"TradeBuyerPay"_qs, missed.Tid, missed.Oid, u"2024-06-01 12:10:00"_qs), 1);
    Marker();
    EXPECT_EQ(LinesOf(missed.Tid), 2);

    // Another one reaches the stream first; then the stream is down for a
    // while, an order comes meanwhile, and the catch-up of the outage reads both.
    const TPlatformSim::TOrder live = Sim.PlaceOrder(u"k1"_qs, SkuA + u","_qs + SkuB);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuB, u"QtyPay"_qs) == 2; }));
    Sim.StreamStall(60000);
    ASSERT_EQ(Sim.StreamDrop(), 1);
    // The gap opens a minute before the stream's last line, whose time is the
    // platform's clock: it may have ticked on a second or two since 12:20:00.
    const QRegularExpression outage(u"监控连接中断，自2024-06-01 12:19:0\\d起的交易待补录"_qs);
    ASSERT_TRUE(WaitFor([&] { return Log(form).contains(outage); })) << Log(form).toStdString();
    Sim.SetNow(u"2024-06-01 12:25:00"_qs);
    const TPlatformSim::TOrder whileDown = Sim.PlaceOrder(u"k1"_qs, SkuA, 3);
    EXPECT_EQ(whileDown.Streams, 0);
    Sim.SetNow(u"2024-06-01 12:30:00"_qs);
    // A catch-up due from the restart may read the outage before the stream
    // is back: the marker waits for both.
    Sim.StreamStall(0);
    ASSERT_TRUE(WaitFor([&] { return MonitorStreamOpen(Sim, form) && Figure(SkuA, u"QtyPay"_qs) == 7; })) << Log(form).toStdString();
    // The record is complete up to the catch-up's end.
    EXPECT_TRUE(WaitFor([] { return OutGapFrom(u"S1"_qs) >= u"2024-06-01 12:30:00"_qs; })) << OutGapFrom(u"S1"_qs).toStdString();
    Keep(form, u"monitor-outage.png"_qs);
    Marker();
    EXPECT_EQ(LinesOf(live.Tid), 2);
    EXPECT_EQ(LinesOf(whileDown.Tid), 1);
    form.LoadItems();
    EXPECT_EQ(Figure(SkuA, u"QtyPay"_qs), 7);
    EXPECT_EQ(Figure(SkuB, u"QtyPay"_qs), 2);
}

TEST_F(ItemsWindowTest, ATradeTheStreamCouldNotFetchOrStoppedWaitingForIsCaughtUpAndALaterOrderDoesNotHideIt)
{
    AddRule(u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtyPay"_qs);
    TFormItems& form = Monitoring();
    Sim.SetFault(u"cut"_qs, 0, 1, u"taobao.trade.get"_qs);
    const TPlatformSim::TOrder lost = Sim.PlaceOrder(u"k1"_qs, SkuA, 2);
    ASSERT_TRUE(WaitFor([&] { return Log(form).contains(u"交易"_qs + lost.Tid + u"获取失败，自2024-06-01 12:00:00起的交易待补录"_qs); }));
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuB, 1).Streams, 1);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuB, u"QtyPay"_qs) == 1; }));
    EXPECT_EQ(OutGapFrom(u"S1"_qs), Now1);
    // Once the platform's clock has moved on, the catch-up reads the gap.
    Sim.SetNow(u"2024-06-01 12:05:00"_qs);
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 2; })) << Log(form).toStdString();
    EXPECT_TRUE(WaitFor([&] { return Log(form).contains(u"自2024-06-01 12:00:00起的交易已补录完整"_qs); }));
    EXPECT_EQ(OutGapFrom(u"S1"_qs), u"2024-06-01 12:05:00"_qs);
    EXPECT_EQ(LinesOf(lost.Tid), 1);

    // A fetch the platform holds back: the windows live on, and the monitor
    // stopped meanwhile leaves the trade to the next start.
    Sim.SetFault(u"hold"_qs, 0, -1, u"taobao.trade.get"_qs);
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuC, 4).Streams, 1);
    ASSERT_TRUE(WaitFor([&] { return Sim.Held() == 1; }));
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(5);
    EXPECT_TRUE(WaitFor([&] { return ticks >= 5 && Sim.Held() == 1; }));
    form.ActionMonitor->trigger();
    EXPECT_FALSE(form.Monitoring());
    EXPECT_TRUE(Log(form).contains(u"监控停止时有交易尚未获取，自2024-06-01 12:05:00起的交易待补录"_qs)) << Log(form).toStdString();
    Sim.SetFault(u"none"_qs);
    Sim.Release();
    ASSERT_TRUE(WaitFor([&] { return Log(form).endsWith(u"监控停止"_qs); }));
    EXPECT_EQ(Figure(SkuC, u"QtyPay"_qs), 0);
    Sim.SetNow(u"2024-06-01 12:10:00"_qs);
    form.ActionMonitor->trigger();
    EXPECT_TRUE(WaitFor([&] { return Figure(SkuC, u"QtyPay"_qs) == 4; }));
    EXPECT_TRUE(Answers.Messages.empty());
}

TEST_F(ItemsWindowTest, ACatchUpWhosePageFailedIsCompletedByTheNextOneAfterARestart)
{
    TFormItems::CatchUpRetryMs = 600000;
    AddRule(u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtyPay"_qs);
    TFormItems* form = &Monitoring();
    form->ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return Sim.StreamOpen() == 0; }));
    Sim.SetNow(u"2024-06-01 12:10:00"_qs);
    Sim.PlaceOrder(u"k1"_qs, SkuA, 1, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs, 15);
    Sim.SetNow(u"2024-06-01 12:20:00"_qs);
    // The count answers, and the last page (read first); the first page
    // does not: 5 of 15 are recorded.
    Sim.SetFault(u"http500"_qs, 0, 1, u"taobao.trades.sold.increment.get"_qs, 2);
    form->ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 5; }));
    EXPECT_EQ(Answers.Texts(), QStringList{u"中断交易数据同步未完成：1页交易、0笔交易获取失败"_qs});
    EXPECT_TRUE(Log(*form).contains(u"，自2024-06-01 12:00:01起的交易待补录"_qs));

    // The program ends and starts again: the gap is still there.
    form->ActionMonitor->trigger();
    ASSERT_TRUE(form->close());
    ASSERT_TRUE(WaitFor([&] { return !Form(); }));
    Main.reset();
    FDM.reset();
    FDM = std::make_unique<TKivDM>(TempPath(QString()));
    PointAtSim(Sim);
    Main = std::make_unique<TMainKiv>();
    DoubleClick(1);
    form = Form();
    CurrentData = form->ClientDataSetItems;
    form->ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return Figure(SkuA, u"QtyPay"_qs) == 15; }));
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOut\""_qs), u"15"_qs);
    EXPECT_EQ(OutGapFrom(u"S1"_qs), u"2024-06-01 12:20:00"_qs);
}

TEST_F(ItemsWindowTest, ASyncWaitingForThePlatformKeepsTheWindowsAliveAndStopsBetweenItems)
{
    Main = std::make_unique<TMainKiv>();
    TTreeNodeShop* shop = Shop();
    Sim.SetFault(u"hold"_qs, 0, -1, u"taobao.item.get"_qs);
    // The user, while the first item's SKUs are on their way.
    bool acted = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (acted || Sim.Held() == 0)
            return;
        acted = true;
        auto* progress = qobject_cast<TFormProgress*>(QApplication::activeModalWidget());
        ASSERT_TRUE(progress && progress->isVisible());
        // Still in the first item's call.
        EXPECT_TRUE(progress->LabelTitle->text().endsWith(u"正在同步第1个商品的属性..."_qs)) << progress->LabelTitle->text().toStdString();
        Keep(*progress, u"items-sync-progress-stop.png"_qs);
        for (const Qt::WindowType hint : {Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint})
            EXPECT_FALSE(progress->windowFlags().testFlag(hint));
        Press(progress, Qt::Key_Escape);
        progress->close();
        EXPECT_TRUE(progress->isVisible());
        auto* form = qobject_cast<TFormItems*>(progress->parentWidget());
        ASSERT_TRUE(form);
        form->ActionSync->trigger();
        form->ActionOpen->trigger();
        form->close();
        EXPECT_TRUE(form->isVisible());
        // The shop editor's tree reload leaves the record of the sync alone.
        Main->ActionConfigShops->trigger();
        EXPECT_EQ(Shop(), shop);
        progress->ButtonStop->click();
    });
    user.start(20);
    Answers.Modal = [&](QDialog& dialog) {
        dialog.show();
        return int(QDialog::Rejected);
    };
    DoubleClick(0);
    Sim.Release();
    EXPECT_TRUE(acted);
    EXPECT_EQ(Sim.Count(u"taobao.items.onsale.get"_qs), 2);
    // The released call is counted as the stand-in answers it.
    EXPECT_TRUE(WaitFor([&] { return Sim.Count(u"taobao.item.get"_qs) == 1; }));
    EXPECT_TRUE(Shop()->SyncDate.isEmpty());
    EXPECT_TRUE(Answers.Messages.empty());
}

} // namespace
