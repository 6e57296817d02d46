#include "app/KivMsgQueue.h"
#include "AppTest.h"
#include "platform/Exceptions.h"
#include "platform/db/ClientDataSet.h"

#include <QListWidget>

namespace {

// A monitor window's dataset in memory: two SKUs of one item.
class MsgQueueTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        DataSet = std::make_unique<TClientDataSet>();
        for (const char16_t* name : {u"SkuID", u"NumIID"})
            DataSet->FieldDefs().Add(QString::fromUtf16(name), ftLargeint);
        for (const char16_t* name : {u"Title", u"PropNameFormat", u"Barcode"})
            DataSet->FieldDefs().Add(QString::fromUtf16(name), ftString, 100);
        for (const char16_t* name : {u"QtyStock", u"QtyBalance", u"QtyOrder", u"QtyPay"})
            DataSet->FieldDefs().Add(QString::fromUtf16(name), ftInteger);
        DataSet->CreateDataSet();
        AddRow(9000000000000000001, 5);
        AddRow(9000000000000000002, 7);
        DataSet->First();
        MonitorDataSets << DataSet.get();
        MonitorLogBoxes << &LogBox;
    }
    void TearDown() override
    {
        EventQueue.clear();
        MonitorDataSets.clear();
        MonitorLogBoxes.clear();
        AppTest::TearDown();
    }

    void AddRow(qint64 sku, int stock)
    {
        DataSet->Append();
        DataSet->FieldByName(u"SkuID"_qs)->SetAsLargeInt(sku);
        DataSet->FieldByName(u"NumIID"_qs)->SetAsLargeInt(100);
        DataSet->FieldByName(u"Title"_qs)->SetAsString(u"T恤"_qs);
        DataSet->FieldByName(u"PropNameFormat"_qs)->SetAsString(u"经典黑，XL"_qs);
        for (const char16_t* name : {u"QtyStock", u"QtyBalance", u"QtyOrder", u"QtyPay"})
            DataSet->FieldByName(QString::fromUtf16(name))->SetAsInteger(stock);
        DataSet->Post();
    }

    // A record as the stock-in pushes it: the SKU id in single quotes.
    void Push(const QString& skuKey, const QString& fields, const QString& amount, bool withInsert = false)
    {
        auto record = std::make_unique<TMsgRec>();
        record->TimeText = u"2026-01-02 03:04:05"_qs;
        record->KeyNames = u"SkuID;NumIID"_qs;
        record->KeyValues = {Variant(skuKey), Variant(u"100"_qs)};
        record->UpdateFields = fields;
        record->Amount = amount;
        if (withInsert) {
            record->InsertTable = u"KivItemOut"_qs;
            record->InsertColumns = u"\"SkuID\",\"NumIID\",\"Qty\",\"Status\""_qs;
            record->InsertValues = u"9000000000000000001,100,"_qs + amount + u",'WAIT_SELLER_SEND_GOODS'"_qs;
        }
        record->DataSet = DataSet.get();
        record->LogBox = &LogBox;
        const std::lock_guard lock(EventQueueLock);
        EventQueue.push_back(std::move(record));
    }

    // A paid trade line of shop's order line oid, as the monitor queues it:
    // stored unless the shop has it already, adding qty to "QtyPay".
    void PushLine(const QString& shop, int oid, const QString& qty)
    {
        auto record = std::make_unique<TMsgRec>();
        record->TimeText = u"2026-01-02 03:04:05"_qs;
        record->KeyNames = u"SkuID;NumIID"_qs;
        record->KeyValues = {Variant(u"9000000000000000001"_qs), Variant(u"100"_qs)};
        record->UpdateFields = u"QtyPay"_qs;
        record->Amount = qty;
        record->InsertTable = u"KivItemOut"_qs;
        record->InsertColumns = u"\"ShopCode\",\"SkuID\",\"NumIID\",\"Oid\",\"Qty\",\"Status\",\"TradeEvent\""_qs;
        record->InsertValues = u"'%1',9000000000000000001,100,%2,%3,'WAIT_SELLER_SEND_GOODS','TradeBuyerPay'"_qs.arg(shop).arg(oid).arg(qty);
        record->LineShopCode = shop;
        record->LineDate = record->TimeText;
        record->LineTid = QString::number(oid);
        record->LineOid = QString::number(oid);
        record->LineQty = qty;
        record->LineStoredSql = u"select 1 from \"KivItemOut\" where \"ShopCode\" = '%1' and \"Oid\" = %2"_qs.arg(shop).arg(oid);
        record->DataSet = DataSet.get();
        record->LogBox = &LogBox;
        const std::lock_guard lock(EventQueueLock);
        EventQueue.push_back(std::move(record));
    }

    int Figure(qint64 sku, const QString& field)
    {
        EXPECT_TRUE(DataSet->Locate(u"SkuID"_qs, Variant(sku)));
        return DataSet->FieldByName(field)->AsInteger();
    }

    QString TradeLines()
    {
        const auto q = OpenQuery(u"select count(*), coalesce(sum(\"Qty\"),0) from \"KivItemOut\""_qs);
        return q->Fields(0)->AsString() + u'/' + q->Fields(1)->AsString();
    }

    std::unique_ptr<TClientDataSet> DataSet;
    QListWidget LogBox;
};

} // namespace

TEST_F(MsgQueueTest, SignedFieldsAreAdjustedLoggedAndTheLastOneIsRememberedWhicheverWayTheKeyIsGiven)
{
    Push(u"'9000000000000000001'"_qs, u"QtyStock,QtyBalance,-QtyOrder"_qs, u"3"_qs);
    ProcessMsgQueue();
    EXPECT_EQ(Figure(9000000000000000001, u"QtyStock"_qs), 8);
    EXPECT_EQ(Figure(9000000000000000001, u"QtyBalance"_qs), 8);
    EXPECT_EQ(Figure(9000000000000000001, u"QtyOrder"_qs), 2);
    EXPECT_EQ(Figure(9000000000000000002, u"QtyStock"_qs), 7);
    EXPECT_EQ(DataSet->GetOptionalParam(u"SYS_LocateFieldName"_qs), Variant(u"QtyOrder"_qs));
    // The key parameters hold the values the row was found by.
    EXPECT_EQ(DataSet->GetOptionalParam(u"SkuID"_qs).AsString(), QStringLiteral("9000000000000000001"));
    EXPECT_EQ(DataSet->GetOptionalParam(u"NumIID"_qs).AsString(), QStringLiteral("100"));
    // Only "QtyStock" is one of the logged stock fields.
    ASSERT_EQ(LogBox.count(), 1);
    EXPECT_TRUE(LogBox.item(0)->text().contains(u"入库"_qs));
    EXPECT_TRUE(EventQueue.empty());

    // Bare and quoted keys find the same row; a burst applies in order.
    Push(u"9000000000000000002"_qs, u"QtyPay"_qs, u"2"_qs);
    Push(u"'9000000000000000002'"_qs, u"-QtyPay"_qs, u"5"_qs);
    Push(u"9000000000000000002"_qs, u"QtyPay"_qs, u"1.0"_qs);
    ProcessMsgQueue();
    EXPECT_EQ(Figure(9000000000000000002, u"QtyPay"_qs), 5);
    EXPECT_EQ(LogBox.count(), 1 + 3);
}

TEST_F(MsgQueueTest, ReadOnlyFieldsAreAdjustedAndStayReadOnly)
{
    DataSet->FieldByName(u"QtyStock"_qs)->SetReadOnly(true);
    auto record = std::make_unique<TMsgRec>();
    record->KeyNames = u"SkuID;NumIID"_qs;
    record->KeyValues = {Variant(u"'9000000000000000001'"_qs), Variant(u"100"_qs)};
    record->UpdateFields = u"QtyStock"_qs;
    record->Amount = u"4"_qs;
    record->SetField = u"Barcode"_qs;
    record->SetFieldValue = u"6901234567890"_qs;
    record->DataSet = DataSet.get();
    ApplyMsgRec(std::move(record));
    EXPECT_EQ(Figure(9000000000000000001, u"QtyStock"_qs), 9);
    EXPECT_EQ(DataSet->FieldByName(u"Barcode"_qs)->AsString(), QStringLiteral("6901234567890"));
    EXPECT_TRUE(DataSet->FieldByName(u"QtyStock"_qs)->ReadOnly());
    EXPECT_EQ(DataSet->State(), dsBrowse);
}

TEST_F(MsgQueueTest, UnknownRowsRecordTheirTradeLineButRecordsOfAClosedWindowAreDropped)
{
    Push(u"'1'"_qs, u"QtyStock"_qs, u"3"_qs, true);
    ProcessMsgQueue();
    EXPECT_EQ(Figure(9000000000000000001, u"QtyStock"_qs), 5);
    EXPECT_EQ(LogBox.count(), 0);
    EXPECT_EQ(TradeLines(), QStringLiteral("1/3"));

    Push(u"'9000000000000000001'"_qs, u"QtyStock"_qs, u"4"_qs, true);
    DataSet.reset(); // the monitor window closed before the next idle moment
    ProcessMsgQueue();
    EXPECT_TRUE(EventQueue.empty());
    EXPECT_EQ(TradeLines(), QStringLiteral("1/3"));
}

TEST_F(MsgQueueTest, AFailureStopsTheRoundAndKeepsTheRestQueued)
{
    Push(u"'9000000000000000001'"_qs, u"NoSuchField"_qs, u"3"_qs, true);
    Push(u"'9000000000000000001'"_qs, u"QtyStock"_qs, u"3"_qs);
    EXPECT_THROW(ProcessMsgQueue(), EDatabaseError);
    EXPECT_EQ(DataSet->State(), dsBrowse);
    EXPECT_EQ(EventQueue.size(), 1u);
    ProcessMsgQueue();
    EXPECT_EQ(Figure(9000000000000000001, u"QtyStock"_qs), 8);
}

TEST_F(MsgQueueTest, TradeLinesQueuedTogetherAreEachStoredOnceOrPassedOverWithoutHoldingBackTheOthers)
{
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\") values('S1','文具店','k','s','x')"_qs);
    PushLine(u"S1"_qs, 1, u"2"_qs);
    PushLine(u"S1"_qs, 1, u"2"_qs);                 // the same line again
    PushLine(u"S1"_qs, 2, u"2147483647"_qs);        // would carry the paid sum past its range
    PushLine(u"S1"_qs, 3, u"99999999999"_qs);       // no INTEGER holds it
    PushLine(u"S9"_qs, 4, u"5"_qs);                 // a shop deleted at another seat
    PushLine(u"S1"_qs, 5, u"3"_qs);
    ProcessMsgQueue();
    EXPECT_TRUE(EventQueue.empty());
    EXPECT_EQ(TradeLines(), QStringLiteral("2/5"));
    EXPECT_EQ(Scalar(u"select list(\"Oid\") from (select \"Oid\" from \"KivItemOut\" order by 1)"_qs), u"1,5"_qs);
    EXPECT_EQ(Scalar(u"select \"Up1\" from \"KivSkuSums\" where \"SkuID\" = 9000000000000000001"_qs), u"5"_qs);
    EXPECT_EQ(Figure(9000000000000000001, u"QtyPay"_qs), 5 + 5);
    QStringList said;
    for (int i = 0; i < LogBox.count(); ++i)
        if (LogBox.item(i)->text().contains(u"无法保存"_qs))
            said << LogBox.item(i)->text();
    ASSERT_EQ(said.size(), 2) << said.join(u'\n').toStdString();
    EXPECT_TRUE(said[0].contains(u"订单行2"_qs) && said[0].contains(u"超出范围"_qs)) << said[0].toStdString();
    EXPECT_TRUE(said[1].contains(u"订单行3"_qs)) << said[1].toStdString();
}
