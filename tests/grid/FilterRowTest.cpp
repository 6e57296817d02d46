// The filter row over a real database: typing and applying filters, the
// refused texts, the editor's keys, the drop-down's special items, and the
// column settings behind it.

#include "GridDbTestSupport.h"

#include "support/DialogAnswers.h"

#include <QContextMenuEvent>

TEST_F(DBGridDbTest, TypedFiltersFilterTheRecordsAndRefusedTextsKeepTheOldFilter)
{
    TColumnMv* qty = Column("Qty");
    TColumnMv* alias = Column("PropAlias");
    const int titleRows = Grid->TitleRowCount();
    Grid->STFilter().SetVisible(true);
    Show(520, 240);
    EXPECT_EQ(Grid->TitleRowCount(), titleRows + 1);

    ClickAt(*Grid, FilterCell(qty));
    ASSERT_NE(Editor(), nullptr);
    EXPECT_TRUE(Editor()->isVisible());
    EXPECT_EQ(Grid->SelectedColumn(), qty);
    Type(Editor(), QStringLiteral("> 2 and <= 5"));
    PressKey(Editor(), Qt::Key_Return);
    EXPECT_EQ(Applied, 1);
    EXPECT_EQ(Query->RecordCount(), 3);
    EXPECT_EQ(qty->STFilter().GetFilterText(), QStringLiteral("> 2 AND <= 5"));
    EXPECT_EQ(Editor()->selectedText(), Editor()->text());

    // All text selected: Left goes to the previous column with a filter cell.
    PressKey(Editor(), Qt::Key_Left);
    EXPECT_EQ(Grid->SelectedColumn(), Column("Price"));
    PressKey(Editor(), Qt::Key_Left);
    EXPECT_EQ(Grid->SelectedColumn(), alias);
    Type(Editor(), QStringLiteral("中文"));
    PressKey(Editor(), Qt::Key_Return);
    EXPECT_EQ(Query->RecordCount(), 1);
    EXPECT_EQ(Query->FieldByName(QStringLiteral("SkuID"))->AsString(), QStringLiteral("4"));

    // A refused text: the message names it, the filter stays, the editor
    // keeps what was typed.
    TDialogAnswers answers;
    Editor()->selectAll();
    Type(Editor(), QStringLiteral("中文 or in"));
    PressKey(Editor(), Qt::Key_Return);
    ASSERT_EQ(answers.Messages.size(), 1u);
    EXPECT_TRUE(answers.Messages[0].Text.startsWith(QStringLiteral("'(' expected: 中文 or in")))
        << answers.Messages[0].Text.toStdString();
    EXPECT_EQ(alias->STFilter().GetFilterText(), QStringLiteral("~ '中文'"));
    EXPECT_EQ(Editor()->text(), QStringLiteral("中文 or in"));
    EXPECT_EQ(Applied, 2);

    // A quote inside a value reaches the query doubled and reads back.
    Editor()->selectAll();
    Type(Editor(), QStringLiteral("= 'O''Brien'"));
    PressKey(Editor(), Qt::Key_Return);
    EXPECT_EQ(alias->STFilter().GetFilterText(), QStringLiteral("= 'O''Brien'"));
    EXPECT_EQ(Query->RecordCount(), 1);
    Grid->ClearFilters();
    EXPECT_FALSE(Grid->FilterRow().InProgress());
    EXPECT_EQ(Query->RecordCount(), 6);
    EXPECT_EQ(qty->STFilter().GetFilterText(), QString());

    // Down goes back to the data rows in the edited column; Up stays, and
    // the grid hands the focus on to the editor meanwhile.
    Grid->StartFilterEdit(qty);
    Other->setFocus(Qt::OtherFocusReason);
    Focus();
    EXPECT_TRUE(Editor()->hasFocus());
    PressKey(Editor(), Qt::Key_Up);
    EXPECT_TRUE(Grid->FilterRow().InProgress());
    PressKey(Editor(), Qt::Key_Down);
    EXPECT_FALSE(Grid->FilterRow().InProgress());
    EXPECT_FALSE(Editor()->isVisible());
    EXPECT_EQ(Grid->SelectedColumn(), qty);
    // Up on the first record enters at the first filter cell from the
    // current column on.
    Grid->SetSelectedIndex(Column("PropAlias")->Index());
    Column("PropAlias")->STFilter().SetVisible(false);
    Query->First();
    PressKey(Grid->ClientWidget(), Qt::Key_Up);
    EXPECT_TRUE(Grid->FilterRow().InProgress());
    EXPECT_EQ(Grid->FilterRow().EditColumn(), Column("Price"));

    // A right press on a filter cell edits it and brings no context menu,
    // as the window system sends them: the press, then the menu request.
    int menus = 0;
    Grid->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(Grid, &QWidget::customContextMenuRequested, [&menus] { ++menus; });
    const auto rightPress = [this](QPoint at) {
        ClickAt(*Grid, at, Qt::NoModifier, Qt::RightButton);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, Grid->ClientWidget()->mapToGlobal(at));
        QApplication::sendEvent(Grid->ClientWidget(), &request);
    };
    rightPress(FilterCell(qty));
    EXPECT_EQ(menus, 0);
    EXPECT_EQ(Grid->FilterRow().EditColumn(), qty);
    rightPress(Centre(Grid->CellRect(Grid->DataToRawColumn(qty->Index()), Grid->TitleRowCount())));
    EXPECT_EQ(menus, 1);
}

TEST_F(DBGridDbTest, MovingBetweenFilterCellsSkipsColumnsWithoutOne)
{
    Grid->STFilter().SetVisible(true);
    // The cell editor, always shown elsewhere, stays hidden in the filter row.
    Grid->SetOptions(Grid->Options() | dgTabs | dgAlwaysShowEditor | dgEditing);
    Show(520, 240);
    Column("Price")->STFilter().SetVisible(false);
    Grid->StartFilterEdit(Column("PropAlias"));
    PressKey(Editor(), Qt::Key_Tab);
    EXPECT_EQ(Grid->SelectedColumn(), Column("Qty"));
    // From the last column round to the first.
    PressKey(Editor(), Qt::Key_End);
    EXPECT_EQ(Grid->SelectedColumn(), Column("SkuID"));
    PressKey(Editor(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Grid->SelectedColumn(), Column("Qty"));
    // With no other filter cell the editor stays where it is.
    for (const char* name : {"SkuID", "PropAlias", "Price"})
        Column(name)->STFilter().SetVisible(false);
    PressKey(Editor(), Qt::Key_Tab);
    EXPECT_EQ(Grid->SelectedColumn(), Column("Qty"));
    EXPECT_TRUE(Grid->FilterRow().InProgress());
    EXPECT_FALSE(Grid->InplaceEditor() && Grid->InplaceEditor()->isVisible());
    PressKey(Editor(), Qt::Key_Down);
    EXPECT_FALSE(Grid->FilterRow().InProgress());
    EXPECT_TRUE(Grid->InplaceEditor() && Grid->InplaceEditor()->isVisible());
}

namespace {

// Opens the drop-down and takes the item with the given text.
void Choose(TInplaceFilterEditMv* editor, const QString& item)
{
    editor->DropDown();
    const int index = editor->Items().IndexOf(item);
    ASSERT_GE(index, 0) << item.toStdString();
    editor->ListBox()->SetItemIndex(index);
    editor->CloseUp(true);
}

} // namespace

TEST_F(DBGridDbTest, DropDownSpecialItemsDoWhatTheySay)
{
    TColumnMv* alias = Column("PropAlias");
    TColumnMv* qty = Column("Qty");
    ListAliasValues();
    alias->Title().SetTitleButton(true);
    qty->Title().SetSortMarker(smDownMv);
    Grid->SetOptionsMv(Grid->OptionsMv() | dghAutoSortMarking);
    Grid->STFilter().SetVisible(true);
    Show(520, 240);

    // A column without a list has no drop-down button.
    Grid->StartFilterEdit(qty);
    EXPECT_FALSE(Editor()->EditButton().Visible());
    Grid->StartFilterEdit(alias);
    EXPECT_TRUE(Editor()->EditButton().Visible());
    Editor()->DropDown();
    const QStringList expected = {QStringLiteral("(递减排序)"), QStringLiteral("(递增排序)"), QStringLiteral("-"),
                                  QStringLiteral("(清除过滤器)"), QStringLiteral("(全部)"), QStringLiteral("(非空)"),
                                  QStringLiteral("(空)")};
    EXPECT_EQ(Editor()->Items().Items().mid(0, 7), expected);
    EXPECT_EQ(Editor()->Items().Count(), 7 + 4);
    EXPECT_TRUE(Editor()->Items().Items().contains(QStringLiteral("O'Brien")));
    EXPECT_TRUE(SaveScreenshot(WithPopup(Window.get(), Editor()->ListBox()), QStringLiteral("dbgrid-filter-row.png")));
    Editor()->CloseUp(false);

    Choose(Editor(), QStringLiteral("(空)"));
    EXPECT_EQ(Editor()->text(), QStringLiteral("=Null"));
    PressKey(Editor(), Qt::Key_Return);
    EXPECT_EQ(alias->STFilter().GetExpression().Operator1, sfoNull);
    EXPECT_EQ(Query->RecordCount(), 1);
    Choose(Editor(), QStringLiteral("(非空)"));
    PressKey(Editor(), Qt::Key_Return);
    EXPECT_EQ(Query->RecordCount(), 5);
    Choose(Editor(), QStringLiteral("中文商品"));
    PressKey(Editor(), Qt::Key_Return);
    EXPECT_EQ(Query->RecordCount(), 1);
    Choose(Editor(), QStringLiteral("(全部)"));
    EXPECT_EQ(Editor()->text(), QString());
    PressKey(Editor(), Qt::Key_Return);
    EXPECT_EQ(Query->RecordCount(), 6);

    Choose(Editor(), QStringLiteral("(递增排序)"));
    EXPECT_EQ(alias->Title().SortMarker(), smDownMv);
    EXPECT_EQ(qty->Title().SortMarker(), smNoneMv);
    Choose(Editor(), QStringLiteral("(递减排序)"));
    EXPECT_EQ(alias->Title().SortMarker(), smUpMv);

    // The drop-down remembers its size; clearing applies at once.
    qty->STFilter().SetFilterText(QStringLiteral("> 4"));
    const int applied = Applied;
    Choose(Editor(), QStringLiteral("(清除过滤器)"));
    EXPECT_EQ(alias->STFilter().DropDownRows, 17);
    EXPECT_EQ(alias->STFilter().DropDownWidth, 100);
    EXPECT_EQ(Applied, applied + 1);
    EXPECT_EQ(qty->STFilter().GetFilterText(), QString());
    EXPECT_FALSE(Grid->FilterRow().InProgress());
}

TEST_F(DBGridDbTest, FilterEditorKeepsTypedTextAndFollowsTheGrid)
{
    TColumnMv* alias = Column("PropAlias");
    TColumnMv* qty = Column("Qty");
    Grid->STFilter().SetVisible(true);
    Show(520, 240);

    // What is typed is the column's condition at once and stays when the
    // editor moves on; a text that does not read leaves the old condition.
    Grid->StartFilterEdit(qty);
    Type(Editor(), QStringLiteral("> 2"));
    Grid->StartFilterEdit(alias);
    EXPECT_EQ(qty->STFilter().GetFilterText(), QStringLiteral("> 2"));
    qty->STFilter().Clear();
    Type(Editor(), QStringLiteral("蓝色 or in"));
    EXPECT_EQ(alias->STFilter().GetFilterText(), QString());
    EXPECT_EQ(Editor()->text(), QStringLiteral("蓝色 or in"));
    Editor()->selectAll();
    Type(Editor(), QStringLiteral("蓝色"));
    PressKey(Editor(), Qt::Key_Return);
    EXPECT_EQ(Query->RecordCount(), 2);
    const QString shown = Editor()->text();

    // Reloading the grid's editor sets the filter editor up again: a list
    // given meanwhile shows its button.
    ListAliasValues();
    EXPECT_FALSE(Editor()->EditButton().Visible());
    Grid->InvalidateEditor();
    EXPECT_TRUE(Editor()->EditButton().Visible());
    EXPECT_EQ(Editor()->text(), shown);

    // The grid's wheel goes to the open list, not to the records; the grid's
    // cancel mode closes the list without taking its value.
    const int recNo = Query->RecNo();
    Editor()->DropDown();
    WheelAt(*Grid, FilterCell(qty), -120);
    EXPECT_EQ(Query->RecNo(), recNo);
    EXPECT_TRUE(Editor()->DroppedDown());
    Editor()->ListBox()->SetItemIndex(0);
    Grid->SendCancelMode();
    EXPECT_FALSE(Editor()->DroppedDown());
    EXPECT_EQ(Editor()->text(), shown);

    // The style's flags apply the filter as the list closes: a special item
    // with any flag, a value only with the accepting one.
    TDBGridMvStyle* style = Grid->Style();
    ASSERT_NE(style, nullptr);
    const int applied = Applied;
    Choose(Editor(), QStringLiteral("中文商品"));
    EXPECT_EQ(Applied, applied);
    style->SetFilterApplyFlags(sfaCloseUpCancelMv);
    Choose(Editor(), QStringLiteral("(非空)"));
    EXPECT_EQ(Applied, applied + 1);
    EXPECT_EQ(Query->RecordCount(), 5);
    Choose(Editor(), QStringLiteral("中文商品"));
    EXPECT_EQ(Applied, applied + 1);
    style->SetFilterApplyFlags(sfaCloseUpAcceptMv);
    Choose(Editor(), QStringLiteral("中文商品"));
    style->SetFilterApplyFlags({});
    EXPECT_EQ(Applied, applied + 2);
    EXPECT_EQ(Query->RecordCount(), 1);
}

TEST_F(DBGridDbTest, ColumnFilterTranslatesPickTextsAndLooksUpKeys)
{
    // Picks beyond the keys stay as typed: the shorter list is the limit.
    TColumnMv* alias = Column("PropAlias");
    TStringList picks(QStringList{QStringLiteral("红"), QStringLiteral("蓝"), QStringLiteral("绿")});
    TStringList keys(QStringList{QStringLiteral("R"), QStringLiteral("B")});
    alias->SetPickList(&picks);
    alias->SetKeyList(&keys);
    alias->STFilter().SetFilterText(QStringLiteral("红,绿"));
    std::vector<Variant> translated{Variant(QStringLiteral("R")), Variant(QStringLiteral("绿"))};
    EXPECT_TRUE(alias->STFilter().GetExpression().Operand1 == Variant(translated));
    EXPECT_EQ(alias->STFilter().GetFilterText(), QStringLiteral("In ('红','绿')"));
    EXPECT_EQ(alias->STFilter().ValueKind(), svkString);

    // With a key field the display text stands for the key found in the list.
    TDataSource listSource;
    listSource.SetDataSet(&OpenClient(
        QStringLiteral("select \"SkuID\", \"PropAlias\" from \"KivItem\" where \"PropAlias\" is not null")));
    TColumnMv* sku = Column("SkuID");
    TSTColumnFilterMv& filter = sku->STFilter();
    filter.KeyField = QStringLiteral("SkuID");
    filter.ListField = QStringLiteral("PropAlias");
    filter.SetListSource(&listSource);
    EXPECT_EQ(filter.ListValues().Count(), 5);
    EXPECT_EQ(filter.KeyValues()[3], QStringLiteral("4"));
    filter.SetFilterText(QStringLiteral("中文商品"));
    EXPECT_EQ(filter.Value().AsInteger(), 4);
    EXPECT_EQ(filter.GetExpression().Operator1, sfoIn);
    EXPECT_EQ(filter.GetFilterText(), QStringLiteral("中文商品"));
    filter.SetFilterText(QStringLiteral("没有"));
    EXPECT_TRUE(filter.Value().IsNull());
    EXPECT_EQ(filter.GetExpression().Operator1, sfoNull);
    filter.Clear();
    EXPECT_TRUE(filter.Value().IsUnassigned());
    EXPECT_EQ(filter.GetExpression().Operator1, sfoNone);
    // A refused text leaves the condition as it was.
    TSTColumnFilterMv& qty = Column("Qty")->STFilter();
    qty.SetFilterText(QStringLiteral("> 2"));
    EXPECT_THROW(qty.SetFilterText(QStringLiteral("1,2,")), Exception);
    EXPECT_EQ(qty.GetFilterText(), QStringLiteral("> 2"));
}

TEST_F(DBGridDbTest, FilterEditorKeysAtTheTextsEdgeLeaveTheCellWhateverTheModifiers)
{
    TColumnMv* qty = Column("Qty");
    ListAliasValues();
    Grid->STFilter().SetVisible(true);
    Show(520, 240);
    TDialogAnswers answers;

    // NULL alone is an operator without its value.
    Grid->StartFilterEdit(qty);
    Type(Editor(), QStringLiteral("NULL"));
    PressKey(Editor(), Qt::Key_Return);
    ASSERT_EQ(answers.Messages.size(), 1u);
    EXPECT_TRUE(answers.Messages[0].Text.startsWith(QStringLiteral("Unexpected expression after operator: NULL")))
        << answers.Messages[0].Text.toStdString();
    Editor()->selectAll();
    Type(Editor(), QStringLiteral("not null"));
    PressKey(Editor(), Qt::Key_Return);
    ASSERT_EQ(answers.Messages.size(), 2u);
    EXPECT_TRUE(
        answers.Messages[1].Text.startsWith(QStringLiteral("Unexpected expression after operator: not null")));

    // The caret at the end: Shift+End and Ctrl+Right go on to the next cell
    // (from the last column round to the first); at the start Ctrl+Home and
    // Shift+Left go back.
    Editor()->deselect();
    Editor()->setCursorPosition(int(Editor()->text().size()));
    PressKey(Editor(), Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(Grid->SelectedColumn(), Column("SkuID"));
    PressKey(Editor(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Grid->SelectedColumn(), Column("PropAlias"));
    PressKey(Editor(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Grid->SelectedColumn(), Column("SkuID"));
    PressKey(Editor(), Qt::Key_Left, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(Grid->SelectedColumn(), qty);

    // Inside the text the keys are the editor's own.
    EXPECT_EQ(Editor()->text(), QString()) << "the refused texts were not kept";
    Type(Editor(), QStringLiteral("> 12"));
    Editor()->setCursorPosition(2);
    PressKey(Editor(), Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(Grid->SelectedColumn(), qty);
    EXPECT_EQ(Editor()->selectedText(), QStringLiteral("> "));

    // Up stays in the filter row, with Alt too; the records do not move.
    Grid->StartFilterEdit(Column("PropAlias"));
    Query->SetRecNo(3);
    PressKey(Editor(), Qt::Key_Up, Qt::AltModifier);
    PressKey(Editor(), Qt::Key_Up);
    EXPECT_TRUE(Grid->FilterRow().InProgress());
    EXPECT_FALSE(Editor()->DroppedDown());
    EXPECT_EQ(Query->RecNo(), 3);
    EXPECT_EQ(Grid->SelectedColumn(), Column("PropAlias"));
}
