// The cell editor of a wrapping column in rows of three lines: its text on
// several lines, Up and Down between them and where they leave it, and a
// memo's line breaks.

#include "DBGridTestSupport.h"
#include "grid/DBGridMvInplaceEdit.h"

namespace {

const QString LongNote = QStringLiteral("红色 大号 纯棉 衬衫 春季 新款 男士 长袖 商务 休闲 修身 免烫");

} // namespace

class DBGridWrapEditorTest : public DBGridTest {
protected:
    void SetUp() override
    {
        DBGridTest::SetUp();
        Data = std::make_unique<TClientDataSet>();
        Data->FieldDefs().Add(QStringLiteral("Note"), ftString, 200);
        Data->FieldDefs().Add(QStringLiteral("Memo"), ftMemo);
        Data->CreateDataSet();
        for (int i = 1; i <= 3; ++i) {
            Data->Append();
            Data->FieldByName(QStringLiteral("Note"))->SetAsString(QStringLiteral("%1 %2").arg(i).arg(LongNote));
            Data->FieldByName(QStringLiteral("Memo"))->SetAsString(QStringLiteral("第一行\r\n第二行\r第三行"));
            Data->Post();
        }
        Data->First();
        Grid->SetRowLines(3);
        Grid->SetDrawMemoText(true);
        Bind(*Data);
        Grid->Columns()[0]->SetWidth(150);
        Show(360, 260);
        Focus();
    }

    TDBGridInplaceEdit* Edit(int column)
    {
        Grid->MoveCol(Grid->DataToRawColumn(column), 0);
        if (!Grid->EditorMode())
            PressKey(Grid->ClientWidget(), Qt::Key_F2);
        return Grid->CellEditor();
    }

    int CaretLine(TDBGridInplaceEdit* editor)
    {
        return editor->WrappedText().LineOfPosition(editor->cursorPosition());
    }

    std::unique_ptr<TClientDataSet> Data;
};

TEST_F(DBGridWrapEditorTest, UpAndDownMoveBetweenTheLinesAndLeaveWhereTheOptionsSay)
{
    TDBGridInplaceEdit* editor = Edit(0);
    ASSERT_TRUE(editor && editor->isVisible());
    ASSERT_TRUE(editor->WordWrap());
    const int lines = editor->WrappedText().LineCount();
    ASSERT_GE(lines, 3) << "the note wraps in its column";

    // The lines are painted: ink on the second line's band too.
    const TRect text = editor->EditRect();
    const int height = editor->WrappedText().LineHeight();
    const QImage shot = editor->grab().toImage();
    EXPECT_TRUE(HasInk(shot, TRect(text.Left, text.Top + height, text.Right, text.Top + 2 * height)));
    EXPECT_TRUE(SaveScreenshot(Grab(), QStringLiteral("dbgrid-wrap-editor.png")));

    // Without dgAlwaysShowEditor Up and Down stay in the editor, Shift
    // selecting; the record never moves.
    editor->setCursorPosition(0);
    PressKey(editor, Qt::Key_Down);
    EXPECT_EQ(CaretLine(editor), 1);
    PressKey(editor, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(CaretLine(editor), 2);
    EXPECT_EQ(editor->WrappedText().LineOfPosition(editor->selectionStart()), 1);
    for (int i = 0; i < lines + 1; ++i)
        PressKey(editor, Qt::Key_Up);
    EXPECT_EQ(CaretLine(editor), 0);
    EXPECT_FALSE(editor->hasSelectedText());
    EXPECT_EQ(Data->RecNo(), 1);

    // With it, they go to the grid from the first and the last line, and
    // with the whole text selected; between, they stay.
    Grid->SetOptions(Grid->Options() | dgAlwaysShowEditor);
    Data->SetRecNo(2);
    editor = Grid->CellEditor();
    editor->setCursorPosition(0);
    PressKey(editor, Qt::Key_Down);
    EXPECT_EQ(Data->RecNo(), 2);
    EXPECT_EQ(CaretLine(editor), 1);
    PressKey(editor, Qt::Key_Up);
    PressKey(editor, Qt::Key_Up);
    EXPECT_EQ(Data->RecNo(), 1);
    editor->setCursorPosition(int(editor->text().size()));
    PressKey(editor, Qt::Key_Down);
    EXPECT_EQ(Data->RecNo(), 2);
    editor->selectAll();
    PressKey(editor, Qt::Key_Down);
    EXPECT_EQ(Data->RecNo(), 3);
}

TEST_F(DBGridWrapEditorTest, AMemoIsEditedWithItsLineBreaksAdjusted)
{
    EXPECT_EQ(AdjustLineBreaks(QStringLiteral("a\r\nb\rc\nd\r\n")), QStringLiteral("a\nb\nc\nd\n"));
    TDBGridInplaceEdit* editor = Edit(1);
    ASSERT_TRUE(editor && editor->WordWrap());
    EXPECT_EQ(editor->text(), QStringLiteral("第一行\n第二行\n第三行"));
    EXPECT_EQ(editor->WrappedText().LineCount(), 3);
    // Left alone, the field keeps its own breaks.
    PressKey(editor, Qt::Key_Down);
    Data->Next();
    EXPECT_EQ(Data->State(), dsBrowse);
    Data->First();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Memo"))->AsString(), QStringLiteral("第一行\r\n第二行\r第三行"));
}
