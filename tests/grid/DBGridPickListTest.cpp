// The cell editor's pick lists: opening and closing from keys and mouse,
// the list's size, type-ahead (Chinese included), key lists and the value
// written into the field.

#include "DBGridEditorTestSupport.h"

#include "platform/db/Field.h"

#include <QInputMethodEvent>

TEST_F(DBGridEditorTest, PickListOpensFromKeysAndButtonClosesByEnterEscapeAndOutsideClickAndTakesTheWheel)
{
    OpenSkus();
    TColumnMv* color = Grid->GetColumnByFieldName(QStringLiteral("PropAlias"));
    const TStringList picks(QStringList{u"Red"_qs, u"Blue"_qs, u"Green"_qs});
    color->SetPickList(&picks);
    color->SetDropDownRows(7);
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("PropAlias"));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->EditStyle(), esPickListMv);
    ASSERT_TRUE(editor->ButtonControl(0)->isVisible());

    // Alt+Down opens; three items of seven rows make a list three rows high.
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    TPopupListboxMv* list = editor->PickList();
    ASSERT_TRUE(editor->ListVisible());
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->height(), 3 * list->ItemHeight() + 4);
    EXPECT_EQ(list->ItemIndex(), 0) << "the field's text is selected";
    EXPECT_TRUE(editor->ButtonControl(0)->AlwaysDown());

    // Down moves in the list and the editor follows; Escape gives the old
    // text back.
    PressKey(editor, Qt::Key_Down);
    EXPECT_EQ(editor->text(), QStringLiteral("Blue"));
    EXPECT_TRUE(SaveScreenshot(WithPopup(Window.get(), list), QStringLiteral("dbgrid-picklist.png")));
    PressKey(editor, Qt::Key_Escape);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("Red"));
    EXPECT_FALSE(editor->ButtonControl(0)->AlwaysDown());

    // Alt+Up opens, Enter takes the item into the field when the record is
    // left.
    PressKey(editor, Qt::Key_Up, Qt::AltModifier);
    PressKey(editor, Qt::Key_Down);
    PressKey(editor, Qt::Key_Down);
    PressKey(editor, Qt::Key_Return);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("Green"));
    EXPECT_EQ(Data->State(), dsEdit);
    Data->Post();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("PropAlias"))->AsString(), QStringLiteral("Green"));

    // The main button opens it; a press outside closes it taking nothing.
    TEditButtonControlMv* button = editor->ButtonControl(0);
    ClickOn(button, QPoint(button->width() / 2, button->height() / 2));
    ASSERT_TRUE(editor->ListVisible());
    PressKey(editor, Qt::Key_Up);
    ClickAt(*Grid, Centre(Grid->CellRect(1, 3)));
    QCoreApplication::processEvents();
    EXPECT_FALSE(list->isVisible());

    // Twenty items show seven rows.
    TStringList many;
    for (int i = 0; i < 20; ++i)
        many.Add(QStringLiteral("Colour %1").arg(i));
    color->SetPickList(&many);
    editor = EditColumn(QStringLiteral("PropAlias"));
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(list->height(), 7 * list->ItemHeight() + 4);
    // The wheel scrolls the open list, not the records; closed, the records.
    const int recNo = Data->RecNo();
    const QPoint at = Centre(Grid->CellRect(Grid->IndicatorOffset(), Grid->TitleRowCount()));
    WheelAt(*Grid, at, -120);
    EXPECT_EQ(Data->RecNo(), recNo);
    PressKey(editor, Qt::Key_Escape);
    WheelAt(*Grid, at, -120);
    EXPECT_EQ(Data->RecNo(), recNo + 1);

    // A read-only column with a pick list gets no button.
    color->SetReadOnly(true);
    editor = EditColumn(QStringLiteral("PropAlias"));
    EXPECT_EQ(editor->EditStyle(), esSimpleMv);
    EXPECT_FALSE(editor->ButtonControl(0)->isVisible());
}

TEST_F(DBGridEditorTest, TypeAheadTakesChineseAndInputMethodTextAndKeyListsStoreKeys)
{
    OpenSkus();
    TColumnMv* color = Grid->GetColumnByFieldName(QStringLiteral("PropAlias"));
    // Four texts, three keys: "黄色" has no key and never translates.
    const TStringList picks(QStringList{u"红色"_qs, u"蓝色"_qs, u"绿色"_qs, u"黄色"_qs});
    const TStringList keys(QStringList{u"Red"_qs, u"Blue"_qs, u"Green"_qs});
    color->SetPickList(&picks);
    color->SetKeyList(&keys);
    ASSERT_EQ(color->GetColumnType(), ctKeyPickList);
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("PropAlias"));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("红色"));

    // A Chinese character finds its item; the rest stays selected.
    editor->selectAll();
    Type(editor, QStringLiteral("绿"));
    EXPECT_EQ(editor->text(), QStringLiteral("绿色"));
    EXPECT_EQ(editor->selectedText(), QStringLiteral("色"));
    Data->Post();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("PropAlias"))->AsString(), QStringLiteral("Green"));

    // Text committed by an input method searches the same way.
    editor = EditColumn(QStringLiteral("PropAlias"));
    editor->selectAll();
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("蓝"));
    QApplication::sendEvent(editor, &commit);
    EXPECT_EQ(editor->text(), QStringLiteral("蓝色"));

    // The list holds only the items that have a key.
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(editor->PickList()->Count(), 3);
    PressKey(editor, Qt::Key_Return);
    Data->Post();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("PropAlias"))->AsString(), QStringLiteral("Blue"));

    // A text beyond the key list stores nothing, and is never read past it.
    Data->Edit();
    Grid->SetGridEditText(QStringLiteral("黄色"));
    Grid->DataLink()->Modified();
    Data->Post();
    EXPECT_TRUE(Data->FieldByName(QStringLiteral("PropAlias"))->IsNull());

    // A plain pick list types on freely where no item matches.
    color->SetKeyList(nullptr);
    editor = EditColumn(QStringLiteral("PropAlias"));
    editor->selectAll();
    Type(editor, QStringLiteral("紫"));
    EXPECT_EQ(editor->text(), QStringLiteral("紫"));
}

TEST_F(DBGridEditorTest, KeyListNotInListRechecksAndAHandlerlessTextStoresNull)
{
    OpenSkus();
    TColumnMv* color = Grid->GetColumnByFieldName(QStringLiteral("PropAlias"));
    TStringList picks(QStringList{u"红色"_qs, u"蓝色"_qs});
    TStringList keys(QStringList{u"Red"_qs, u"Blue"_qs});
    color->SetPickList(&picks);
    color->SetKeyList(&keys);

    // Without a handler an unknown text stores Null.
    Data->Edit();
    Grid->SetSelectedIndex(color->Index());
    Grid->SetGridEditText(QStringLiteral("白色"));
    Grid->DataLink()->Modified();
    Data->Post();
    EXPECT_TRUE(Data->FieldByName(QStringLiteral("PropAlias"))->IsNull());

    // A handler that adds the text and asks for a recheck makes its key the
    // stored value; the typed text is taken as it is (type-ahead with the
    // handler).
    QStringList asked;
    color->OnNotInList = [&](QObject*, const QString& Text, bool& Recheck) {
        asked.append(Text);
        color->PickList().Add(Text);
        color->KeyList().Add(QStringLiteral("White"));
        Recheck = true;
    };
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("PropAlias"));
    editor->selectAll();
    Type(editor, QStringLiteral("白色"));
    EXPECT_EQ(editor->text(), QStringLiteral("白色"));
    Data->Post();
    EXPECT_EQ(asked, QStringList{QStringLiteral("白色")});
    EXPECT_EQ(Data->FieldByName(QStringLiteral("PropAlias"))->AsString(), QStringLiteral("White"));
    EXPECT_EQ(color->GetDisplayText(), QStringLiteral("白色"));

    // With the handler, Backspace cuts the selection and the character
    // before it, Delete the selection, and the rest is handed to the grid.
    editor = EditColumn(QStringLiteral("PropAlias"));
    editor->setSelection(1, 1);
    PressKey(editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->text(), QString());
    editor->setText(QStringLiteral("蓝色白"));
    editor->setSelection(2, 1);
    PressKey(editor, Qt::Key_Delete);
    EXPECT_EQ(editor->text(), QStringLiteral("蓝色"));
    EXPECT_EQ(editor->cursorPosition(), 2);
    EXPECT_EQ(Grid->GridEditText(), QStringLiteral("蓝色"));
    Data->Post();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("PropAlias"))->AsString(), QStringLiteral("Blue"));
}
