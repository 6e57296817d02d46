// Multi-level titles: the caption words, the node tree and its misuse, the
// groups the grid builds from captions, their widths and heights, and their
// painting across the spanned cells.

#include "DBGridTestSupport.h"

namespace {

const QString Bar = QStringLiteral("|");

// Columns with the given captions, each 60 pixels wide.
void AddCaptions(TCustomDBGridMv& grid, std::initializer_list<const char16_t*> captions)
{
    grid.BeginLayout();
    for (const char16_t* caption : captions) {
        TColumnMv* column = grid.Columns().Add();
        column->SetWidth(60);
        column->Title().SetCaption(QString::fromUtf16(caption));
    }
    grid.EndLayout();
}

THeadTreeNode* Leaf(TCustomDBGridMv& grid, int column)
{
    return grid.LeafOfColumn(grid.Columns()[column]);
}

} // namespace

TEST(DBGridTitleWords, FindsWordsBetweenDelimiters)
{
    EXPECT_EQ(WordPosition(1, QStringLiteral("A|B|C"), Bar), 1);
    EXPECT_EQ(WordPosition(2, QStringLiteral("A|B|C"), Bar), 3);
    EXPECT_EQ(WordPosition(2, QStringLiteral("A|"), Bar), 0);
    EXPECT_EQ(WordPosition(2, QStringLiteral("||AB||CD"), Bar), 7);
    EXPECT_EQ(ExtractWord(3, QStringLiteral("A|BB|CCC"), Bar), QStringLiteral("CCC"));
    EXPECT_EQ(ExtractWord(4, QStringLiteral("A|BB|CCC"), Bar), QString());
    int pos = 0;
    EXPECT_EQ(ExtractWordPos(2, QStringLiteral("商品|名称"), Bar, pos), QStringLiteral("名称"));
    EXPECT_EQ(pos, 4);
}

TEST(DBGridTitleTree, NodesFormRingsAndRefuseForeignNodes)
{
    THeadTreeNode root(QStringLiteral("Root"), 0, 10);
    THeadTreeNode* a = root.AddChild(&root, QStringLiteral("a"), 10, 40);
    THeadTreeNode* c = root.Add(a, QStringLiteral("c"), 30, 40);
    THeadTreeNode* b = root.Add(a, QStringLiteral("b"), 20, 40);
    EXPECT_EQ(root.Child, a);
    EXPECT_EQ(a->Next, b);
    EXPECT_EQ(b->Next, c);
    EXPECT_EQ(c->Next, a) << "the last sibling points back to the first";
    EXPECT_EQ(a->GetLevel(), 1);

    THeadTreeNode stranger(QStringLiteral("x"), 0, 0);
    EXPECT_THROW(root.Add(&stranger, QStringLiteral("y"), 0, 0), Exception);
    EXPECT_THROW(root.AddChild(&stranger, QStringLiteral("y"), 0, 0), Exception);
    EXPECT_THROW(root.Union(&stranger, &stranger, 20, QStringLiteral("G")), Exception);
    try {
        root.Union(b, a, 20, QStringLiteral("G"));
        ADD_FAILURE() << "a run that goes backwards";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("ATo not in level"));
    }

    EXPECT_TRUE(root.Find(b));
    root.FreeAllChild();
    EXPECT_EQ(root.Child, nullptr);
    EXPECT_FALSE(root.Find(b));
}

TEST_F(DBGridTest, SharedLeadingPartsNestIntoGroups)
{
    Grid->SetUseMultiTitle(true);
    AddCaptions(*Grid, {u"A|B|X", u"A|B|Y", u"A|C", u"D"});
    THeadTreeNode* x = Leaf(*Grid, 0);
    THeadTreeNode* c = Leaf(*Grid, 2);
    EXPECT_EQ(x->Text, QStringLiteral("X"));
    EXPECT_EQ(Leaf(*Grid, 1)->Text, QStringLiteral("Y"));
    EXPECT_EQ(c->Text, QStringLiteral("C"));
    THeadTreeNode* b = x->Host;
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Text, QStringLiteral("B"));
    EXPECT_EQ(Leaf(*Grid, 1)->Host, b);
    THeadTreeNode* a = b->Host;
    EXPECT_EQ(a->Text, QStringLiteral("A"));
    EXPECT_EQ(c->Host, a);
    EXPECT_EQ(a->Host, &Grid->HeadTree());
    EXPECT_EQ(Leaf(*Grid, 3)->Host, &Grid->HeadTree());
    // Widths: the members and a line between each two.
    EXPECT_EQ(b->Width, 60 + 1 + 60);
    EXPECT_EQ(a->Width, b->Width + 1 + 60);
    // Heights: every path from the top adds up to the same level height.
    EXPECT_EQ(a->Height + b->Height + x->Height, a->Height + c->Height);
    EXPECT_EQ(a->Height + b->Height + x->Height, Leaf(*Grid, 3)->Height);
    EXPECT_GE(Grid->RowHeights(0), 3 * 10) << "three levels, each with its margin";
}

TEST_F(DBGridTest, OnlyNeighboursJoinAGroupAndHiddenOnesAddNoWidth)
{
    Grid->SetUseMultiTitle(true);
    AddCaptions(*Grid, {u"A", u"A|X", u"B", u"A|Y", u"A|Z", u"A"});
    THeadTreeNode* first = Leaf(*Grid, 1)->Host;
    THeadTreeNode* second = Leaf(*Grid, 3)->Host;
    EXPECT_EQ(first->Text, QStringLiteral("A"));
    EXPECT_EQ(second->Text, QStringLiteral("A"));
    EXPECT_NE(first, second);
    EXPECT_EQ(Leaf(*Grid, 4)->Host, second);
    // A bare first part joins a group to its left, with an empty caption,
    // but not one to its right.
    EXPECT_EQ(Leaf(*Grid, 0)->Host, &Grid->HeadTree());
    EXPECT_EQ(Leaf(*Grid, 0)->Text, QStringLiteral("A"));
    EXPECT_EQ(Leaf(*Grid, 5)->Host, second);
    EXPECT_EQ(Leaf(*Grid, 5)->Text, QString());
    EXPECT_EQ(second->Width, 60 + 1 + 60 + 1 + 60);

    Grid->Columns()[4]->SetVisible(false);
    EXPECT_EQ(Leaf(*Grid, 3)->Host->Width, 60 + 1 + 60) << "the hidden member adds nothing";
}

TEST_F(DBGridTest, GroupCaptionIsPaintedAcrossTheSpannedCells)
{
    Grid->SetUseMultiTitle(true);
    AddCaptions(*Grid, {u"组|一", u"组|二", u"三"});
    Show(400, 200);
    const QImage image = Grab();
    const TRect left = Grid->CellRect(Grid->DataToRawColumn(0), 0);
    const TRect right = Grid->CellRect(Grid->DataToRawColumn(1), 0);
    THeadTreeNode* group = Leaf(*Grid, 0)->Host;
    const int bandBottom = left.Bottom - Leaf(*Grid, 0)->Height + 3;
    // The band has no line between the two spanned cells, but the leaves do.
    const QColor band = image.pixelColor(right.Left - 1, bandBottom - group->Height / 2 + 4);
    EXPECT_EQ(band.lightness(), image.pixelColor(right.Left + 3, bandBottom - 3).lightness());
    EXPECT_LT(image.pixelColor(right.Left - 1, left.Bottom - 4).lightness(), 110)
        << "the leaves keep the line between them";
    // The group text is centred over both cells: ink on each side of the line.
    const TRect leftBand(left.Left, bandBottom - group->Height, left.Right, bandBottom);
    const TRect rightBand(right.Left, bandBottom - group->Height, right.Right, bandBottom);
    EXPECT_TRUE(HasInk(image, TRect(leftBand.Right - 12, leftBand.Top, leftBand.Right, leftBand.Bottom)) ||
                HasInk(image, TRect(rightBand.Left, rightBand.Top, rightBand.Left + 12, rightBand.Bottom)));
    EXPECT_FALSE(HasInk(image, TRect(leftBand.Left, leftBand.Top + 2, leftBand.Left + 10, leftBand.Bottom - 2)));
}
