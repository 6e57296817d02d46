// The items sync against the platform stand-in and a fresh database.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivItemsSync.h"
#include "app/KivMain.h"
#include "app/KivProgress.h"
#include "client/KivQuery.h"
#include "platform/Exceptions.h"
#include "platform/HttpClient.h"
#include "support/ChildProcess.h"
#include "support/DialogAnswers.h"

#include <QLabel>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeWidget>
#include <csignal>
#include <map>

namespace {

const QString Now1 = u"2024-06-01 12:00:00"_qs;
const QString Now2 = u"2024-06-02 12:00:00"_qs;
const QString Now3 = u"2024-06-03 12:00:00"_qs;

// A sync in a process of its own, killed half-way: one sync of the shop S1 of
// the program folder MORVANE_SYNC_DIR against the stand-in at MORVANE_SYNC_TQL.
// MORVANE_SYNC_KILL names where it dies: "skus" while the SKUs of the 12th
// item are fetched, "format" at the last property text but one of that item,
// "rollover" at the second SKU that the roll-over carries. Exits 0 when the
// sync completed.
int SyncChild()
{
    TKivDM dm(qEnvironmentVariable("MORVANE_SYNC_DIR"));
    SysRec.TqlUrl = qEnvironmentVariable("MORVANE_SYNC_TQL");
    SysRec.SignMethod = u"md5"_qs;
    SysRec.StockTime = LoadStockTime();
    TTreeNodeShop shop;
    SetSimShop(shop);
    const QString kill = qEnvironmentVariable("MORVANE_SYNC_KILL");
    int formats = 0;
    int carried = 0;
    TItemsSync sync(shop, nullptr);
    sync.OnProgress = [&](TFormProgress& progress) {
        if (kill == u"skus"_qs && progress.LabelTitle->text().endsWith(u"正在同步第12个商品的属性..."_qs))
            std::raise(SIGKILL);
    };
    sync.OnStatement = [&](const QString& sql) {
        if ((kill == u"format"_qs && sql.startsWith(u"update \"KivItem\" a set"_qs) && ++formats == 35)
            || (kill == u"rollover"_qs && sql.startsWith(u"insert into \"KivItemInList\""_qs) && ++carried == 2))
            std::raise(SIGKILL);
    };
    return sync.SyncItems().Outcome == TSyncOutcome::soCompleted ? 0 : 1;
}
const bool SyncChildRegistered = RegisterTestChild("items-sync", SyncChild);

// One shop; item i (from 1) has the id 500000000000 + i and skus SKUs whose
// ids append the SKU's index. The changed item (-1: every item) was modified
// after Now1 and carries one SKU more.
QByteArray Catalogue(int items, int skus, int changed = 0)
{
    QByteArray json = R"({"now":"2024-06-01 12:00:00","shops":[{"app_key":"k1","app_secret":"secret","session":"sess","items":[)";
    for (int i = 1; i <= items; ++i) {
        const QByteArray id = QByteArray::number(500000000000LL + i);
        json += QByteArray(i > 1 ? "," : "") + R"({"num_iid":)" + id + R"(,"title":"商品)" + QByteArray::number(i) + R"(","modified":")"
                + (i == changed || changed < 0 ? "2024-06-01 13:00:00" : "2024-05-01 10:00:00") + R"(","property_alias":"1:10:经典黑","skus":[)";
        for (int k = 0; k < skus + (i == changed || changed < 0); ++k)
            json += QByteArray(k ? "," : "") + R"({"sku_id":)" + id + QByteArray::number(k) + R"(,"price":"12.50","quantity":)"
                    + QByteArray::number(k + 1) + R"(,"properties_name":"1:10:颜色:黑色;2:2)" + QByteArray::number(k) + R"(:尺码:XL"})";
        json += "]}";
    }
    return json + "]}]}";
}

class ItemsSyncTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        StartSim(Sim, Catalogue(3, 2));
        PointAtSim(Sim);
        FDM->KivHttp->ConnectTimeoutMs = 2000;
        FDM->KivHttp->ReadTimeoutMs = 10000;
        ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\") values('S1','店一','k1','secret','sess')"_qs);
        SetSimShop(Shop);
    }
    void TearDown() override
    {
        MainKivHooks = {};
        AppTest::TearDown();
    }

    TItemsSyncResult Sync()
    {
        TItemsSync sync(Shop, nullptr);
        sync.OnProgress = [this](TFormProgress& progress) {
            Labels << progress.LabelTitle->text();
            Bars << progress.ProgressBar->maximum();
            if (OnLabel)
                OnLabel(progress);
        };
        return sync.SyncItems();
    }
    static QString Rows(const QString& table, const QString& syncDate)
    {
        return Scalar(u"select count(*) from \""_qs + table + u"\" where \"SyncDate\" = "_qs + QuotedStr(syncDate));
    }
    static QString Barcode(const QString& skuId, const QString& syncDate)
    {
        return Scalar(u"select \"Barcode\" from \"KivItem\" where \"SkuID\" = "_qs + skuId + u" and \"SyncDate\" = "_qs + QuotedStr(syncDate));
    }

    TDialogAnswers Answers;
    TPlatformSim Sim;
    TTreeNodeShop Shop;
    QStringList Labels;
    // The bar's maximum at each label.
    QList<int> Bars;
    std::function<void(TFormProgress&)> OnLabel;
};

} // namespace

TEST(FormatSkuProps, AliasWinsAndEveryPieceShows)
{
    EXPECT_EQ(FormatSkuProps(u"1:2:颜色:黑色;3:4:尺码:XL"_qs, u"1:2:经典黑"_qs), u"经典黑，XL"_qs);
    EXPECT_EQ(FormatSkuProps(u"1:2:颜色:黑色;3:4:尺码:XL"_qs, u"3:4:加大;1:2:经典黑"_qs), u"经典黑，加大"_qs);
    // Only ';' ends an entry, of the properties and of the aliases: a value
    // keeps its blanks and may hold ':'; blanks around an entry go.
    EXPECT_EQ(FormatSkuProps(u"1:2:颜色:深 蓝;3:4:尺码:XL 建议120-130斤"_qs, QString()), u"深 蓝，XL 建议120-130斤"_qs);
    EXPECT_EQ(FormatSkuProps(u"1:2:颜色:深 蓝; 3:4:时间:10:30;"_qs, u" 3:4:下午 三点 ;1:2:藏 青"_qs), u"藏 青，下午 三点"_qs);
    EXPECT_EQ(FormatSkuProps(QString(), u"1:2:经典黑"_qs), QString());
}

TEST_F(ItemsSyncTest, FirstSyncFetchesPagesOfTenAndOneRowPerSku)
{
    Sim.SetCatalogue(Catalogue(25, 2));
    const QString oldStockTime = SysRec.StockTime;
    OnLabel = [&](TFormProgress& progress) {
        if (Labels.size() == 20)
            Keep(progress.grab().toImage(), u"items-sync-progress-items.png"_qs);
        if (Labels.size() != 2)
            return;
        EXPECT_TRUE(progress.isVisible());
        EXPECT_TRUE(progress.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(progress.windowTitle(), u"在线商品数据同步中..."_qs);
        EXPECT_EQ(progress.ProgressBar->maximum(), 3);
        // The whole label fits on the window.
        EXPECT_LE(progress.LabelTitle->fontMetrics().horizontalAdvance(progress.LabelTitle->text()), progress.LabelTitle->width());
        Keep(progress.grab().toImage(), u"items-sync-progress.png"_qs);
    };
    const TItemsSyncResult r = Sync();
    EXPECT_EQ(r.Outcome, TSyncOutcome::soCompleted);
    EXPECT_EQ(Sim.Count(u"taobao.items.onsale.get"_qs), 4); // the count and 3 pages
    EXPECT_EQ(Sim.Count(u"taobao.item.get"_qs), 25);
    EXPECT_EQ(Rows(u"KivItemOnsale"_qs, Now1), u"25"_qs);
    EXPECT_EQ(Rows(u"KivItem"_qs, Now1), u"50"_qs);
    EXPECT_EQ(Scalar(u"select \"NumIID\"||'|'||\"PropAlias\"||'|'||\"Price\"||'|'||\"Qty\"||'|'||\"SkuPropName\"||'|'||\"PropNameFormat\"||'|'||"
                     "coalesce(\"Barcode\",'-') from \"KivItem\" where \"SkuID\" = 5000000000251"_qs),
              u"500000000025|1:10:经典黑|12.50|2|1:10:颜色:黑色;2:21:尺码:XL|经典黑，XL|-"_qs);
    EXPECT_EQ(Shop.SyncDate, Now1);
    EXPECT_EQ(GetShopSyncDate(u"S1"_qs), Now1);
    // A new stock period, into which no stock-in was carried.
    EXPECT_NE(SysRec.StockTime, oldStockTime);
    EXPECT_EQ(GetParam(u"1"_qs, QString()), SysRec.StockTime);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemIn\""_qs), u"0"_qs);

    // One label per item as its SKUs are fetched, then one per SKU row as
    // its property text is made; each bar runs over what its label counts.
    ASSERT_EQ(Labels.size(), 1 + 3 + 2 + 25 + 1 + 50);
    EXPECT_EQ(Labels[0], u"获取商品数量..."_qs);
    EXPECT_EQ(Labels[1], u"商品数量共25条,分3页同步,每页10条正在同步第1页"_qs);
    EXPECT_EQ(Labels[3], u"商品数量共25条,分3页同步,每页10条正在同步第3页"_qs);
    EXPECT_EQ(Labels.mid(4, 3), QStringList({u"同步商品属性..."_qs, u"共有25属性需要同步"_qs, u"共有25个商品的属性需要同步,正在同步第1个商品的属性..."_qs}));
    EXPECT_EQ(Labels[30], u"共有25个商品的属性需要同步,正在同步第25个商品的属性..."_qs);
    EXPECT_EQ(Labels.mid(31, 2), QStringList({u"共有50属性需要调整"_qs, u"共有50个商品的属性需要调整,正在调整第1个商品的属性..."_qs}));
    EXPECT_EQ(Labels.last(), u"共有50个商品的属性需要调整,正在调整第50个商品的属性..."_qs);
    EXPECT_EQ(Bars.value(5), 25);
    EXPECT_EQ(Bars.value(31), 50);

    // 30 items are 3 full pages: no fourth page is asked for. Items without
    // SKUs are no failure.
    Sim.SetCatalogue(Catalogue(30, 0));
    Sim.ResetCounts();
    ExecSql(u"update \"SYS_Shop\" set \"SyncDate\" = null"_qs);
    Sim.SetNow(Now2);
    const TItemsSyncResult again = Sync();
    EXPECT_EQ(again.Outcome, TSyncOutcome::soCompleted);
    EXPECT_EQ(again.Pages, 3);
    EXPECT_EQ(Sim.Count(u"taobao.items.onsale.get"_qs), 4);
    EXPECT_EQ(Rows(u"KivItemOnsale"_qs, Now2), u"30"_qs);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOnsale\""_qs), u"30"_qs); // the first sync replaced the shop's rows
}

TEST_F(ItemsSyncTest, LaterSyncsFetchTheModifiedItemsAndCarryBarcodesForward)
{
    ASSERT_EQ(Sync().Outcome, TSyncOutcome::soCompleted);
    ExecSql(u"update \"KivItem\" set \"Barcode\" = '690001' where \"SkuID\" = 5000000000010"_qs);
    const QString stockTime = SysRec.StockTime;

    // Unchanged shop: nothing is written and nothing moves.
    Sim.SetNow(Now2);
    Labels.clear();
    EXPECT_EQ(Sync().Outcome, TSyncOutcome::soNothingToSync);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItem\""_qs), u"6"_qs);
    EXPECT_EQ(GetShopSyncDate(u"S1"_qs), Now1);
    EXPECT_EQ(SysRec.StockTime, stockTime);
    EXPECT_EQ(Scalar(u"select gen_id(\"GEN_StockTime\",0) from RDB$DATABASE"_qs), stockTime);
    EXPECT_TRUE(Labels.isEmpty());

    // Item 1 modified and given a third SKU: only it is fetched.
    Sim.SetCatalogue(Catalogue(3, 2, 1));
    Sim.SetNow(Now2); // the catalogue brings its own time
    Sim.ResetCounts();
    const TItemsSyncResult r = Sync();
    EXPECT_EQ(r.Outcome, TSyncOutcome::soCompleted);
    EXPECT_EQ(r.Total, 1);
    EXPECT_EQ(Sim.Count(u"taobao.item.get"_qs), 1);
    EXPECT_EQ(Rows(u"KivItemOnsale"_qs, Now2), u"1"_qs);
    EXPECT_EQ(Barcode(u"5000000000010"_qs, Now2), u"690001"_qs);
    EXPECT_EQ(Barcode(u"5000000000011"_qs, Now2), u"<null>"_qs);
    EXPECT_EQ(Barcode(u"5000000000012"_qs, Now2), u"<null>"_qs);
    EXPECT_EQ(GetShopSyncDate(u"S1"_qs), Now2);
}

TEST_F(ItemsSyncTest, AFirstSyncOfAShopWithNothingOnSaleRemovesWhatItListedBefore)
{
    ASSERT_EQ(Sync().Outcome, TSyncOutcome::soCompleted);
    ExecSql(u"insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"ShopCode\",\"SyncDate\") values(9,8,'S2','2024-01-01 00:00:00')"_qs);
    const QString stockTime = SysRec.StockTime;
    // Synced again from the start, the shop has nothing on sale any more.
    ExecSql(u"update \"SYS_Shop\" set \"SyncDate\" = null"_qs);
    Sim.SetCatalogue(Catalogue(0, 0));
    Sim.SetNow(Now2);
    EXPECT_EQ(Sync().Outcome, TSyncOutcome::soNothingToSync);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOnsale\" where \"ShopCode\" = 'S1'"_qs), u"0"_qs);
    EXPECT_EQ(Scalar(u"select list(\"ShopCode\") from \"KivItem\""_qs), u"S2"_qs) << "another shop's rows stay";
    EXPECT_EQ(GetShopSyncDate(u"S1"_qs), QString());
    EXPECT_EQ(SysRec.StockTime, stockTime);
    EXPECT_TRUE(Answers.Messages.empty());
}

TEST_F(ItemsSyncTest, RollOverCarriesEachSkuWhatIsLeftOfItsStock)
{
    const QString old = SysRec.StockTime;
    StockIn(10, old, {u"5000000000011"_qs, u"5000000000010"_qs});
    StockIn(4, old, {u"5000000000010"_qs});
    StockIn(7, old + u"0"_qs, {u"5000000000010"_qs}); // another period
    StockIn(6, old, {u"9"_qs}, u"8"_qs);               // another shop's SKU
    ExecSql(u"insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"ShopCode\",\"SyncDate\") values(9,8,'S2','2024-01-01 00:00:00')"_qs);
    // The shop was never synced: its paid figure counted every paid line,
    // and counts from the sync's time on after it. A shipment is no
    // payment; another shop's SKU keeps its sync date and its stock.
    for (const QString& line : {u"5000000000010,500000000001,50,'2024-06-01 12:00:00','WAIT_SELLER_SEND_GOODS','TradeBuyerPay'"_qs,
                                u"5000000000010,500000000001,5,'2024-05-31 12:00:00','WAIT_SELLER_SEND_GOODS','OfflineReload'"_qs,
                                u"5000000000010,500000000001,3,'2024-05-31 12:00:00','WAIT_BUYER_CONFIRM_GOODS','TradeSellerShip'"_qs,
                                u"9,8,2,'2024-05-31 12:00:00','WAIT_SELLER_SEND_GOODS','TradeBuyerPay'"_qs})
        ExecSql(u"insert into \"KivItemOut\"(\"SkuID\",\"NumIID\",\"Qty\",\"Date\",\"Status\",\"TradeEvent\") values("_qs + line + u')');
    ASSERT_EQ(Sync().Outcome, TSyncOutcome::soCompleted);
    const QString now = SysRec.StockTime;
    EXPECT_EQ(GetParam(u"1"_qs, QString()), now);
    const auto rows = OpenQuery(u"select b.\"Qty\", a.\"SkuID\" from \"KivItemIn\" b inner join \"KivItemInList\" a on "
                                "a.\"PCode\" = b.\"AutoCode\" and a.\"StockTime\" = b.\"StockTime\" where b.\"StockTime\" = "_qs
                                + now + u" order by 2"_qs);
    QStringList seen;
    for (; !rows->Eof(); rows->Next())
        seen << rows->Fields(0)->AsString() + u':' + rows->Fields(1)->AsString();
    EXPECT_EQ(seen, QStringList({u"6:9"_qs, u"9:5000000000010"_qs, u"10:5000000000011"_qs}));
    EXPECT_EQ(Scalar(u"select list(\"SkuID\" || ':' || \"Stock\") from (select * from \"KivSkuStock\" where \"StockTime\" = "_qs + now
                     + u" order by \"SkuID\")"_qs),
              u"9:6,5000000000010:9,5000000000011:10"_qs);
}

TEST_F(ItemsSyncTest, ErrorReplyAndPlatformDownChangeNothingAndAreSaid)
{
    ExecSql(u"insert into \"KivItemOnsale\"(\"NumIID\",\"ShopCode\",\"SyncDate\") values(1,'S1','2024-01-01 00:00:00')"_qs);
    const QString stockTime = SysRec.StockTime;
    Shop.Session = u"expired"_qs;
    EXPECT_EQ(Sync().Outcome, TSyncOutcome::soCountFailed);
    ASSERT_EQ(Answers.Messages.size(), 1u);
    EXPECT_EQ(Answers.Messages[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(Answers.Messages[0].Text,
              u"获取在线商品数量失败：淘宝平台拒绝了请求（Invalid session [27]），请检查“设置店铺”中店铺的AppKey、AppSecret和Session后重试！"_qs);

    Shop.Session = u"sess"_qs;
    Sim.Stop();
    EXPECT_EQ(Sync().Outcome, TSyncOutcome::soNoServerTime);
    ASSERT_EQ(Answers.Messages.size(), 2u) << "a platform out of reach is said";
    EXPECT_EQ(Answers.Messages[1].Type, TMsgDlgType::mtError);
    EXPECT_EQ(Answers.Messages[1].Text, PlatformUnreachableText(u"商品同步"_qs));
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOnsale\""_qs), u"1"_qs);
    EXPECT_EQ(GetShopSyncDate(u"S1"_qs), u""_qs);
    EXPECT_EQ(SysRec.StockTime, stockTime);

    SetStockTimeParam(u"1 or 1=1"_qs);
    EXPECT_THROW(Sync(), EConvertError);
}

TEST_F(ItemsSyncTest, TheProgramEndingDuringACallEndsTheSyncAsAStopDoes)
{
    Sim.SetFault(u"hold"_qs, 0, -1, u"taobao.item.get"_qs);
    QTimer logOff;
    QObject::connect(&logOff, &QTimer::timeout, [&] {
        if (Sim.Held() > 0) {
            logOff.stop();
            QCoreApplication::exit(0);
        }
    });
    logOff.start(20);
    const TItemsSyncResult r = Sync();
    Sim.Release();
    // The event loops may run again: exec forgets the exit.
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    EXPECT_EQ(r.Outcome, TSyncOutcome::soStopped);
    // The released call is counted as the stand-in answers it, after Release() returns.
    EXPECT_TRUE(WaitFor([&] { return Sim.Count(u"taobao.item.get"_qs) == 1; }));
    EXPECT_EQ(GetShopSyncDate(u"S1"_qs), u""_qs);
    EXPECT_TRUE(Answers.Messages.empty());
}

TEST_F(ItemsSyncTest, FailedPagesAndItemsAreCountedAndFetchedAgainNextTime)
{
    Sim.SetCatalogue(Catalogue(25, 1));
    const QString stockTime = SysRec.StockTime;
    OnLabel = [&](TFormProgress& progress) {
        const QString label = progress.LabelTitle->text();
        if (label.endsWith(u"正在同步第2页"_qs) || label.endsWith(u"正在同步第3个商品的属性..."_qs))
            Sim.SetFault(u"http500"_qs, 0, 1);
    };
    const TItemsSyncResult r = Sync();
    EXPECT_EQ(r.Outcome, TSyncOutcome::soIncomplete);
    EXPECT_EQ(Answers.Texts(), QStringList({u"同步未完成：1页商品、1个商品的属性获取失败，请重新同步！"_qs}));
    // The failed item left no half snapshot; the rest is formatted.
    EXPECT_EQ(Rows(u"KivItemOnsale"_qs, Now1), u"14"_qs);
    EXPECT_EQ(Rows(u"KivItem"_qs, Now1), u"14"_qs);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItem\" where \"PropNameFormat\" is null"_qs), u"0"_qs);
    EXPECT_EQ(GetShopSyncDate(u"S1"_qs), u""_qs);
    EXPECT_EQ(Shop.SyncDate, u""_qs);
    EXPECT_EQ(SysRec.StockTime, stockTime);

    OnLabel = nullptr;
    Sim.SetNow(Now2);
    EXPECT_EQ(Sync().Outcome, TSyncOutcome::soCompleted);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOnsale\""_qs), u"25"_qs);
}

TEST_F(ItemsSyncTest, RefusedValuesFailOnlyTheirItemAndRetriesKeepBarcodes)
{
    // Item 2's title holds a NUL character; a SKU of item 3 has a quantity
    // beyond its column (a text longer than its column is cut, not refused).
    const auto catalogue = [](bool overRange) {
        const QByteArray sku = R"("sku_id":5000000000031,"price":"12.50","quantity":)";
        return Catalogue(4, 2)
            .replace("\"商品2\"", "\"商\\u0000品2\"")
            .replace(sku + "2", sku + (overRange ? "99999999999" : "2"));
    };
    Sim.SetCatalogue(catalogue(true));
    const TItemsSyncResult r = Sync();
    EXPECT_EQ(r.Outcome, TSyncOutcome::soIncomplete);
    EXPECT_EQ(r.FailedItems, 0);
    EXPECT_EQ(r.RefusedItems, 1);
    // The database refused it, and the message says so: nothing failed to be fetched.
    EXPECT_EQ(Answers.Texts(), QStringList({u"同步未完成：数据库拒绝保存1个商品（商品编号500000000003：数值超出了字段的范围），请重新同步！"_qs}));
    EXPECT_EQ(Scalar(u"select \"Title\" from \"KivItemOnsale\" where \"NumIID\" = 500000000002"_qs), u"商品2"_qs);
    // The refused item left nothing, not even the rows written before its second SKU failed.
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOnsale\" where \"NumIID\" = 500000000003"_qs), u"0"_qs);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItem\" where \"NumIID\" = 500000000003"_qs), u"0"_qs);
    EXPECT_EQ(Rows(u"KivItem"_qs, Now1), u"6"_qs);
    EXPECT_EQ(GetShopSyncDate(u"S1"_qs), QString());

    // A stock-in books a barcode; the retries are first syncs again, the
    // second with the catalogue mended, and both keep it.
    ExecSql(u"update \"KivItem\" set \"Barcode\" = '690002' where \"SkuID\" = 5000000000020 and \"ShopCode\" = 'S1'"_qs);
    Sim.SetNow(Now2);
    EXPECT_EQ(Sync().Outcome, TSyncOutcome::soIncomplete);
    EXPECT_EQ(Barcode(u"5000000000020"_qs, Now2), u"690002"_qs);
    Sim.SetCatalogue(catalogue(false));
    Sim.SetNow(Now3);
    EXPECT_EQ(Sync().Outcome, TSyncOutcome::soCompleted);
    EXPECT_EQ(Barcode(u"5000000000020"_qs, Now3), u"690002"_qs);
    EXPECT_EQ(Scalar(u"select count(*) || '/' || sum(iif(\"SyncDate\" = '2024-06-03 12:00:00', 1, 0)) from \"KivItem\""_qs), u"8/8"_qs);
}

// What a person sees after a sync: every SKU of each item's latest snapshot,
// and the stock-ins by period ("new" for the current one) and quantity.
static QString SyncedState()
{
    QStringList lines;
    const auto skus = OpenQuery(
        u"select a.\"SkuID\", b.\"Title\", a.\"PropNameFormat\", a.\"Qty\", a.\"Barcode\" from \"KivItem\" a inner join \"KivItemOnsale\" b "
        "on a.\"NumIID\" = b.\"NumIID\" and a.\"ShopCode\" = b.\"ShopCode\" and a.\"SyncDate\" = b.\"SyncDate\" where a.\"ShopCode\" = 'S1' "
        "and b.\"SyncDate\" = (select max(\"SyncDate\") from \"KivItemOnsale\" where \"NumIID\" = a.\"NumIID\" and \"ShopCode\" = a.\"ShopCode\") "
        "order by 1"_qs);
    for (; !skus->Eof(); skus->Next()) {
        QStringList fields;
        for (int i = 0; i < skus->FieldCount(); ++i)
            fields << (skus->Fields(i)->IsNull() ? u"-"_qs : skus->Fields(i)->AsString());
        lines << fields.join(u'|');
    }
    const QString current = GetParam(u"1"_qs, QString());
    std::map<QString, QString> stockIns;
    const auto ins = OpenQuery(u"select b.\"AutoCode\", b.\"StockTime\", b.\"Qty\", a.\"SkuID\" from \"KivItemIn\" b inner join \"KivItemInList\" a "
                               "on a.\"PCode\" = b.\"AutoCode\" and a.\"StockTime\" = b.\"StockTime\" order by 1, 4"_qs);
    for (; !ins->Eof(); ins->Next()) {
        QString& line = stockIns[ins->Fields(0)->AsString()];
        if (line.isEmpty())
            line = (ins->Fields(1)->AsString() == current ? u"new"_qs : ins->Fields(1)->AsString()) + u'|' + ins->Fields(2)->AsString();
        line += u'|' + ins->Fields(3)->AsString();
    }
    QStringList periods;
    for (const auto& [code, line] : stockIns)
        periods << line;
    periods.sort();
    return (lines + periods).join(u'\n');
}

TEST_F(ItemsSyncTest, AKilledSyncLeavesWholeItemsAndTheNextSyncRepairsEverything)
{
    Sim.SetCatalogue(Catalogue(12, 2));
    ASSERT_EQ(Sync().Outcome, TSyncOutcome::soCompleted);
    for (const char* sku : {"5000000000010", "5000000000110", "5000000000121"})
        ExecSql(u"update \"KivItem\" set \"Barcode\" = 'B"_qs + QString::fromLatin1(sku) + u"' where \"SkuID\" = "_qs + QString::fromLatin1(sku));
    StockIn(10, SysRec.StockTime, {u"5000000000011"_qs, u"5000000000010"_qs});
    StockIn(4, SysRec.StockTime, {u"5000000000010"_qs});
    // Every item changed: the next sync fetches two pages of three SKUs each.
    Sim.SetCatalogue(Catalogue(12, 2, -1));
    FDM.reset(); // the child has the database to itself
    const QString before = TempPath(u"before.fdb"_qs);
    ASSERT_TRUE(QFile::copy(DatabasePath(), before));
    const QStringList environment{u"MORVANE_SYNC_DIR="_qs + TempPath(QString()), u"MORVANE_SYNC_TQL="_qs + Sim.TqlUrl()};
    const auto runChild = [&](const QString& now, const QString& kill) {
        Sim.SetNow(now);
        return RunTestChildProcess("items-sync", environment + QStringList{u"MORVANE_SYNC_KILL="_qs + kill});
    };
    const auto inDatabase = [&](const auto& read) {
        FDM = std::make_unique<TKivDM>(TempPath(QString()));
        const auto result = read();
        FDM.reset();
        return result;
    };
    const TProcessEnd whole = runChild(Now2, QString());
    ASSERT_TRUE(!whole.Signalled && whole.Code == 0);
    const QString expected = inDatabase(SyncedState);
    ASSERT_TRUE(expected.contains(u"5000000000121|商品12|经典黑，XL|2|B5000000000121"_qs)) << expected.toStdString();

    for (const QString& kill : {u"skus"_qs, u"format"_qs, u"rollover"_qs}) {
        SCOPED_TRACE(kill.toStdString());
        ASSERT_TRUE(QFile::remove(DatabasePath()) && QFile::copy(before, DatabasePath()));
        const TProcessEnd killed = runChild(Now2, kill);
        EXPECT_TRUE(killed.Signalled && killed.Code == SIGKILL) << killed.Code;
        QByteArray report;
        const TProcessEnd validated = RunProcess({QStandardPaths::findExecutable(u"gfix"_qs), u"-v"_qs, u"-full"_qs, u"-user"_qs, u"SYSDBA"_qs,
                                                  u"-password"_qs, QString::fromUtf16(ServerPassword), DatabasePath()},
                                                 {}, &report);
        EXPECT_TRUE(!validated.Signalled && validated.Code == 0 && report.trimmed().isEmpty()) << report.toStdString();
        // Whole items only, and the sync date where it was.
        EXPECT_EQ(inDatabase([] {
                      return Scalar(u"select count(*) from \"KivItemOnsale\" o where o.\"SyncDate\" = '2024-06-02 12:00:00' and 3 <> (select "
                                    "count(\"PropNameFormat\") from \"KivItem\" k where k.\"NumIID\" = o.\"NumIID\" and k.\"SyncDate\" = o.\"SyncDate\")"_qs)
                             + u'|' + Scalar(u"select count(*) from \"KivItem\" k where not exists (select 1 from \"KivItemOnsale\" o where "
                                             "o.\"NumIID\" = k.\"NumIID\" and o.\"SyncDate\" = k.\"SyncDate\")"_qs)
                             + u'|' + GetShopSyncDate(u"S1"_qs);
                  }),
                  u"0|0|"_qs + Now1);
        const TProcessEnd next = runChild(Now3, QString());
        EXPECT_TRUE(!next.Signalled && next.Code == 0);
        EXPECT_EQ(inDatabase(SyncedState), expected);
    }
}

TEST_F(ItemsSyncTest, ShopCheckComesFirstOnTheMainWindowsTree)
{
    QStringList editors;
    MainKivHooks.ShowTableEditor = [&](const QString&, const QString& tableKey, const QString&, const QString&, const QString&) {
        editors << tableKey;
    };
    InstallItemsHooks();
    Answers.Modal = [](QDialog& form) {
        form.show();
        return int(QDialog::Rejected);
    };
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\") values('S2','店二','k2','x')"_qs);
    for (const QString& shop : {u"S1"_qs, u"S2"_qs})
        ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values('admin',"_qs + QuotedStr(shop) + u",'u')"_qs);
    TMainKiv main;
    for (int i = 0; i < main.tvShops->topLevelItemCount(); ++i) {
        main.tvShops->setCurrentItem(main.tvShops->topLevelItem(i)->child(0)); // "同步数据"
        main.tvShopsDblClick();
    }
    EXPECT_EQ(Answers.Texts(), QStringList({u"请设置好店铺对应的淘宝网店后台管理[Session]码！"_qs}));
    EXPECT_EQ(editors, QStringList({u"SYS_Shop"_qs}));
    EXPECT_EQ(Sim.Count(u"taobao.items.onsale.get"_qs), 2); // the complete shop's count and one page
    EXPECT_EQ(Rows(u"KivItem"_qs, Now1), u"6"_qs);

    TTreeNodeShop linkless;
    linkless.AppKey = linkless.AppSecret = linkless.Session = u"x"_qs;
    EXPECT_FALSE(CheckShop(linkless));
    EXPECT_EQ(Answers.Texts().last(), u"请设置好店铺信息并对操作用户分配相应店铺！"_qs);
    EXPECT_EQ(editors.last(), u"SYS_UserShop"_qs);
    EXPECT_FALSE(CheckShop(TTreeNodeShop()));
    EXPECT_EQ(Answers.Texts().last(), u"请设置好店铺对应的淘宝网店后台管理[AppKey]码！"_qs);

    // A seller cannot set shops up: told to ask the administrator, no editor opens.
    SysRec.UserCode = u"boss"_qs;
    EXPECT_FALSE(CheckShop(linkless));
    EXPECT_EQ(Answers.Texts().last(), u"请设置好店铺信息并对操作用户分配相应店铺！\n请联系管理员(admin)设置好店铺后再试。"_qs);
    EXPECT_EQ(editors.size(), 3);
}
