// Tree rows over a small in-memory tree: the indent and its lines and boxes
// on screen, nodes opened and closed by click and by the numeric-pad keys,
// the drop level of a dragged record, and a record moved by dragging.

#include "DBGridTestSupport.h"
#include "TreeDataSet.h"

namespace {

// Three levels; every node starts expanded.
std::unique_ptr<TTreeDataSet> MakeTree()
{
    return std::make_unique<TTreeDataSet>(std::vector<std::pair<int, QString>>{
        {-1, QStringLiteral("服装")},
        {0, QStringLiteral("上衣")},
        {1, QStringLiteral("衬衫")},
        {1, QStringLiteral("T恤")},
        {0, QStringLiteral("裤子")},
        {4, QStringLiteral("长裤")},
        {-1, QStringLiteral("鞋子")},
        {6, QStringLiteral("运动鞋")},
    });
}

// The node column N (from 1) of a data row's indent.
TRect NodeColumn(TCustomDBGridMv& grid, int dataRow, int n)
{
    const TRect cell = grid.CellRect(grid.DataToRawColumn(0), grid.TitleRowCount() + dataRow);
    return TRect(cell.Left + (n - 1) * 18, cell.Top, cell.Left + n * 18, cell.Bottom);
}

} // namespace

class DBGridTreeTest : public DBGridTest {
protected:
    void ShowTree()
    {
        Tree = MakeTree();
        Grid->SetOptions(Grid->Options() | dgMultiSelect);
        Source->SetDataSet(Tree.get());
        Grid->SetDataSource(Source.get());
        Show(360, 260);
        Focus();
    }
    std::unique_ptr<TTreeDataSet> Tree;
};

TEST_F(DBGridTreeTest, ThreeLevelsAreIndentedWithLinesAndBoxes)
{
    ShowTree();
    ASSERT_TRUE(Grid->TreeRows());
    Tree->SetRecNo(3);
    EXPECT_EQ(Grid->TreeIndent(), 3 * 18);
    const QImage image = Grid->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint origin = Grid->ClientWidget()->mapTo(Grid, QPoint(0, 0));
    auto dark = [&](int x, int y) { return image.pixelColor(x + origin.x(), y + origin.y()).lightness() < 200; };

    // "服装": an open box (minus) in its own column.
    const TRect box = NodeColumn(*Grid, 0, 1);
    const int cx = (box.Left + box.Right) / 2;
    const int cy = (box.Top + box.Bottom) / 2;
    EXPECT_TRUE(dark(cx - 2, cy));
    EXPECT_FALSE(dark(cx, cy - 2)) << "a minus, not a plus";
    // "T恤", the last child of "上衣": lines through levels 1 and 2, then a
    // line from the top to the middle and on to the right.
    const int tee = 3;
    for (int n = 1; n <= 2; ++n) {
        const TRect column = NodeColumn(*Grid, tee, n);
        const int x = (column.Left + column.Right) / 2;
        EXPECT_TRUE(dark(x, column.Top + 1) || dark(x, column.Top + 2)) << "line at level " << n;
        EXPECT_TRUE(dark(x, column.Bottom - 2) || dark(x, column.Bottom - 3)) << "line at level " << n;
    }
    const TRect own = NodeColumn(*Grid, tee, 3);
    const int ox = (own.Left + own.Right) / 2;
    EXPECT_TRUE(dark(ox, own.Top + 1) || dark(ox, own.Top + 2));
    EXPECT_FALSE(dark(ox, own.Bottom - 2) || dark(ox, own.Bottom - 3)) << "the last child's line ends halfway";
    EXPECT_TRUE(dark(own.Right - 3, (own.Top + own.Bottom) / 2) || dark(own.Right - 4, (own.Top + own.Bottom) / 2));
    ASSERT_TRUE(SaveScreenshot(image, QStringLiteral("dbgrid-tree.png")));
}

TEST_F(DBGridTreeTest, NodesOpenAndCloseByClickAndNumericPadKeys)
{
    ShowTree();
    ASSERT_EQ(Tree->VisibleNames().size(), 8);
    // A click on "上衣"'s box closes it; on an ancestor's column it answers
    // but changes nothing; right of the indent it is an ordinary press.
    ClickAt(*Grid, Centre(NodeColumn(*Grid, 1, 2)));
    EXPECT_EQ(Tree->VisibleNames().size(), 6);
    const TRect ancestor = NodeColumn(*Grid, 1, 1);
    EXPECT_TRUE(Grid->NodeClick(Centre(ancestor).x(), Centre(ancestor).y(), false));
    EXPECT_EQ(Tree->VisibleNames().size(), 6);
    const TRect text = NodeColumn(*Grid, 1, 4);
    EXPECT_FALSE(Grid->NodeClick(Centre(text).x(), Centre(text).y(), false));
    ClickAt(*Grid, Centre(NodeColumn(*Grid, 1, 2)));
    EXPECT_EQ(Tree->VisibleNames().size(), 8);

    // The keys work on the current row: − closes, + opens, * turns.
    Tree->First();
    QWidget* client = Grid->ClientWidget();
    PressKey(client, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(Tree->VisibleNames(), (QStringList{QStringLiteral("服装"), QStringLiteral("鞋子"),
                                                 QStringLiteral("运动鞋")}));
    PressKey(client, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Tree->VisibleNames().size(), 8);
    PressKey(client, Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(Tree->VisibleNames().size(), 3);
    PressKey(client, Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(Tree->VisibleNames().size(), 8);
    EXPECT_EQ(Tree->RecNo(), 1);

    // With the tree view off, nothing of it is left.
    Tree->TreeOn = false;
    int level = 0;
    EXPECT_EQ(Grid->TreeIndent(), 0);
    EXPECT_FALSE(Grid->NodeClick(Centre(NodeColumn(*Grid, 0, 1)).x(), Centre(NodeColumn(*Grid, 0, 1)).y(), true));
    EXPECT_EQ(Grid->TreeDropPosition(Grid->TitleRowCount(), QPoint(300, 0), level), 0);
    EXPECT_EQ(level, -1);
}

TEST_F(DBGridTreeTest, DropLevelsAndRecordMovesFollowTheTree)
{
    ShowTree();
    Grid->SetOptionsMv(Grid->OptionsMv() | dghRecordMoving);
    const int title = Grid->TitleRowCount();
    const int left = NodeColumn(*Grid, 0, 1).Left;
    // Dragging "长裤" (row 5) upward with the mouse far right drops one
    // level below the node above the insertion point, never deeper.
    MouseAt(*Grid, QEvent::MouseButtonPress, QPoint(5, Centre(NodeColumn(*Grid, 5, 1)).y()));
    int level = 0;
    EXPECT_EQ(Grid->TreeDropPosition(title + 3, QPoint(340, 0), level), left + 4 * 18);
    EXPECT_EQ(level, 4) << "\"衬衫\" above the line is on level 3";
    MouseAt(*Grid, QEvent::MouseButtonRelease, QPoint(5, Centre(NodeColumn(*Grid, 5, 1)).y()));

    // No rows: no drop position.
    TTreeDataSet empty({});
    Source->SetDataSet(&empty);
    EXPECT_EQ(Grid->TreeDropPosition(title, QPoint(100, 0), level), 0);
    EXPECT_EQ(level, -1);

    // A flat list: the dragged record moves through the tree interface.
    TTreeDataSet flat({{-1, QStringLiteral("甲")}, {-1, QStringLiteral("乙")}, {-1, QStringLiteral("丙")},
                       {-1, QStringLiteral("丁")}});
    Source->SetDataSet(&flat);
    MouseAt(*Grid, QEvent::MouseButtonPress, QPoint(5, Centre(NodeColumn(*Grid, 0, 1)).y()));
    MouseAt(*Grid, QEvent::MouseMove, QPoint(5, Centre(NodeColumn(*Grid, 2, 1)).y()));
    MouseAt(*Grid, QEvent::MouseButtonRelease, QPoint(5, Centre(NodeColumn(*Grid, 2, 1)).y()));
    EXPECT_EQ(flat.MoveCalls, 1);
    EXPECT_EQ(flat.VisibleNames(), (QStringList{QStringLiteral("乙"), QStringLiteral("丙"), QStringLiteral("甲"),
                                                QStringLiteral("丁")}));
    Source->SetDataSet(nullptr);
}

TEST_F(DBGridTreeTest, ANodeClosedInTheMiddleOfTheDataStaysUnderThePointer)
{
    std::vector<std::pair<int, QString>> nodes;
    for (int p = 0; p < 10; ++p) {
        const int parent = int(nodes.size());
        nodes.push_back({-1, QStringLiteral("P%1").arg(p)});
        nodes.push_back({parent, QStringLiteral("C%1a").arg(p)});
        nodes.push_back({parent, QStringLiteral("C%1b").arg(p)});
    }
    Tree = std::make_unique<TTreeDataSet>(nodes);
    Source->SetDataSet(Tree.get());
    Grid->SetDataSource(Source.get());
    Show(360, 260);
    // The window from "C4b" down, the current record below "P5".
    Tree->Last();
    Tree->MoveBy(-15);
    Tree->MoveBy(8);
    const auto nameAt = [this](int dataRow) {
        const TActiveRecordScopeMv scope(*Grid->DataLink(), dataRow);
        return Tree->FieldByName(QStringLiteral("Name"))->AsString();
    };
    ASSERT_EQ(nameAt(1), QStringLiteral("P5"));
    ClickAt(*Grid, Centre(NodeColumn(*Grid, 1, 1)));
    EXPECT_EQ(Tree->VisibleNames().size(), 28);
    EXPECT_EQ(nameAt(0), QStringLiteral("C4b"));
    EXPECT_EQ(nameAt(1), QStringLiteral("P5"));
    EXPECT_EQ(Tree->FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("C7a"));
}
