// The cell editor on a lookup field: the data list drops down, a chosen
// record writes the key fields, typed text resolves or is refused, and a
// value chosen for one record never lands in another.

#include "DBGridEditorTestSupport.h"

#include "platform/db/Field.h"

#include <QClipboard>

TEST_F(DBGridEditorTest, DataListChoosesARecordAndWritesTheKeyFields)
{
    OpenSkus();
    TColumnMv* item = Grid->GetColumnByFieldName(QStringLiteral("Item"));
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("Item"));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->EditStyle(), esDataListMv);
    EXPECT_EQ(editor->text(), QStringLiteral("衬衫"));

    // Alt+Down drops the list of the three items, the current key marked,
    // as wide as the cell at least.
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    TPopupDataGridMv* list = editor->DataList();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->RowCountVisible(), 3);
    EXPECT_GE(list->width(), editor->width());
    EXPECT_TRUE(VarEqualsMv(list->KeyValue(), Variant(qint64(101))));
    EXPECT_EQ(list->Text(), QStringLiteral("衬衫"));
    EXPECT_TRUE(SaveScreenshot(WithPopup(Window.get(), list), QStringLiteral("dbgrid-lookup.png")));

    // Down steps to the next item and the editor follows; Enter takes it.
    PressKey(editor, Qt::Key_Down);
    EXPECT_EQ(editor->text(), QStringLiteral("长裤"));
    PressKey(editor, Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(Data->State(), dsEdit);
    Data->Post();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("NumIID"))->AsInteger(), 102);
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Item"))->AsString(), QStringLiteral("长裤"));
    EXPECT_EQ(Data->ApplyUpdates(0), 0);
    EXPECT_EQ(Scalar(QStringLiteral("select \"NumIID\" from \"KivItem\" where \"SkuID\" = 1")), QStringLiteral("102"));

    // A click on a row of the list chooses it; Escape leaves the value.
    editor = EditColumn(QStringLiteral("Item"));
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(list->isVisible());
    PressKey(editor, Qt::Key_Escape);
    EXPECT_EQ(editor->text(), QStringLiteral("长裤"));
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    const QPoint third = Centre(list->CellRect(0, list->TitleRowCount() + 2));
    ClickAt(*list, third);
    EXPECT_FALSE(list->isVisible());
    Data->Post();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("NumIID"))->AsInteger(), 103);

    // Type-ahead by a Chinese character finds its record; Delete over the
    // whole text clears the key.
    editor = EditColumn(QStringLiteral("Item"));
    editor->selectAll();
    Type(editor, QStringLiteral("衬"));
    EXPECT_EQ(editor->text(), QStringLiteral("衬衫"));
    EXPECT_TRUE(VarEqualsMv(Grid->EditValue(), Variant(qint64(101))));
    editor->selectAll();
    PressKey(editor, Qt::Key_Delete);
    EXPECT_TRUE(editor->text().isEmpty());
    EXPECT_TRUE(Grid->EditValue().IsNull());
    Data->Post();
    EXPECT_TRUE(Data->FieldByName(QStringLiteral("NumIID"))->IsNull());

    // Backspace without a not-in-list handler moves the caret only.
    Data->Next();
    editor = EditColumn(QStringLiteral("Item"));
    editor->setCursorPosition(2);
    PressKey(editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->text(), QStringLiteral("长裤"));
    EXPECT_EQ(editor->cursorPosition(), 1);

    // The next value of a lookup column is the next record's key; the
    // lookup field follows it.
    item->SetNextFieldValue(1);
    EXPECT_EQ(Data->FieldByName(QStringLiteral("NumIID"))->AsInteger(), 103);
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Item"))->AsString(), QStringLiteral("帽子"));
    Data->Cancel();

    // A column listing from its own source starts the editor with that
    // source's text for the keys, and empty for keys it does not hold.
    TClientDataSet& own = OpenClient(QStringLiteral(
        "select \"NumIID\", \"Title\" || '*' as \"Title\" from \"KivItemOnsale\" where \"NumIID\" < 103"));
    TDataSource ownSource;
    ownSource.SetDataSet(&own);
    item->DropDownBox().SetListSource(&ownSource);
    Grid->SetSelectedIndex(item->Index());
    EXPECT_EQ(Grid->CurrentEditText(), QStringLiteral("长裤*"));
    Data->Next();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("NumIID"))->AsInteger(), 103);
    EXPECT_TRUE(Grid->CurrentEditText().isEmpty());
    item->DropDownBox().SetListSource(nullptr);
}

TEST_F(DBGridEditorTest, UnknownLookupTextIsResolvedByTheHandlerOrRefusedKeepingTheKey)
{
    OpenSkus();
    TColumnMv* item = Grid->GetColumnByFieldName(QStringLiteral("Item"));
    int calls = 0;
    bool addItem = false;
    item->OnNotInList = [&](QObject*, const QString& Text, bool& Recheck) {
        ++calls;
        if (!addItem)
            return;
        Items->Append();
        Items->FieldByName(QStringLiteral("NumIID"))->SetAsInteger(104);
        Items->FieldByName(QStringLiteral("Title"))->SetAsString(Text);
        Items->Post();
        Recheck = true;
    };

    // Without a recheck the text is refused with a message naming it, and
    // the field keeps its key.
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("Item"));
    editor->selectAll();
    Type(editor, QStringLiteral("袜子"));
    EXPECT_EQ(editor->text(), QStringLiteral("袜子"));
    EXPECT_TRUE(Grid->EditValue().IsNull());
    try {
        Data->Post();
        ADD_FAILURE() << "an unknown text was posted";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QStringLiteral("袜子")));
    }
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Data->FieldByName(QStringLiteral("NumIID"))->AsInteger(), 101);
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Item"))->AsString(), QStringLiteral("衬衫"));
    Data->Cancel();

    // A handler that adds the record and asks for a recheck resolves it.
    addItem = true;
    editor = EditColumn(QStringLiteral("Item"));
    editor->selectAll();
    Type(editor, QStringLiteral("袜子"));
    Data->Post();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(Data->FieldByName(QStringLiteral("NumIID"))->AsInteger(), 104);
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Item"))->AsString(), QStringLiteral("袜子"));

    // Without a handler, typing in a lookup cell never leaves an unknown
    // text: only characters that lead to a record are taken.
    item->OnNotInList = nullptr;
    Data->Next();
    editor = EditColumn(QStringLiteral("Item"));
    editor->selectAll();
    Type(editor, QStringLiteral("袜x"));
    EXPECT_EQ(editor->text(), QStringLiteral("袜子"));
    // Delete over part of the text does nothing; pasted text completes
    // like typed text; the special row's short-cut takes its value.
    editor->setSelection(1, 1);
    PressKey(editor, Qt::Key_Delete);
    EXPECT_EQ(editor->text(), QStringLiteral("袜子"));
    QApplication::clipboard()->setText(QStringLiteral("长"));
    editor->selectAll();
    PressKey(editor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("长裤"));
    EXPECT_EQ(editor->selectedText(), QStringLiteral("裤"));
    item->DropDownSpecRow().SetCellsText(QStringLiteral("(无)"));
    item->DropDownSpecRow().SetVisible(true);
    PressKey(editor, Qt::Key_Delete, Qt::AltModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("(无)"));
    EXPECT_TRUE(Grid->EditValue().IsNull());
    Data->Post();
    EXPECT_TRUE(Data->FieldByName(QStringLiteral("NumIID"))->IsNull());
}

TEST_F(DBGridEditorTest, AValueChosenForOneRecordNeverLandsInAnother)
{
    OpenSkus();
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("Item"));
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    TPopupDataGridMv* list = editor->DataList();
    ASSERT_TRUE(list->isVisible());
    PressKey(editor, Qt::Key_Down);
    PressKey(editor, Qt::Key_Down);
    EXPECT_EQ(editor->text(), QStringLiteral("帽子"));
    // The record moves under the open list: the list closes taking nothing.
    Data->Next();
    EXPECT_FALSE(list->isVisible());
    PressKey(editor, Qt::Key_Return);
    Data->CheckBrowseMode();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("NumIID"))->AsInteger(), 102);
    Data->First();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("NumIID"))->AsInteger(), 101);

    // A key left in the grid on one record, under a hidden editor, is
    // dropped when the grid is asked to write it on another.
    editor = EditColumn(QStringLiteral("Item"));
    Grid->SetEditValue(Variant(qint64(103)));
    Grid->SetGridEditText(QStringLiteral("帽子"));
    Grid->HideEditor();
    Data->Next();
    Data->Edit();
    Grid->UpdateData();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("NumIID"))->AsInteger(), 102);
    Data->Cancel();
}
