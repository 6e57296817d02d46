#include "DbTestData.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/db/DataSource.h"
#include "platform/db/FieldKinds.h"

namespace {

using LinkTest = DbTest;

class TCountingLink : public TDataLink {
public:
    int Layouts = 0;
    int Records = 0;
    TField* LastField = nullptr;
    TField* Focused = nullptr;

protected:
    void LayoutChanged() override { ++Layouts; }
    void RecordChanged(TField* field) override
    {
        ++Records;
        LastField = field;
    }
    void FocusControl(TField*& field) override
    {
        Focused = field;
        field = nullptr;
    }
};

} // namespace

TEST_F(LinkTest, DrawingOtherRowsWhileEditingShowsTheirStoredValues)
{
    FillItems(6);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\" order by \"SkuID\""_qs);
    TDataSource source;
    source.SetDataSet(&ds);
    TCountingLink link;
    link.SetBufferCount(4);
    link.SetDataSource(&source);
    ds.SetRecNo(2);
    ds.Edit();
    TField* qty = ds.FieldByName(u"Qty"_qs);
    qty->SetAsInteger(77);
    EXPECT_EQ(link.LastField, qty);
    const int active = link.ActiveRecord();
    QStringList drawn;
    for (int i = 0; i < link.RecordCount(); ++i) {
        link.SetActiveRecord(i);
        drawn << qty->AsString();
        // Writing is refused while another row is active.
        if (i != active) {
            EXPECT_THROW(qty->SetAsInteger(1), EDatabaseError);
        }
    }
    link.SetActiveRecord(active);
    EXPECT_EQ(drawn, (QStringList{u"1"_qs, u"77"_qs, u"3"_qs, u"4"_qs}));
    ds.Post();
    EXPECT_EQ(qty->AsInteger(), 77);
}

TEST_F(LinkTest, FieldPropertiesAndOrderReachTheLinks)
{
    FillItems(2);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\""_qs);
    TDataSource source;
    source.SetDataSet(&ds);
    TCountingLink link;
    link.SetDataSource(&source);
    TField* qty = ds.FieldByName(u"Qty"_qs);
    qty->SetDisplayWidth(4);
    qty->SetVisible(false);
    qty->SetDisplayLabel(u"数量"_qs);
    qty->SetDisplayLabel(u"数量"_qs); // unchanged: nothing to tell
    EXPECT_EQ(link.Layouts, 3);
    qty->SetIndex(0);
    EXPECT_EQ(ds.Fields(0), qty);
    EXPECT_EQ(qty->FieldNo(), 5); // the record's column stays
    EXPECT_EQ(link.Layouts, 4);
    qty->SetIndex(100);
    EXPECT_EQ(qty->Index(), ds.FieldCount() - 1);

    // A required field that is empty asks for the focus before the error.
    ds.Append();
    EXPECT_THROW(ds.Post(), EDatabaseError);
    EXPECT_EQ(link.Focused, ds.FieldByName(u"SkuID"_qs));
    ds.Cancel();

    // Buffer windows: a grown buffer keeps the rows a link shows.
    ds.Last();
    TCountingLink wide;
    wide.SetDataSource(&source);
    wide.SetBufferCount(10);
    EXPECT_EQ(ds.BufferCount(), 10);
    EXPECT_EQ(wide.RecordCount(), 2);
    EXPECT_EQ(wide.ActiveRecord(), 1);
    EXPECT_EQ(link.ActiveRecord(), 0);
    link.SetActiveRecord(0);
    EXPECT_EQ(ds.RecNo(), 2);
}

TEST_F(LinkTest, DataSourceEventsAndDisabling)
{
    FillItems(3);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\""_qs);
    TDataSource source;
    int states = 0;
    int dataChanges = 0;
    TScopedConnection a = source.OnStateChange.Connect([&](TDataSource&) { ++states; });
    TScopedConnection b = source.OnDataChange.Connect([&](TDataSource&, TField*) { ++dataChanges; });
    source.SetDataSet(&ds);
    EXPECT_EQ(source.State(), dsBrowse);
    ds.Next();
    ds.Edit();
    EXPECT_EQ(source.State(), dsEdit);
    ds.Cancel();
    EXPECT_EQ(states, 3);
    EXPECT_EQ(dataChanges, 3);
    source.SetEnabled(false);
    EXPECT_EQ(source.State(), dsInactive);
    source.AutoEdit = false;
    source.SetEnabled(true);
    source.Edit();
    EXPECT_EQ(ds.State(), dsBrowse);

    // Switching between two open datasets passes through inactive.
    TCountingLink link;
    link.SetDataSource(&source);
    TClientDataSet other;
    other.FieldDefs().Add(u"A"_qs, ftInteger);
    other.CreateDataSet();
    source.SetDataSet(&other);
    EXPECT_TRUE(link.Active());
    EXPECT_EQ(link.DataSet(), &other);
    ds.Close();
    EXPECT_TRUE(link.Active());
}

TEST_F(LinkTest, ProviderWritesOnlyItsTable)
{
    FillItems(2);
    Exec(u"insert into \"KivItemOnsale\"(\"NumIID\",\"Title\",\"ShopCode\",\"SyncDate\") values(101,'衬衫','S1','d')"_qs);
    TClientDataSet& ds = OpenClient(u"select i.*, o.\"Title\", i.\"Qty\" * 2 \"Double\" from \"KivItem\" i "
                                    "left join \"KivItemOnsale\" o on o.\"NumIID\" = i.\"NumIID\" order by i.\"SkuID\""_qs);
    ds.Edit();
    ds.FieldByName(u"Qty"_qs)->SetAsInteger(30);
    ds.FieldByName(u"Title"_qs)->SetAsString(u"不写"_qs);
    ds.FieldByName(u"Double"_qs)->SetAsInteger(0);
    ds.Post();
    EXPECT_EQ(ds.ApplyUpdates(0), 0) << ds.ApplyErrors().join(u'\n').toStdString();
    EXPECT_EQ(Scalar(u"select \"Qty\" from \"KivItem\" where \"SkuID\" = 1"_qs), u"30"_qs);
    EXPECT_EQ(Scalar(u"select \"Title\" from \"KivItemOnsale\""_qs), u"衬衫"_qs);

    // Named explicitly, the other table is written (through its own key).
    Provider->UpdateTableName = u"KivItemOnsale"_qs;
    ds.Edit();
    ds.FieldByName(u"Title"_qs)->SetAsString(u"外套"_qs);
    ds.Post();
    EXPECT_EQ(ds.ApplyUpdates(0), 1); // its key columns are not all in the query
    ds.CancelUpdates();
    EXPECT_EQ(ds.FieldByName(u"Title"_qs)->AsString(), u"不写"_qs);
}

TEST(FieldKinds, ConversionsAndRanges)
{
    TClientDataSet ds;
    ds.FieldDefs().Add(u"S"_qs, ftSmallint);
    ds.FieldDefs().Add(u"B"_qs, ftBoolean);
    ds.FieldDefs().Add(u"D"_qs, ftDate);
    ds.FieldDefs().Add(u"T"_qs, ftTime);
    ds.FieldDefs().Add(u"F"_qs, ftFloat);
    ds.CreateDataSet();
    ds.Append();
    TField* small = ds.FieldByName(u"S"_qs);
    EXPECT_THROW(small->SetAsInteger(40000), EDatabaseError);
    small->SetAsString(u" 12 "_qs);
    EXPECT_EQ(small->AsInteger(), 12);
    TField* flag = ds.FieldByName(u"B"_qs);
    flag->SetAsString(u"true"_qs);
    EXPECT_TRUE(flag->AsBoolean());
    EXPECT_EQ(flag->DisplayText(), u"True"_qs);
    EXPECT_THROW(flag->SetAsString(u"maybe"_qs), EConvertError);
    TField* day = ds.FieldByName(u"D"_qs);
    day->SetAsDateTime(QDateTime(QDate(2024, 5, 6), QTime(13, 14)));
    EXPECT_EQ(day->DisplayText(), u"2024-05-06"_qs);
    EXPECT_EQ(day->AsDateTime().time(), QTime(0, 0));
    TField* time = ds.FieldByName(u"T"_qs);
    time->SetEditText(u"13:14:15"_qs);
    EXPECT_EQ(time->DisplayText(), u"13:14:15"_qs);
    EXPECT_EQ(time->AsDateTime().date(), NullDate());
    TField* number = ds.FieldByName(u"F"_qs);
    number->SetEditText(u"1e3"_qs);
    EXPECT_EQ(number->AsFloat(), 1000);
    EXPECT_THROW(number->SetAsDateTime(QDateTime::currentDateTime()), EConvertError);
    number->SetEditText(QString());
    EXPECT_TRUE(number->IsNull());
    EXPECT_EQ(number->DisplayText(), QString());
}
