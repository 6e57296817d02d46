// Platform texts longer than their columns: the first sync of a shop stores
// them cut to their columns at a character boundary and completes, and the
// items window lists the item, for the administrator who synced and for a
// seller afterwards.

#include "SellerShopTest.h"

#include "client/KivColumns.h"
#include "platform/db/ClientDataSet.h"

namespace {

const QString Now1 = u"2024-06-01 12:00:00"_qs;
const QString LongSku = u"5000000000011"_qs;

QString Repeated(const QString& text, int times)
{
    QString result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

// 5,000 characters each, as the columns (VARCHAR(4000)) count them. The
// title's 4,000th character lies beyond the BMP (two QChars); the property
// text's 4,000th is the first half of a flag, two characters that read as one.
const QString LongTitle = Repeated(u"长"_qs, 3999) + Repeated(u"😀"_qs, 1001);
const QString PropertyValue = Repeated(u"蓝"_qs, 3992) + u"🇨🇳"_qs + Repeated(u"绿"_qs, 999);
const QString LongProperties = u"1:1:颜色:"_qs + PropertyValue;

// The stand-in's shop "S1" at Now1: the long item with a SKU of those texts
// and one other SKU, and an item of short texts.
QByteArray LongTextCatalogue()
{
    const QString json = uR"({"now":"2024-06-01 12:00:00","shops":[{"app_key":"k1","app_secret":"secret","session":"sess","items":[
        {"num_iid":500000000001,"title":"%1","modified":"2024-05-01 10:00:00","property_alias":"","skus":[
          {"sku_id":5000000000011,"price":"2.50","quantity":9,"properties_name":"%2"},
          {"sku_id":5000000000012,"price":"2.50","quantity":4,"properties_name":"1:2:颜色:黑色"}]},
        {"num_iid":500000000002,"title":"笔记本","modified":"2024-05-01 10:00:00","property_alias":"","skus":[
          {"sku_id":5000000000021,"price":"9.90","quantity":3,"properties_name":"2:1:尺码:A5"}]}],"trades":[]}]})"_qs;
    return json.arg(LongTitle, LongProperties).toUtf8();
}

class LongTextSyncTest : public SellerShopTest {
protected:
    void SetUp() override
    {
        SellerShopTest::SetUp();
        ServeShop(LongTextCatalogue());
    }

    // The SKU's row as the window lists it: title, property text and figures.
    static QStringList Row(TClientDataSet& data, const QString& sku)
    {
        if (!data.Locate(u"SkuID"_qs, Variant(sku.toLongLong())))
            return {};
        QStringList values;
        for (const char* name : {"Title", "PropNameFormat", "Qty", "QtyStock", "QtyBalance"})
            values << data.FieldByName(QLatin1String(name))->AsString();
        return values;
    }
};

} // namespace

TEST_F(LongTextSyncTest, AFirstSyncStoresLongTextsCutToTheirColumnsAndListsTheItem)
{
    const QString title = LongTitle.left(3999 + 2);               // the 4,000th character whole
    const QString properties = LongProperties.left(3999);         // the flag is not split
    const QString shown = PropertyValue.left(3992 + 4 + 6);       // 4,000 characters, the flag whole
    ASSERT_EQ(CharacterCount(title), 4000);
    ASSERT_EQ(CharacterCount(shown), 4000);

    QStringList listed;
    OpenItems(0, [&](TFormItems& form) {
        listed = Row(*form.ClientDataSetItems, LongSku);
        Keep(form, u"long-texts.png"_qs);
    });
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
    EXPECT_EQ(listed, (QStringList{title, shown, u"9"_qs, u"0"_qs, u"0"_qs}));
    EXPECT_EQ(GetShopSyncDate(u"S1"_qs), Now1);
    EXPECT_EQ(Scalar(u"select \"SkuPropName\" from \"KivItem\" where \"SkuID\" = "_qs + LongSku), properties);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItem\""_qs), u"3"_qs);

    // A seller opens the shop afterwards: nothing is synced again, and both
    // windows list the item with its figures.
    const int counts = Sim.Count(u"taobao.items.onsale.get"_qs);
    StockIn(5, SysRec.StockTime, {LongSku});
    SysRec.UserCode = Seller;
    for (const int node : {0, 1}) {
        SCOPED_TRACE(node);
        listed.clear();
        OpenItems(node, [&](TFormItems& form) { listed = Row(*form.ClientDataSetItems, LongSku); });
        EXPECT_EQ(listed, (QStringList{title, shown, u"9"_qs, u"5"_qs, u"5"_qs}));
    }
    EXPECT_EQ(Sim.Count(u"taobao.items.onsale.get"_qs), counts);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}
