#include "DbTestData.h"

#include "platform/Exceptions.h"
#include "platform/db/FieldKinds.h"

#include <QFile>
#include <limits>

namespace {

using FieldTest = DbTest;

} // namespace

TEST_F(FieldTest, KindsOfTheSchemaColumns)
{
    Exec(u"insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"Price\",\"Qty\",\"ShopCode\",\"SyncDate\",\"PropAlias\") "
         "values(12345678901234,7,1234.5,0,'店','2024-01-02 03:04:05','红色')"_qs);
    Exec(u"insert into \"KivItemIn\"(\"AutoCode\",\"Qty\",\"Date\") values(1,2,'2024-01-02 00:00:00')"_qs);
    Exec(u"insert into \"KivMsg\"(\"Msg\") values('消息')"_qs);
    TClientDataSet& items = OpenClient(u"select * from \"KivItem\""_qs);

    TField* sku = items.FieldByName(u"SkuID"_qs);
    EXPECT_EQ(sku->DataType(), ftLargeint);
    EXPECT_EQ(sku->AsLargeInt(), 12345678901234);
    EXPECT_EQ(sku->AsString(), u"12345678901234"_qs);
    EXPECT_THROW(sku->AsInteger(), EConvertError);
    // One past the largest BIGINT is refused, never wrapped to the smallest.
    items.Edit();
    sku->SetAsString(u"9223372036854775807"_qs);
    EXPECT_EQ(sku->AsLargeInt(), std::numeric_limits<qint64>::max());
    EXPECT_THROW(sku->SetAsString(u"9223372036854775808"_qs), EDatabaseError);
    EXPECT_THROW(sku->SetAsFloat(9223372036854775808.0), EDatabaseError);
    EXPECT_EQ(sku->AsLargeInt(), std::numeric_limits<qint64>::max());
    items.Cancel();
    EXPECT_TRUE(sku->Required());
    EXPECT_EQ(sku->Alignment(), taRightJustify);

    TField* price = items.FieldByName(u"Price"_qs);
    EXPECT_EQ(price->DataType(), ftFMTBcd);
    EXPECT_EQ(price->Size(), 2);
    EXPECT_EQ(price->DisplayText(), u"1234.5"_qs);
    price->SetDisplayFormat(u"#,##0.00"_qs);
    EXPECT_EQ(price->DisplayText(), u"1,234.50"_qs);
    EXPECT_EQ(price->GetEditText(), u"1,234.50"_qs); // no EditFormat: the display format
    price->SetEditFormat(u"0.00"_qs);
    EXPECT_EQ(price->GetEditText(), u"1234.50"_qs);

    TField* qty = items.FieldByName(u"Qty"_qs);
    EXPECT_EQ(qty->DataType(), ftInteger);
    qty->SetDisplayFormat(u"#"_qs);
    EXPECT_EQ(qty->DisplayText(), QString());
    EXPECT_EQ(qty->AsString(), u"0"_qs);
    EXPECT_TRUE(qty->IsValidChar(u'5'));
    EXPECT_FALSE(qty->IsValidChar(u'.'));
    EXPECT_TRUE(price->IsValidChar(u'.'));

    TField* alias = items.FieldByName(u"PropAlias"_qs);
    EXPECT_EQ(alias->DataType(), ftString);
    EXPECT_EQ(alias->Size(), 4000);
    EXPECT_EQ(alias->AsString(), u"红色"_qs);
    alias->SetDisplayLabel(u"属性"_qs);
    EXPECT_EQ(alias->DisplayName(), u"属性"_qs);
    EXPECT_TRUE(alias->IsValidChar(u'红'));
    EXPECT_EQ(items.FieldByName(u"ShopCode"_qs)->DisplayWidth(), 50);

    TClientDataSet& stock = OpenClient(u"select * from \"KivItemIn\""_qs);
    TField* date = stock.FieldByName(u"Date"_qs);
    EXPECT_EQ(date->DataType(), ftTimeStamp);
    EXPECT_EQ(date->DisplayText(), u"2024-01-02"_qs); // midnight shows the date alone
    stock.Edit();
    date->SetEditText(u"2024-01-02 10:11:12"_qs);
    EXPECT_EQ(date->DisplayText(), u"2024-01-02 10:11:12"_qs);
    date->SetDisplayFormat(u"yyyy年m月d日 hh:nn"_qs);
    EXPECT_EQ(date->DisplayText(), u"2024年1月2日 10:11"_qs);
    EXPECT_EQ(date->GetEditText(), u"2024-01-02 10:11:12"_qs);
    EXPECT_THROW(date->SetEditText(u"2024-13-40"_qs), EConvertError);
    try {
        date->SetEditText(u"明天"_qs);
        ADD_FAILURE() << "a word was taken for a date";
    } catch (const EConvertError& e) {
        EXPECT_TRUE(e.Message().contains(u"只能填日期时间"_qs)) << e.what();
    }
    date->SetEditText(u"  "_qs);
    EXPECT_TRUE(date->IsNull());
    stock.Cancel();

    TClientDataSet& messages = OpenClient(u"select * from \"KivMsg\""_qs);
    TField* msg = messages.FieldByName(u"Msg"_qs);
    EXPECT_EQ(msg->DataType(), ftMemo);
    EXPECT_EQ(msg->AsString(), u"消息"_qs);
    EXPECT_EQ(msg->DisplayText(), u"(MEMO)"_qs);
    EXPECT_EQ(msg->GetEditText(), u"消息"_qs);
}

TEST_F(FieldTest, ReadOnlyRefusedAndOnChangeOncePerAssignment)
{
    FillItems(2);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\" order by \"SkuID\""_qs);
    TField* qty = ds.FieldByName(u"Qty"_qs);
    int changes = 0;
    qty->OnChange = [&](TField& f) {
        ++changes;
        EXPECT_EQ(&f, qty);
    };
    EXPECT_THROW(qty->SetAsInteger(5), EDatabaseError); // not editing
    ds.Edit();
    qty->SetReadOnly(true);
    try {
        qty->SetAsInteger(5);
        FAIL() << "a read-only field took a value";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Field 'Qty' cannot be modified"_qs);
    }
    EXPECT_EQ(qty->AsInteger(), 1);
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(qty->CanModify());

    // Lifted for one adjustment, as the update records do.
    qty->SetReadOnly(false);
    qty->SetAsFloat(qty->AsFloat() + 3);
    qty->SetReadOnly(true);
    EXPECT_EQ(changes, 1);
    qty->SetReadOnly(false);
    qty->SetEditText(u"8"_qs);
    qty->SetValue(Variant(8));
    EXPECT_EQ(changes, 3);
    // What the user typed is refused in words that name the field and say why.
    const auto refusal = [](auto&& set) {
        try {
            set();
        } catch (const Exception& e) {
            return e.Message();
        }
        return QString();
    };
    qty->SetDisplayLabel(u"数量"_qs);
    EXPECT_EQ(refusal([&] { qty->SetEditText(u"8x"_qs); }), u"[数量]只能填整数，“8x”不是整数！"_qs);
    EXPECT_THROW(qty->SetEditText(u"abc"_qs), EConvertError);
    EXPECT_EQ(refusal([&] { qty->SetEditText(u"99999999999"_qs); }), u"[数量]的值“99999999999”超出范围，只能在-2147483648到2147483647之间！"_qs);
    EXPECT_THROW(qty->SetAsFloat(1e12), EDatabaseError);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(qty->AsInteger(), 8);
    ds.Post();
    EXPECT_EQ(qty->AsInteger(), 8);
}

TEST_F(FieldTest, BlobLoadsFromFileAndReadsAsBytes)
{
    TClientDataSet& ds = OpenClient(u"select * from \"SYS_Params\""_qs);
    QByteArray wave("RIFF\x00\x01\xff\xfeWAVE", 12);
    const QString path = TempPath(u"sound.wav"_qs);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(wave);
    file.close();
    ds.Append();
    ds.FieldByName(u"Code"_qs)->SetAsInteger(8);
    auto* blob = dynamic_cast<TBlobField*>(ds.FieldByName(u"BlobValue"_qs));
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(blob->DisplayText(), u"(blob)"_qs);
    blob->LoadFromFile(path);
    EXPECT_EQ(blob->AsBytes(), wave);
    EXPECT_EQ(blob->BlobSize(), 12);
    EXPECT_EQ(blob->DisplayText(), u"(BLOB)"_qs);
    EXPECT_EQ(blob->GetEditText(), u"(BLOB)"_qs) << "bytes are not edited as text";
    EXPECT_THROW(blob->LoadFromFile(TempPath(u"missing.wav"_qs)), EInOutError);
    ds.Post();
    EXPECT_EQ(ds.ApplyUpdates(0), 0);
    EXPECT_EQ(Scalar(u"select octet_length(\"BlobValue\") from \"SYS_Params\" where \"Code\" = 8"_qs), u"12"_qs);
}

TEST_F(FieldTest, LookupFieldReadsTheOtherDataSet)
{
    FillItems(3);
    Exec(u"insert into \"KivItemOnsale\"(\"NumIID\",\"Title\",\"ShopCode\",\"SyncDate\") values(101,'衬衫','S1','d')"_qs);
    TSQLQuery titles(Conn.get());
    titles.SQL = u"select * from \"KivItemOnsale\""_qs;
    titles.Open();
    TField* lookup = nullptr;
    OpenClient(u"select * from \"KivItem\" order by \"SkuID\""_qs, [&](TClientDataSet& data) {
        auto title = std::make_unique<TStringField>(u"Title"_qs, 100);
        title->SetFieldKind(fkLookup);
        title->KeyFields = u"NumIID"_qs;
        title->LookupDataSet = &titles;
        title->LookupKeyFields = u"NumIID"_qs;
        title->LookupResultField = u"Title"_qs;
        lookup = data.AddField(std::move(title));
    });
    EXPECT_EQ(Data->FieldCount(), 11);
    EXPECT_EQ(lookup->Index(), 10);
    EXPECT_EQ(lookup->AsString(), u"衬衫"_qs); // SkuID 1: NumIID 101
    Data->Next();
    EXPECT_TRUE(lookup->IsNull());
    Data->Edit();
    EXPECT_THROW(lookup->SetAsString(u"x"_qs), EDatabaseError);
    Data->Cancel();
    Data->Close();
    EXPECT_EQ(Data->FieldCount(), 1); // the lookup field stays
}
