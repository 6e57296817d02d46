// An in-memory table: every record a row that the grid scrolls itself, its
// vertical bar, the records fetched as the rows need them, the filter row's
// values; and its tree rows: the indent and its lines and boxes on screen,
// nodes opened and closed by click, by the cell editor and by the
// numeric-pad keys, the drop level of a dragged record, and a record moved
// by dragging.

#include "DBGridTestSupport.h"
#include "TreeDataSet.h"
#include "grid/DBGridMvFilterRow.h"
#include "grid/DBGridMvMemTable.h"

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
    const TRect cell = DataCell(grid, 0, dataRow);
    return TRect(cell.Left + (n - 1) * 18, cell.Top, cell.Left + n * 18, cell.Bottom);
}

// A flat table of Count records named R0, R1, ...; the last HeldBack come
// only when fetched.
std::unique_ptr<TTreeDataSet> MakeFlat(int Count, int HeldBack = 0)
{
    std::vector<std::pair<int, QString>> nodes;
    for (int i = 0; i < Count; ++i)
        nodes.push_back({-1, QStringLiteral("R%1").arg(i)});
    auto table = std::make_unique<TTreeDataSet>(nodes, HeldBack);
    table->TreeOn = false;
    return table;
}

} // namespace

class DBGridTreeTest : public DBGridTest {
protected:
    void ShowTree()
    {
        Grid->SetOptions(Grid->Options() | dgMultiSelect);
        ShowTable(MakeTree(), 260);
    }
    void ShowTable(std::unique_ptr<TTreeDataSet> Table, int Height = 200)
    {
        Tree = std::move(Table);
        Source->SetDataSet(Tree.get());
        Grid->SetDataSource(Source.get());
        Show(360, Height);
        Focus();
    }
    QString NameAt(int DataRow)
    {
        const TDataRowScopeMv scope(*Grid, DataRow);
        return Tree->FieldByName(QStringLiteral("Name"))->AsString();
    }
    std::unique_ptr<TTreeDataSet> Tree;
};

TEST_F(DBGridTreeTest, EveryRecordOfATableIsARowThatTheGridScrollsUnderItsBar)
{
    ShowTable(MakeFlat(30));
    const int title = Grid->TitleRowCount();
    EXPECT_EQ(Grid->RowCount(), title + 30);
    EXPECT_EQ(NameAt(25), QStringLiteral("R25"));
    EXPECT_EQ(Grid->GetRecNoForDataRow(12), 13);
    const int page = Grid->VisibleRowCount();
    ASSERT_LT(page, 30);
    const TScrollInfo bar = Grid->GetScrollInfo(sbVertical);
    EXPECT_EQ(bar, (TScrollInfo{1, 30, page, 1}));

    // The bar scrolls the rows, never the record.
    Grid->WMVScroll(SB_LINEDOWN, 0);
    EXPECT_EQ(Grid->TopRow(), title + 1);
    EXPECT_EQ(Grid->GetScrollInfo(sbVertical).Pos, 2);
    Grid->WMVScroll(SB_BOTTOM, 0);
    EXPECT_EQ(Grid->TopRow(), title + 30 - page);
    Grid->WMVScroll(SB_THUMBPOSITION, 5);
    EXPECT_EQ(Grid->TopRow(), title + 4);
    EXPECT_EQ(NameAt(Grid->TopRow() - title), QStringLiteral("R4"));
    EXPECT_TRUE(SaveScreenshot(Grid->grab().toImage(), QStringLiteral("dbgrid-table-rows.png")));
    Grid->WMVScroll(SB_PAGEDOWN, 0);
    EXPECT_EQ(Grid->TopRow(), title + 4 + page);
    Grid->WMVScroll(SB_LINEUP, 0);
    EXPECT_EQ(Grid->GetScrollInfo(sbVertical).Pos, 4 + page);
    EXPECT_EQ(Tree->RecNo(), 1);
    EXPECT_EQ(Grid->Row(), title);

    // The record moves by keys and the wheel, and its row scrolls into view.
    Tree->SetRecNo(20);
    EXPECT_EQ(Grid->Row(), title + 19);
    PressKey(Grid->ClientWidget(), Qt::Key_Down);
    EXPECT_EQ(Tree->RecNo(), 21);
    EXPECT_EQ(Grid->Row(), title + 20);
    Grid->WMVScroll(SB_TOP, 0);
    WheelAt(*Grid, QPoint(60, 60), -120);
    EXPECT_EQ(Tree->RecNo(), 22);
    EXPECT_LE(Grid->TopRow(), Grid->Row());
    EXPECT_LT(Grid->Row(), Grid->TopRow() + page);
    // A saved place is the record alone: the rows stay where they are.
    const int top = Grid->TopRow();
    Grid->SaveBookmark();
    Tree->First();
    Grid->RestoreBookmark();
    EXPECT_EQ(Tree->RecNo(), 22);
    EXPECT_EQ(Grid->TopRow(), top);
}

TEST_F(DBGridTreeTest, ATableIsAskedForTheRecordsItsRowsLack)
{
    ShowTable(MakeFlat(40, 36));
    const int title = Grid->TitleRowCount();
    const int pitch = Grid->DefaultRowHeight() + Grid->GridLineWidth();
    const int rows = (Grid->GetDataRect().Height() + pitch - 1) / pitch;
    EXPECT_GE(Tree->RecordCount(), rows) << "the rows on screen are filled";
    EXPECT_LT(Tree->RecordCount(), 40);
    EXPECT_EQ(Grid->RowCount(), title + Tree->RecordCount());
    // With the last row in view the table is asked for one more.
    const int count = Tree->RecordCount();
    Grid->WMVScroll(SB_BOTTOM, 0);
    EXPECT_GT(Tree->RecordCount(), count);
    EXPECT_EQ(Grid->RowCount(), title + Tree->RecordCount());
}

TEST_F(DBGridTreeTest, TheFilterRowOffersTheTablesDistinctValues)
{
    Grid->STFilter().SetVisible(true);
    ShowTable(std::make_unique<TTreeDataSet>(std::vector<std::pair<int, QString>>{
        {-1, QStringLiteral("乙")}, {-1, QStringLiteral("甲")}, {-1, QStringLiteral("乙")}, {-1, QStringLiteral("丙")}}));
    TColumnMv* name = Grid->Columns()[0];
    EXPECT_TRUE(name->STFilter().HasList());
    Grid->StartFilterEdit(name);
    TInplaceFilterEditMv* editor = Grid->FilterRow().Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->EditButton().Visible());
    editor->DropDown();
    const QStringList items = editor->Items().Items();
    EXPECT_EQ(items.mid(4), (QStringList{QStringLiteral("丙"), QStringLiteral("乙"), QStringLiteral("甲")}));
    EXPECT_EQ(items.first(), QStringLiteral("(清除过滤器)"));
    editor->CloseUp(false);
}

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

    // A press on the node column of the cell editor standing on "上衣"
    // closes and opens it; a press on the text is the editor's.
    Tree->SetRecNo(2);
    PressKey(client, Qt::Key_F2);
    QWidget* editor = Grid->InplaceEditor();
    ASSERT_TRUE(editor && editor->isVisible());
    ClickOn(editor, QPoint(2 * 18 - 9, editor->height() / 2));
    EXPECT_EQ(Tree->VisibleNames().size(), 6);
    ClickOn(editor, QPoint(2 * 18 - 9, editor->height() / 2));
    EXPECT_EQ(Tree->VisibleNames().size(), 8);
    ClickOn(editor, QPoint(2 * 18 + 20, editor->height() / 2));
    EXPECT_EQ(Tree->VisibleNames().size(), 8);
    PressKey(editor, Qt::Key_Escape);

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
    ShowTable(std::make_unique<TTreeDataSet>(nodes), 260);
    // The rows from "C4b" down, the current record "C7a" below "P5".
    const int title = Grid->TitleRowCount();
    Tree->SetRecNo(23);
    Grid->SetTopRowInRange(title + 14);
    ASSERT_EQ(NameAt(15), QStringLiteral("P5"));
    ClickAt(*Grid, Centre(NodeColumn(*Grid, 15, 1)));
    EXPECT_EQ(Tree->VisibleNames().size(), 28);
    EXPECT_EQ(Grid->TopRow(), title + 14);
    EXPECT_EQ(NameAt(15), QStringLiteral("P5"));
    EXPECT_EQ(Tree->FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("C7a"));
    EXPECT_EQ(Grid->Row(), title + 20);
}

TEST_F(DBGridTreeTest, TheDropLineStartsAtTheColumnAlsoWhenTheFirstRowsAreScrolledOff)
{
    ShowTable(MakeTree(), 130);
    Grid->SetOptionsMv(Grid->OptionsMv() | dghRecordMoving);
    const int title = Grid->TitleRowCount();
    Grid->WMVScroll(SB_BOTTOM, 0);
    ASSERT_GT(Grid->TopRow(), title + 1) << "the first data rows are off screen";
    // "长裤" (data row 5, level 3) is dragged over its own row and then one
    // row down, the mouse near the left of the cell.
    const int left = DataCell(*Grid, 0, 5).Left;
    ASSERT_GT(left, 0);
    const QPoint press(5, Centre(NodeColumn(*Grid, 5, 1)).y());
    MouseAt(*Grid, QEvent::MouseButtonPress, press);
    int level = 0;
    EXPECT_EQ(Grid->TreeDropPosition(title + 5, QPoint(left + 2, 0), level), left + 3 * 18);
    EXPECT_EQ(level, 3);
    EXPECT_EQ(Grid->TreeDropPosition(title + 6, QPoint(left + 2 * 18 + 5, 0), level), left + 2 * 18)
        << "below the start row the level under the mouse counts from the column's edge";
    EXPECT_EQ(level, 2);
    MouseAt(*Grid, QEvent::MouseButtonRelease, press);
}
