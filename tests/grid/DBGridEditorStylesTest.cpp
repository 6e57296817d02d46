// The cell editor's other styles: the calendar and the calculator write
// their values; the buttons inside the cell, their widths and the text
// rectangle at two font sizes, and a first click on another row's buttons;
// Ctrl+F from the editor.

#include "DBGridEditorTestSupport.h"

#include "grid/DBGridMvFindDlgs.h"
#include "gridbase/CalculatorMv.h"
#include "platform/db/Field.h"
#include "support/DialogAnswers.h"
#include "support/WindowClick.h"

namespace {

// A click on a button's upper half (or its lower half).
void ClickButton(QWidget* button, bool lower = false)
{
    ClickOn(button, QPoint(button->width() / 2, button->height() * (lower ? 3 : 1) / 4));
}

// The right-most column holding a dark pixel.
int LastInkColumn(const QImage& image)
{
    for (int x = image.width() - 1; x >= 0; --x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y).lightness() < 100)
                return x;
    return -1;
}

} // namespace

TEST_F(DBGridEditorTest, CalendarAndCalculatorWriteTheirValuesAndAnOpenCalendarTakesNoTyping)
{
    OpenStockIns();
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("Date"));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->EditStyle(), esDateMv);

    // The button opens the calendar on the field's date; Right steps a day,
    // Enter writes it.
    ClickButton(editor->ButtonControl(0));
    TPopupMonthCalendarMv* calendar = editor->Calendar();
    ASSERT_TRUE(calendar && calendar->isVisible());
    EXPECT_EQ(calendar->Date(), QDate(2024, 3, 1));
    PressKey(editor, Qt::Key_Right);
    PressKey(editor, Qt::Key_Return);
    EXPECT_FALSE(calendar->isVisible());
    Data->Post();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Date"))->AsDateTime().date(), QDate(2024, 3, 2));

    // An empty cell opens on today; Escape writes nothing.
    Data->Edit();
    Data->FieldByName(QStringLiteral("Date"))->Clear();
    Data->Post();
    editor = EditColumn(QStringLiteral("Date"));
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(calendar->Date(), QDate::currentDate());
    // The open calendar takes no typing; closed, the text takes the key.
    const QString before = editor->text();
    Type(editor, QStringLiteral("9"));
    EXPECT_EQ(editor->text(), before);
    PressKey(editor, Qt::Key_Escape);
    EXPECT_FALSE(calendar->isVisible());
    editor->selectAll();
    Type(editor, QStringLiteral("9"));
    EXPECT_NE(editor->text(), before);
    PressKey(editor, Qt::Key_Escape);
    Data->Cancel();
    EXPECT_TRUE(Data->FieldByName(QStringLiteral("Date"))->IsNull());

    // A number column with a drop-down button gets the calculator, seeded
    // with the cell's value; its result becomes the cell's text.
    Grid->GetColumnByFieldName(QStringLiteral("Qty"))->SetButtonStyle(cbsDropDown);
    editor = EditColumn(QStringLiteral("Qty"));
    EXPECT_EQ(editor->EditStyle(), esDropDownMv);
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    TPopupCalculatorMv* calculator = editor->Calculator();
    ASSERT_TRUE(calculator && calculator->isVisible());
    EXPECT_EQ(calculator->Value(), 10);
    Type(editor, QStringLiteral("*3"));
    for (int i = 0; i < 2 && calculator->isVisible(); ++i)
        PressKey(editor, Qt::Key_Return);
    EXPECT_FALSE(calculator->isVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("30"));
    Data->Post();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Qty"))->AsInteger(), 30);
}

TEST_F(DBGridEditorTest, UpDownAndExtraButtonsStepAndClick)
{
    OpenStockIns();
    TColumnMv* qty = Grid->GetColumnByFieldName(QStringLiteral("Qty"));
    qty->SetButtonStyle(cbsUpDown);
    qty->SetIncrement(5);
    int clicks = 0;
    TEditButtonMv* extra = qty->EditButtons().Add();
    extra->SetStyle(ebsEllipsisMv);
    extra->SetVisible(true);
    extra->SetShortCut(ShortCut(VK_F2 + 1, ssCtrl));
    extra->SetHint(QStringLiteral("加五"));
    extra->OnClick = [&](QObject*, bool& Handled) {
        ++clicks;
        Handled = true;
    };
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("Qty"));
    ASSERT_EQ(editor->ButtonCount(), 2);
    // The upper half adds the increment, the lower half takes it away.
    ClickButton(editor->ButtonControl(0));
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Qty"))->AsInteger(), 15);
    ClickButton(editor->ButtonControl(0), true);
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Qty"))->AsInteger(), 10);
    // The extra button answers its click and its short-cut.
    ClickButton(editor->ButtonControl(1));
    PressKey(editor, Qt::Key_F3, Qt::ControlModifier);
    EXPECT_EQ(clicks, 2);
    // The extra button shows its item's hint; the main button none (its
    // help events go on to the grid, which shows the cell's own tips).
    EXPECT_EQ(editor->ButtonControl(1)->toolTip(), QStringLiteral("加五"));
    EXPECT_EQ(editor->ButtonControl(0)->toolTip(), QString());

    // The ellipsis style's button and Ctrl+Enter run the grid's edit-button
    // click.
    int gridClicks = 0;
    Grid->OnEditButtonClick = [&](QObject*) { ++gridClicks; };
    qty->SetButtonStyle(cbsEllipsis);
    editor = EditColumn(QStringLiteral("Qty"));
    EXPECT_EQ(editor->EditStyle(), esEllipsisMv);
    ClickButton(editor->ButtonControl(0));
    PressKey(editor, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(gridClicks, 2);
    EXPECT_TRUE(editor->isVisible()) << "Ctrl+Enter does not close the editor";
}

TEST_F(DBGridEditorTest, ButtonsStandAtTheRightAndTheTextKeepsClearOfThemAtTwoFontSizes)
{
    OpenStockIns();
    Grid->SetFlat(true);
    TColumnMv* qty = Grid->GetColumnByFieldName(QStringLiteral("Qty"));
    qty->SetWidth(160);
    qty->SetButtonStyle(cbsEllipsis);
    qty->SetAlignment(taRightJustify);
    TEditButtonMv* extra = qty->EditButtons().Add();
    extra->SetStyle(ebsGlyphMv);
    extra->SetVisible(true);
    extra->SetWidth(20);
    for (const int points : {9, 18}) {
        QFont font = Grid->font();
        font.setPointSize(points);
        Grid->setFont(font);
        Grid->SetRowHeight(QFontMetrics(font).height() + 6);
        TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("Qty"));
        ASSERT_NE(editor, nullptr);
        // From the left: separator, main button, separator, extra button
        // at the right edge.
        const int w = editor->width();
        const QRect main = editor->ButtonControl(0)->geometry();
        const QRect second = editor->ButtonControl(1)->geometry();
        EXPECT_EQ(second.right(), w - 1) << points;
        EXPECT_EQ(second.width(), 20);
        EXPECT_EQ(main.width(), FlatButtonWidth());
        EXPECT_EQ(editor->ButtonWidth(), FlatButtonWidth() + 1 + 20 + 1);
        EXPECT_EQ(qty->EditButtonsWidth(), editor->ButtonWidth());
        EXPECT_EQ(editor->EditRect().Right, w - 2 - editor->ButtonWidth());
        // Buttons are as high as the editor unless it is taller than one and
        // a half of their width.
        const int expected = editor->height() > RoundHalfEven(qint64(FlatButtonWidth()) * 3, 2)
                                 ? std::min(DefaultEditButtonHeight(FlatButtonWidth(), true), 20)
                                 : editor->height();
        EXPECT_EQ(main.height(), expected) << points;
        // The right-aligned text ends before the buttons, on screen.
        editor->setText(QStringLiteral("88888"));
        editor->deselect();
        QImage text = GrabWidget(editor).copy(0, 0, w - editor->ButtonWidth(), editor->height());
        const int ink = LastInkColumn(text);
        EXPECT_GT(ink, w / 2) << points;
        EXPECT_LT(ink, w - editor->ButtonWidth()) << points;
        PressKey(editor, Qt::Key_Escape);
    }
}

TEST_F(DBGridEditorTest, AFirstClickOnAnotherRowsCellButtonsClicksThemAndLetsTheMouseGo)
{
    OpenStockIns();
    Grid->SetFlat(true);
    TColumnMv* qty = Grid->GetColumnByFieldName(QStringLiteral("Qty"));
    qty->SetWidth(120);
    qty->SetButtonStyle(cbsEllipsis);
    int mainClicks = 0;
    qty->OnEditButtonClick = [&](QObject*, bool& Handled) {
        ++mainClicks;
        Handled = true;
    };
    qty->SetAlwaysShowEditButton(true);
    TEditButtonMv* extra = qty->EditButtons().Add();
    extra->SetStyle(ebsPlusMv);
    extra->SetVisible(true);
    int extraClicks = 0;
    extra->OnClick = [&](QObject*, bool& Handled) {
        ++extraClicks;
        Handled = true;
    };
    // From the cell's right edge: the extra button, a separator, the main
    // button. The press opens the editor there and goes on to the button;
    // the release, which Qt sends where the mouse is held, clicks it.
    const int w = FlatButtonWidth();
    const struct {
        int Row;
        int FromRight;
        const int& Clicks;
    } presses[] = {{2, w / 2 + 1, extraClicks}, {0, w + 1 + w / 2 + 1, mainClicks}};
    for (const auto& press : presses) {
        const TRect cell = DataCell(*Grid, qty->Index(), press.Row);
        ClickThroughWindow(Grid->ClientWidget(), QPoint(cell.Right - press.FromRight, cell.Top + 3));
        TDBGridInplaceEdit* editor = Grid->CellEditor();
        ASSERT_TRUE(editor && editor->isVisible()) << press.Row;
        EXPECT_EQ(Data->RecNo(), press.Row + 1);
        EXPECT_EQ(press.Clicks, 1) << press.Row;
        for (int i = 0; i < editor->ButtonCount(); ++i)
            EXPECT_EQ(editor->ButtonControl(i)->State(), bsUp) << press.Row << ' ' << i;
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr) << "the next move belongs to whatever is under the pointer";
    }
    EXPECT_EQ(mainClicks + extraClicks, 2);
}

TEST_F(DBGridEditorTest, RecentValuesDropDownAndTheRequiredMark)
{
    OpenSkus();
    TColumnMv* color = Grid->GetColumnByFieldName(QStringLiteral("PropAlias"));
    TMRUListMv& recent = color->MRUList();
    recent.SetActive(true);
    for (const char* text : {"Rose", "Blue", "Red"})
        recent.Add(QString::fromUtf8(text));
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("PropAlias"));
    editor->selectAll();
    Type(editor, QStringLiteral("R"));
    ASSERT_TRUE(editor->MRUListVisible());
    EXPECT_EQ(editor->MRUListBox()->Count(), 2);
    PressKey(editor, Qt::Key_Down);
    PressKey(editor, Qt::Key_Return);
    EXPECT_FALSE(editor->MRUListVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("Red"));
    // Emptying the text closes the list; Backspace in the empty editor
    // shows every recent value.
    editor->selectAll();
    Type(editor, QStringLiteral("B"));
    EXPECT_TRUE(editor->MRUListVisible());
    PressKey(editor, Qt::Key_Backspace);
    EXPECT_FALSE(editor->MRUListVisible());
    PressKey(editor, Qt::Key_Backspace);
    ASSERT_TRUE(editor->MRUListVisible());
    EXPECT_EQ(editor->MRUListBox()->Count(), 3);
    PressKey(editor, Qt::Key_Escape);
    Data->Cancel();

    // A required, empty field of an inserted record gets a red dotted line
    // along the editor's bottom.
    TColumnMv* qty = Grid->GetColumnByFieldName(QStringLiteral("Qty"));
    qty->SetHighlightRequired(true);
    Data->FieldByName(QStringLiteral("Qty"))->SetRequired(true);
    Data->Insert();
    editor = EditColumn(QStringLiteral("Qty"));
    ASSERT_TRUE(editor && editor->isVisible());
    auto redPixels = [&] {
        const QImage image = GrabWidget(editor);
        int red = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, image.height() - 1);
            red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
        return red;
    };
    EXPECT_GT(redPixels(), editor->EditRect().Width() / 4);
    Type(editor, QStringLiteral("7"));
    Grid->DataLink()->UpdateRecord();
    EXPECT_EQ(redPixels(), 0);
    Data->Cancel();
}

TEST_F(DBGridEditorTest, CtrlFInTheEditorSearchesOrOpensTheFindDialogWithTheSelectedText)
{
    OpenSkus();
    TDialogAnswers answers;
    QString found;
    QString findIn;
    answers.Modal = [&](QDialog& dialog) {
        auto& find = static_cast<TDBGridMvFindDlg&>(dialog);
        found = find.cbText->text();
        findIn = find.cbFindIn->text();
        return int(QDialog::Rejected);
    };
    // The find dialog alone: it opens on the editor's column with only the
    // selected part of the text.
    Grid->SetOptionsMv(Grid->OptionsMv() | dghDialogFind);
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("PropAlias"));
    editor->setSelection(1, 2);
    PressKey(editor, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(found, QStringLiteral("ed"));
    EXPECT_EQ(findIn, Grid->GetColumnByFieldName(QStringLiteral("PropAlias"))->Title().Caption());

    // With the incremental search too, Ctrl+F starts the search (the grid
    // takes the keys) and opens no dialog; while the search runs, Ctrl+F in
    // an editor shown again stops it and opens the dialog with the editor's
    // selected text.
    found.clear();
    Grid->SetOptionsMv(Grid->OptionsMv() | dghIncSearch);
    editor = EditColumn(QStringLiteral("PropAlias"));
    PressKey(editor, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(Grid->IncSearchActive());
    EXPECT_FALSE(Grid->EditorMode());
    EXPECT_TRUE(found.isEmpty());
    Grid->ShowEditor();
    ASSERT_TRUE(Grid->IncSearchActive());
    editor->selectAll();
    PressKey(editor, Qt::Key_F, Qt::ControlModifier);
    EXPECT_FALSE(Grid->IncSearchActive());
    EXPECT_EQ(found, QStringLiteral("Red"));
}
