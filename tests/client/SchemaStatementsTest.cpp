// The statements of the program, as the windows compose them, run against the
// schema and give the figures a person would work out by hand.

#include "ClientTestSupport.h"

#include "platform/SqlText.h"

namespace {

const QString Sync1 = u"2026-01-01 10:00:00"_qs;
const QString Sync2 = u"2026-01-02 10:00:00"_qs;

class SchemaStatementsTest : public DatabaseTest {
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        FDM = std::make_unique<TKivDM>(TempPath(QString()));
        Exec(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\",\"AutoMonitor\",\"SyncDate\") "_qs
             "values('S1','店铺一','k','s','x',1,'2026-01-02 10:00:00')"_qs);
        Exec(u"insert into \"SYS_Shop\"(\"Code\",\"Name\") values('S2','Shop Two')"_qs);
        Exec(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values('admin','S1','卖家')"_qs);
        // Item 100 with two SKUs in two snapshots; the older one carries barcodes.
        for (const QString& sync : {Sync1, Sync2}) {
            Exec(u"insert into \"KivItemOnsale\"(\"NumIID\",\"Title\",\"ShopCode\",\"SyncDate\") values(100,'T恤','S1',"_qs + QuotedStr(sync) + u')');
            for (const QString& sku : {u"1000000000000000001"_qs, u"1000000000000000002"_qs})
                Exec(u"insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"PropAlias\",\"Price\",\"Qty\",\"SkuPropName\",\"ShopCode\",\"SyncDate\") values("_qs
                     + sku + u",100,'1:2:经典黑',12.50,5,'1:2:颜色:黑色','S1',"_qs + QuotedStr(sync) + u')');
        }
        Exec(u"update \"KivItem\" set \"Barcode\" = '690123' where \"SyncDate\" = "_qs + QuotedStr(Sync1) + u" and \"SkuID\" = 1000000000000000001"_qs);
        Exec(u"insert into \"KivItemOnsale\"(\"NumIID\",\"Title\",\"ShopCode\",\"SyncDate\") values(200,'Mug','S2','2026-01-01 09:00:00')"_qs);
        Exec(u"insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"ShopCode\",\"SyncDate\",\"Barcode\") values(2001,200,'S2','2026-01-01 09:00:00','690123')"_qs);
    }
    void TearDown() override { FDM.reset(); }

    int Exec(const QString& sql) { return ExecSql(sql); }
    void AddStockIn(int autoCode, int qty, int stockTime, const QString& skuId, int numIid)
    {
        Exec(u"insert into \"KivItemIn\"(\"AutoCode\",\"Qty\",\"StockTime\",\"Date\") values("_qs + QString::number(autoCode) + u','
             + QString::number(qty) + u',' + QString::number(stockTime) + u",current_timestamp)"_qs);
        Exec(u"insert into \"KivItemInList\"(\"PCode\",\"StockTime\",\"SkuID\",\"NumIID\") values("_qs + QString::number(autoCode) + u','
             + QString::number(stockTime) + u',' + skuId + u',' + QString::number(numIid) + u')');
    }
    void AddTradeLine(const QString& skuId, int qty, const QString& status, const QString& event, const QString& date = u"2026-01-03 00:00:00"_qs)
    {
        Exec(u"insert into \"KivItemOut\"(\"ShopCode\",\"EventDate\",\"TradeEvent\",\"Tid\",\"Oid\",\"SkuID\",\"NumIID\",\"Date\",\"Price\",\"Qty\",\"Amount\",\"Status\") "_qs
             "values('S1','2026-01-03 00:00:01',"_qs + QuotedStr(event) + u",9223372036854775807,1,"_qs + skuId + u",100,"_qs + QuotedStr(date)
             + u",12.5,"_qs + QString::number(qty) + u",25,"_qs + QuotedStr(status) + u')');
    }

    std::unique_ptr<TKivDM> FDM;
};

} // namespace

TEST_F(SchemaStatementsTest, SyncUpdateCarriesBarcodesForwardFromTheLatestEarlierSnapshot)
{
    const QString now = Sync2;
    for (const QString& sku : {u"1000000000000000001"_qs, u"1000000000000000002"_qs}) {
        const QString& skuId = sku;
        const int changed = Exec(
            u"update \"KivItem\" a set \"PropNameFormat\" = "_qs + QuotedStr(u"经典黑"_qs)
            + u", \"Barcode\" = (select \"Barcode\" from \"KivItem\" where \"SkuID\"=a.\"SkuID\" and \"ShopCode\"=a.\"ShopCode\"  and \"SyncDate\"=(select max(\"SyncDate\") from \"KivItem\" where \"SkuID\"=a.\"SkuID\" and \"ShopCode\"=a.\"ShopCode\"  and \"SyncDate\"<>"_qs
            + QuotedStr(now) + u")) where \"SkuID\" = "_qs + QuotedStr(skuId) + u" and \"ShopCode\" = "_qs + QuotedStr(u"S1"_qs)
            + u" and \"SyncDate\" = "_qs + QuotedStr(now));
        EXPECT_EQ(changed, 1);
    }
    EXPECT_EQ(Scalar(u"select \"Barcode\" from \"KivItem\" where \"SkuID\" = 1000000000000000001 and \"SyncDate\" = '2026-01-02 10:00:00'"_qs), QStringLiteral("690123"));
    EXPECT_EQ(Scalar(u"select coalesce(\"Barcode\",'null') from \"KivItem\" where \"SkuID\" = 1000000000000000002 and \"SyncDate\" = '2026-01-02 10:00:00'"_qs), QStringLiteral("null"));
    EXPECT_EQ(Scalar(u"select \"PropNameFormat\" from \"KivItem\" where \"SkuID\" = 1000000000000000002 and \"SyncDate\" = '2026-01-02 10:00:00'"_qs), QStringLiteral("经典黑"));
}

TEST_F(SchemaStatementsTest, RollOverSelectGroupsStockInsAndSubtractsShipments)
{
    AddStockIn(1, 10, 1, u"1000000000000000001"_qs, 100);
    Exec(u"insert into \"KivItemInList\"(\"PCode\",\"StockTime\",\"SkuID\",\"NumIID\") values(1,1,1000000000000000002,100)"_qs);
    AddStockIn(2, 4, 1, u"1000000000000000002"_qs, 100);
    AddStockIn(3, 7, 2, u"1000000000000000002"_qs, 100); // another period
    AddTradeLine(u"1000000000000000001"_qs, 3, u"WAIT_BUYER_CONFIRM_GOODS"_qs, u"TradeSellerShip"_qs);
    const QString now = u"2026-01-02 10:00:00"_qs;
    const auto q = OpenQuery(
        u" select a.\"PCode\", a.\"SkuID\", a.\"NumIID\", sum(b.\"Qty\") - coalesce((select sum(\"Qty\") from \"KivItemOut\" where \"SkuID\"=a.\"SkuID\" and \"NumIID\"=a.\"NumIID\" and \"Date\" >="_qs
        + QuotedStr(now)
        + u" and \"Status\" = 'WAIT_BUYER_CONFIRM_GOODS' and \"TradeEvent\"='TradeSellerShip'),0) \"Qty\" from \"KivItemInList\" a inner join \"KivItemIn\" b on a.\"PCode\" = b.\"AutoCode\" and a.\"StockTime\" = b.\"StockTime\" where b.\"StockTime\" = "_qs
        + u"1"_qs + u" group by a.\"PCode\",a.\"SkuID\",a.\"NumIID\" order by a.\"PCode\""_qs);
    QStringList rows;
    for (; !q->Eof(); q->Next())
        rows << q->FieldByName(u"PCode"_qs)->AsString() + u':' + q->FieldByName(u"SkuID"_qs)->AsString() + u'=' + q->FieldByName(u"Qty"_qs)->AsString();
    EXPECT_EQ(rows, (QStringList{u"1:1000000000000000001=7"_qs, u"1:1000000000000000002=10"_qs, u"2:1000000000000000002=4"_qs}));
}

TEST_F(SchemaStatementsTest, StockFiguresQueryCountsEachStatusOfTheLatestSnapshot)
{
    const QString s = QuotedStr(u"2026-01-02 10:00:00"_qs);
    const QString c = QuotedStr(u"S1"_qs);
    const QString t = u"1"_qs;
    const QString w = u"10"_qs;
    AddStockIn(1, 12, 1, u"1000000000000000001"_qs, 100);
    AddTradeLine(u"1000000000000000001"_qs, 2, u"WAIT_BUYER_PAY"_qs, u"TradeAlipayCreate"_qs);
    AddTradeLine(u"1000000000000000001"_qs, 4, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs);
    AddTradeLine(u"1000000000000000001"_qs, 1, u"WAIT_BUYER_CONFIRM_GOODS"_qs, u"TradeSellerShip"_qs);
    AddTradeLine(u"1000000000000000001"_qs, 9, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs, u"2026-01-01 00:00:00"_qs); // before the sync
    QString sql = u"select zz.*,cast(zz.\"QtyStock\"-zz.\"QtyPay\" as Integer) \"QtyBalance\",cast(abs(\"QtyStock\"-\"QtyPay\"-"_qs + w
                  + u") as Integer) \"QtyOrder\" from ( select (select \"Name\" from \"SYS_Shop\" where \"Code\"=a.\"ShopCode\") \"ShopName\",a.\"Barcode\",b.\"Title\",a.\"PropNameFormat\",a.\"Qty\","_qs;
    const QList<QStringList> figures{{u"WAIT_BUYER_PAY"_qs, u"TradeAlipayCreate"_qs, u"QtyOut"_qs},
                                     {u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs, u"QtyPay"_qs},
                                     {u"WAIT_BUYER_CONFIRM_GOODS"_qs, u"TradeSellerShip"_qs, u"QtySend"_qs},
                                     {u"TRADE_FINISHED"_qs, u"TradeSuccess"_qs, u"QtyOver"_qs},
                                     {u"WAIT_BUYER_CONFIRM_GOODS"_qs, u"RefundSuccess"_qs, u"QtyBack"_qs}};
    for (const QStringList& f : figures)
        sql += u"cast(coalesce((select sum(\"Qty\") from \"KivItemOut\" where \"SkuID\"=a.\"SkuID\" and \"NumIID\"=a.\"NumIID\" and \"Date\" >= "_qs + s
               + u" and \"Status\" = "_qs + QuotedStr(f[0]) + u" and \"TradeEvent\"="_qs + QuotedStr(f[1]) + u"),0) as Integer) "_qs + QuotedName(f[2]) + u',';
    sql += u"cast(coalesce((select sum(x.\"Qty\") from \"KivItemIn\" x inner join \"KivItemInList\" y on x.\"AutoCode\"=y.\"PCode\" where y.\"SkuID\"=a.\"SkuID\" and y.\"NumIID\"=a.\"NumIID\" and x.\"StockTime\" = "_qs
           + t + u"),0) as Integer) \"QtyStock\",a.\"SkuID\",a.\"NumIID\" from \"KivItem\" a inner join \"KivItemOnsale\" b on a.\"NumIID\" = b.\"NumIID\" and a.\"ShopCode\" = b.\"ShopCode\" and a.\"SyncDate\" = b.\"SyncDate\" where a.\"ShopCode\" = "_qs
           + c + u" and b.\"SyncDate\" = (select max(\"SyncDate\") from \"KivItemOnsale\" where \"NumIID\" = a.\"NumIID\" and \"ShopCode\"= a.\"ShopCode\")) zz order by abs(\"QtyStock\"-\"QtyPay\"-"_qs + w + u')';
    const auto q = OpenQuery(sql);
    ASSERT_EQ(CountRecords(*q), 2);
    for (; !q->Eof(); q->Next()) {
        EXPECT_EQ(q->FieldByName(u"ShopName"_qs)->AsString(), QStringLiteral("店铺一"));
        EXPECT_EQ(q->FieldByName(u"Title"_qs)->AsString(), QStringLiteral("T恤"));
        if (q->FieldByName(u"SkuID"_qs)->AsString() != u"1000000000000000001"_qs)
            continue;
        EXPECT_EQ(q->FieldByName(u"QtyOut"_qs)->AsInteger(), 2);
        EXPECT_EQ(q->FieldByName(u"QtyPay"_qs)->AsInteger(), 4);
        EXPECT_EQ(q->FieldByName(u"QtySend"_qs)->AsInteger(), 1);
        EXPECT_EQ(q->FieldByName(u"QtyStock"_qs)->AsInteger(), 12);
        EXPECT_EQ(q->FieldByName(u"QtyBalance"_qs)->AsInteger(), 8);
        EXPECT_EQ(q->FieldByName(u"QtyOrder"_qs)->AsInteger(), 2);
    }
}

TEST_F(SchemaStatementsTest, BarcodeCountAndListFindTheLatestSnapshotOfEveryShop)
{
    auto countBarcode = [&](const QString& barcode) {
        return Scalar(u"select count(*) \"Num\" from \"KivItem\" a where \"Barcode\" = "_qs + QuotedStr(barcode)
                      + u" and \"SyncDate\" = (select max(\"SyncDate\") from \"KivItem\"  where \"SkuID\" = a.\"SkuID\" and \"NumIID\" = a.\"NumIID\" and \"ShopCode\"= a.\"ShopCode\")"_qs);
    };
    // Only shop S2's SKU carries the barcode in its latest snapshot.
    EXPECT_EQ(countBarcode(u"690123"_qs), QStringLiteral("1"));
    EXPECT_EQ(countBarcode(u"nothing'here"_qs), QStringLiteral("0"));
    AddStockIn(5, 3, 1, u"2001"_qs, 200);
    auto list = [&](bool known, const QString& barcode) {
        QString sql = u"select "_qs + (known ? u"1 "_qs : u"0 "_qs)
                      + u"\"Selected\",a.\"SkuID\",a.\"NumIID\",a.\"PropNameFormat\",b.\"Title\",a.\"Barcode\", a.\"ShopCode\",(Select \"Name\" from \"SYS_Shop\" where \"Code\"=a.\"ShopCode\") \"ShopName\",(select sum(x.\"Qty\") from \"KivItemIn\" x inner join \"KivItemInList\" y on x.\"AutoCode\"=y.\"PCode\" where y.\"SkuID\"=a.\"SkuID\" and y.\"NumIID\"=a.\"NumIID\" and x.\"StockTime\" = "_qs
                      + u"1"_qs + u") \"Qty\" from \"KivItem\" a  inner join \"SYS_Shop\" c on a.\"ShopCode\" = c.\"Code\" inner join \"KivItemOnsale\" b on a.\"NumIID\" = b.\"NumIID\" and a.\"ShopCode\" = b.\"ShopCode\" and a.\"SyncDate\"= b.\"SyncDate\" and a.\"SyncDate\" = (select max(\"SyncDate\") from \"KivItemOnsale\" where \"NumIID\" = a.\"NumIID\" and \"ShopCode\"= a.\"ShopCode\")"_qs;
        if (known)
            sql += u" and a.\"Barcode\" = "_qs + QuotedStr(barcode);
        sql += u" order by \"Title\",\"PropNameFormat\",\"Barcode\" desc"_qs;
        return OpenQuery(sql);
    };
    const auto known = list(true, u"690123"_qs);
    ASSERT_EQ(CountRecords(*known), 1);
    EXPECT_EQ(known->FieldByName(u"ShopName"_qs)->AsString(), QStringLiteral("Shop Two"));
    EXPECT_EQ(known->FieldByName(u"Selected"_qs)->AsInteger(), 1);
    EXPECT_EQ(known->FieldByName(u"Qty"_qs)->AsInteger(), 3);
    const auto all = list(false, QString());
    EXPECT_EQ(CountRecords(*all), 3); // two SKUs of S1's latest snapshot, one of S2
    EXPECT_EQ(all->FieldByName(u"Selected"_qs)->AsInteger(), 0);
}

TEST_F(SchemaStatementsTest, ShopsOfAUserAndLayoutRowsAndTradeLines)
{
    const auto shops = OpenQuery(
        u"select a.\"ShopUserCode\",b.\"AutoMonitor\",b.\"SyncDate\",b.\"Code\",b.\"Name\",b.\"AppKey\",b.\"AppSecret\",b.\"Session\" from \"SYS_UserShop\" a inner join \"SYS_Shop\" b on a.\"ShopCode\" = b.\"Code\" where a.\"UserCode\" = "_qs
        + QuotedStr(u"admin"_qs));
    ASSERT_EQ(CountRecords(*shops), 1);
    EXPECT_EQ(shops->FieldByName(u"Name"_qs)->AsString() + u" - "_qs + shops->FieldByName(u"ShopUserCode"_qs)->AsString(), QStringLiteral("店铺一 - 卖家"));
    EXPECT_EQ(shops->FieldByName(u"AutoMonitor"_qs)->AsInteger(), 1);

    EXPECT_EQ(Exec(u"insert into \"SYS_Fields\"(\"Code\",\"FieldName\",\"UserCode\",\"ShopCode\",\"Caption\",\"Width\",\"Index\",\"Visible\",\"ReadOnly\",\"Boolean\") values('SYS_Shop','Name','SYS_CODE','SYS_CODE','名称',20,1,1,0,0)"_qs), 1);
    EXPECT_EQ(Exec(u"update \"SYS_Fields\" set \"Width\" = 30, \"Index\" = 2 where \"Code\" = 'SYS_Shop' and \"FieldName\" = 'Name' and \"UserCode\" = 'SYS_CODE' and \"ShopCode\" = 'SYS_CODE'"_qs), 1);
    EXPECT_EQ(Scalar(u"select \"Total\" || '/' || \"BinType\" || '/' || \"Width\" from \"SYS_Fields\""_qs), QStringLiteral("0//30"));

    // A trade line as the producers insert it: 19-digit ids bare, texts quoted.
    AddTradeLine(u"1000000000000000001"_qs, 2, u"WAIT_BUYER_PAY"_qs, u"TradeAlipayCreate"_qs);
    EXPECT_EQ(Scalar(u"select \"Tid\" from \"KivItemOut\""_qs), QStringLiteral("9223372036854775807"));
    EXPECT_EQ(Scalar(u"select \"Price\" from \"KivItemOut\""_qs), QStringLiteral("12.5"));
    EXPECT_EQ(Exec(u"insert into \"KivMsg\"(\"Msg\") values("_qs + QuotedStr(QString(5000, u'数')) + u')'), 1);
    EXPECT_EQ(Scalar(u"select char_length(\"Msg\") from \"KivMsg\""_qs), QStringLiteral("5000"));
}
