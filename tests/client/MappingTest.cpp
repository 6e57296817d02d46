#include "ClientTestSupport.h"

#include "client/KivMapping.h"
#include "client/KivQuery.h"
#include "json/uQvJSON.h"
#include "platform/db/ClientDataSet.h"

namespace {

// The columns of a reply parsed in place (no platform involved).
TMappedReply Map(const QByteArray& json, const QString& keyMap, const QString& dataMap, bool simple)
{
    const auto root = TqvJSON::ParseText(json);
    const auto* object = qvJSONcast<TqvJSONobject>(root.get());
    if (!object)
        throw EJsonPathError(u"not an object"_qs);
    return MapTqlRows(*object, keyMap, dataMap, simple);
}

QStringList Rendered(const TJsonValueList& column)
{
    QStringList out;
    for (const TJsonValue& value : column.Values)
        out << SqlValue(value);
    return out;
}

} // namespace

TEST(SqlValue, EachValueByItsOwnKind)
{
    const TMappedReply m = Map(R"({"r":{"l":[{"v":12345678901234567890123},{"v":"12"},{"v":"it's"},{},{"v":null},{"v":[1]},{"v":{}},{"v":true},{"v":-0.5E+2}]}})",
                               u"r.l.v=V"_qs, QString(), true);
    ASSERT_EQ(m.Keys.size(), 1u);
    EXPECT_EQ(Rendered(m.Keys[0]), QStringList({u"'12345678901234567890123'"_qs, u"'12'"_qs, u"'it''s'"_qs, u"null"_qs, u"''"_qs,
                                                u"''"_qs, u"''"_qs, u"'true'"_qs, u"-0.5E+2"_qs}));
    EXPECT_EQ(m.Keys[0].FieldName, u"V"_qs);
    // A number kind whose text is not a number is never written bare, nor
    // is a number the database could not read as a literal.
    EXPECT_EQ(SqlValue({jsNumber, u"1;drop table x"_qs, false}), u"'1;drop table x'"_qs);
    EXPECT_EQ(SqlValue({jsNumber, u"9223372036854775807"_qs, false}), u"9223372036854775807"_qs);
    EXPECT_EQ(SqlValue({jsNumber, u"9223372036854775808"_qs, false}), u"'9223372036854775808'"_qs);
    EXPECT_EQ(SqlValue({jsNumber, u"-12.50"_qs, false}), u"-12.50"_qs);
    EXPECT_EQ(SqlValue({jsNumber, u"1e400"_qs, false}), u"'1e400'"_qs);
}

TEST(MapTqlRows, PairedPathsRepeatTheValuesAboveTheRows)
{
    const QByteArray reply = R"({"item_get_response":{"item":{"num_iid":5,"property_alias":"1:2:黑",
        "skus":{"sku":[{"sku_id":1,"price":"9.50","properties_name":"a"},{"sku_id":2,"price":3}]}}}})";
    const TMappedReply m = Map(reply, u"item_get_response.item.skus.sku.sku_id=SkuID"_qs,
                               u"item_get_response.item.num_iid=NumIID,item_get_response.item.property_alias=PropAlias,"
                               "item_get_response.item.skus.sku.price=Price,item_get_response.item.skus.sku.properties_name=SkuPropName,"
                               "item_get_response.item.missing=Nothing"_qs,
                               false);
    EXPECT_EQ(Rendered(m.Keys[0]), QStringList({u"1"_qs, u"2"_qs}));
    ASSERT_EQ(m.Data.size(), 5u);
    EXPECT_EQ(Rendered(m.Data[0]), QStringList({u"5"_qs, u"5"_qs}));
    EXPECT_EQ(Rendered(m.Data[1]), QStringList({u"'1:2:黑'"_qs, u"'1:2:黑'"_qs}));
    EXPECT_EQ(Rendered(m.Data[2]), QStringList({u"'9.50'"_qs, u"3"_qs}));
    EXPECT_EQ(Rendered(m.Data[3]), QStringList({u"'a'"_qs, u"null"_qs}));
    EXPECT_EQ(Rendered(m.Data[4]), QStringList({u"null"_qs, u"null"_qs}));
    EXPECT_EQ(m.Data[2].ValueType(), jsNumber);

    // The same paths taken flat give the item's values once.
    const TMappedReply flat = Map(reply, u"item_get_response.item.skus.sku.sku_id=SkuID"_qs, u"item_get_response.item.num_iid=NumIID"_qs, true);
    EXPECT_EQ(flat.Data[0].Count(), 1);

    // A missing step on the way abandons the whole reply; so does a list of
    // things other than objects.
    EXPECT_THROW(Map(R"({"error_response":{"code":25}})", u"item_get_response.item.skus.sku.sku_id=SkuID"_qs, QString(), false), EJsonPathError);
    EXPECT_THROW(Map(R"({"a":{"b":[1,2]}})", u"a.b.c=C"_qs, QString(), true), EJsonPathError);
    EXPECT_THROW(Map(R"([1])", u"a=A"_qs, QString(), true), EJsonPathError);
}

namespace {

class MappingSimTest : public ShopSimTest {
protected:
    void SetUp() override
    {
        StartShopSim(u"query-catalogue.json"_qs);
        SysRec.UserCode = u"张三"_qs;
    }
    void TearDown() override
    {
        TradeEventProducer = nullptr;
        ShopSimTest::TearDown();
    }

    // One page of on-sale items into "KivItemOnsale", as the items sync fetches it.
    int SyncOnsalePage(const QString& syncDate = u"2024-06-01 12:00:00"_qs)
    {
        return TqlToRows(u"taobao.items.onsale.get"_qs, u"$num_iid,title,num,price"_qs, QString(), u"page_no=? and page_size=?"_qs,
                         u"1,10"_qs, u"items_onsale_get_response.items.item.num_iid=NumIID"_qs,
                         u"items_onsale_get_response.items.item.title=Title"_qs, u"KivItemOnsale"_qs, true, true,
                         {u"\"ShopCode\"=kiv"_qs, u"\"SyncDate\"="_qs + syncDate}, FShop);
    }

    int SyncItem(const QString& numIid)
    {
        return TqlToRows(u"taobao.item.get"_qs, u"num_iid,sku,property_alias"_qs, QString(), u"num_iid=?"_qs, numIid,
                         u"item_get_response.item.skus.sku.sku_id=SkuID"_qs,
                         u"item_get_response.item.num_iid=NumIID,item_get_response.item.property_alias=PropAlias,"
                         "item_get_response.item.skus.sku.price=Price,item_get_response.item.skus.sku.quantity=Qty,"
                         "item_get_response.item.skus.sku.properties_name=SkuPropName"_qs,
                         u"KivItem"_qs, false, true, {u"\"ShopCode\"=kiv"_qs, u"\"SyncDate\"=2024-06-01 12:00:00"_qs}, FShop);
    }
};

// A JSON string literal of the text.
QString JsonString(const QString& text)
{
    QString out = u"\""_qs;
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            out += u'\\';
        out += c;
    }
    return out + u'"';
}

} // namespace

TEST_F(MappingSimTest, OnsaleItemsAreUpsertedWithExactIdsAndTitles)
{
    EXPECT_EQ(SyncOnsalePage(), 3);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOnsale\""_qs), u"3"_qs);
    // 19 digits, digit for digit.
    EXPECT_EQ(Scalar(u"select \"Title\" from \"KivItemOnsale\" where \"NumIID\" = 1000000000000000001 and \"ShopCode\" = 'kiv' and \"SyncDate\" = '2024-06-01 12:00:00'"_qs),
              u"普通标题"_qs);
    // Quotes, a comma and blank, backslashes, %, +, an escape-looking "%41"
    // and a placeholder-looking "[nick]" all arrive as the platform sent them.
    EXPECT_EQ(Scalar(u"select \"Title\" from \"KivItemOnsale\" where \"NumIID\" = 2000000000000000002"_qs),
              u"It's \"quoted\", a\\b\\\\c 100% + plus, 中文 😀 %41 [nick]"_qs);

    // The same reply again inserts nothing and repeats the updates.
    ExecSql(u"update \"KivItemOnsale\" set \"Title\" = 'changed'"_qs);
    EXPECT_EQ(SyncOnsalePage(), 3);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOnsale\""_qs), u"3"_qs);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOnsale\" where \"Title\" = 'changed'"_qs), u"0"_qs);
    // Another sync time is another snapshot.
    EXPECT_EQ(SyncOnsalePage(u"2024-06-02 12:00:00"_qs), 3);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOnsale\""_qs), u"6"_qs);
}

TEST_F(MappingSimTest, ItemGetGivesOneRowPerSkuCarryingTheItemsValues)
{
    EXPECT_EQ(SyncItem(u"1000000000000000001"_qs), 3);
    const auto rows = OpenQuery(u"select \"SkuID\", \"NumIID\", \"PropAlias\", \"Price\", \"Qty\", \"SkuPropName\" from \"KivItem\" order by \"SkuID\""_qs);
    QStringList seen;
    for (; !rows->Eof(); rows->Next()) {
        QStringList fields;
        for (int i = 0; i < rows->FieldCount(); ++i)
            fields << (rows->Fields(i)->IsNull() ? u"<null>"_qs : rows->Fields(i)->AsString());
        seen << fields.join(u'|');
    }
    EXPECT_EQ(seen, QStringList({u"9000000000000000001|1000000000000000001|1:2:经典黑|10|3|1:2:颜色:黑色;3:4:尺码:XL"_qs,
                                 u"9000000000000000002|1000000000000000001|1:2:经典黑|12.5|0|1:5:颜色:白色"_qs,
                                 // A number price and a quoted quantity both land; the
                                 // missing properties are null, not the text "<null>".
                                 u"9000000000000000003|1000000000000000001|1:2:经典黑|11|7|<null>"_qs}));
    // An item whose reply has no SKU list writes nothing.
    EXPECT_EQ(SyncItem(u"3000000000000000003"_qs), 0);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItem\""_qs), u"3"_qs);
}

TEST_F(MappingSimTest, AMissingKeyMatchesWithIsNullAndInsertsOnce)
{
    const auto syncTrade = [&] {
        return TqlToRows(u"taobao.trade.get"_qs, u"$orders.num,created,orders.oid,orders.num_iid,orders.sku_id"_qs, QString(), u"tid=?"_qs,
                         u"7000000000000000001"_qs,
                         u"trade_get_response.trade.orders.order.sku_id=SkuID,trade_get_response.trade.orders.order.num_iid=NumIID"_qs,
                         u"trade_get_response.trade.created=Date,trade_get_response.trade.orders.order.num=Qty,"
                         "trade_get_response.trade.orders.order.oid=Oid"_qs,
                         u"KivItemOut"_qs, false, true, {u"\"ShopCode\"=kiv"_qs}, FShop);
    };
    EXPECT_EQ(syncTrade(), 2);
    EXPECT_EQ(syncTrade(), 2);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOut\""_qs), u"2"_qs);
    EXPECT_EQ(Scalar(u"select \"Qty\" || '|' || \"Date\" || '|' || \"Oid\" from \"KivItemOut\" where \"SkuID\" is null and \"NumIID\" = 3000000000000000003"_qs),
              u"1|2024-05-30 09:00:00|7100000000000000012"_qs);
    EXPECT_EQ(Scalar(u"select \"Qty\" || '|' || \"Date\" from \"KivItemOut\" where \"SkuID\" = 9000000000000000001"_qs), u"2|2024-05-30 09:00:00"_qs);
}

TEST_F(MappingSimTest, ARowsKindNeverDecidesAnotherRowsQuoting)
{
    // The last title is a number: the string titles before it stay quoted.
    const QString longTitle = QString(u"长😀'\"%+,"_qs).repeated(250);
    ASSERT_EQ(longTitle.size(), 2000);
    FSim.SetCatalogue((uR"({"now":"2024-06-01 12:00:00","shops":[{"app_key":"12345678","app_secret":"s3cr3t+%&=中","session":"sess-1","items":[
        {"num_iid":9223372036854775807,"title":)"_qs + JsonString(longTitle) + uR"(,"modified":"2024-05-01 00:00:00"},
        {"num_iid":2,"title":"x' or '1'='1","modified":"2024-05-01 00:00:00"},
        {"num_iid":3,"title":12345678901234567890,"modified":"2024-05-01 00:00:00"}]}]})"_qs)
                          .toUtf8());
    EXPECT_EQ(SyncOnsalePage(), 3);
    EXPECT_EQ(Scalar(u"select \"Title\" from \"KivItemOnsale\" where \"NumIID\" = 9223372036854775807"_qs), longTitle);
    EXPECT_EQ(Scalar(u"select \"Title\" from \"KivItemOnsale\" where \"NumIID\" = 2"_qs), u"x' or '1'='1"_qs);
    EXPECT_EQ(Scalar(u"select \"Title\" from \"KivItemOnsale\" where \"NumIID\" = 3"_qs), u"12345678901234567890"_qs);
}

TEST_F(MappingSimTest, RepliesWithoutTheMembersWriteNothingAndRaiseNothing)
{
    // Wrong secret, no session, a platform fault, a page without items.
    FShop.AppSecret = u"wrong"_qs;
    EXPECT_EQ(SyncOnsalePage(), 0);
    FShop.AppSecret = u"s3cr3t+%&=中"_qs;
    FShop.Session = u"sess-2"_qs;
    EXPECT_EQ(SyncOnsalePage(), 0);
    FShop.Session = u"sess-1"_qs;
    FSim.SetFault(u"junk"_qs, 0, 1);
    EXPECT_EQ(SyncOnsalePage(), 0);
    const auto page = [&](const QString& page, const QString& dataMap, const QString& table) {
        return TqlToRows(u"taobao.items.onsale.get"_qs, u"$num_iid,title"_qs, QString(), u"page_no=? and page_size=?"_qs, page + u",10"_qs,
                         u"items_onsale_get_response.items.item.num_iid=NumIID"_qs, dataMap, table, true, true,
                         {u"\"ShopCode\"=kiv"_qs, u"\"SyncDate\"=x"_qs}, FShop);
    };
    EXPECT_EQ(page(u"9"_qs, u"items_onsale_get_response.items.item.title=Title"_qs, u"KivItemOnsale"_qs), 0);
    // Columns that do not line up with the rows: nothing is half-written.
    EXPECT_EQ(page(u"1"_qs, u"items_onsale_get_response.total_results=Title"_qs, u"KivItemOnsale"_qs), 0);
    // A table that does not exist: the database error is swallowed.
    EXPECT_EQ(page(u"1"_qs, QString(), u"NoSuchTable"_qs), 0);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOnsale\""_qs), u"0"_qs);
    EXPECT_GE(FSim.Count(u"taobao.items.onsale.get"_qs), 4);
}

TEST_F(MappingSimTest, ADatabaseErrorKeepsTheRowsBeforeIt)
{
    // The second id is no number (a title too long for its column is cut, not refused).
    FSim.SetCatalogue(uR"({"shops":[{"app_key":"12345678","app_secret":"s3cr3t+%&=中","session":"sess-1","items":[
        {"num_iid":1,"title":"ok"},{"num_iid":"x2","title":"refused"},{"num_iid":3,"title":"never"}]}]})"_qs.toUtf8());
    EXPECT_EQ(SyncOnsalePage(), 0);
    EXPECT_EQ(Scalar(u"select list(\"NumIID\" || ':' || coalesce(\"Title\", '-')) from \"KivItemOnsale\""_qs), u"1:ok"_qs);
}

TEST_F(MappingSimTest, WithoutUpsertMatchingRowsAreInsertedAndMoveTheLocatedRecord)
{
    TClientDataSet stock;
    stock.FieldDefs().Add(u"SkuID"_qs, ftLargeint);
    stock.FieldDefs().Add(u"NumIID"_qs, ftLargeint);
    stock.FieldDefs().Add(u"QtyOut"_qs, ftFloat);
    stock.FieldDefs().Add(u"QtyPay"_qs, ftFloat);
    stock.CreateDataSet();
    stock.Append();
    stock.FieldByName(u"SkuID"_qs)->SetAsString(u"9000000000000000001"_qs);
    stock.FieldByName(u"NumIID"_qs)->SetAsString(u"1000000000000000001"_qs);
    stock.FieldByName(u"QtyOut"_qs)->SetAsFloat(0);
    stock.FieldByName(u"QtyPay"_qs)->SetAsFloat(10);
    stock.Post();
    const auto import = [&](const QStringList& conditions, const QStringList& actions) {
        return TqlToRows(u"taobao.trade.get"_qs, u"$orders.num,orders.num_iid,orders.sku_id,orders.status"_qs, QString(), u"tid=?"_qs,
                         u"7000000000000000001"_qs,
                         u"trade_get_response.trade.orders.order.sku_id=SkuID,trade_get_response.trade.orders.order.num_iid=NumIID"_qs,
                         u"trade_get_response.trade.orders.order.num=Qty,trade_get_response.trade.orders.order.status=Status"_qs,
                         u"KivItemOut"_qs, false, false, {u"ShopCode='kiv'"_qs}, FShop, actions, conditions, {u"SkuID"_qs, u"NumIID"_qs}, &stock);
    };
    // The paid line matches the second rule and adds its quantity; the unpaid
    // line (no SKU in the dataset) is inserted all the same.
    EXPECT_EQ(import({u"Status='TRADE_FINISHED'"_qs, u"Status='WAIT_SELLER_SEND_GOODS'"_qs, QString()}, {QString(), u"QtyPay=Qty"_qs, QString()}), 2);
    EXPECT_EQ(stock.FieldByName(u"QtyPay"_qs)->AsFloat(), 12);
    EXPECT_EQ(stock.FieldByName(u"QtyOut"_qs)->AsFloat(), 0);
    EXPECT_EQ(stock.GetOptionalParam(u"SYS_LocateFieldName"_qs).AsString(), u"QtyPay"_qs);
    EXPECT_EQ(stock.GetOptionalParam(u"NumIID"_qs).AsString(), u"1000000000000000001"_qs);
    EXPECT_EQ(Scalar(u"select list(\"Qty\" || ':' || \"Status\" || ':' || \"ShopCode\", ' ') from \"KivItemOut\""_qs),
              u"2:WAIT_SELLER_SEND_GOODS:kiv 1:WAIT_BUYER_PAY:kiv"_qs);
    // No condition holds: nothing; an amount that is no number ends the mapping after its insert.
    EXPECT_EQ(import({u"Status='TRADE_FINISHED'"_qs}, {u"QtyOut=Qty"_qs}), 0);
    EXPECT_EQ(import({u"Status='WAIT_SELLER_SEND_GOODS'"_qs}, {u"QtyOut=Status"_qs}), 0);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemOut\""_qs), u"3"_qs);
    EXPECT_EQ(stock.FieldByName(u"QtyOut"_qs)->AsFloat(), 0);
    EXPECT_EQ(stock.State(), dsBrowse);
}

TEST_F(MappingSimTest, TradeEventsReachTheProducerRowByRow)
{
    TTradeEventTarget target;
    target.EventStatus = u"'TradeBuyerPay'"_qs;
    target.Status = u"'WAIT_SELLER_SEND_GOODS'"_qs;
    target.LocateFields = u"SkuID;NumIID"_qs;
    target.ReturnField = u"Qty"_qs;
    target.UpdateFields = u"QtyPay"_qs;
    const auto fetch = [&](const QString& tid) {
        TqlToEvents(u"taobao.trade.get"_qs, u"$orders.num,created,orders.price,orders.total_fee,orders.num_iid,orders.sku_id,orders.status"_qs,
                    QString(), u"tid=?"_qs, tid,
                    u"trade_get_response.trade.orders.order.sku_id=SkuID,trade_get_response.trade.orders.order.num_iid=NumIID"_qs,
                    u"trade_get_response.trade.created=Date,trade_get_response.trade.orders.order.price=Price,"
                    "trade_get_response.trade.orders.order.num=Qty,trade_get_response.trade.orders.order.total_fee=Amount,"
                    "trade_get_response.trade.orders.order.status=Status"_qs,
                    u"KivItemOut"_qs, {u"ShopCode='kiv'"_qs, u"Tid=7000000000000000001"_qs}, FShop, target);
    };
    TradeEventProducer = nullptr;
    fetch(u"7000000000000000001"_qs); // no producer: nothing happens
    QStringList lines;
    int batches = 0;
    TradeEventProducer = [&](const TTradeEventBatch& batch) {
        ++batches;
        EXPECT_EQ(batch.Table, u"KivItemOut"_qs);
        EXPECT_EQ(batch.Target.LocateFields, u"SkuID;NumIID"_qs);
        EXPECT_EQ(batch.ExtraLines.size(), 2);
        for (int r = 0; r < batch.Keys.front().Count(); ++r) {
            QStringList line;
            for (const TJsonColumns* columns : {&batch.Keys, &batch.Data})
                for (const TJsonValueList& column : *columns)
                    line << column.FieldName + u'=' + SqlValue(column[r]);
            lines << line.join(u',');
        }
    };
    fetch(u"7000000000000000001"_qs);
    EXPECT_EQ(batches, 1);
    EXPECT_EQ(lines, QStringList({u"SkuID=9000000000000000001,NumIID=1000000000000000001,Date='2024-05-30 09:00:00',Price='10.00',Qty=2,Amount='20.00',Status='WAIT_SELLER_SEND_GOODS'"_qs,
                                  u"SkuID=null,NumIID=3000000000000000003,Date='2024-05-30 09:00:00',Price='3.00',Qty=1,Amount='3.00',Status='WAIT_BUYER_PAY'"_qs}));
    // An unknown trade is an error reply: the producer hears nothing.
    fetch(u"1"_qs);
    EXPECT_EQ(batches, 1);
    EXPECT_EQ(FSim.Count(u"taobao.trade.get"_qs), 3);
}
