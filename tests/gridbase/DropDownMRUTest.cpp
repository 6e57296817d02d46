// Recent values: the list that remembers them, the list box that shows
// them with its own scroll bar, and the cells of a special first row.

#include "DropDownTestSupport.h"

#include <QScrollBar>

namespace {

QStringList ItemsOf(const TMRUListMv& list)
{
    return list.Items().Items();
}

} // namespace

TEST(DropDownMRUTest, AddMovesAKnownTextToTheEndKeepingItsCaseAndTheLimitDropsTheOldest)
{
    TMRUListMv list;
    list.Add(QStringLiteral("Apple"));
    list.Add(QStringLiteral("宝贝"));
    list.Add(QStringLiteral("   "));
    EXPECT_EQ(ItemsOf(list), (QStringList{QStringLiteral("Apple"), QStringLiteral("宝贝")}));

    list.Add(QStringLiteral("apple"));
    EXPECT_EQ(ItemsOf(list), (QStringList{QStringLiteral("宝贝"), QStringLiteral("Apple")}));

    list.SetCaseSensitive(true);
    list.Add(QStringLiteral("apple"));
    EXPECT_EQ(ItemsOf(list), (QStringList{QStringLiteral("宝贝"), QStringLiteral("Apple"), QStringLiteral("apple")}));

    // Blanks around a text belong to it.
    list.Add(QStringLiteral(" apple"));
    EXPECT_EQ(list.Items().Count(), 4);

    // The limit drops the oldest items.
    list.SetLimit(3);
    EXPECT_EQ(ItemsOf(list), (QStringList{QStringLiteral("Apple"), QStringLiteral("apple"), QStringLiteral(" apple")}));
    list.SetLimit(1);
    EXPECT_EQ(ItemsOf(list), QStringList{QStringLiteral(" apple")});
}

TEST(DropDownMRUTest, FilteringKeepsTheItemsThatBeginWithTheText)
{
    TMRUListMv list;
    for (const char* text : {"Shanghai", "beijing", "shenzhen", "Hangzhou"})
        list.Add(QString::fromLatin1(text));
    TStringList found;
    found.Add(QStringLiteral("old"));
    EXPECT_TRUE(list.FilterItemsTo(found, QStringLiteral("SH")));
    EXPECT_EQ(found.Items(), (QStringList{QStringLiteral("Shanghai"), QStringLiteral("shenzhen")}));

    list.SetCaseSensitive(true);
    list.FilterItemsTo(found, QStringLiteral("sh"));
    EXPECT_EQ(found.Items(), QStringList{QStringLiteral("shenzhen")});

    // The handler has the last word on each item.
    list.SetCaseSensitive(false);
    list.OnFilterItem = [](TMRUListMv*, const QString& item, bool& accept) {
        accept = accept && !item.endsWith(QStringLiteral("zhen"));
    };
    list.FilterItemsTo(found, QString());
    EXPECT_EQ(found.Items(),
              (QStringList{QStringLiteral("Shanghai"), QStringLiteral("beijing"), QStringLiteral("Hangzhou")}));

    // A waiting key stops the walk.
    TMRUListMv::KeyDownWaiting = [] { return true; };
    EXPECT_FALSE(list.FilterItemsTo(found, QString()));
    EXPECT_EQ(found.Count(), 0);
    list.SetCancelOnKey(false);
    EXPECT_TRUE(list.FilterItemsTo(found, QString()));
    TMRUListMv::KeyDownWaiting = nullptr;
}

TEST(DropDownMRUTest, AssignAndTheOwnersNotices)
{
    TMRUListMv source;
    source.SetActive(true);
    source.SetAutoAdd(false);
    source.SetLimit(5);
    source.SetRows(3);
    source.Add(QStringLiteral("x"));
    TMRUListMv copy;
    int changes = 0;
    copy.OnActiveChanged = [&](TMRUListMv*) { ++changes; };
    copy.Assign(source);
    EXPECT_TRUE(copy.Active());
    EXPECT_TRUE(copy.AutoAdd()) << "AutoAdd is not copied";
    EXPECT_EQ(copy.Limit(), 5);
    EXPECT_EQ(copy.Rows(), 3);
    EXPECT_EQ(ItemsOf(copy), QStringList{QStringLiteral("x")});
    EXPECT_EQ(changes, 1);
}

TEST(DropDownMRUTest, TheRecentValuesBoxShowsItsBarOnlyWhenItemsOverflow)
{
    TTestOwner owner;
    TMRUListboxMv box(&owner);
    EXPECT_FALSE(box.Ctl3D());
    box.SetItemHeight(16);
    TMRUListMv list;
    for (const char* text : {"delta", "alpha", "charlie"})
        list.Add(QString::fromLatin1(text));
    list.FilterItemsTo(box.Items(), QString());
    box.ItemsChanged();
    EXPECT_EQ(box.Items().Items(),
              (QStringList{QStringLiteral("alpha"), QStringLiteral("charlie"), QStringLiteral("delta")}));
    box.SetRowCount(3);
    box.resize(140, box.height());
    box.SizeGrip()->SetVisible(true);
    ShowDropDownWindow(&box, QPoint(20, 20));
    EXPECT_TRUE(box.ScrollBar()->isHidden());
    EXPECT_TRUE(box.SizeGrip()->TriangleWindow());

    box.SetRowCount(2);
    EXPECT_FALSE(box.ScrollBar()->isHidden());
    EXPECT_FALSE(box.SizeGrip()->TriangleWindow()) << "beside the bar the grip is square";
    EXPECT_EQ(box.ScrollBar()->maximum(), 1);

    box.ScrollBar()->setValue(1);
    EXPECT_EQ(box.TopIndex(), 1);
    WheelOn(box.ClientWidget(), QPoint(5, 5), 120);
    EXPECT_EQ(box.TopIndex(), 0);
    EXPECT_EQ(box.ScrollBar()->value(), 0);

    // Above the owner the grip moves to the top, and the bar below it.
    box.Perform(MV_DROPDOWNPLACED, 2, 0);
    EXPECT_EQ(box.SizeGrip()->Position(), 1);
    EXPECT_EQ(box.ScrollBar()->geometry().top(), box.SizeGrip()->height());
    // On the left the grip is a triangle again.
    box.Perform(MV_DROPDOWNPLACED, 0, 0);
    EXPECT_EQ(box.SizeGrip()->Position(), 0);
    EXPECT_TRUE(box.SizeGrip()->TriangleWindow());
    EXPECT_EQ(box.ScrollBar()->geometry().top(), 0);
}

TEST(DropDownMRUTest, ASpecialRowSplitsItsCellsAtSemicolonsAndFollowsItsOwnerUntilSet)
{
    EXPECT_EQ(SplitSpecRowCells(QStringLiteral("全部;\"a;b\";\"say \"\"hi\"\"\"; x ")),
              (QStringList{QStringLiteral("全部"), QStringLiteral("a;b"), QStringLiteral("say \"hi\""),
                           QStringLiteral(" x ")}));
    EXPECT_EQ(SplitSpecRowCells(QStringLiteral("\t\na;;b;")),
              (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    EXPECT_TRUE(SplitSpecRowCells(QString()).isEmpty());
    // A NUL ends the text instead of stopping the split for ever.
    QString withNul = QStringLiteral("a;b");
    withNul.insert(1, QChar(0));
    EXPECT_EQ(SplitSpecRowCells(withNul), QStringList{QStringLiteral("a")});

    // The row follows its owner until set, and reports its changes.
    TColor ownerColor = clYellow;
    TFont ownerFont(QApplication::font(), clBlue);
    TSpecRowMv row([&] { return ownerColor; }, [&] { return ownerFont; });
    int changes = 0;
    row.OnChange = [&](TSpecRowMv*) { ++changes; };
    EXPECT_EQ(row.Color(), clYellow);
    ownerColor = clAqua;
    EXPECT_EQ(row.Color(), clAqua);
    ownerFont.Color = clGreen;
    EXPECT_EQ(row.Font().Color, clGreen);
    EXPECT_EQ(changes, 0) << "following the owner is no change";

    row.SetCellsText(QStringLiteral("(无);0"));
    EXPECT_EQ(row.GetCellText(0), QStringLiteral("(无)"));
    EXPECT_EQ(row.GetCellText(2), QString());
    row.SetColor(clRed);
    ownerColor = clWhite;
    EXPECT_EQ(row.Color(), clRed);
    EXPECT_EQ(changes, 2);

    TSpecRowMv copy;
    int copyChanges = 0;
    copy.OnChange = [&](TSpecRowMv*) { ++copyChanges; };
    copy.Assign(row);
    EXPECT_EQ(copyChanges, 1) << "one notice for the whole copy";
    EXPECT_EQ(copy.GetCellText(1), QStringLiteral("0"));
    EXPECT_EQ(copy.Color(), clRed);
    EXPECT_FALSE(copy.FontAssigned());
}
