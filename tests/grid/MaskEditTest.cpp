// Edit masks over a real database: a phone number, a postcode and a date in
// the grid's cell editor and in the data-aware edit. Typing, pasting,
// Backspace and Delete over literals, what the field receives, the check of
// required positions on post and on leaving, the caret on leaving and the
// recent values closing on an empty masked text.

#include "DBGridEditorTestSupport.h"

#include "gridbase/DBCtrlsMv.h"
#include "platform/db/Field.h"
#include "support/DialogAnswers.h"

#include <QClipboard>

namespace {

const QString PhoneMask = QStringLiteral("!\\(999\\)0000-0000;1;_");
const QString BarePhoneMask = QStringLiteral("!\\(999\\)0000-0000;0;_");
const QString EmptyPhone = QStringLiteral("(___)____-____");

class MaskEditTest : public DBGridDatabaseTest {
protected:
    void SetUp() override
    {
        DBGridDatabaseTest::SetUp();
        Exec(QStringLiteral("create table \"Contact\" (\"Id\" integer not null primary key, \"Phone\" varchar(20), "
                            "\"Postcode\" varchar(6), \"Born\" date)"));
        Exec(QStringLiteral("insert into \"Contact\" values (1, '(010)1234-5678', '100080', '1990-05-01')"));
        Exec(QStringLiteral("insert into \"Contact\" (\"Id\") values (2)"));
        Data = &OpenClient(QStringLiteral(
            "select \"Id\", \"Phone\", \"Postcode\", \"Born\" from \"Contact\" order by \"Id\""));
        Field("Phone")->SetEditMask(PhoneMask);
        Field("Postcode")->SetEditMask(QStringLiteral("000000;1;_"));
        Field("Born")->SetEditMask(QStringLiteral("0000-00-00;1;_"));
        Bind(*Data);
        Show(520, 200);
    }

    TField* Field(const char* name) const { return Data->FieldByName(QString::fromLatin1(name)); }
    TDBGridInplaceEdit* EditColumn(const char* fieldName)
    {
        Focus();
        Grid->SetSelectedIndex(Grid->GetColumnByFieldName(QString::fromLatin1(fieldName))->Index());
        PressKey(Grid->ClientWidget(), Qt::Key_F2);
        return Grid->CellEditor();
    }
    // A data-aware edit beside the grid, over the field when one is named.
    TDBEditMv* NewEdit(const char* fieldName = nullptr)
    {
        auto* edit = new TDBEditMv(Window.get());
        edit->setGeometry(300, 150, 200, edit->height());
        edit->show();
        if (fieldName) {
            edit->SetDataSource(Source.get());
            edit->SetDataField(QString::fromLatin1(fieldName));
        }
        return edit;
    }
    void FocusOn(QWidget* widget)
    {
        QApplication::setActiveWindow(Window.get());
        widget->setFocus(Qt::OtherFocusReason);
        QCoreApplication::processEvents();
    }
    void Paste(QWidget* edit, const QString& text)
    {
        QApplication::clipboard()->setText(text);
        PressKey(edit, Qt::Key_V, Qt::ControlModifier);
    }
    // What the database holds for a contact, once the changes are applied.
    QString Stored(const QString& fieldName, int id)
    {
        EXPECT_EQ(Data->ApplyUpdates(0), 0);
        return Scalar(QStringLiteral("select \"%1\" from \"Contact\" where \"Id\" = %2").arg(fieldName).arg(id));
    }
    void AddRecentPhones(TMRUListMv& recent)
    {
        recent.SetActive(true);
        recent.Add(QStringLiteral("(010)1234-5678"));
        recent.Add(QStringLiteral("(021)8765-4321"));
    }

    TClientDataSet* Data = nullptr;
};

} // namespace

TEST_F(MaskEditTest, CellEditorTypesPastesAndDeletesOverLiteralsAndNeverStoresAnIncompleteText)
{
    Grid->SetOptions(Grid->Options() | dgTabs);
    Data->Last();
    TDBGridInplaceEdit* editor = EditColumn("Phone");
    ASSERT_NE(editor, nullptr);
    // Blanks where nothing is typed; the literals are stepped over; a
    // letter fits no digit position.
    Type(editor, QStringLiteral("010"));
    EXPECT_EQ(editor->EditText(), QStringLiteral("(010)____-____"));
    EXPECT_EQ(editor->cursorPosition(), 5);
    Type(editor, QStringLiteral("x12345678"));
    EXPECT_EQ(editor->EditText(), QStringLiteral("(010)1234-5678"));
    // Backspace after '-' empties the digit before it; Delete on ')' the
    // one after it; typing on a literal goes into the position after it.
    // Nothing shifts.
    editor->setCursorPosition(10);
    PressKey(editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->EditText(), QStringLiteral("(010)123_-5678"));
    EXPECT_EQ(editor->cursorPosition(), 8);
    editor->setCursorPosition(4);
    PressKey(editor, Qt::Key_Delete);
    EXPECT_EQ(editor->EditText(), QStringLiteral("(010)_23_-5678"));
    editor->setCursorPosition(4);
    Type(editor, QStringLiteral("9"));
    editor->setCursorPosition(8);
    Type(editor, QStringLiteral("4"));
    EXPECT_EQ(editor->EditText(), QStringLiteral("(010)9234-5678"));
    // A paste over the whole text fits with its literals; one character
    // that fits nowhere refuses the paste.
    editor->selectAll();
    Paste(editor, QStringLiteral("(021)87654321"));
    EXPECT_EQ(editor->EditText(), QStringLiteral("(021)8765-4321"));
    editor->selectAll();
    Paste(editor, QStringLiteral("0108765x321"));
    EXPECT_EQ(editor->EditText(), QStringLiteral("(021)8765-4321"));

    // Two required digits emptied: the post is refused, in Chinese, with
    // the caret on the first of them and nothing in the field.
    editor->setCursorPosition(14);
    PressKey(editor, Qt::Key_Backspace);
    PressKey(editor, Qt::Key_Backspace);
    try {
        Data->Post();
        ADD_FAILURE() << "an incomplete text was posted";
    } catch (const EDBEditError& error) {
        EXPECT_EQ(error.Message(), TCustomMaskEdit::IncompleteMessage(13));
        EXPECT_EQ(error.Position(), 12);
    }
    EXPECT_EQ(Data->State(), dsEdit);
    EXPECT_TRUE(Field("Phone")->IsNull());
    EXPECT_EQ(editor->cursorPosition(), 12);
    // Leaving the cell is refused the same way (the program's error box
    // shows what reaches the event loop).
    editor->setCursorPosition(0);
    EXPECT_THROW(PressKey(editor, Qt::Key_Tab), EDBEditError);
    EXPECT_EQ(Grid->GetSelectedField(), Field("Phone"));
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->cursorPosition(), 12);
    EXPECT_TRUE(Field("Phone")->IsNull());

    // Filled in, the cell is left and the text, literals saved, goes into
    // the field. An emptied masked cell is no value, not an incomplete one.
    Type(editor, QStringLiteral("21"));
    PressKey(editor, Qt::Key_Tab);
    EXPECT_EQ(Grid->GetSelectedField(), Field("Postcode"));
    EXPECT_EQ(Field("Phone")->AsString(), QStringLiteral("(021)8765-4321"));
    PressKey(Grid->ClientWidget(), Qt::Key_F2);
    editor = Grid->CellEditor();
    Type(editor, QStringLiteral("1"));
    PressKey(editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->EditText(), QStringLiteral("______"));
    Data->Post();
    EXPECT_EQ(Field("Postcode")->AsString(), QString());
    EXPECT_EQ(Stored(QStringLiteral("Phone"), 2), QStringLiteral("(021)8765-4321"));
}

TEST_F(MaskEditTest, CellEditorTakesTheColumnsMaskElseTheFieldsAndNoneWithAKeyList)
{
    // The column's mask, which keeps no literals, wins over the field's.
    Grid->GetColumnByFieldName(QStringLiteral("Phone"))->SetEditMask(BarePhoneMask);
    Data->Last();
    TDBGridInplaceEdit* editor = EditColumn("Phone");
    ASSERT_NE(editor, nullptr);
    Type(editor, QStringLiteral("02187654321"));
    // The date field's mask over its edit text; the field takes the date.
    editor = EditColumn("Born");
    EXPECT_EQ(editor->EditText(), QStringLiteral("____-__-__"));
    Type(editor, QStringLiteral("20240229"));
    Data->Post();
    EXPECT_EQ(Field("Phone")->AsString(), QStringLiteral("02187654321"));
    EXPECT_EQ(Field("Born")->AsDateTime().date(), QDate(2024, 2, 29));
    // A stored value shows through the mask.
    Data->First();
    EXPECT_EQ(EditColumn("Born")->EditText(), QStringLiteral("1990-05-01"));
    // A column that translates keys to a pick list edits without a mask.
    TColumnMv* postcode = Grid->GetColumnByFieldName(QStringLiteral("Postcode"));
    postcode->PickList().Add(QStringLiteral("北京"));
    postcode->KeyList().Add(QStringLiteral("100080"));
    EXPECT_EQ(EditColumn("Postcode")->EditText(), QStringLiteral("北京"));
}

TEST_F(MaskEditTest, CellEditorRecentValuesCloseWhenTheMaskedTextIsEmptyAgain)
{
    AddRecentPhones(Grid->GetColumnByFieldName(QStringLiteral("Phone"))->MRUList());
    Data->Last();
    TDBGridInplaceEdit* editor = EditColumn("Phone");
    ASSERT_NE(editor, nullptr);
    // The list filters by what is typed from the start, literals included.
    Type(editor, QStringLiteral("01"));
    ASSERT_TRUE(editor->MRUListVisible());
    EXPECT_EQ(editor->MRUListBox()->Count(), 1);
    // Back to the mask applied to an empty text: the list closes.
    PressKey(editor, Qt::Key_Backspace);
    EXPECT_TRUE(editor->MRUListVisible());
    PressKey(editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->EditText(), EmptyPhone);
    EXPECT_FALSE(editor->MRUListVisible());
    // A chosen value goes in through the mask.
    PressKey(editor, Qt::Key_Backspace);
    ASSERT_TRUE(editor->MRUListVisible());
    PressKey(editor, Qt::Key_Down);
    PressKey(editor, Qt::Key_Return);
    EXPECT_EQ(Grid->GridEditText(), QStringLiteral("(010)1234-5678"));
}

TEST_F(MaskEditTest, DataAwareEditShowsTheDisplayTextUnmaskedAndEditsThroughTheFieldsMask)
{
    Field("Born")->SetDisplayFormat(QStringLiteral("yyyy年m月d日"));
    TDBEditMv* born = NewEdit("Born");
    EXPECT_EQ(born->EditText(), QStringLiteral("1990年5月1日"));
    FocusOn(born);
    EXPECT_EQ(born->EditText(), QStringLiteral("1990-05-01"));
    // Typing over the selection starts the edit; Delete on a literal
    // empties the digit after it.
    Type(born, QStringLiteral("19910612"));
    EXPECT_EQ(Data->State(), dsEdit);
    born->setCursorPosition(7);
    PressKey(born, Qt::Key_Delete);
    EXPECT_EQ(born->EditText(), QStringLiteral("1991-06-_2"));
    born->setCursorPosition(8);
    Type(born, QStringLiteral("3"));
    // A paste with a character that fits nowhere changes nothing.
    born->selectAll();
    Paste(born, QStringLiteral("1991-0x-01"));
    EXPECT_EQ(born->EditText(), QStringLiteral("1991-06-32"));
    born->setCursorPosition(8);
    Type(born, QStringLiteral("1"));
    // Leaving writes the date and shows the display text again.
    FocusOn(Other);
    EXPECT_EQ(Field("Born")->AsDateTime().date(), QDate(1991, 6, 12));
    EXPECT_EQ(born->EditText(), QStringLiteral("1991年6月12日"));

    // A mask set on the edit wins over the field's; this one saves no
    // literals, so the field gets the digits alone.
    TDBEditMv* phone = NewEdit("Phone");
    phone->SetEditMask(BarePhoneMask);
    Data->Last();
    FocusOn(phone);
    EXPECT_EQ(phone->EditText(), EmptyPhone);
    Type(phone, QStringLiteral("02187654321"));
    FocusOn(Other);
    EXPECT_EQ(Field("Phone")->AsString(), QStringLiteral("02187654321"));
}

TEST_F(MaskEditTest, DataAwareEditRefusesAnIncompleteTextOnLeavingAndOnPost)
{
    TDialogAnswers answers;
    TDBEditMv* postcode = NewEdit("Postcode");
    Data->Last();
    FocusOn(postcode);
    EXPECT_EQ(postcode->EditText(), QStringLiteral("______"));
    Type(postcode, QStringLiteral("1000"));
    // Leaving: the error box, the focus back, the caret on the first gap,
    // nothing in the field.
    FocusOn(Other);
    QCoreApplication::processEvents();
    EXPECT_EQ(answers.Texts(), QStringList{TCustomMaskEdit::IncompleteMessage(5)});
    EXPECT_TRUE(postcode->hasFocus());
    EXPECT_EQ(postcode->cursorPosition(), 4);
    EXPECT_TRUE(Field("Postcode")->IsNull());
    EXPECT_EQ(postcode->EditText(), QStringLiteral("1000__"));
    // A post while the edit has the focus checks it first.
    EXPECT_THROW(Data->Post(), EDBEditError);
    EXPECT_EQ(Data->State(), dsEdit);
    EXPECT_TRUE(Field("Postcode")->IsNull());
    // Complete, it is written; emptied, it is no value and passes.
    Type(postcode, QStringLiteral("80"));
    Data->Post();
    EXPECT_EQ(Field("Postcode")->AsString(), QStringLiteral("100080"));
    postcode->selectAll();
    PressKey(postcode, Qt::Key_Delete);
    EXPECT_EQ(postcode->EditText(), QStringLiteral("______"));
    Data->Post();
    EXPECT_EQ(Field("Postcode")->AsString(), QString());
    EXPECT_EQ(answers.Messages.size(), 1u);
}

TEST_F(MaskEditTest, DataAwareEditMovesTheCaretBackOnLeavingAndClosesRecentValuesOnAnEmptyMask)
{
    // Without a dataset the edit keeps its edit text as its value.
    TDBEditMv* edit = NewEdit();
    edit->SetEditMask(PhoneMask);
    FocusOn(edit);
    edit->setCursorPosition(0);
    Type(edit, QStringLiteral("01012345678"));
    // Leaving with nothing selected puts the caret two positions back, not
    // before the start; with a selection it stays.
    FocusOn(Other);
    EXPECT_EQ(edit->cursorPosition(), 12);
    EXPECT_EQ(edit->Value(), Variant(QStringLiteral("(010)1234-5678")));
    FocusOn(edit);
    edit->setCursorPosition(1);
    FocusOn(Other);
    EXPECT_EQ(edit->cursorPosition(), 0);
    FocusOn(edit);
    edit->setSelection(2, 3);
    FocusOn(Other);
    EXPECT_EQ(edit->cursorPosition(), 5);

    // The recent values close when the text is the empty mask again;
    // Backspace in the empty masked edit shows every value.
    AddRecentPhones(edit->MRUList());
    edit->SetText(QString());
    FocusOn(edit);
    edit->setCursorPosition(0);
    Type(edit, QStringLiteral("02"));
    ASSERT_TRUE(edit->MRUList().DroppedDown());
    EXPECT_EQ(edit->MRUListBox()->Count(), 1);
    PressKey(edit, Qt::Key_Backspace);
    EXPECT_TRUE(edit->MRUList().DroppedDown());
    PressKey(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->EditText(), EmptyPhone);
    EXPECT_FALSE(edit->MRUList().DroppedDown());
    PressKey(edit, Qt::Key_Backspace);
    ASSERT_TRUE(edit->MRUList().DroppedDown());
    EXPECT_EQ(edit->MRUListBox()->Count(), 2);
}
