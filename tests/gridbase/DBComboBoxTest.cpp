// The data-aware combo box: texts mapped to keys, completion of typed
// text, stepping through items, the list's width and size, and choosing
// from the list by keys and by mouse.

#include "DBCtrlsTestSupport.h"

namespace {

const QStringList Colours = {QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue")};
const QStringList ColourKeys = {QStringLiteral("R"), QStringLiteral("G"), QStringLiteral("B")};

class DBComboBoxTest : public TTableFixture {
protected:
    // Bound to the field; without a field name, free.
    TDBComboBoxMv* Combo(const QString& field, const QStringList& items, const QStringList& keys = {})
    {
        auto* combo = new TDBComboBoxMv(Form.get());
        combo->setGeometry(10, 10, 120, combo->height());
        combo->SetItems(items);
        combo->SetKeyItems(keys);
        if (!field.isEmpty()) {
            combo->SetDataSource(Source.get());
            combo->SetDataField(field);
        }
        return combo;
    }
    // The centre of a row of the open list, in its client coordinates.
    static QPoint RowPoint(TPopupListboxMv* list, int row)
    {
        return QPoint(list->ClientWidth() / 2, row * list->ItemHeight() + list->ItemHeight() / 2);
    }
};

} // namespace

TEST_F(DBComboBoxTest, KeyModeShowsTheTextOfTheFieldsKeyAndWritesTheChosenKey)
{
    TDBComboBoxMv* combo = Combo(QStringLiteral("Code"), Colours, ColourKeys);
    EXPECT_TRUE(combo->KeyBased());
    EXPECT_EQ(combo->Text(), QStringLiteral("Green"));
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Value(), Variant(QStringLiteral("G")));
    EXPECT_TRUE(combo->WindowReadOnly());

    FocusOn(combo);
    PressKey(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_EQ(combo->ListBox()->ItemIndex(), 1);
    PressKey(Qt::Key_Down);
    EXPECT_EQ(combo->ListBox()->ItemIndex(), 2);
    TypeText(QStringLiteral("\r"));
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), QStringLiteral("Blue"));
    EXPECT_EQ(Data->State(), dsEdit);
    Leave();
    EXPECT_EQ(Field(QStringLiteral("Code"))->AsString(), QStringLiteral("B"));

    // A key that is not in the list shows nothing.
    Field(QStringLiteral("Code"))->SetAsString(QStringLiteral("X"));
    EXPECT_EQ(combo->Text(), QString());
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Value(), Variant(QStringLiteral("X")));
    // A null field's key is its edit text, the empty text.
    Field(QStringLiteral("Code"))->Clear();
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Value(), Variant(QString()));

    // Only as many items as there are keys and texts are used.
    combo->SetKeyItems(ColourKeys + QStringList{QStringLiteral("Y")});
    EXPECT_EQ(combo->ItemCount(), 3);
    Field(QStringLiteral("Code"))->SetAsString(QStringLiteral("Y"));
    EXPECT_EQ(combo->Text(), QString());
    combo->SetKeyItems({QStringLiteral("R"), QStringLiteral("G")});
    EXPECT_EQ(combo->ItemCount(), 2);
    combo->DropDown();
    EXPECT_EQ(combo->ListBox()->Count(), 2);
    combo->CloseUp(false);
    combo->SetItemIndex(2);
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_TRUE(combo->Value().IsUnassigned());
}

TEST_F(DBComboBoxTest, AnEmptyKeyStandsForANullField)
{
    TDBComboBoxMv* combo =
        Combo(QStringLiteral("Code"), {QStringLiteral("(none)"), QStringLiteral("Alpha")}, {QString(), QStringLiteral("A")});
    Data->Edit();
    Field(QStringLiteral("Code"))->Clear();
    EXPECT_EQ(combo->Text(), QStringLiteral("(none)"));
    EXPECT_EQ(combo->ItemIndex(), 0);
    Field(QStringLiteral("Code"))->SetAsString(QStringLiteral("A"));
    EXPECT_EQ(combo->Text(), QStringLiteral("Alpha"));
    EXPECT_EQ(combo->ItemIndex(), 1);
    // The next record's field starts null.
    Data->Append();
    EXPECT_EQ(combo->Text(), QStringLiteral("(none)"));
    EXPECT_EQ(combo->ItemIndex(), 0);
}

TEST_F(DBComboBoxTest, NewListsKeepTheLengthOfAStringFieldInTextMode)
{
    TDBComboBoxMv* combo = Combo(QStringLiteral("Name"), Colours);
    EXPECT_EQ(combo->MaxLength(), 20);
    combo->SetItems({QStringLiteral("Apple"), QStringLiteral("Pear")});
    EXPECT_EQ(combo->MaxLength(), 20);
    // Key mode types nothing: no limit. Back in text mode the field's
    // limit holds again.
    combo->SetKeyItems({QStringLiteral("a"), QStringLiteral("p")});
    EXPECT_EQ(combo->MaxLength(), 0);
    combo->SetKeyItems({});
    EXPECT_EQ(combo->MaxLength(), 20);
    // A limit of the program's own stays.
    combo->SetMaxLength(8);
    combo->SetItems(Colours);
    EXPECT_EQ(combo->MaxLength(), 8);
    // Typing stops at the limit.
    combo->SetMaxLength(0);
    combo->SetItems({});
    FocusOn(combo);
    combo->selectAll();
    TypeText(QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(combo->Text(), QStringLiteral("abcdefghijklmnopqrst"));
}

TEST_F(DBComboBoxTest, TypedTextIsCompletedFromTheItems)
{
    TDBComboBoxMv* combo = Combo({}, {QStringLiteral("Apple"), QStringLiteral("Apricot"), QStringLiteral("a.b")});
    FocusOn(combo);
    TypeText(QStringLiteral("apr"));
    EXPECT_EQ(combo->Text(), QStringLiteral("Apricot"));
    EXPECT_EQ(combo->selectedText(), QStringLiteral("icot"));
    EXPECT_EQ(combo->ItemIndex(), 1);

    // Backspace takes the completion away (the item's spelling stays) and
    // completes nothing.
    TypeText(QStringLiteral("\b"));
    EXPECT_EQ(combo->Text(), QStringLiteral("Apr"));
    EXPECT_EQ(combo->ItemIndex(), -1);
    // What matches no item stays as typed.
    TypeText(QStringLiteral("x"));
    EXPECT_EQ(combo->Text(), QStringLiteral("Aprx"));
    EXPECT_EQ(combo->ItemIndex(), -1);

    // A whole item typed with the caret inside takes the item's spelling.
    combo->selectAll();
    TypeText(QStringLiteral("APPL"));
    EXPECT_EQ(combo->Text(), QStringLiteral("Apple"));
    combo->setCursorPosition(2);
    TypeText(QStringLiteral("\b"));
    TypeText(QStringLiteral("p"));
    EXPECT_EQ(combo->Text(), QStringLiteral("Apple"));
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_EQ(combo->selectedText(), QStringLiteral("ple"));

    // A full stop does not complete.
    combo->selectAll();
    TypeText(QStringLiteral("a."));
    EXPECT_EQ(combo->Text(), QStringLiteral("A."));
    EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(DBComboBoxTest, UpAndDownStepThroughTheItems)
{
    TDBComboBoxMv* combo = Combo({}, Colours);
    FocusOn(combo);
    PressKey(Qt::Key_Down);
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_EQ(combo->selectedText(), QStringLiteral("Red"));
    PressKey(Qt::Key_Up);
    EXPECT_EQ(combo->ItemIndex(), 0);
    combo->SetItemIndex(-1);
    EXPECT_EQ(combo->Text(), QString());
    PressKey(Qt::Key_Up);
    EXPECT_EQ(combo->ItemIndex(), 2);
    PressKey(Qt::Key_Down);
    EXPECT_EQ(combo->ItemIndex(), 2);

    // The wheel of the focused edit steps too; the halves of an up-down
    // button as well.
    WheelOn(combo, QPoint(5, 5), 120);
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->EditButton().SetStyle(ebsUpDownMv);
    TEditButtonControlMv* button = combo->ButtonControl(0);
    Press(button, QPoint(2, button->height() - 2));
    Release(button, QPoint(2, button->height() - 2));
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_FALSE(combo->ListVisible());

    // Read-only: nothing moves.
    combo->SetReadOnly(true);
    PressKey(Qt::Key_Up);
    EXPECT_EQ(combo->ItemIndex(), 2);
}

TEST_F(DBComboBoxTest, TheListIsAsWideAsItsLongestItemButNotNarrowerThanTheEdit)
{
    TDBComboBoxMv* combo = Combo({}, Colours);
    combo->DropDownBox().Width = -1;
    ShowForm();
    combo->DropDown();
    EXPECT_EQ(combo->ListBox()->width(), combo->width());
    combo->CloseUp(false);

    const QString longest = QStringLiteral("一个很长很长很长很长的名字");
    combo->SetItems({QStringLiteral("a"), longest});
    combo->DropDown();
    TPopupListboxMv* list = combo->ListBox();
    EXPECT_EQ(list->width(), QFontMetrics(combo->font()).horizontalAdvance(longest) + 5 + list->BorderHeight());
    EXPECT_GT(list->width(), combo->width());
    EXPECT_EQ(list->RowCount(), 2);
    combo->CloseUp(false);

    combo->DropDownBox().Width = 300;
    combo->DropDown();
    EXPECT_EQ(list->width(), 300);
    combo->CloseUp(false);
}

TEST_F(DBComboBoxTest, TheUsersResizeIsKeptForTheNextDropDown)
{
    QStringList many;
    for (int i = 0; i < 20; ++i)
        many << QStringLiteral("项目 %1").arg(i);
    TDBComboBoxMv* combo = Combo({}, many);
    combo->DropDownBox().Sizable = true;
    ShowForm();
    combo->DropDown();
    TPopupListboxMv* list = combo->ListBox();
    EXPECT_EQ(list->RowCount(), 7);
    TSizeGripMv* grip = list->SizeGrip();
    ASSERT_TRUE(grip->isVisible());
    QWidget* handle = grip->ClientWidget();
    const QPoint start(grip->width() / 2, grip->height() / 2);
    const int rowHeight = list->ItemHeight();
    Press(handle, start);
    Drag(handle, start + QPoint(40, 3 * rowHeight));
    Release(handle, start + QPoint(40, 3 * rowHeight));
    EXPECT_EQ(list->RowCount(), 10);
    const int width = list->width();
    EXPECT_EQ(width, combo->width() + 40);
    combo->CloseUp(false);
    EXPECT_EQ(combo->DropDownBox().Rows, 10);
    EXPECT_EQ(combo->DropDownBox().Width, width);

    combo->DropDown();
    EXPECT_EQ(list->RowCount(), 10);
    EXPECT_EQ(list->width(), width);
    combo->CloseUp(false);
    // Closing without a resize changes nothing.
    combo->DropDown();
    combo->CloseUp(true);
    EXPECT_EQ(combo->DropDownBox().Rows, 10);
}

TEST_F(DBComboBoxTest, TheButtonOpensAndClosesTheListAReleaseOnTheListChoosesAndEscapeCancels)
{
    TDBComboBoxMv* combo = Combo({}, Colours, ColourKeys);
    ShowForm();
    TEditButtonControlMv* button = combo->ButtonControl(0);
    Click(button, QPoint(3, 3));
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_TRUE(combo->hasFocus());
    EXPECT_TRUE(button->Down());
    Click(button, QPoint(3, 3));
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->ItemIndex(), -1);

    Click(button, QPoint(3, 3));
    TPopupListboxMv* list = combo->ListBox();
    QWidget* rows = list->ClientWidget();
    Click(rows, RowPoint(list, 2));
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Value(), Variant(QStringLiteral("B")));

    // A release outside the list's client area cancels.
    Click(button, QPoint(3, 3));
    Press(rows, RowPoint(list, 0));
    Release(rows, QPoint(-5, -5));
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Value(), Variant(QStringLiteral("B")));

    // Pressing the button and releasing over an item chooses it.
    Press(button, QPoint(3, 3));
    ASSERT_TRUE(combo->ListVisible());
    const QPoint overRow = button->mapFromGlobal(rows->mapToGlobal(RowPoint(list, 1)));
    Drag(button, overRow);
    EXPECT_TRUE(list->MouseCapture());
    Release(rows, RowPoint(list, 1));
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Value(), Variant(QStringLiteral("G")));
    EXPECT_FALSE(button->Down());

    // Escape closes the list, keeps the value and raises the button.
    std::vector<bool> closeUps;
    combo->OnCloseUp = [&](QObject*, bool accept) { closeUps.push_back(accept); };
    FocusOn(combo);
    PressKey(Qt::Key_Down, Qt::AltModifier);
    PressKey(Qt::Key_Down);
    EXPECT_FALSE(KeyIgnored(combo, Qt::Key_Escape, QStringLiteral("\x1b")));
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(closeUps, std::vector<bool>{false});
    EXPECT_EQ(combo->Value(), Variant(QStringLiteral("G")));
    EXPECT_EQ(combo->Text(), QStringLiteral("Green"));
    EXPECT_FALSE(button->Down());
}

TEST_F(DBComboBoxTest, KeyModeCharactersSearchTheItems)
{
    TDBComboBoxMv* combo = Combo({}, Colours, ColourKeys);
    FocusOn(combo);
    TypeText(QStringLiteral("b"));
    EXPECT_EQ(combo->Text(), QStringLiteral("Blue"));
    EXPECT_EQ(combo->selectedText(), QStringLiteral("lue"));
    EXPECT_EQ(combo->Value(), Variant(QStringLiteral("B")));
    // No item begins with "bx": nothing changes.
    TypeText(QStringLiteral("x"));
    EXPECT_EQ(combo->Text(), QStringLiteral("Blue"));
    EXPECT_EQ(combo->selectedText(), QStringLiteral("lue"));
    // Backspace gives the search one character less.
    TypeText(QStringLiteral("\b"));
    EXPECT_EQ(combo->Text(), QStringLiteral("Blue"));
    EXPECT_EQ(combo->selectedText(), QStringLiteral("Blue"));
    TypeText(QStringLiteral("gr"));
    EXPECT_EQ(combo->Text(), QStringLiteral("Green"));
    EXPECT_EQ(combo->selectedText(), QStringLiteral("een"));

    // A click in the text opens the list; text cannot be selected by mouse.
    Click(combo, QPoint(10, combo->height() / 2));
    EXPECT_TRUE(combo->ListVisible());
    combo->CloseUp(false);

    // AutoDrop opens the list on the first character.
    combo->DropDownBox().AutoDrop = true;
    combo->selectAll();
    TypeText(QStringLiteral("r"));
    EXPECT_TRUE(combo->ListVisible());
    EXPECT_EQ(combo->ListBox()->ItemIndex(), 0);
}

TEST_F(DBComboBoxTest, DeleteClearsAKeyThatIsNotRequired)
{
    TDBComboBoxMv* combo = Combo(QStringLiteral("Code"), Colours, ColourKeys);
    FocusOn(combo);
    PressKey(Qt::Key_Delete);
    EXPECT_EQ(combo->Text(), QString());
    EXPECT_TRUE(Field(QStringLiteral("Code"))->IsNull());
    // The combo box reads the cleared field back: the key of a null field
    // is the empty text.
    EXPECT_EQ(combo->Value(), Variant(QString()));
    Data->Cancel();
    EXPECT_EQ(combo->Text(), QStringLiteral("Green"));

    // EditAndSetValue writes the field at once.
    combo->EditAndSetValue(0);
    EXPECT_EQ(Data->State(), dsEdit);
    EXPECT_EQ(Field(QStringLiteral("Code"))->AsString(), QStringLiteral("R"));
    Data->Post();
    Data->Next();
    EXPECT_EQ(combo->Text(), QStringLiteral("Blue"));

    Field(QStringLiteral("Code"))->SetRequired(true);
    PressKey(Qt::Key_Delete);
    EXPECT_EQ(combo->Text(), QStringLiteral("Blue"));
    EXPECT_EQ(Field(QStringLiteral("Code"))->AsString(), QStringLiteral("B"));
}

TEST_F(DBComboBoxTest, ATextNotInTheListIsReportedAndWritten)
{
    TDBComboBoxMv* combo = Combo(QStringLiteral("Name"), Colours);
    QStringList reported;
    combo->OnNotInList = [&](QObject*, const QString& text, bool&) { reported << text; };
    combo->SetText(QStringLiteral("Green"));
    EXPECT_TRUE(reported.isEmpty());
    combo->SetText(QStringLiteral("Purple"));
    EXPECT_EQ(reported, QStringList{QStringLiteral("Purple")});
    EXPECT_EQ(Field(QStringLiteral("Name"))->AsString(), QStringLiteral("Purple"));
}

TEST_F(DBComboBoxTest, WithoutADatasetTheKeyIsTheValue)
{
    TDBComboBoxMv* combo = Combo({}, Colours, ColourKeys);
    int requests = 0;
    combo->SetValue(Variant(QStringLiteral("B")));
    EXPECT_EQ(combo->Text(), QStringLiteral("Blue"));
    EXPECT_EQ(combo->DataLink().Value(), Variant(QStringLiteral("B")));
    combo->Clear();
    EXPECT_EQ(combo->Text(), QString());
    EXPECT_TRUE(combo->Value().IsUnassigned());
    EXPECT_TRUE(combo->DataLink().Value().IsUnassigned());

    // Choosing an item with an empty list asks for the items first.
    combo->SetItems({});
    combo->SetKeyItems({});
    combo->OnItemsRequest = [&](QObject*) {
        ++requests;
        combo->SetItems(Colours);
    };
    combo->EditAndSetValue(1);
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(combo->Text(), QStringLiteral("Green"));
    EXPECT_EQ(combo->DataLink().Value(), Variant(QStringLiteral("Green")));

    // An item chosen by the program survives the focus.
    combo->SetItemIndex(2);
    FocusOn(combo);
    EXPECT_EQ(combo->Text(), QStringLiteral("Blue"));
    Leave();
    EXPECT_EQ(combo->Text(), QStringLiteral("Blue"));
    EXPECT_EQ(combo->Value(), Variant(QStringLiteral("Blue")));
}

TEST_F(DBComboBoxTest, AKeyChosenByANumberIsStoredAsItsText)
{
    const QStringList numbers = {QStringLiteral("One"), QStringLiteral("Five"), QStringLiteral("Nine")};
    const QStringList keys = {QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("9")};
    // Loose equality takes 5 for "5": the kind tells them apart. A numeric
    // value would also turn into the edit's image index.
    const auto expectKey = [](TDBComboBoxMv* combo, const QString& key, int item) {
        EXPECT_EQ(combo->Value().GetKind(), Variant::Kind::String);
        EXPECT_EQ(combo->Value().AsString(), key);
        EXPECT_EQ(combo->ItemIndex(), item);
        EXPECT_EQ(combo->EditImage().ImageIndex(), item);
    };

    TDBComboBoxMv* own = Combo({}, numbers, keys);
    own->SetValue(Variant(5));
    EXPECT_EQ(own->Text(), QStringLiteral("Five"));
    expectKey(own, QStringLiteral("5"), 1);
    EXPECT_EQ(own->DataLink().Value().GetKind(), Variant::Kind::String);
    // A key outside the list is kept as text too; Null stays no value.
    own->SetValue(Variant(7));
    expectKey(own, QStringLiteral("7"), -1);
    own->SetValue(Variant::Null());
    EXPECT_TRUE(own->Value().IsNull());
    EXPECT_TRUE(own->DataLink().Value().IsNull());

    TDBComboBoxMv* bound = Combo(QStringLiteral("Code"), numbers, keys);
    bound->SetValue(Variant(9));
    EXPECT_EQ(Field(QStringLiteral("Code"))->AsString(), QStringLiteral("9"));
    EXPECT_EQ(bound->Text(), QStringLiteral("Nine"));
    expectKey(bound, QStringLiteral("9"), 2);
}

TEST_F(DBComboBoxTest, ChangingTheListsWhileTheDatasetEditsWritesNothingBack)
{
    // The display text is never the value: "1,234.50" does not even read
    // as a number.
    Field(QStringLiteral("Price"))->SetDisplayFormat(QStringLiteral("#,##0.00"));
    Data->Edit();
    Field(QStringLiteral("Price"))->SetAsFloat(1234.5);
    TDBComboBoxMv* combo = Combo(QStringLiteral("Price"), Colours, ColourKeys);
    EXPECT_EQ(combo->Text(), QString());
    combo->SetKeyItems({});
    EXPECT_EQ(combo->Text(), QStringLiteral("1,234.50"));
    EXPECT_NO_THROW(Data->Post());
    EXPECT_EQ(Field(QStringLiteral("Price"))->AsFloat(), 1234.5);
}
