// A figure past its range on one SKU's row: the items window raises the
// database's error instead of listing the rows before it as if they were
// all, and lists every row again once the figures are in range.

#include "SellerShopTest.h"

#include "app/KivItemsSync.h"
#include "platform/Exceptions.h"
#include "platform/db/ClientDataSet.h"

#include <climits>

namespace {

class FiguresErrorTest : public SellerShopTest {
protected:
    void SetUp() override
    {
        SellerShopTest::SetUp();
        ServeShop(StationeryCatalogue);
        TTreeNodeShop shop;
        SetSimShop(shop);
        ASSERT_EQ(SyncItems(shop, nullptr).Outcome, TSyncOutcome::soCompleted);
        SysRec.UserCode = Seller;
    }

    // "SkuID:QtyStock/QtyPay/QtyBalance" of each listed row, by SKU.
    static QStringList Listed(TClientDataSet& data)
    {
        QStringList rows;
        for (data.First(); !data.Eof(); data.Next()) {
            QStringList figures;
            for (const char* name : {"QtyStock", "QtyPay", "QtyBalance"})
                figures << data.FieldByName(QLatin1String(name))->AsString();
            rows << data.FieldByName(u"SkuID"_qs)->AsString().right(2) + u':' + figures.join(u'/');
        }
        rows.sort();
        return rows;
    }
};

} // namespace

TEST_F(FiguresErrorTest, ARowWhoseFigureIsPastItsRangeRaisesInsteadOfVanishing)
{
    OpenItems(1, [](TFormItems& form) {
        const QStringList before = Listed(*form.ClientDataSetItems);
        ASSERT_EQ(before, (QStringList{u"11:0/0/0"_qs, u"12:0/0/0"_qs, u"21:0/0/0"_qs}));

        // A correction of the lowest quantity a stock-in takes, and one paid
        // order line: SKU 12's balance is one below what an INTEGER holds. Its
        // row is read last, after the two that can be.
        StockIn(INT_MIN, SysRec.StockTime, {SkuB});
        ExecSql(u"insert into \"KivItemOut\"(\"ShopCode\",\"SkuID\",\"NumIID\",\"Qty\",\"Date\",\"Status\",\"TradeEvent\") values('S1',"_qs
                + SkuB + u",500000000001,1,'2024-06-01 12:30:00','WAIT_SELLER_SEND_GOODS','TradeBuyerPay')"_qs);
        try {
            form.LoadItems();
            ADD_FAILURE() << "listed as if whole: " << Listed(*form.ClientDataSetItems).join(u' ').toStdString();
        } catch (const EDatabaseValueError& error) {
            EXPECT_TRUE(error.Message().contains(u"numeric value is out of range"_qs)) << error.what();
        }
        // The rows on screen stay as they were read.
        EXPECT_EQ(Listed(*form.ClientDataSetItems), before);
    });

    // A stock-in that brings the figures back into range: the seller's
    // window lists every row with its figures.
    StockIn(INT_MAX, SysRec.StockTime, {SkuB});
    QStringList listed;
    OpenItems(1, [&](TFormItems& form) { listed = Listed(*form.ClientDataSetItems); });
    EXPECT_EQ(listed, (QStringList{u"11:0/0/0"_qs, u"12:-1/1/-2"_qs, u"21:0/0/0"_qs}));
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}
