// The items sync against the platform stand-in and a fresh database.

#include "AppTest.h"

#include "app/KivItemsSync.h"
#include "app/KivMain.h"
#include "app/KivProgress.h"
#include "client/KivQuery.h"
#include "platform/Exceptions.h"
#include "platform/HttpClient.h"
#include "support/DialogAnswers.h"
#include "support/PlatformSim.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>

namespace {

const QString Now1 = u"2024-06-01 12:00:00"_qs;
const QString Now2 = u"2024-06-02 12:00:00"_qs;

// One shop; item i (from 1) has the id 500000000000 + i and skus SKUs whose
// ids append the SKU's index. The changed item was modified after Now1 and
// carries one SKU more.
QByteArray Catalogue(int items, int skus, int changed = 0)
{
    QByteArray json = R"({"now":"2024-06-01 12:00:00","shops":[{"app_key":"k1","app_secret":"secret","session":"sess","items":[)";
    for (int i = 1; i <= items; ++i) {
        const QByteArray id = QByteArray::number(500000000000LL + i);
        json += QByteArray(i > 1 ? "," : "") + R"({"num_iid":)" + id + R"(,"title":"商品)" + QByteArray::number(i) + R"(","modified":")"
                + (i == changed ? "2024-06-01 13:00:00" : "2024-05-01 10:00:00") + R"(","property_alias":"1:10:经典黑","skus":[)";
        for (int k = 0; k < skus + (i == changed); ++k)
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
        QFile file(TempPath(u"catalogue.json"_qs));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Catalogue(3, 2));
        file.close();
        QString error;
        ASSERT_TRUE(Sim.Start(file.fileName(), &error)) << error.toStdString();
        SysRec.TqlUrl = Sim.TqlUrl();
        SysRec.SignMethod = u"md5"_qs;
        FDM->KivHttp->ConnectTimeoutMs = 2000;
        FDM->KivHttp->ReadTimeoutMs = 10000;
        SysRec.StockTime = LoadStockTime();
        ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\") values('S1','店一','k1','secret','sess')"_qs);
        Shop.Code = u"S1"_qs;
        Shop.AppKey = u"k1"_qs;
        Shop.AppSecret = u"secret"_qs;
        Shop.Session = u"sess"_qs;
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
            if (OnLabel)
                OnLabel(progress);
        };
        return sync.SyncItems();
    }
    static QString Scalar(const QString& sql)
    {
        const auto q = OpenQuery(sql);
        return q->IsEmpty() ? u"<none>"_qs : q->Fields(0)->IsNull() ? u"<null>"_qs : q->Fields(0)->AsString();
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
    std::function<void(TFormProgress&)> OnLabel;
};

} // namespace

TEST(FormatSkuProps, AliasWinsAndEveryPieceShows)
{
    EXPECT_EQ(FormatSkuProps(u"1:2:颜色:黑色;3:4:尺码:XL"_qs, u"1:2:经典黑"_qs), u"经典黑，XL"_qs);
    EXPECT_EQ(FormatSkuProps(u"1:2:颜色:黑色;3:4:尺码:XL"_qs, u"3:4:加大;1:2:经典黑"_qs), u"经典黑，加大"_qs);
    // A blank ends an entry; a quoted entry keeps its blank; a value may hold ':'.
    EXPECT_EQ(FormatSkuProps(u"1:2:颜色:深 蓝;3:4:尺码:XL"_qs, QString()), u"深，蓝，XL"_qs);
    EXPECT_EQ(FormatSkuProps(u"\"1:2:颜色:深 蓝\";3:4:时间:10:30"_qs, QString()), u"深 蓝，10:30"_qs);
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
        EXPECT_EQ(progress.windowTitle(), u"在线商品数据同步中..."_qs);
        EXPECT_EQ(progress.ProgressBar->maximum(), 3);
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

    // Two labels per item: its SKUs, then their property texts, in the item's own transaction.
    ASSERT_EQ(Labels.size(), 1 + 3 + 2 + 25 * 2);
    EXPECT_EQ(Labels[0], u"获取商品数量..."_qs);
    EXPECT_EQ(Labels[1], u"商品数量共25条,分3页同步,每页10条正在同步第1页"_qs);
    EXPECT_EQ(Labels[3], u"商品数量共25条,分3页同步,每页10条正在同步第3页"_qs);
    EXPECT_EQ(Labels.mid(4, 4), QStringList({u"同步商品属性..."_qs, u"共有25属性需要同步"_qs, u"共有25个商品的属性需要同步,正在同步第1个商品的属性..."_qs,
                                             u"共有25个商品的属性需要调整,正在调整第1个商品的属性..."_qs}));
    EXPECT_EQ(Labels[54], u"共有25个商品的属性需要同步,正在同步第25个商品的属性..."_qs);
    EXPECT_EQ(Labels.last(), u"共有25个商品的属性需要调整,正在调整第25个商品的属性..."_qs);

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

TEST_F(ItemsSyncTest, RollOverMakesEveryOldStockInOneNewStockIn)
{
    const QString old = SysRec.StockTime;
    const auto stockIn = [&](int qty, const QString& period, const QStringList& skus) {
        const QString id = NextGen(u"GEN_KivItemIn_ID"_qs);
        ExecSql(u"insert into \"KivItemIn\"(\"AutoCode\",\"Qty\",\"StockTime\",\"Date\") values("_qs + id + u','
                + QString::number(qty) + u',' + period + u",current_timestamp)"_qs);
        for (const QString& sku : skus)
            ExecSql(u"insert into \"KivItemInList\"(\"PCode\",\"StockTime\",\"SkuID\",\"NumIID\") values("_qs + id + u',' + period + u','
                    + sku + u",500000000001)"_qs);
    };
    stockIn(10, old, {u"5000000000011"_qs, u"5000000000010"_qs});
    stockIn(4, old, {u"5000000000010"_qs});
    stockIn(7, old + u"0"_qs, {u"5000000000010"_qs}); // another period
    ASSERT_EQ(Sync().Outcome, TSyncOutcome::soCompleted);
    const QString now = SysRec.StockTime;
    EXPECT_EQ(GetParam(u"1"_qs, QString()), now);
    const auto rows = OpenQuery(u"select b.\"AutoCode\", b.\"Qty\", a.\"SkuID\" from \"KivItemIn\" b inner join \"KivItemInList\" a on "
                                "a.\"PCode\" = b.\"AutoCode\" and a.\"StockTime\" = b.\"StockTime\" where b.\"StockTime\" = "_qs
                                + now + u" order by 1, 3"_qs);
    QStringList seen;
    for (; !rows->Eof(); rows->Next())
        seen << rows->Fields(0)->AsString() + u':' + rows->Fields(1)->AsString() + u':' + rows->Fields(2)->AsString();
    EXPECT_EQ(seen, QStringList({u"4:10:5000000000010"_qs, u"4:10:5000000000011"_qs, u"5:4:5000000000010"_qs}));
}

TEST_F(ItemsSyncTest, ErrorReplyAndPlatformDownChangeNothing)
{
    ExecSql(u"insert into \"KivItemOnsale\"(\"NumIID\",\"ShopCode\",\"SyncDate\") values(1,'S1','2024-01-01 00:00:00')"_qs);
    const QString stockTime = SysRec.StockTime;
    Shop.Session = u"expired"_qs;
    EXPECT_EQ(Sync().Outcome, TSyncOutcome::soCountFailed);
    ASSERT_EQ(Answers.Messages.size(), 1u);
    EXPECT_EQ(Answers.Messages[0].Type, TMsgDlgType::mtError);
    EXPECT_TRUE(Answers.Messages[0].Text.startsWith(u"获取在线商品数量失败：Invalid session"_qs)) << Answers.Messages[0].Text.toStdString();

    Shop.Session = u"sess"_qs;
    Sim.Stop();
    EXPECT_EQ(Sync().Outcome, TSyncOutcome::soNoServerTime);
    EXPECT_EQ(Answers.Messages.size(), 1u);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOnsale\""_qs), u"1"_qs);
    EXPECT_EQ(GetShopSyncDate(u"S1"_qs), u""_qs);
    EXPECT_EQ(SysRec.StockTime, stockTime);

    SysRec.StockTime = u"1 or 1=1"_qs;
    EXPECT_THROW(Sync(), EConvertError);
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

TEST_F(ItemsSyncTest, ShopCheckComesFirstOnTheMainWindowsTree)
{
    QStringList editors;
    MainKivHooks.ShowTableEditor = [&](const QString&, const QString& tableKey, const QString&, const QString&, const QString&) {
        editors << tableKey;
    };
    InstallItemsSyncHooks();
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
}
