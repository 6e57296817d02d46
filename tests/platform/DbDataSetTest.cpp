#include "DbTestData.h"

#include "platform/Exceptions.h"
#include "platform/db/DataSource.h"

#include <QStringList>

namespace {

using DataSetTest = DbTest;

// A link that records what it hears.
class TRecordingLink : public TDataLink {
public:
    QStringList Log;
    int Changed = 0;
    std::vector<int> Scrolls;

protected:
    void ActiveChanged() override { Log << (Active() ? u"active"_qs : u"inactive"_qs); }
    void DataSetChanged() override { ++Changed; }
    void DataSetScrolled(int distance) override { Scrolls.push_back(distance); }
    void EditingChanged() override { Log << (Editing() ? u"editing"_qs : u"browsing"_qs); }
    void DataEvent(TDataEvent event, std::intptr_t info) override
    {
        if (event == deDisabledStateChange)
            Log << (info ? u"disabled"_qs : u"enabled"_qs);
        TDataLink::DataEvent(event, info);
    }
};

QStringList Values(TDataSet& ds, const QString& field)
{
    QStringList out;
    ds.ForEachRecord([&] { out << ds.FieldByName(field)->AsString(); });
    return out;
}

} // namespace

TEST_F(DataSetTest, StateMachineWithAutoPostAndEvents)
{
    FillItems(3);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\" order by \"SkuID\""_qs);
    QStringList events;
    std::vector<TScopedConnection> listeners;
    for (auto [event, name] : {std::pair{&ds.BeforeInsert, "BeforeInsert"}, {&ds.AfterInsert, "AfterInsert"},
                               {&ds.BeforePost, "BeforePost"}, {&ds.AfterPost, "AfterPost"},
                               {&ds.BeforeScroll, "BeforeScroll"}, {&ds.AfterScroll, "AfterScroll"},
                               {&ds.AfterCancel, "AfterCancel"}, {&ds.AfterEdit, "AfterEdit"}})
        listeners.emplace_back(event->Connect([&events, name = QString::fromLatin1(name)](TDataSet&) { events << name; }));

    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_TRUE(ds.Bof());
    ds.Edit();
    EXPECT_EQ(ds.State(), dsEdit);
    ds.FieldByName(u"Qty"_qs)->SetAsInteger(50);
    ds.Next(); // posts the modified record
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(ds.ChangeCount(), 1);
    EXPECT_EQ(events, (QStringList{u"AfterEdit"_qs, u"BeforePost"_qs, u"AfterPost"_qs, u"BeforeScroll"_qs, u"AfterScroll"_qs}));

    // An insert that nobody touched is dropped by a move.
    events.clear();
    ds.Insert();
    EXPECT_EQ(ds.State(), dsInsert);
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_TRUE(ds.FieldByName(u"SkuID"_qs)->IsNull());
    ds.Next();
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(events.mid(0, 4), (QStringList{u"BeforeInsert"_qs, u"BeforeScroll"_qs, u"AfterInsert"_qs, u"AfterScroll"_qs}));
    EXPECT_TRUE(events.contains(u"AfterCancel"_qs));

    // Insert stands before the current record; the posted one stays current.
    ds.First();
    ds.Next();
    ds.Insert();
    ds.FieldByName(u"SkuID"_qs)->SetAsLargeInt(99);
    ds.FieldByName(u"ShopCode"_qs)->SetAsString(u"S1"_qs);
    ds.FieldByName(u"SyncDate"_qs)->SetAsString(u"x"_qs);
    ds.Post();
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(ds.FieldByName(u"SkuID"_qs)->AsInteger(), 99);
    EXPECT_EQ(Values(ds, u"SkuID"_qs), (QStringList{u"1"_qs, u"99"_qs, u"2"_qs, u"3"_qs}));

    // Cancel restores; Delete in insert state only cancels.
    ds.Edit();
    ds.FieldByName(u"Qty"_qs)->SetAsInteger(7);
    ds.Cancel();
    EXPECT_TRUE(ds.FieldByName(u"Qty"_qs)->IsNull());
    ds.Append();
    EXPECT_EQ(ds.RecNo(), 5);
    ds.Delete();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 4);
    EXPECT_EQ(ds.RecNo(), 4);

    ds.Last();
    EXPECT_TRUE(ds.Eof());
    ds.Delete();
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.FieldByName(u"SkuID"_qs)->AsInteger(), 2);
    EXPECT_THROW(ds.Post(), EDatabaseError);

    // A NOT NULL column must be filled before the record posts.
    ds.Append();
    ds.FieldByName(u"SkuID"_qs)->SetAsInteger(5);
    try {
        ds.Post();
        FAIL() << "posted without a shop code";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"[ShopCode]不能为空，请填写！"_qs);
    }
    EXPECT_EQ(ds.State(), dsInsert);
    ds.Cancel();

    // A listener that is gone is not called.
    listeners.clear();
    events.clear();
    ds.First();
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(DataSetTest, QueryIsReadOnlyAndEmptyQueryIsAtBothEnds)
{
    FillItems(2);
    TSQLQuery q(Conn.get());
    q.SQL = u"select * from \"KivItem\""_qs;
    q.Open();
    EXPECT_FALSE(q.CanModify());
    EXPECT_THROW(q.Edit(), EDatabaseError);
    EXPECT_THROW(q.Append(), EDatabaseError);
    q.SQL = u"select * from \"KivItem\" where 1 = 0"_qs;
    q.Close();
    q.Open();
    EXPECT_TRUE(q.IsEmpty());
    EXPECT_TRUE(q.Eof());
    EXPECT_TRUE(q.Bof());
    EXPECT_EQ(q.RecNo(), 0);
    EXPECT_TRUE(q.FieldByName(u"Qty"_qs)->IsNull());
    EXPECT_THROW(q.FieldByName(u"Nope"_qs), EDatabaseError);
    EXPECT_EQ(q.FindField(u"nope"_qs), nullptr);
    EXPECT_NE(q.FindField(u"qty"_qs), nullptr);
}

TEST_F(DataSetTest, LinkWindowFollowsNextLastAndMoveBy)
{
    FillItems(20);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\" order by \"SkuID\""_qs);
    TDataSource source;
    TRecordingLink link;
    link.SetBufferCount(5);
    link.SetDataSource(&source);
    source.SetDataSet(&ds);
    ASSERT_TRUE(link.Active());
    EXPECT_EQ(ds.BufferCount(), 5);
    EXPECT_EQ(link.RecordCount(), 5);

    for (int i = 1; i <= 4; ++i) {
        ds.Next();
        EXPECT_EQ(link.ActiveRecord(), i);
    }
    ds.Next();
    EXPECT_EQ(link.Scrolls, (std::vector<int>{0, 0, 0, 0, 1}));
    EXPECT_EQ(link.ActiveRecord(), 4);
    EXPECT_EQ(ds.RecNo(), 6);

    ds.Last();
    EXPECT_EQ(ds.RecNo(), 20);
    EXPECT_EQ(link.ActiveRecord(), 4);
    EXPECT_EQ(link.RecordCount(), 5);
    // Drawing a row of the window: the fields read that row meanwhile.
    link.SetActiveRecord(0);
    EXPECT_EQ(ds.FieldByName(u"SkuID"_qs)->AsInteger(), 16);
    link.SetActiveRecord(4);
    EXPECT_EQ(ds.FieldByName(u"SkuID"_qs)->AsInteger(), 20);

    link.Scrolls.clear();
    EXPECT_EQ(ds.MoveBy(-10), -10);
    EXPECT_EQ(ds.RecNo(), 10);
    EXPECT_EQ(link.ActiveRecord(), 0);
    EXPECT_EQ(link.Scrolls, (std::vector<int>{-6}));
    EXPECT_EQ(ds.MoveBy(2), 2);
    EXPECT_EQ(link.ActiveRecord(), 2);
    EXPECT_EQ(ds.MoveBy(100), 8);
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.MoveBy(1), 0);

    // A second, smaller link keeps its own part of the window.
    TRecordingLink small;
    small.SetBufferCount(3);
    small.SetDataSource(&source);
    EXPECT_EQ(ds.BufferCount(), 5);
    EXPECT_EQ(small.RecordCount(), 3);
    EXPECT_EQ(small.ActiveRecord(), 2);
    ds.First();
    EXPECT_EQ(small.ActiveRecord(), 0);
    EXPECT_EQ(link.ActiveRecord(), 0);

    // The dataset goes first: the links are told and keep no dangling view.
    Data.reset();
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(link.DataSet(), nullptr);
    EXPECT_EQ(link.Log.last(), u"inactive"_qs);
}

TEST_F(DataSetTest, EditingStateReachesLinksAndDisableControlsNests)
{
    FillItems(3);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\""_qs);
    TDataSource source;
    source.SetDataSet(&ds);
    TRecordingLink link;
    link.SetDataSource(&source);
    EXPECT_TRUE(link.Edit());
    EXPECT_EQ(ds.State(), dsEdit);
    ds.Cancel();
    link.SetReadOnly(true);
    EXPECT_FALSE(link.Edit());
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(link.Log, (QStringList{u"active"_qs, u"editing"_qs, u"browsing"_qs}));

    link.Changed = 0;
    link.Scrolls.clear();
    link.Log.clear();
    {
        TDisableControlsGuard outer(ds);
        {
            TDisableControlsGuard inner(ds);
            ds.Next();
            ds.Last();
            EXPECT_TRUE(ds.ControlsDisabled());
        }
        ds.First();
        EXPECT_TRUE(ds.ControlsDisabled());
        EXPECT_EQ(link.Changed, 0);
        EXPECT_TRUE(link.Scrolls.empty());
    }
    EXPECT_FALSE(ds.ControlsDisabled());
    EXPECT_EQ(link.Changed, 1);
    EXPECT_EQ(link.Log, (QStringList{u"disabled"_qs, u"enabled"_qs}));
}

TEST_F(DataSetTest, LocateOnTwoFieldsWithEachOption)
{
    FillItems(12);
    Exec(u"update \"KivItem\" set \"PropAlias\" = NULL where \"SkuID\" = 12"_qs);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\" order by \"SkuID\""_qs);
    const auto key = [](qint64 num, const Variant& alias) { return Variant(std::vector<Variant>{Variant(num), alias}); };

    EXPECT_TRUE(ds.Locate(u"NumIID;PropAlias"_qs, key(102, u"Blue"_qs)));
    EXPECT_EQ(ds.FieldByName(u"SkuID"_qs)->AsInteger(), 2);
    EXPECT_FALSE(ds.Locate(u"NumIID;PropAlias"_qs, key(102, u"blue"_qs)));
    EXPECT_EQ(ds.RecNo(), 2); // a failed locate does not move
    EXPECT_TRUE(ds.Locate(u"NumIID;PropAlias"_qs, key(101, u"blue"_qs), loCaseInsensitive));
    EXPECT_EQ(ds.FieldByName(u"SkuID"_qs)->AsInteger(), 4);
    EXPECT_FALSE(ds.Locate(u"NumIID;PropAlias"_qs, key(101, u"Bl"_qs)));
    EXPECT_TRUE(ds.Locate(u"NumIID;PropAlias"_qs, key(100, u"Bl"_qs), loPartialKey));
    EXPECT_EQ(ds.FieldByName(u"SkuID"_qs)->AsInteger(), 6);
    EXPECT_TRUE(ds.Locate(u"NumIID;PropAlias"_qs, key(101, u"r"_qs), loPartialKey | loCaseInsensitive));
    EXPECT_EQ(ds.FieldByName(u"SkuID"_qs)->AsInteger(), 1);
    // Numbers given as text, a null key, and a key of the wrong kind.
    EXPECT_TRUE(ds.Locate(u"SkuID"_qs, Variant(u"9"_qs)));
    EXPECT_EQ(ds.RecNo(), 9);
    EXPECT_TRUE(ds.Locate(u"NumIID;PropAlias"_qs, key(100, Variant::Null())));
    EXPECT_EQ(ds.FieldByName(u"SkuID"_qs)->AsInteger(), 12);
    EXPECT_FALSE(ds.Locate(u"SkuID"_qs, Variant(u"'9'"_qs)));
    EXPECT_THROW(ds.Locate(u"SkuID;Nope"_qs, key(1, 1)), EDatabaseError);

    const int before = ds.RecNo();
    EXPECT_EQ(ds.Lookup(u"SkuID"_qs, Variant(3), u"PropAlias;Qty"_qs), Variant(std::vector<Variant>{Variant(u"Red"_qs), Variant(3)}));
    EXPECT_TRUE(ds.Lookup(u"SkuID"_qs, Variant(300), u"Qty"_qs).IsNull());
    EXPECT_EQ(ds.RecNo(), before);
}

TEST_F(DataSetTest, LiveIndexResortsAfterPostAndBookmarksStayValid)
{
    FillItems(6);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\" order by \"SkuID\""_qs);
    ds.AddIndex(u"SortIndexMv"_qs, u"Qty"_qs);
    ds.IndexDefs().Update();
    ds.SetIndexName(u"SortIndexMv"_qs);
    EXPECT_EQ(Values(ds, u"Qty"_qs), (QStringList{u"1"_qs, u"2"_qs, u"3"_qs, u"4"_qs, u"5"_qs, u"6"_qs}));

    std::vector<TBookmark> marks;
    for (ds.First(); !ds.Eof(); ds.Next())
        marks.push_back(ds.Bookmark());
    const quint64 order = ds.OrderChangeCount();
    EXPECT_LT(ds.CompareBookmarks(marks[1], marks[4]), 0);

    ds.SetRecNo(2);
    ds.Edit();
    ds.FieldByName(u"Qty"_qs)->SetAsInteger(10);
    ds.Post();
    // The record follows its row to the end.
    EXPECT_EQ(ds.FieldByName(u"SkuID"_qs)->AsInteger(), 2);
    EXPECT_EQ(ds.RecNo(), 6);
    EXPECT_EQ(Values(ds, u"Qty"_qs), (QStringList{u"1"_qs, u"3"_qs, u"4"_qs, u"5"_qs, u"6"_qs, u"10"_qs}));
    EXPECT_GT(ds.OrderChangeCount(), order);
    EXPECT_GT(ds.CompareBookmarks(marks[1], marks[4]), 0);
    for (size_t i = 0; i < marks.size(); ++i) {
        ASSERT_TRUE(ds.BookmarkValid(marks[i]));
        ds.GotoBookmark(marks[i]);
        EXPECT_EQ(ds.FieldByName(u"SkuID"_qs)->AsInteger(), int(i) + 1);
    }

    // An appended row takes its place at post; ties keep the order rows came in.
    ds.Append();
    ds.FieldByName(u"SkuID"_qs)->SetAsInteger(50);
    ds.FieldByName(u"Qty"_qs)->SetAsInteger(4);
    ds.FieldByName(u"ShopCode"_qs)->SetAsString(u"S"_qs);
    ds.FieldByName(u"SyncDate"_qs)->SetAsString(u"d"_qs);
    ds.Post();
    EXPECT_EQ(ds.RecNo(), 4);
    EXPECT_EQ(Values(ds, u"SkuID"_qs), (QStringList{u"1"_qs, u"3"_qs, u"4"_qs, u"50"_qs, u"5"_qs, u"6"_qs, u"2"_qs}));

    ds.AddIndex(u"Down"_qs, u"Qty"_qs, ixDescending);
    ds.SetIndexName(u"Down"_qs);
    EXPECT_EQ(ds.FieldByName(u"SkuID"_qs)->AsInteger(), 50); // the current record stays current
    EXPECT_EQ(Values(ds, u"Qty"_qs).first(), u"10"_qs);
    ds.SetIndexFieldNames(QString());
    EXPECT_EQ(Values(ds, u"SkuID"_qs), (QStringList{u"1"_qs, u"2"_qs, u"3"_qs, u"4"_qs, u"5"_qs, u"6"_qs, u"50"_qs}));
    EXPECT_THROW(ds.SetIndexName(u"Missing"_qs), EDatabaseError);

    // Bookmarks belong to one opening.
    ds.Close();
    ds.Open();
    EXPECT_FALSE(ds.BookmarkValid(marks[0]));
    EXPECT_THROW(ds.GotoBookmark(marks[0]), EDatabaseError);
}

TEST_F(DataSetTest, FilterOnAndOff)
{
    FillItems(10);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\" order by \"SkuID\""_qs);
    ds.SetRecNo(2);
    const TBookmark second = ds.Bookmark();
    ds.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.FieldByName(u"Qty"_qs)->AsInteger() > 6; });
    ds.SetRecNo(5);
    ds.SetFiltered(true);
    EXPECT_EQ(ds.RecordCount(), 4);
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(ds.FieldByName(u"Qty"_qs)->AsInteger(), 7);
    EXPECT_FALSE(ds.BookmarkValid(second));
    EXPECT_FALSE(ds.Locate(u"Qty"_qs, Variant(2)));
    // A new handler applies at once.
    ds.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.FieldByName(u"PropAlias"_qs)->AsString() == u"Red"_qs; });
    EXPECT_EQ(ds.RecordCount(), 5);
    EXPECT_THROW(ds.SetFilter(u"Qty > 1"_qs), EDatabaseError);
    ds.SetFiltered(false);
    EXPECT_EQ(ds.RecordCount(), 10);
    EXPECT_TRUE(ds.BookmarkValid(second));
    EXPECT_EQ(ds.State(), dsBrowse);
}

TEST_F(DataSetTest, ChangeLogCountsRecordsAndCancelUpdatesRestores)
{
    FillItems(4);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\" order by \"SkuID\""_qs);
    ds.Edit();
    ds.FieldByName(u"Qty"_qs)->SetAsInteger(1); // the same value: no change
    ds.Post();
    EXPECT_EQ(ds.ChangeCount(), 0);
    ds.Edit();
    ds.FieldByName(u"Qty"_qs)->SetAsInteger(40);
    ds.Post();
    EXPECT_EQ(ds.UpdateStatus(), usModified);
    EXPECT_EQ(ds.FieldByName(u"Qty"_qs)->OldValue(), Variant(1));
    ds.Next();
    ds.Delete();
    for (const int sku : {9, 10}) {
        ds.Append();
        ds.FieldByName(u"SkuID"_qs)->SetAsInteger(sku);
        ds.FieldByName(u"ShopCode"_qs)->SetAsString(u"S"_qs);
        ds.FieldByName(u"SyncDate"_qs)->SetAsString(u"d"_qs);
        ds.Post();
    }
    ds.Delete(); // inserted and deleted again: nothing to write
    EXPECT_EQ(ds.ChangeCount(), 3);
    ds.CancelUpdates();
    EXPECT_EQ(ds.ChangeCount(), 0);
    EXPECT_EQ(Values(ds, u"Qty"_qs), (QStringList{u"1"_qs, u"2"_qs, u"3"_qs, u"4"_qs}));
}

TEST_F(DataSetTest, InMemoryTableAndOptionalParameters)
{
    TClientDataSet ds;
    ds.FieldDefs().Add(u"Name"_qs, ftString, 10);
    ds.FieldDefs().Add(u"Qty"_qs, ftInteger);
    ds.SetOptionalParam(u"SYS_LocateFieldName"_qs, Variant(u"QtyOrder"_qs));
    ds.CreateDataSet();
    EXPECT_TRUE(ds.IsEmpty());
    ds.Append();
    ds.FieldByName(u"Name"_qs)->SetAsString(u"长长长长长长长长长长长"_qs);
    ds.Post();
    EXPECT_EQ(ds.FieldByName(u"Name"_qs)->AsString().size(), 10);
    EXPECT_EQ(ds.GetOptionalParam(u"sys_locatefieldname"_qs), Variant(u"QtyOrder"_qs));
    EXPECT_TRUE(ds.GetOptionalParam(u"SkuID"_qs).IsUnassigned());
    EXPECT_THROW(ds.ApplyUpdates(0), EDatabaseError);
    ds.EmptyDataSet();
    EXPECT_EQ(ds.RecordCount(), 0);
}
