// The cell editor's drop-downs as they stand beside it: the pick list as
// wide as the editor from its first opening, every drop-down in the cell's
// colour and font, the caret hidden while the calculator is down, and an
// open data list that hears of its column's special row and list fields,
// and the recent values that close when the user types on while they are
// refiltered.

#include "DBGridEditorTestSupport.h"

#include "gridbase/CalculatorMv.h"
#include "platform/Colors.h"
#include "platform/db/Field.h"

namespace {

constexpr TColor CellColour = 0x80FFFF; // a light yellow
constexpr TColor CellTextColour = clMaroon;

// Paints the column's cells (and its editor) light yellow with maroon text.
void ColourCells(TColumnMv* Column)
{
    Column->SetOnGetCellParams([](QObject*, bool, TColCellParamsMv& Params) {
        Params.Background = CellColour;
        Params.Font->Color = CellTextColour;
    });
}

// Whether the editor draws its caret: a dark pixel where the caret stands,
// inside the text rectangle.
bool CaretShows(TDBGridInplaceEdit* Editor)
{
    QCoreApplication::processEvents();
    const QImage image = Editor->grab().toImage();
    const QRect caret = static_cast<QWidget*>(Editor)->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const TRect text = Editor->EditRect();
    for (int x = std::max(caret.left(), text.Left); x <= std::min(caret.right(), text.Right - 1); ++x)
        for (int y = std::max(caret.top(), 0); y <= std::min(caret.bottom(), image.height() - 1); ++y)
            if (image.pixelColor(x, y).lightness() < 100)
                return true;
    return false;
}

} // namespace

TEST_F(DBGridEditorTest, APickListIsAsWideAsTheEditorFromItsFirstOpeningAndWiderOnlyForItsTexts)
{
    OpenSkus();
    TColumnMv* colour = Grid->GetColumnByFieldName(QStringLiteral("PropAlias"));
    colour->SetWidth(140);
    const TStringList few(QStringList{u"Red"_qs, u"Blue"_qs, u"Green"_qs});
    colour->SetPickList(&few);
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("PropAlias"));
    ASSERT_NE(editor, nullptr);
    // Three items fit in the list's rows; the first opening already has the
    // editor's width.
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    TPopupListboxMv* list = editor->PickList();
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->width(), editor->width());
    EXPECT_FALSE(list->ScrollBarShowing(sbVertical));
    PressKey(editor, Qt::Key_Escape);
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(list->width(), editor->width());
    PressKey(editor, Qt::Key_Escape);

    // Twenty items scroll: the bar takes its room inside the same width.
    TStringList many;
    for (int i = 0; i < 20; ++i)
        many.Add(QStringLiteral("色%1").arg(i));
    colour->SetPickList(&many);
    editor = EditColumn(QStringLiteral("PropAlias"));
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(list->ScrollBarShowing(sbVertical));
    EXPECT_EQ(list->width(), editor->width());
    EXPECT_TRUE(SaveScreenshot(WithPopup(Window.get(), list), QStringLiteral("dbgrid-picklist-width.png")));
    PressKey(editor, Qt::Key_Escape);

    // A text wider than the editor widens the list to show it whole.
    many.Add(QStringLiteral("一个很长很长很长很长很长的颜色名称"));
    colour->SetPickList(&many);
    editor = EditColumn(QStringLiteral("PropAlias"));
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    const int widest = QFontMetrics(editor->font()).horizontalAdvance(many[20]);
    EXPECT_GT(list->width(), editor->width());
    EXPECT_EQ(list->ClientWidth(), widest + 4);
    PressKey(editor, Qt::Key_Escape);
}

TEST_F(DBGridEditorTest, EveryDropDownTakesTheCellsColourAndFontAsTheEditorShowsThem)
{
    OpenSkus();
    // A pick list.
    TColumnMv* colour = Grid->GetColumnByFieldName(QStringLiteral("PropAlias"));
    const TStringList picks(QStringList{u"Red"_qs, u"Blue"_qs});
    colour->SetPickList(&picks);
    ColourCells(colour);
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("PropAlias"));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->palette().color(QPalette::Base), Resolved(*Grid, CellColour));
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    TPopupListboxMv* list = editor->PickList();
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->Color(), CellColour);
    EXPECT_EQ(list->FontColor(), CellTextColour);
    EXPECT_EQ(list->font(), editor->font());
    // The row below the selected item shows the cell's colour.
    const QImage pickImage = list->ClientWidget()->grab().toImage();
    const TRect blue = list->ItemRect(1);
    EXPECT_EQ(pickImage.pixelColor(blue.Right - 3, blue.Top + 1), Resolved(*Grid, CellColour));
    PressKey(editor, Qt::Key_Escape);

    // The lookup column's data list.
    TColumnMv* item = Grid->GetColumnByFieldName(QStringLiteral("Item"));
    ColourCells(item);
    editor = EditColumn(QStringLiteral("Item"));
    ASSERT_EQ(editor->EditStyle(), esDataListMv);
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    TPopupDataGridMv* dataList = editor->DataList();
    ASSERT_TRUE(dataList->isVisible());
    EXPECT_EQ(dataList->Color(), CellColour);
    EXPECT_EQ(dataList->FontColor(), CellTextColour);
    EXPECT_EQ(dataList->Columns()[0]->Color(), CellColour) << "its columns paint in it";
    PressKey(editor, Qt::Key_Escape);
}

TEST_F(DBGridEditorTest, TheCalendarTakesTheCellsColourAndFont)
{
    OpenStockIns();
    TColumnMv* date = Grid->GetColumnByFieldName(QStringLiteral("Date"));
    ColourCells(date);
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("Date"));
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(editor->EditStyle(), esDateMv);
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    TPopupMonthCalendarMv* calendar = editor->Calendar();
    ASSERT_TRUE(calendar->isVisible());
    EXPECT_EQ(calendar->palette().color(QPalette::Base), Resolved(*Grid, CellColour));
    EXPECT_EQ(calendar->palette().color(QPalette::Text), Resolved(*Grid, CellTextColour));
    EXPECT_EQ(calendar->font(), editor->font());
    EXPECT_TRUE(SaveScreenshot(WithPopup(Window.get(), calendar), QStringLiteral("dbgrid-calendar-colour.png")));
    PressKey(editor, Qt::Key_Escape);
}

TEST_F(DBGridEditorTest, TheCaretHidesWhileTheCalculatorIsDownAndShowsAgainAfter)
{
    // A steady caret: what is drawn does not depend on when it is grabbed.
    const int flashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);
    OpenSkus();
    Data->Edit();
    Data->FieldByName(QStringLiteral("Qty"))->Clear();
    Data->Post();
    Grid->GetColumnByFieldName(QStringLiteral("Qty"))->SetButtonStyle(cbsDropDown);
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("Qty"));
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(editor->EditStyle(), esDropDownMv);
    ASSERT_EQ(editor->text(), QString());
    EXPECT_TRUE(CaretShows(editor));

    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(editor->Calculator()->isVisible());
    EXPECT_FALSE(CaretShows(editor));
    EXPECT_TRUE(editor->hasFocus()) << "the keys still come to the editor";
    PressKey(editor, Qt::Key_Escape);
    EXPECT_FALSE(editor->Calculator()->isVisible());
    EXPECT_TRUE(CaretShows(editor));
    // The editor takes typing as before.
    Type(editor, QStringLiteral("7"));
    EXPECT_EQ(editor->text(), QStringLiteral("7"));

    // Accepting a value shows the caret again too.
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    Type(editor, QStringLiteral("9"));
    PressKey(editor, Qt::Key_Return);
    EXPECT_EQ(editor->text(), QStringLiteral("9"));
    EXPECT_FALSE(editor->isReadOnly());
    editor->setCursorPosition(0);
    EXPECT_TRUE(CaretShows(editor));
    QApplication::setCursorFlashTime(flashTime);
}

TEST_F(DBGridEditorTest, TheDataListHearsOfItsColumnsSpecialRowAndListFieldsAtOnce)
{
    OpenSkus();
    TColumnMv* item = Grid->GetColumnByFieldName(QStringLiteral("Item"));
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("Item"));
    ASSERT_NE(editor, nullptr);
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    TPopupDataGridMv* list = editor->DataList();
    ASSERT_EQ(list, item->DataListIfAny());
    ASSERT_TRUE(list->isVisible());
    ASSERT_FALSE(list->SpecRow().Visible());
    EXPECT_EQ(list->Columns().Count(), 1);

    // A change of the column's settings reloads the editor, which closes
    // the list; the list holds the new settings from that moment on, not
    // only from its next opening.
    TSpecRowMv& special = item->DropDownSpecRow();
    special.SetCellsText(QStringLiteral("(无)"));
    special.SetValue(Variant(qint64(0)));
    special.SetVisible(true);
    EXPECT_TRUE(list->SpecRow().Visible());
    EXPECT_EQ(list->SpecRow().CellsText(), QStringLiteral("(无)"));
    EXPECT_TRUE(VarEqualsMv(list->SpecRow().Value(), Variant(qint64(0))));
    item->SetLookupDisplayFields(QStringLiteral("Title;NumIID"));
    EXPECT_EQ(list->ListField(), QStringLiteral("Title;NumIID"));
    special.SetVisible(false);
    EXPECT_FALSE(list->SpecRow().Visible());
    special.SetVisible(true);

    // Opened again, it shows them.
    editor = EditColumn(QStringLiteral("Item"));
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->Columns().Count(), 2);
    EXPECT_EQ(list->TitleRowCount(), 1) << "the special row stands above the records";
    EXPECT_EQ(list->Text(), QStringLiteral("衬衫"));
    EXPECT_TRUE(SaveScreenshot(WithPopup(Window.get(), list), QStringLiteral("dbgrid-datalist-fields.png")));
    // Chosen from the special row, the field takes its value (the first Up
    // finds the list at its beginning, the second goes above it).
    PressKey(editor, Qt::Key_Up);
    PressKey(editor, Qt::Key_Up);
    EXPECT_TRUE(list->SpecRowSelected());
    PressKey(editor, Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("(无)"));
}

TEST_F(DBGridEditorTest, TheRecentValuesCloseWhenTheUserTypesOnWhileTheyAreRefiltered)
{
    OpenSkus();
    TMRUListMv& recent = Grid->GetColumnByFieldName(QStringLiteral("PropAlias"))->MRUList();
    recent.SetActive(true);
    for (const char* text : {"Rose", "Blue", "Red"})
        recent.Add(QString::fromLatin1(text));
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("PropAlias"));
    editor->selectAll();
    Type(editor, QStringLiteral("R"));
    ASSERT_TRUE(editor->MRUListVisible());

    // "s" waits while "o" refilters the list: the shown list closes, and
    // the key, once handled, refines it.
    QCoreApplication::postEvent(editor, new QKeyEvent(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, QStringLiteral("s")));
    QKeyEvent o(QEvent::KeyPress, Qt::Key_O, Qt::NoModifier, QStringLiteral("o"));
    QApplication::sendEvent(editor, &o);
    EXPECT_FALSE(editor->MRUListVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("Ro"));
    QCoreApplication::processEvents();
    EXPECT_EQ(editor->text(), QStringLiteral("Ros"));
    ASSERT_TRUE(editor->MRUListVisible());
    EXPECT_EQ(editor->MRUListBox()->Items().Items(), QStringList{QStringLiteral("Rose")});
}
