// The in-place editor: opening it, its keys, and the text it hands back.

#include "GridTestSupport.h"

#include "support/DialogAnswers.h"

#include <QClipboard>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

class TClickGrid : public TTestGrid {
public:
    int DoubleClicks = 0;

protected:
    void DblClick() override { ++DoubleClicks; }
};

void Prepare(TTestGrid& grid, TGridOptionsMv extra = {})
{
    grid.resize(400, 300);
    grid.SetColCount(6);
    grid.SetRowCount(30);
    grid.SetOptions(grid.Options() | goEditing | extra);
    FillTexts(grid);
    FocusOn(&grid);
}

TInplaceEdit* Editor(TTestGrid& grid)
{
    return grid.InplaceEditor();
}

} // namespace

TEST_F(GridTest, ATypedCharacterOpensTheEditorOnTheCurrentCell)
{
    TTestGrid grid;
    Prepare(grid);
    grid.SetCol(3);
    grid.SetRow(4);
    EXPECT_FALSE(Editor(grid));
    PressKey(Qt::Key_Q, Qt::NoModifier, u"q"_qs);
    ASSERT_TRUE(Editor(grid));
    EXPECT_TRUE(Editor(grid)->isVisible());
    EXPECT_TRUE(grid.EditorMode());
    EXPECT_EQ(Editor(grid)->geometry(), grid.CellRect(3, 4).ToQRect());
    EXPECT_EQ(Editor(grid)->text(), u"q"_qs) << "the typed character replaces the cell's text";
    EXPECT_EQ(QApplication::focusWidget(), Editor(grid));
    // Composed input arrives the same way.
    CommitText(Editor(grid), u"库存"_qs);
    EXPECT_EQ(Editor(grid)->text(), u"q库存"_qs);
    EXPECT_EQ(grid.Text(3, 4), u"q库存"_qs);
}

TEST_F(GridTest, TheTextFlowsBackOnEveryKey)
{
    TTestGrid grid;
    Prepare(grid);
    PressKey(Qt::Key_F2);
    ASSERT_TRUE(Editor(grid) && Editor(grid)->isVisible());
    EXPECT_EQ(Editor(grid)->text(), u"1:1"_qs);
    const int before = grid.SetEditTextCount;
    PressKey(Qt::Key_End);
    TypeText(u"ab"_qs);
    EXPECT_EQ(grid.Text(1, 1), u"1:1ab"_qs);
    EXPECT_EQ(grid.SetEditTextCount, before + 2);
    TypeText(u"\b"_qs);
    EXPECT_EQ(grid.Text(1, 1), u"1:1a"_qs);
    // Loading a cell does not count as a change by the user.
    EXPECT_EQ(grid.SetEditTextCount, before + 3);
    // Down goes to the grid: the editor follows to the next row.
    PressKey(Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_FALSE(Editor(grid)->isVisible());
    EXPECT_EQ(grid.Text(1, 1), u"1:1a"_qs);
}

TEST_F(GridTest, AReadOnlyCellRefusesPasteTypingDropsAndDeletionAndAWritableOneKeepsItsLimit)
{
    TTestGrid grid;
    grid.ReadOnly = true;
    Prepare(grid);
    QApplication::clipboard()->setText(u"pasted"_qs);
    PressKey(Qt::Key_F2);
    ASSERT_TRUE(Editor(grid) && Editor(grid)->isVisible());
    PressKey(Qt::Key_V, Qt::ControlModifier, u"\x16"_qs);
    PressKey(Qt::Key_Insert, Qt::ShiftModifier);
    TypeText(u"xy"_qs);
    TypeText(u"\b"_qs);
    PressKey(Qt::Key_Delete);
    PressKey(Qt::Key_X, Qt::ControlModifier, u"\x18"_qs);
    DropText(Editor(grid), u"dropped"_qs);
    MiddleClickPaste(Editor(grid), u"selected"_qs);
    CommitText(Editor(grid), u"库存"_qs);
    EXPECT_EQ(Editor(grid)->text(), u"1:1"_qs);
    EXPECT_EQ(grid.Text(1, 1), u"1:1"_qs);

    // A writable cell takes the paste, one line of it, when it fits the
    // limit; one that does not is refused whole, never cut, and said.
    TDialogAnswers answers;
    TTestGrid writable;
    writable.EditLimit = 8;
    Prepare(writable);
    QApplication::clipboard()->setText(u"pasted text\nsecond"_qs);
    PressKey(Qt::Key_F2);
    PressKey(Qt::Key_End);
    PressKey(Qt::Key_V, Qt::ControlModifier, u"\x16"_qs);
    EXPECT_EQ(writable.Text(1, 1), u"1:1"_qs);
    EXPECT_EQ(answers.Texts(), QStringList{u"这里最多只能有8个字符，放入这段文字后将有14个字符，这段文字没有被接受！"_qs});
    QApplication::clipboard()->setText(u"paste\nsecond"_qs);
    PressKey(Qt::Key_V, Qt::ControlModifier, u"\x16"_qs);
    EXPECT_EQ(writable.Text(1, 1), u"1:1paste"_qs);
    // The limit stops typing and a composed character without a word (and
    // the selection's paste, where the system keeps one, as any paste);
    // dropped text never goes in.
    TypeText(u"x"_qs);
    CommitText(writable.InplaceEditor(), u"库"_qs);
    MiddleClickPaste(writable.InplaceEditor(), u"selected"_qs);
    DropText(writable.InplaceEditor(), u"dropped"_qs);
    EXPECT_EQ(writable.Text(1, 1), u"1:1paste"_qs);
    EXPECT_EQ(answers.Messages.size(), 1u);
    // A mask set on the loaded editor keeps what of its text fits; from
    // then on the mask, not the limit, rules the typing.
    writable.InplaceEditor()->SetEditMask(u"999;0;_"_qs);
    EXPECT_EQ(writable.InplaceEditor()->EditText(), u"1_1"_qs);
    TypeText(u"\bz2"_qs);
    EXPECT_EQ(writable.InplaceEditor()->EditText(), u"1_2"_qs);
    EXPECT_EQ(writable.Text(1, 1), u"1 2"_qs);
}

TEST_F(GridTest, EnterAndLeftAtTheStartStayWithTheEditorUnlessItIsAlwaysShown)
{
    // Enter opens and closes the editor; Left at the start stays in it.
    TTestGrid grid;
    Prepare(grid);
    TypeText(u"\r"_qs);
    ASSERT_TRUE(Editor(grid));
    EXPECT_TRUE(Editor(grid)->isVisible());
    TypeText(u"\r"_qs);
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_FALSE(Editor(grid)->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), &grid);
    grid.SetCol(3);
    PressKey(Qt::Key_F2);
    PressKey(Qt::Key_Home);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 3);
    EXPECT_TRUE(Editor(grid)->isVisible());

    // Always shown, Enter toggles the selection and Left at the start moves.
    TTestGrid always;
    Prepare(always, goAlwaysShowEditor);
    always.ShowEditor();
    ASSERT_TRUE(Editor(always) && Editor(always)->isVisible());
    EXPECT_EQ(Editor(always)->selectedText(), u"1:1"_qs);
    TypeText(u"\r"_qs);
    EXPECT_TRUE(Editor(always)->isVisible());
    EXPECT_FALSE(Editor(always)->hasSelectedText());
    TypeText(u"\r"_qs);
    EXPECT_EQ(Editor(always)->selectedText(), u"1:1"_qs);
    always.SetCol(3);
    PressKey(Qt::Key_Home);
    EXPECT_EQ(always.Col(), 3);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(always.Col(), 2) << "caret at 0: the key goes to the grid";
    EXPECT_TRUE(Editor(always)->isVisible());
    EXPECT_EQ(Editor(always)->text(), u"1:2"_qs);
}

TEST_F(GridTest, TabFromTheEditorMovesTheGridAndTheEditorFollowsWhenAlwaysShown)
{
    TTestGrid grid;
    Prepare(grid, goAlwaysShowEditor | goTabs);
    grid.ShowEditor();
    TypeText(u"z\t"_qs);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.Text(1, 1), u"z"_qs);
    EXPECT_EQ(Editor(grid)->text(), u"1:2"_qs);
    EXPECT_EQ(Editor(grid)->geometry(), grid.CellRect(2, 1).ToQRect());
    // Scrolling moves the editor with its cell.
    grid.SetLeftCol(2);
    EXPECT_EQ(Editor(grid)->geometry(), grid.CellRect(2, 1).ToQRect());
}

TEST_F(GridTest, AClickOnTheEditorSoonAfterAClickOnTheGridIsADoubleClick)
{
    TClickGrid grid;
    Prepare(grid);
    const QPoint cell = Centre(grid.CellRect(1, 1));
    MousePress(grid, cell, Qt::NoModifier, 1000); // on the current cell
    MouseRelease(grid, cell);
    ASSERT_TRUE(Editor(grid) && Editor(grid)->isVisible());
    const auto pressEditor = [&](ulong timestamp) {
        SendMouse(Editor(grid), QEvent::MouseButtonPress, Editor(grid)->mapFromParent(cell), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier, timestamp);
    };
    pressEditor(1000 + GetDoubleClickTime() / 2);
    EXPECT_EQ(grid.DoubleClicks, 1);
    // A later click is a plain click.
    pressEditor(1000 + 10 * GetDoubleClickTime());
    EXPECT_EQ(grid.DoubleClicks, 1);
}

TEST_F(GridTest, LeavingTheGridClosesTheEditorAndKeepsTheText)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* grid = new TTestGrid;
    auto* other = new QLineEdit;
    layout->addWidget(grid);
    layout->addWidget(other);
    grid->SetOptions(grid->Options() | goEditing);
    FillTexts(*grid);
    window.resize(400, 300);
    ShowActive(window);
    grid->setFocus();
    QCoreApplication::processEvents();
    PressKey(Qt::Key_F2);
    TypeText(u"k"_qs);
    ASSERT_TRUE(grid->InplaceEditor()->isVisible());
    other->setFocus();
    QCoreApplication::processEvents();
    EXPECT_FALSE(grid->InplaceEditor()->isVisible());
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(grid->Text(1, 1), u"1:1k"_qs);
}
