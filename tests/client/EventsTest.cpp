#include "client/KivDataM.h"
#include "client/KivEvents.h"
#include "client/KivMapping.h"
#include "json/uQvJSON.h"
#include "platform/db/ClientDataSet.h"
#include "support/TestSupport.h"

#include <QListWidget>

namespace {

QStringList Items(const QListWidget& box)
{
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.item(i)->text();
    return items;
}

std::vector<std::unique_ptr<TMsgRec>> TakeQueue()
{
    const std::lock_guard lock(EventQueueLock);
    std::vector<std::unique_ptr<TMsgRec>> records;
    while (!EventQueue.empty()) {
        records.push_back(std::move(EventQueue.front()));
        EventQueue.pop_front();
    }
    return records;
}

// A trade.get reply as the stream's mapping reads it.
TMappedReply MapTrade(const QByteArray& reply)
{
    const auto root = TqvJSON::ParseText(reply);
    return MapTqlRows(*qvJSONcast<TqvJSONobject>(root.get()),
                      u"trade_get_response.trade.orders.order.sku_id=SkuID,trade_get_response.trade.orders.order.num_iid=NumIID"_qs,
                      u"trade_get_response.trade.created=Date,trade_get_response.trade.orders.order.num=Qty,"
                      "trade_get_response.trade.orders.order.status=Status"_qs,
                      false);
}

const QStringList ExtraLines = {u"ShopCode='kiv'"_qs, u"EventDate='2024-06-01 12:00:00'"_qs, u"TradeEvent='TradeBuyerPay'"_qs,
                                u"Tid=70"_qs, u"Oid=null"_qs};

} // namespace

TEST(LogLine, NumbersLinesEmptiesTheBoxAt200AndShowsStockFieldsInFixedColumns)
{
    QListWidget box;
    LogLine(&box, u"监控开始"_qs);
    for (int i = 2; i <= 200; ++i)
        LogLine(&box, QString::number(i));
    ASSERT_EQ(box.count(), 200);
    EXPECT_EQ(box.item(0)->text(), u"  1|监控开始"_qs);
    EXPECT_EQ(box.item(99)->text(), u"100|100"_qs);
    EXPECT_EQ(box.item(199)->text(), u"200|200"_qs);
    EXPECT_EQ(box.currentRow(), 199);
    LogLine(&box, u"next"_qs);
    EXPECT_EQ(Items(box), QStringList{u"  1|next"_qs});
    EXPECT_EQ(box.currentRow(), 0);
    EXPECT_TRUE(box.item(0)->isSelected());
    LogLine(nullptr, u"nowhere"_qs);

    // Stock changes: the stock fields only, in fixed columns.
    box.clear();
    TClientDataSet ds;
    ds.FieldDefs().Add(u"Title"_qs, ftString, 100);
    ds.FieldDefs().Add(u"PropNameFormat"_qs, ftString, 100);
    ds.CreateDataSet();
    ds.Append();
    ds.FieldByName(u"Title"_qs)->SetAsString(u"纯棉T恤"_qs);
    ds.FieldByName(u"PropNameFormat"_qs)->SetAsString(u"黑色;XL"_qs);
    ds.Post();
    LogStockChange(&box, &ds, u"2024-06-01 12:00:00"_qs, u"Qty"_qs, u"2"_qs);
    EXPECT_EQ(box.count(), 0);
    LogStockChange(&box, &ds, u"2024-06-01 12:00:00"_qs, u"QtyPay"_qs, u"2"_qs);
    LogStockChange(&box, &ds, u"t"_qs, u"QtyBack"_qs, u"12345"_qs);
    ASSERT_EQ(box.count(), 2);
    // A Chinese character takes two columns of the log's font, as it takes
    // two bytes in the system's code page: the columns line up.
    EXPECT_EQ(box.item(0)->text(), u"  1|2024-06-01 12:00:00 |纯棉T恤"_qs + QString(55, u' ') + u"|黑色;XL"_qs + QString(53, u' ') +
                                       u"|   2件|  已付"_qs);
    // Longer texts are not cut.
    EXPECT_TRUE(box.item(1)->text().endsWith(u"|12345件|  退货"_qs)) << box.item(1)->text().toStdString();
    LogStockChange(nullptr, &ds, u"t"_qs, u"QtyPay"_qs, u"1"_qs);
}

TEST(LogLine, ALongLineIsCutBetweenCharactersAsAReaderSeesThem)
{
    // After one letter, a line of faces (a surrogate pair each) and one of
    // families of three (eight UTF-16 units, joined by zero-width joiners):
    // the cut falls inside neither.
    for (const QString& emoji : {u"😀"_qs, u"👨‍👩‍👧"_qs}) {
        QListWidget box;
        LogLine(&box, u"x"_qs + emoji.repeated(400));
        const QString shown = box.item(0)->text();
        ASSERT_TRUE(shown.startsWith(u"  1|x"_qs) && shown.endsWith(u"…"_qs)) << shown.toStdString();
        EXPECT_TRUE(shown.isValidUtf16());
        const QString cut = shown.mid(5, shown.size() - 6);
        EXPECT_GT(cut.size(), 0);
        EXPECT_EQ(cut, emoji.repeated(int(cut.size() / emoji.size()))) << cut.size();
    }
}

TEST(QueueTradeEvents, OneRecordPerQualifyingOrderLine)
{
    TakeQueue();
    TClientDataSet ds;
    QListWidget box;
    const TMappedReply trade = MapTrade(R"({"trade_get_response":{"trade":{"created":"2024-05-30 09:00:00","orders":{"order":[
        {"sku_id":1,"num_iid":10,"num":2,"status":"WAIT_SELLER_SEND_GOODS"},
        {"sku_id":2,"num_iid":10,"num":1,"status":"WAIT_BUYER_PAY"},
        {"num_iid":30,"num":4,"status":"WAIT_SELLER_SEND_GOODS"},
        {"sku_id":"4","num_iid":40,"num":3,"status":"WAIT_SELLER_SEND_GOODS"}]}}}})");
    const int queued = QueueTradeEvents(u"KivItemOut"_qs, trade.Keys, trade.Data, ExtraLines, &ds, &box, u"'TradeBuyerPay'"_qs,
                                        u"'WAIT_SELLER_SEND_GOODS'"_qs, u"SkuID;NumIID"_qs, u"Qty"_qs, u"QtyPay,-QtyBalance"_qs);
    // The second line has another status, the third no SKU id.
    EXPECT_EQ(queued, 2);
    const auto records = TakeQueue();
    ASSERT_EQ(records.size(), 2u);
    const TMsgRec& first = *records[0];
    EXPECT_EQ(first.TimeText, u"2024-06-01 12:00:00"_qs);
    EXPECT_EQ(first.KeyNames, u"SkuID;NumIID"_qs);
    ASSERT_EQ(first.KeyValues.size(), 2u);
    EXPECT_EQ(first.KeyValues[0].AsString(), u"1"_qs);
    EXPECT_EQ(first.KeyValues[1].AsString(), u"10"_qs);
    EXPECT_EQ(first.UpdateFields, u"QtyPay,-QtyBalance"_qs);
    EXPECT_EQ(first.Amount, u"2"_qs);
    EXPECT_TRUE(first.SetField.isEmpty());
    EXPECT_EQ(first.InsertTable, u"KivItemOut"_qs);
    // Key lines, data lines, extra lines, in that order.
    EXPECT_EQ(first.InsertColumns, u"\"SkuID\",\"NumIID\",\"Date\",\"Qty\",\"Status\",\"ShopCode\",\"EventDate\",\"TradeEvent\",\"Tid\",\"Oid\""_qs);
    EXPECT_EQ(first.InsertValues, u"1,10,'2024-05-30 09:00:00',2,'WAIT_SELLER_SEND_GOODS','kiv','2024-06-01 12:00:00','TradeBuyerPay',70,null"_qs);
    EXPECT_EQ(first.DataSet, &ds);
    EXPECT_EQ(first.LogBox, &box);
    // The SKU id given as text stays text, quoted.
    EXPECT_EQ(records[1]->KeyValues[0].AsString(), u"'4'"_qs);
    EXPECT_EQ(records[1]->Amount, u"3"_qs);

    // Another trade event than the rule's queues nothing.
    EXPECT_EQ(QueueTradeEvents(u"KivItemOut"_qs, trade.Keys, trade.Data, ExtraLines, &ds, &box, u"'TradeSellerShip'"_qs,
                               u"'WAIT_SELLER_SEND_GOODS'"_qs, u"SkuID;NumIID"_qs, u"Qty"_qs, u"QtyPay"_qs),
              0);
    // Columns that do not line up with the rows queue nothing.
    TJsonColumns shortData = trade.Data;
    shortData[1].Values.pop_back();
    EXPECT_EQ(QueueTradeEvents(u"KivItemOut"_qs, trade.Keys, shortData, ExtraLines, &ds, &box, u"'TradeBuyerPay'"_qs,
                               u"'WAIT_SELLER_SEND_GOODS'"_qs, u"SkuID;NumIID"_qs, u"Qty"_qs, u"QtyPay"_qs),
              0);
    EXPECT_TRUE(TakeQueue().empty());
}
