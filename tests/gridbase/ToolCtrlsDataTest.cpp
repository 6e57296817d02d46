#include "gridbase/ToolCtrlsMv.h"
#include "platform/DbTestData.h"
#include "platform/Exceptions.h"

namespace {

using ToolCtrlsDataTest = DbTest;

// The bookmark list as the grid has it: over one dataset.
class TTestBMList : public TBMListMv {
public:
    explicit TTestBMList(TDataSet* dataSet) : FDataSet(dataSet) {}
    ~TTestBMList() override { Clear(); }
    int Invalidates = 0;

protected:
    TDataSet* GetDataSet() const override { return FDataSet; }
    void Invalidate() override { ++Invalidates; }

private:
    TDataSet* FDataSet;
};

Variant Array(std::vector<Variant> items)
{
    return Variant(std::move(items));
}

} // namespace

TEST(VarEqualsMv, ArraysUnassignedAndNull)
{
    EXPECT_TRUE(VarEqualsMv(Array({1, 2}), Array({1, 2})));
    EXPECT_FALSE(VarEqualsMv(Array({1, 2}), Array({1, 3})));
    EXPECT_FALSE(VarEqualsMv(Array({1, 2}), Array({1, 2, 3})));
    EXPECT_FALSE(VarEqualsMv(Array({1, 2}), Variant(1)));
    EXPECT_FALSE(VarEqualsMv(Variant(), Variant::Null()));
    EXPECT_TRUE(VarEqualsMv(Variant(), Variant()));
    EXPECT_TRUE(VarEqualsMv(Variant::Null(), Variant::Null()));
    EXPECT_TRUE(VarEqualsMv(Variant(2), Variant(u"2"_qs)));
}

TEST_F(ToolCtrlsDataTest, FieldValueListLeavesTheUsersRecordAlone)
{
    FillItems(5); // PropAlias Red, Blue, Red, Blue, Red
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\" order by \"SkuID\""_qs);
    TDatasetFieldValueListMv list;
    list.SetFieldName(u"PropAlias"_qs);
    EXPECT_TRUE(list.GetValues().IsEmpty());
    list.SetDataSet(&ds);
    ds.SetRecNo(3);
    ds.Edit();
    ds.FieldByName(u"PropAlias"_qs)->SetAsString(u"Green"_qs);
    EXPECT_EQ(list.GetValues().Items(), (QStringList{u"Blue"_qs, u"Green"_qs, u"Red"_qs}));
    EXPECT_FALSE(list.Dirty());
    // Still editing the same record.
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(ds.RecNo(), 3);
    ds.Cancel();
    EXPECT_TRUE(list.Dirty());
    EXPECT_EQ(list.GetValues().Items(), (QStringList{u"Blue"_qs, u"Red"_qs}));
    list.SetFieldName(u"Nope"_qs);
    EXPECT_TRUE(list.GetValues().IsEmpty());
    EXPECT_TRUE(list.Dirty());
}

TEST_F(ToolCtrlsDataTest, BookmarkListFindsAndSelects)
{
    FillItems(6);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\" order by \"SkuID\""_qs);
    TTestBMList list(&ds);
    EXPECT_THROW(list.CurrentRow(), Exception);
    list.SetLinkActive(true);
    for (const int rec : {5, 2, 4, 2}) {
        ds.SetRecNo(rec);
        list.SetCurrentRowSelected(true);
    }
    ASSERT_EQ(list.Count(), 3);
    ds.SetRecNo(2);
    EXPECT_EQ(list.Items(0), ds.Bookmark());
    ds.SetRecNo(3);
    const TBookmark third = ds.Bookmark();
    EXPECT_FALSE(list.CurrentRowSelected());
    list.SetCurrentRowSelected(false);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.IndexOf(third), -1);
    int index = -1;
    EXPECT_FALSE(list.Find(third, index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(list.Find(third, index)); // from the cache
    EXPECT_EQ(index, 1);
    ds.SetRecNo(4);
    EXPECT_TRUE(list.Find(ds.Bookmark(), index));
    EXPECT_EQ(index, 1);

    list.Delete();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.ChangeCount(), 3);
    EXPECT_FALSE(ds.ControlsDisabled());
}

TEST_F(ToolCtrlsDataTest, BookmarkListStaysCorrectWhenALiveIndexReorders)
{
    FillItems(8);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\""_qs);
    ds.SetIndexFieldNames(u"Qty"_qs);
    TTestBMList list(&ds);
    list.SetLinkActive(true);
    std::vector<TBookmark> selected;
    for (const int rec : {2, 3, 6, 7}) {
        ds.SetRecNo(rec);
        list.SetCurrentRowSelected(true);
        selected.push_back(ds.Bookmark());
    }
    int index = -1;
    ASSERT_TRUE(list.Find(selected[3], index));

    // Qty 2 becomes the largest and 7 the smallest: the order turns round.
    ds.SetRecNo(2);
    ds.Edit();
    ds.FieldByName(u"Qty"_qs)->SetAsInteger(100);
    ds.Post();
    ds.Locate(u"SkuID"_qs, Variant(7));
    ds.Edit();
    ds.FieldByName(u"Qty"_qs)->SetAsInteger(-1);
    ds.Post();
    for (const TBookmark& bookmark : selected) {
        EXPECT_TRUE(list.Find(bookmark, index));
        ds.GotoBookmark(bookmark);
        EXPECT_TRUE(list.CurrentRowSelected());
    }
    for (int i = 1; i < list.Count(); ++i)
        EXPECT_LT(ds.CompareBookmarks(list.Items(i - 1), list.Items(i)), 0);
    ds.SetRecNo(2); // SkuID 1
    EXPECT_FALSE(list.CurrentRowSelected());
    list.SetCurrentRowSelected(true);
    EXPECT_EQ(list.Count(), 5);
    list.SetLinkActive(false);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_GT(list.Invalidates, 0);
}

TEST_F(ToolCtrlsDataTest, FieldListsAndFieldValues)
{
    FillItems(2);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\" order by \"SkuID\""_qs);
    std::vector<TField*> list{nullptr};
    DataSetGetFieldList(&list, ds, nullptr, u"SkuID; Qty"_qs);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[2]->FieldName(), u"Qty"_qs);
    QObject grid;
    grid.setObjectName(u"DBGridItems"_qs);
    try {
        DataSetGetFieldList(&list, ds, &grid, u"SkuID;Nope"_qs);
        FAIL() << "no error for a missing field";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"DBGridItems: Field 'Nope' not found"_qs);
    }
    EXPECT_EQ(list.size(), 3u);
    EXPECT_EQ(DataSetGetFieldArray(ds, nullptr, u"PropAlias"_qs).size(), 1u);

    ds.Edit();
    DataSetSetFieldValues(ds, u"Qty;PropAlias"_qs, Array({Variant(9), Variant(u"Pink"_qs)}));
    EXPECT_EQ(ds.GetFieldValue(u"Qty;PropAlias"_qs), Array({Variant(9), Variant(u"Pink"_qs)}));
    DataSetSetFieldValues(ds, u"Qty;PropAlias"_qs, Variant::Null());
    EXPECT_TRUE(ds.FieldByName(u"Qty"_qs)->IsNull());
    EXPECT_TRUE(ds.FieldByName(u"PropAlias"_qs)->IsNull());
}
