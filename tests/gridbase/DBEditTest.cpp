// The data-aware edit: its own value without a dataset, the field's texts,
// typing into a browsing dataset, Escape, refused characters and values,
// button short-cuts and menus, the recent values, the layout and the
// required-field mark.

#include "DBCtrlsTestSupport.h"

#include "platform/Exceptions.h"
#include "platform/ImageList.h"
#include "support/DialogAnswers.h"

#include <QHelpEvent>
#include <QMenu>
#include <QToolTip>

namespace {

class DBEditTest : public TTableFixture {
protected:
    // Bound to the field; without a field name, free.
    TDBEditMv* Edit(const QString& fieldName = QString())
    {
        auto* edit = new TDBEditMv(Form.get());
        edit->setGeometry(10, 10, 200, edit->height());
        if (!fieldName.isEmpty()) {
            edit->SetDataSource(Source.get());
            edit->SetDataField(fieldName);
        }
        return edit;
    }
};

} // namespace

TEST_F(DBEditTest, WithoutADatasetTheEditKeepsItsOwnValue)
{
    TDBEditMv* edit = Edit();
    EXPECT_TRUE(edit->DataIndependent());
    EXPECT_TRUE(edit->Value().IsUnassigned());

    edit->SetText(QStringLiteral("abc"));
    EXPECT_EQ(edit->Value(), Variant(QStringLiteral("abc")));

    // The value is what the edit shows: a number set becomes its text, so
    // the image does not follow it, and Null becomes the empty text.
    edit->SetValue(Variant::Null());
    EXPECT_EQ(edit->Value(), Variant(QString()));
    EXPECT_EQ(edit->Value().GetKind(), Variant::Kind::String);
    edit->SetValue(Variant(5));
    EXPECT_EQ(edit->Text(), QStringLiteral("5"));
    EXPECT_EQ(edit->Value().GetKind(), Variant::Kind::String);
    EXPECT_EQ(edit->Value().AsString(), QStringLiteral("5"));
    EXPECT_EQ(edit->ImageIndexShown(), -1);

    // Typing goes into the value when the edit is left; Escape before that
    // brings the value back.
    FocusOn(edit);
    edit->end(false);
    TypeText(QStringLiteral("7"));
    EXPECT_EQ(edit->Text(), QStringLiteral("57"));
    TypeText(QStringLiteral("\x1b"));
    EXPECT_EQ(edit->Text(), QStringLiteral("5"));
    TypeText(QStringLiteral("x"));
    Leave();
    EXPECT_EQ(edit->Value(), Variant(QStringLiteral("x")));

    // Bound and back: the own value starts afresh.
    edit->SetDataSource(Source.get());
    EXPECT_FALSE(edit->DataIndependent());
    edit->SetDataSource(nullptr);
    EXPECT_TRUE(edit->DataIndependent());
    EXPECT_TRUE(edit->Value().IsUnassigned());
    EXPECT_EQ(edit->Text(), QString());
}

TEST_F(DBEditTest, APasswordCharacterStandsForEachCharacterOfTheText)
{
    TDBEditMv* edit = Edit();
    edit->SetText(QStringLiteral("密码ab"));
    edit->SetPasswordChar(u'*');
    EXPECT_EQ(edit->displayText(), QStringLiteral("****"));
    EXPECT_EQ(edit->Text(), QStringLiteral("密码ab"));
    // What a person sees is what an edit showing the stars as text shows.
    TDBEditMv* stars = Edit();
    stars->move(10, 60);
    stars->SetText(QStringLiteral("****"));
    ShowForm();
    EXPECT_EQ(edit->grab().toImage(), stars->grab().toImage());

    // Typing adds a character of its own at once.
    FocusOn(edit);
    edit->end(false);
    TypeText(QStringLiteral("c"));
    EXPECT_EQ(edit->displayText(), QStringLiteral("*****"));
    edit->SetPasswordChar(u'#');
    EXPECT_EQ(edit->displayText(), QStringLiteral("#####"));
    edit->SetPasswordChar(QChar());
    EXPECT_EQ(edit->displayText(), QStringLiteral("密码abc"));
}

TEST_F(DBEditTest, ShowsTheDisplayTextAndWhileFocusedTheEditText)
{
    TDBEditMv* price = Edit(QStringLiteral("Price"));
    TDBEditMv* name = Edit(QStringLiteral("Name"));
    EXPECT_EQ(price->Text(), QStringLiteral("2.50"));
    EXPECT_EQ(price->Alignment(), taRightJustify);
    Field(QStringLiteral("Price"))->SetEditFormat(QStringLiteral("0.0#"));
    FocusOn(price);
    EXPECT_EQ(price->Text(), QStringLiteral("2.5"));
    Leave();
    EXPECT_EQ(price->Text(), QStringLiteral("2.50"));

    Data->Next();
    EXPECT_EQ(name->Text(), QStringLiteral("Pear"));
    EXPECT_EQ(price->Text(), QStringLiteral("10.00"));

    // The length follows the string field, also when the field changes.
    EXPECT_EQ(name->MaxLength(), 20);
    name->SetDataField(QStringLiteral("Code"));
    EXPECT_EQ(name->MaxLength(), 5);
    name->SetMaxLength(3);
    name->SetDataField(QStringLiteral("Name"));
    EXPECT_EQ(name->MaxLength(), 3);

    // The image follows a numeric value only.
    TDBEditMv* qty = Edit(QStringLiteral("Qty"));
    EXPECT_EQ(qty->ImageIndexShown(), 7);
    qty->OnGetImageIndex = [](QObject*, int& index) { index += 100; };
    Data->First();
    EXPECT_EQ(qty->ImageIndexShown(), 103);
    EXPECT_EQ(name->ImageIndexShown(), -1);
}

TEST_F(DBEditTest, TypingEditsTheDatasetLeavingWritesTheFieldAndEscapeShowsItAgain)
{
    TDBEditMv* name = Edit(QStringLiteral("Name"));
    FocusOn(name);
    EXPECT_EQ(Data->State(), dsBrowse);
    EXPECT_TRUE(name->WindowReadOnly());
    name->end(false);
    TypeText(QStringLiteral("s"));
    EXPECT_EQ(Data->State(), dsEdit);
    EXPECT_EQ(name->Text(), QStringLiteral("苹果s"));
    // Not yet in the field.
    EXPECT_EQ(Field(QStringLiteral("Name"))->AsString(), QStringLiteral("苹果"));
    Leave();
    EXPECT_EQ(Field(QStringLiteral("Name"))->AsString(), QStringLiteral("苹果s"));
    Data->Post();

    // Escape shows the field again and selects it; a changed edit keeps
    // Escape from a dialog, with nothing to undo it goes on to the dialog.
    FocusOn(name);
    name->end(false);
    TypeText(QStringLiteral("xyz"));
    EXPECT_TRUE(name->DataLink().Modified());
    EXPECT_FALSE(KeyIgnored(name, Qt::Key_Escape, QStringLiteral("\x1b")));
    EXPECT_EQ(name->Text(), QStringLiteral("苹果s"));
    EXPECT_EQ(name->selectedText(), QStringLiteral("苹果s"));
    EXPECT_TRUE(KeyIgnored(name, Qt::Key_Escape, QStringLiteral("\x1b")));
    Leave();
    EXPECT_EQ(Field(QStringLiteral("Name"))->AsString(), QStringLiteral("苹果s"));

    // Posting writes a pending text as well.
    FocusOn(name);
    name->end(false);
    TypeText(QStringLiteral("\b\b"));
    Data->Post();
    EXPECT_EQ(Field(QStringLiteral("Name"))->AsString(), QStringLiteral("苹"));

    // The length limit holds for typing only.
    name->SetMaxLength(2);
    name->end(false);
    TypeText(QStringLiteral("ab"));
    EXPECT_EQ(name->Text(), QStringLiteral("苹a"));

    // A read-only edit neither edits, types nor takes text by another road.
    Data->Cancel();
    name->SetReadOnly(true);
    TypeText(QStringLiteral("z"));
    DropText(name, QStringLiteral("dropped"));
    CommitText(name, QStringLiteral("库"));
    MiddleClickPaste(name, QStringLiteral("selected"));
    EXPECT_EQ(Data->State(), dsBrowse);
    EXPECT_EQ(name->Text(), QStringLiteral("苹"));
}

TEST_F(DBEditTest, TextAndValueFromAProgramAreWrittenAtOnceAndRefusedInputIsKept)
{
    TDBEditMv* name = Edit(QStringLiteral("Name"));
    name->SetText(QStringLiteral("Plum"));
    EXPECT_EQ(Data->State(), dsEdit);
    EXPECT_EQ(Field(QStringLiteral("Name"))->AsString(), QStringLiteral("Plum"));

    TDBEditMv* note = Edit(QStringLiteral("Note"));
    note->SetValue(Variant(QStringLiteral("长的备注")));
    EXPECT_EQ(Field(QStringLiteral("Note"))->AsString(), QStringLiteral("长的备注"));

    // OnUpdateData may take the write over.
    int calls = 0;
    name->OnUpdateData = [&](QObject*, bool& handled) {
        ++calls;
        handled = true;
    };
    name->SetText(QStringLiteral("Fig"));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Field(QStringLiteral("Name"))->AsString(), QStringLiteral("Plum"));

    // Refused characters and values.
    TDBEditMv* qty = Edit(QStringLiteral("Qty"));
    FocusOn(qty);
    qty->end(false);
    TypeText(QStringLiteral("a4"));
    EXPECT_EQ(qty->Text(), QStringLiteral("34"));
    // Pasted text passes the same check, whole.
    QApplication::clipboard()->setText(QStringLiteral("5a"));
    PressKey(Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
    MiddleClickPaste(qty, QStringLiteral("6b"));
    EXPECT_EQ(qty->Text(), QStringLiteral("34"));
    Leave();
    EXPECT_EQ(Field(QStringLiteral("Qty"))->AsInteger(), 34);

    // A value out of range: the error box, the text as typed, the focus back.
    TDialogAnswers answers;
    FocusOn(qty);
    qty->selectAll();
    TypeText(QStringLiteral("99999999999"));
    Leave();
    QCoreApplication::processEvents();
    ASSERT_EQ(answers.Messages.size(), 1u);
    EXPECT_EQ(qty->Text(), QStringLiteral("99999999999"));
    EXPECT_TRUE(qty->hasFocus());
    EXPECT_EQ(Field(QStringLiteral("Qty"))->AsInteger(), 34);

    // From a program the error reaches the caller.
    EXPECT_THROW(qty->SetText(QStringLiteral("12x")), EConvertError);
    EXPECT_EQ(qty->Text(), QStringLiteral("12x"));
}

TEST_F(DBEditTest, ButtonShortCutsPressTheButtons)
{
    TDBEditMv* edit = Edit();
    TEditButtonMv* extra = edit->EditButtons().Add();
    int extraClicks = 0;
    extra->OnClick = [&](QObject*, bool& handled) {
        ++extraClicks;
        handled = true;
    };
    int editButtonClicks = 0;
    edit->OnButtonClick = [&](QObject*, bool&) { ++editButtonClicks; };
    FocusOn(edit);
    PressKey(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(extraClicks, 1);
    EXPECT_EQ(editButtonClicks, 0);

    // The EditButton comes first once it is shown with the same short-cut.
    edit->EditButton().SetVisible(true);
    edit->EditButton().SetShortCut(DefaultEditButtonShortCut);
    PressKey(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(editButtonClicks, 1);
    EXPECT_EQ(extraClicks, 1);

    // A disabled edit presses nothing.
    edit->EditButton().SetVisible(false);
    extra->SetEnabled(false);
    PressKey(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(extraClicks, 1);
}

TEST_F(DBEditTest, APressThatClosesAButtonMenuDoesNotOpenItAgain)
{
    TDBEditMv* edit = Edit();
    QMenu menu;
    menu.addAction(QStringLiteral("一"));
    TEditButtonMv* button = edit->EditButtons().Add();
    button->SetDropdownMenu(&menu);
    int clicks = 0;
    button->OnClick = [&](QObject*, bool&) { ++clicks; };
    ShowForm();
    TEditButtonControlMv* control = edit->ButtonControl(1);
    ASSERT_TRUE(control->isVisible());

    Press(control, QPoint(3, 3));
    EXPECT_TRUE(menu.isVisible());
    EXPECT_TRUE(edit->hasFocus());
    // The menu has the mouse: the button is up again and never clicked.
    EXPECT_EQ(control->DownButton(), 0);
    EXPECT_EQ(clicks, 0);

    // The press on the button that closes the menu is only that.
    menu.hide();
    EXPECT_TRUE(edit->PrivateMessagePending(MV_EDITBUTTONMENU, 1));
    Press(control, QPoint(3, 3));
    Release(control, QPoint(3, 3));
    EXPECT_FALSE(menu.isVisible());
    EXPECT_FALSE(edit->PrivateMessagePending(MV_EDITBUTTONMENU));

    // Once the closing has passed, a press opens the menu again.
    menu.hide();
    QCoreApplication::processEvents();
    EXPECT_FALSE(edit->PrivateMessagePending(MV_EDITBUTTONMENU));
    Press(control, QPoint(3, 3));
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}

TEST_F(DBEditTest, RecentValuesAreKeptOnceAndDropDownWhileTyping)
{
    TDBEditMv* edit = Edit();
    TMRUListMv& recent = edit->MRUList();
    recent.SetActive(true);
    edit->SetText(QStringLiteral("Shanghai"));
    edit->SetText(QStringLiteral("Shenzhen"));
    edit->SetText(QStringLiteral("Shanghai"));
    EXPECT_EQ(recent.Items().Items(), (QStringList{QStringLiteral("Shenzhen"), QStringLiteral("Shanghai")}));

    // Backspace in the empty edit shows them all; typing refines the list.
    edit->SetText(QString());
    FocusOn(edit);
    TypeText(QStringLiteral("\b"));
    ASSERT_TRUE(recent.DroppedDown());
    TMRUListboxMv* list = edit->MRUListBox();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(list->width(), edit->EditRect().Width());
    TypeText(QStringLiteral("shen"));
    EXPECT_EQ(list->Items().Items(), QStringList{QStringLiteral("Shenzhen")});

    // Down moves in the list, Enter takes the item, and is the edit's.
    PressKey(Qt::Key_Down);
    EXPECT_EQ(list->ItemIndex(), 0);
    EXPECT_FALSE(KeyIgnored(edit, Qt::Key_Return, QStringLiteral("\r")));
    EXPECT_FALSE(recent.DroppedDown());
    EXPECT_EQ(edit->Text(), QStringLiteral("Shenzhen"));

    // Emptying the text closes the list; Escape closes it without taking.
    edit->selectAll();
    TypeText(QStringLiteral("S"));
    EXPECT_TRUE(recent.DroppedDown());
    TypeText(QStringLiteral("\b"));
    EXPECT_FALSE(recent.DroppedDown());
    TypeText(QStringLiteral("S"));
    PressKey(Qt::Key_Down);
    TypeText(QStringLiteral("\x1b"));
    EXPECT_FALSE(recent.DroppedDown());
    EXPECT_EQ(edit->Text(), QStringLiteral("S"));

    // The user's resize of the list is kept.
    TypeText(QStringLiteral("\b\b"));
    ASSERT_TRUE(recent.DroppedDown());
    list->SizeGrip()->OnParentResized(list->SizeGrip());
    EXPECT_EQ(recent.Rows(), list->RowCount());
}

TEST_F(DBEditTest, RecentValuesSetByTheProgramStandAsGivenUntilTheNextAdd)
{
    TDBEditMv* edit = Edit();
    TMRUListMv& recent = edit->MRUList();
    recent.SetActive(true);
    recent.SetLimit(3);
    TStringList given;
    for (const char* text : {"Anhui", "Beijing", "Chongqing", "Fujian", "Gansu"})
        given.Add(QString::fromLatin1(text));
    recent.SetItems(given);
    EXPECT_EQ(recent.Items().Count(), 5);

    // All five drop down.
    FocusOn(edit);
    TypeText(QStringLiteral("\b"));
    ASSERT_TRUE(recent.DroppedDown());
    EXPECT_EQ(edit->MRUListBox()->Count(), 5);
    TypeText(QStringLiteral("\x1b"));

    // The next text written keeps the newest three.
    edit->SetText(QStringLiteral("Hebei"));
    EXPECT_EQ(recent.Items().Items(),
              (QStringList{QStringLiteral("Fujian"), QStringLiteral("Gansu"), QStringLiteral("Hebei")}));
}

TEST_F(DBEditTest, ButtonsStandAtTheRightWithTheirSeparatorsAndTheTextBesideThem)
{
    TDBEditMv* edit = Edit();
    EXPECT_EQ(edit->ButtonWidth(), 0);
    EXPECT_EQ(edit->EditRect(), TRect(2, 2, 198, edit->height() - 2));
    EXPECT_EQ(edit->height(), QFontMetrics(edit->font()).height() + 8);

    edit->SetFlat(true);
    edit->EditButton().SetVisible(true);
    edit->EditButtons().Add()->SetWidth(12);
    edit->EditButtons().Add()->SetVisible(false);
    const int flatWidth = FlatButtonWidth();
    TEditButtonControlMv* first = edit->ButtonControl(0);
    TEditButtonControlMv* second = edit->ButtonControl(1);
    // From the left: separator, EditButton, separator, first entry.
    EXPECT_EQ(second->geometry().right() + 1, 198);
    EXPECT_EQ(second->width(), 12);
    EXPECT_EQ(edit->SeparatorRect(1), TRect(198 - 12 - 1, 2, 198 - 12, 2 + second->height()));
    EXPECT_EQ(first->geometry().right() + 1, 198 - 12 - 1);
    EXPECT_EQ(first->width(), flatWidth);
    EXPECT_EQ(edit->SeparatorRect(0).Right, first->x());
    EXPECT_TRUE(edit->SeparatorRect(2).IsEmpty());
    EXPECT_EQ(edit->ButtonWidth(), 12 + 1 + flatWidth + 1);
    EXPECT_EQ(edit->EditRect().Right, 198 - edit->ButtonWidth());
    EXPECT_EQ(first->height(), second->height());

    // Not flat: no separators; a single border without 3-D keeps a pixel.
    edit->SetFlat(false);
    edit->SetCtl3D(false);
    EXPECT_TRUE(edit->SeparatorRect(0).IsEmpty());
    EXPECT_EQ(second->geometry().right() + 1, 200 - 1 - 1);
    EXPECT_EQ(second->y(), 2);

    // The image takes its width and four pixels at the left.
    TImageList images(16, 16);
    edit->EditImage().SetImages(&images);
    edit->EditImage().SetVisible(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->EditRect().Left, 1 + 20);
    edit->EditImage().SetWidth(10);
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->EditRect().Left, 1 + 14);

    // A change of the system colours, as the application sends it to every
    // widget, empties the cache of button faces.
    ShowForm();
    edit->grab();
    EXPECT_GT(ButtonsBitmapCache().Count(), 0);
    QEvent change(QEvent::ApplicationPaletteChange);
    QApplication::sendEvent(edit, &change);
    EXPECT_EQ(ButtonsBitmapCache().Count(), 0);
}

TEST_F(DBEditTest, ARequiredNullFieldIsMarkedWhileEditing)
{
    Field(QStringLiteral("Name"))->SetRequired(true);
    TDBEditMv* name = Edit(QStringLiteral("Name"));
    name->SetHighlightRequired(true);
    ShowForm();
    const QRgb red = qRgb(255, 0, 0);
    auto marked = [&] {
        const QImage image = name->grab().toImage();
        const int y = name->height() - 2 - 2;
        int count = 0;
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == red;
        return count;
    };
    EXPECT_EQ(marked(), 0);
    Data->Edit();
    Field(QStringLiteral("Name"))->Clear();
    const int dots = marked();
    EXPECT_GT(dots, 50);
    EXPECT_LT(dots, name->EditRect().Width());
    name->OnCheckDrawRequiredState = [](QObject*, bool& draw) { draw = false; };
    EXPECT_EQ(marked(), 0);
    name->OnCheckDrawRequiredState = nullptr;
    Field(QStringLiteral("Name"))->SetAsString(QStringLiteral("x"));
    EXPECT_EQ(marked(), 0);
}

namespace {

// A host that sees the keys first and may forbid changes.
class TTestHost : public QWidget, public IInplaceEditHolderMv {
public:
    bool CanModify = true;
    QList<quint16> KeysSeen;
    bool InplaceEditEvent(QWidget*, QEvent*) override { return false; }
    void InplaceEditKeyDown(QWidget*, quint16& Key, TShiftState) override
    {
        KeysSeen << Key;
        if (Key == VK_F2)
            Key = 0;
    }
    void InplaceEditKeyPress(QWidget*, QChar& Key) override
    {
        if (Key == u'#')
            Key = QChar();
    }
    void InplaceEditKeyUp(QWidget*, quint16&, TShiftState) override {}
    bool InplaceEditCanModify(QWidget*) override { return CanModify; }
    bool InplaceEditWantsTab(QWidget*) override { return true; }
    void GetMouseDownInfo(QPoint& Pos, qint64& Time) override
    {
        Pos = QPoint();
        Time = 0;
    }
};

} // namespace

TEST_F(DBEditTest, AnInPlaceHostSeesTheKeysFirstAndMayForbidChanges)
{
    TDBEditMv* edit = Edit();
    QObject plain;
    try {
        edit->SetInplaceEditHolder(&plain);
        FAIL() << "a host without the interface was taken";
    } catch (const EInvalidOperation& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("InplaceEditHolder have to support IInplaceEditHolderMv interface"));
    }
    TTestHost host;
    edit->SetInplaceEditHolder(&host);
    FocusOn(edit);
    TypeText(QStringLiteral("a#b"));
    EXPECT_EQ(edit->Text(), QStringLiteral("ab"));
    EXPECT_TRUE(host.KeysSeen.contains(quint16('A')));
    // Tab stays in the edit for a host that wants it.
    TypeText(QStringLiteral("\t"));
    EXPECT_TRUE(edit->hasFocus());

    host.CanModify = false;
    edit->SetInplaceEditHolder(&host);
    EXPECT_TRUE(edit->WindowReadOnly());
    TypeText(QStringLiteral("c"));
    EXPECT_EQ(edit->Text(), QStringLiteral("ab"));
}

TEST_F(DBEditTest, TooltipsShowTheWholeTextOnlyWhenItDoesNotFit)
{
    TDBEditMv* edit = Edit();
    edit->resize(60, edit->height());
    edit->SetHint(QStringLiteral("提示"));
    ShowForm();
    auto tooltip = [&] {
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(edit, &help);
        return help.isAccepted() ? QToolTip::text() : QString();
    };
    edit->SetText(QStringLiteral("short"));
    EXPECT_EQ(tooltip(), QString());
    edit->SetShowHint(true);
    EXPECT_EQ(tooltip(), QStringLiteral("提示"));
    edit->SetTooltips(true);
    EXPECT_EQ(tooltip(), QStringLiteral("提示"));
    const QString longText = QStringLiteral("a text far too long for sixty pixels");
    edit->SetText(longText);
    EXPECT_EQ(tooltip(), longText);
    edit->SetShowHint(false);
    edit->SetText(QStringLiteral("short"));
    EXPECT_EQ(tooltip(), QString());
    QToolTip::hideText();
}
