#include "DbTestData.h"

#include "platform/Exceptions.h"
#include "platform/SqlText.h"

namespace {

using ApplyUpdatesTest = DbTest;

QByteArray Sound(char tag)
{
    QByteArray bytes("RIFF\x00\xff", 6);
    bytes.append(QByteArray(70000, tag)); // beyond what a text literal carries
    return bytes;
}

} // namespace

TEST_F(ApplyUpdatesTest, TableWithoutKeyRoundTripsNullsBlobsAndChineseText)
{
    TClientDataSet& ds = OpenClient(u"select * from \"SYS_Monitor\""_qs);
    ds.Append();
    ds.FieldByName(u"MsgType"_qs)->SetAsString(u"交易"_qs);
    ds.FieldByName(u"TradeEvent"_qs)->SetAsString(u"it's 100%1 \"done\""_qs);
    ds.FieldByName(u"Sound"_qs)->SetAsBytes(Sound('a'));
    ds.FieldByName(u"Active"_qs)->SetAsInteger(1);
    ds.Post();
    ds.Append();
    ds.FieldByName(u"MsgType"_qs)->SetAsString(u"退款"_qs);
    ds.Post();
    EXPECT_EQ(ds.ApplyUpdates(0), 0);
    EXPECT_EQ(ds.ChangeCount(), 0);

    OpenClient(u"select * from \"SYS_Monitor\" order by \"MsgType\""_qs);
    ASSERT_EQ(Data->RecordCount(), 2);
    ASSERT_TRUE(Data->Locate(u"MsgType"_qs, Variant(u"交易"_qs)));
    EXPECT_EQ(Data->FieldByName(u"TradeEvent"_qs)->AsString(), u"it's 100%1 \"done\""_qs);
    EXPECT_EQ(Data->FieldByName(u"Sound"_qs)->AsBytes(), Sound('a'));
    EXPECT_TRUE(Data->FieldByName(u"Status"_qs)->IsNull());

    // Found by all old values but the blob; a null is matched with "is null".
    Data->Edit();
    Data->FieldByName(u"Status"_qs)->SetAsString(u"已付款"_qs);
    Data->FieldByName(u"Sound"_qs)->SetAsBytes(Sound('b'));
    Data->Post();
    ASSERT_TRUE(Data->Locate(u"MsgType"_qs, Variant(u"退款"_qs)));
    Data->Delete();
    EXPECT_EQ(Data->ApplyUpdates(0), 0);
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_Monitor\""_qs), u"1"_qs);
    EXPECT_EQ(Scalar(u"select \"Status\" from \"SYS_Monitor\""_qs), u"已付款"_qs);
    EXPECT_EQ(Scalar(u"select octet_length(\"Sound\") from \"SYS_Monitor\""_qs), QString::number(Sound('b').size()));
    EXPECT_EQ(Scalar(u"select \"Active\" from \"SYS_Monitor\""_qs), u"1"_qs);
}

TEST_F(ApplyUpdatesTest, RecordsThatOnlyTheBlobTellsApartAreRefused)
{
    TClientDataSet& ds = OpenClient(u"select * from \"SYS_Monitor\""_qs);
    for (const char tag : {'x', 'y'}) {
        ds.Append();
        ds.FieldByName(u"MsgType"_qs)->SetAsString(u"m"_qs);
        ds.FieldByName(u"Sound"_qs)->SetAsBytes(Sound(tag));
        ds.Post();
    }
    ASSERT_EQ(ds.ApplyUpdates(0), 0);
    OpenClient(u"select * from \"SYS_Monitor\""_qs);
    Data->Edit();
    Data->FieldByName(u"Active"_qs)->SetAsInteger(1);
    Data->Post();
    EXPECT_EQ(Data->ApplyUpdates(0), 1);
    EXPECT_EQ(Data->ApplyErrors().value(0), u"表“SYS_Monitor”中有多条相同的记录，无法确定要保存哪一条！"_qs);
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_Monitor\" where \"Active\" is null"_qs), u"2"_qs);
    EXPECT_EQ(Data->ChangeCount(), 1);
}

TEST_F(ApplyUpdatesTest, KeyedTableUpdatesKeysAndLeavesDefaults)
{
    Exec(u"insert into \"SYS_Fields\"(\"Code\",\"FieldName\",\"UserCode\",\"ShopCode\",\"Caption\",\"Width\") "
         "values('Probe','Name','SYS_CODE','SYS_CODE','名称',20)"_qs);
    TClientDataSet& ds = OpenClient(u"select * from \"SYS_Fields\" where \"Code\" = 'Probe'"_qs);
    ds.Edit();
    ds.FieldByName(u"FieldName"_qs)->SetAsString(u"AppKey"_qs); // part of the key
    ds.FieldByName(u"Caption"_qs)->Clear();
    ds.Post();
    ds.Append();
    ds.FieldByName(u"Code"_qs)->SetAsString(u"Probe"_qs);
    ds.FieldByName(u"FieldName"_qs)->SetAsString(u"Name"_qs);
    ds.FieldByName(u"UserCode"_qs)->SetAsString(u"SYS_CODE"_qs);
    ds.FieldByName(u"ShopCode"_qs)->SetAsString(u"SYS_CODE"_qs);
    ds.Post();
    EXPECT_EQ(ds.ApplyUpdates(0), 0);
    EXPECT_EQ(Scalar(u"select \"Caption\" from \"SYS_Fields\" where \"Code\" = 'Probe' and \"FieldName\" = 'AppKey'"_qs), QString());
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_Fields\" where \"Code\" = 'Probe' and \"Caption\" is null"_qs), u"2"_qs);
    // The new row left its unset columns to the table's defaults.
    EXPECT_EQ(Scalar(u"select \"Visible\" from \"SYS_Fields\" where \"Code\" = 'Probe' and \"FieldName\" = 'Name'"_qs), u"1"_qs);
}

TEST_F(ApplyUpdatesTest, FailingRowWritesNothingAndKeepsTheLog)
{
    TClientDataSet& ds = OpenClient(u"select * from \"SYS_User\""_qs);
    ds.Append();
    ds.FieldByName(u"Code"_qs)->SetAsString(u"张三"_qs);
    ds.Post();
    ds.Append();
    ds.FieldByName(u"Code"_qs)->SetAsString(u"admin"_qs); // the key exists
    ds.Post();
    EXPECT_EQ(ds.ChangeCount(), 2);

    EXPECT_EQ(ds.ApplyUpdates(0), 1);
    EXPECT_EQ(ds.ApplyErrors().size(), 1);
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_User\""_qs), u"1"_qs);
    EXPECT_EQ(ds.ChangeCount(), 2);

    // Tolerating errors: the good row is written, the bad one stays.
    EXPECT_EQ(ds.ApplyUpdates(-1), 1);
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_User\" where \"Code\" = '张三'"_qs), u"1"_qs);
    EXPECT_EQ(ds.ChangeCount(), 1);
    ds.Last();
    EXPECT_EQ(ds.FieldByName(u"Code"_qs)->AsString(), u"admin"_qs);
    EXPECT_EQ(ds.UpdateStatus(), usInserted);
    ds.Delete();
    EXPECT_EQ(ds.ChangeCount(), 0);
    EXPECT_EQ(ds.ApplyUpdates(0), 0);
}

TEST_F(ApplyUpdatesTest, LongTextBlobAndChangedRecordElsewhere)
{
    TClientDataSet& ds = OpenClient(u"select * from \"KivMsg\""_qs);
    const QString text = QString(20000, u'汉') + u"'end"_qs;
    ds.Append();
    ds.FieldByName(u"Msg"_qs)->SetAsString(text);
    ds.Post();
    ASSERT_EQ(ds.ApplyUpdates(0), 0);
    OpenClient(u"select * from \"KivMsg\""_qs);
    EXPECT_EQ(Data->FieldByName(u"Msg"_qs)->AsString(), text);

    Exec(u"insert into \"SYS_User\"(\"Code\",\"Password\") values('u1','p')"_qs);
    OpenClient(u"select * from \"SYS_User\" where \"Code\" = 'u1'"_qs);
    Data->Edit();
    Data->FieldByName(u"Password"_qs)->SetAsString(u"q"_qs);
    Data->Post();
    Exec(u"delete from \"SYS_User\" where \"Code\" = 'u1'"_qs);
    EXPECT_EQ(Data->ApplyUpdates(0), 1);
    EXPECT_EQ(Data->ApplyErrors().value(0), u"要保存的记录已被其他用户修改或删除，请刷新后重新修改！"_qs);
}

// Keys that trade places are saved (by way of keys of their own); what
// the database or a listener of the moved keys refuses is named by the
// record's key and takes the whole save back.
TEST_F(ApplyUpdatesTest, SwappedKeysAreSavedAndARefusedRecordIsNamedAndLeavesNothing)
{
    Exec(u"insert into \"SYS_User\"(\"Code\") values('u1')"_qs);
    Exec(u"insert into \"SYS_User\"(\"Code\") values('u2')"_qs);
    TClientDataSet* ds = &OpenClient(u"select * from \"SYS_User\" where \"Code\" <> 'admin'"_qs);
    const auto set = [&](const QString& by, const QString& value, const QString& code) {
        ASSERT_TRUE(ds->Locate(by, Variant(value)));
        ds->Edit();
        ds->FieldByName(u"Code"_qs)->SetAsString(code);
        ds->Post();
    };
    int moves = 0;
    Provider->AfterKeyMove = [&](TSQLConnection& connection, const TKeyMove& move) {
        connection.ExecuteDirect(u"insert into \"KivMsg\"(\"Msg\") values('moved')"_qs);
        if (move.To.empty())
            throw EDatabaseError(u"不能删除"_qs);
        ++moves;
    };
    set(u"Code"_qs, u"u1"_qs, u"ux"_qs);
    set(u"Code"_qs, u"u2"_qs, u"u1"_qs);
    set(u"Code"_qs, u"ux"_qs, u"u2"_qs);
    EXPECT_EQ(ds->ApplyUpdates(0), 0) << ds->ApplyErrors().join(u'\n').toStdString();
    EXPECT_EQ(moves, 4) << "each key stepped aside, then took its place";
    ds->FieldByName(u"Code"_qs)->SetDisplayLabel(u"代码"_qs);
    ds->Delete();
    EXPECT_EQ(ds->ApplyUpdates(0), 1);
    EXPECT_EQ(ds->ApplyErrors().value(0), u"[代码]为“u2”的记录无法保存：不能删除，请修改后再保存！"_qs);
    EXPECT_EQ(Scalar(u"select count(*) || '/' || (select count(*) from \"KivMsg\") from \"SYS_User\""_qs), u"3/4"_qs);

    // Numbers cannot step aside: the first meets the second's key.
    Exec(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(1,'a')"_qs);
    Exec(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(10,'b')"_qs);
    ds = &OpenClient(u"select * from \"SYS_Params\""_qs);
    ds->FieldByName(u"Code"_qs)->SetDisplayLabel(u"代码"_qs);
    set(u"Value"_qs, u"a"_qs, u"10"_qs);
    set(u"Value"_qs, u"b"_qs, u"1"_qs);
    EXPECT_EQ(ds->ApplyUpdates(0), 1);
    EXPECT_EQ(ds->ApplyErrors().value(0), u"[代码]为“10”的记录无法保存：与已有的记录重复，请修改后再保存！"_qs);
    EXPECT_EQ(Scalar(u"select list(x) from (select \"Code\" || \"Value\" x from \"SYS_Params\" order by \"Code\")"_qs), u"1a,10b"_qs);
}
