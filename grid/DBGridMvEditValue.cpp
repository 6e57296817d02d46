// The grid's side of the cell editor: making, showing and reloading it,
// the text and key it leaves in the grid, and writing them into the field.

#include "grid/DBGridMvFilterRow.h"
#include "grid/DBGridMvInplaceEdit.h"

#include "platform/db/Field.h"

namespace {

// The position of Text among the list's first Count items, without regard
// to case; -1 when absent.
int IndexOfText(const TStringList* List, const QString& Text, int Count)
{
    if (!List)
        return -1;
    for (int i = 0; i < std::min(Count, List->Count()); ++i)
        if ((*List)[i].compare(Text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// The key of a pick-list text: only an item that has a key translates.
Variant KeyOfText(const TColumnMv* Column, const QString& Text)
{
    const TStringList* keys = Column->KeyListIfAny();
    const int count = keys ? keys->Count() : 0;
    const int i = IndexOfText(Column->PickListIfAny(), Text, count);
    return i >= 0 ? Variant((*keys)[i]) : Variant::Null();
}

} // namespace

std::unique_ptr<TInplaceEdit> TCustomDBGridMv::CreateEditor()
{
    return std::make_unique<TDBGridInplaceEdit>();
}

TDBGridInplaceEdit* TCustomDBGridMv::CellEditor() const
{
    return dynamic_cast<TDBGridInplaceEdit*>(InplaceEditor());
}

void TCustomDBGridMv::ShowEditor()
{
    // A cell's editor and the filter row's are never open together.
    StopFilterEdit();
    // Check-box and image cells are changed by the grid itself: the editor
    // mode stays off there so that the keys keep reaching the grid.
    if (TColumnMv* column = SelectedColumn()) {
        const TColumnTypeMv kind = column->GetColumnType();
        if (kind == ctCheckboxes || kind == ctKeyImageList)
            return;
    }
    TCustomGridMv::ShowEditor();
    UpdateIme();
}

void TCustomDBGridMv::InvalidateEditor()
{
    // A reload with a drop-down open closes it without taking a value or a
    // size from it: the record under the list may be another one now.
    TDBGridInplaceEdit* editor = CellEditor();
    if (editor && editor->ListVisible()) {
        editor->SetClosing(true);
        try {
            TCustomGridMv::InvalidateEditor();
        } catch (...) {
            editor->SetClosing(false);
            throw;
        }
        editor->SetClosing(false);
    } else {
        TCustomGridMv::InvalidateEditor();
    }
    if (FilterEditInProgress())
        FFilterRow->Refresh();
}

int TCustomDBGridMv::CellEditorIndent() const
{
    return TreeIndent();
}

void TCustomDBGridMv::DrawCellEditorIndent(TCanvas& Canvas, const TRect& Rect)
{
    // The editor covers the cell, so it draws the tree's lines and boxes the
    // cell would show beside its text.
    Canvas.FillRect(Rect, Color());
    PaintTreeElements(Canvas, Rect, false);
}

void TCustomDBGridMv::RecreateColumns()
{
    FVisibleColumns.Clear();
    FColumns = CreateColumns();
    LayoutChanged();
}

void TCustomDBGridMv::EditButtonClick()
{
    if (OnEditButtonClick)
        OnEditButtonClick(this);
}

// ---------------------------------------------------------------- the text and the key

QString TCustomDBGridMv::GetEditText(int, int)
{
    // The grid keeps the editor's text from here on (SetEditText follows
    // every change); a field whose text differs from it reloads the editor.
    FEditText = CurrentEditText();
    FEditState.Value = Variant();
    TColumnMv* column = SelectedColumn();
    TField* field = column ? column->Field() : nullptr;
    if (FDataLink->Active() && field && field->FieldKind() == fkLookup && field->DataSet() &&
        !field->KeyFields.isEmpty())
        FEditState.Value = field->DataSet()->GetFieldValue(field->KeyFields);
    NoteEditorRecord();
    return FEditText;
}

void TCustomDBGridMv::SetEditText(int, int, const QString& Value)
{
    FEditText = Value;
}

void TCustomDBGridMv::NoteEditorRecord()
{
    TDataSet* dataSet = FDataLink->Active() ? DataSet() : nullptr;
    FEditState.Loaded = dataSet != nullptr;
    FEditState.Inserting = dataSet && dataSet->State() == dsInsert;
    FEditState.Record = dataSet && !FEditState.Inserting ? dataSet->Bookmark() : TBookmark();
}

bool TCustomDBGridMv::EditorOnLoadedRecord() const
{
    TDataSet* dataSet = FDataLink->Active() ? DataSet() : nullptr;
    if (!FEditState.Loaded || !dataSet)
        return true;
    const bool inserting = dataSet->State() == dsInsert;
    if (inserting != FEditState.Inserting)
        return false;
    return inserting || dataSet->Bookmark() == FEditState.Record;
}

// ---------------------------------------------------------------- writing

void TCustomDBGridMv::UpdateData()
{
    TColumnMv* column = SelectedColumn();
    if (!column)
        return;
    if (!EditorOnLoadedRecord()) {
        // The record moved or was refreshed under the editor: what it holds
        // belongs to another record and is dropped.
        FEditText = CurrentEditText();
        FEditState.Value = Variant();
        return;
    }
    ValidateEditorMask();
    WriteEditValue(column);
}

void TCustomDBGridMv::ValidateEditorMask()
{
    // The text about to be written is the masked editor's: an incomplete
    // one is refused whole, with the caret on the position to fill.
    TInplaceEdit* editor = InplaceEditor();
    if (!editor || !editor->IsMasked() || editor->Text() != FEditText)
        return;
    try {
        editor->ValidateEdit();
    } catch (const EDBEditError&) {
        if (editor->Visible() && ContainsFocus())
            editor->SetFocus();
        throw;
    }
}

void TCustomDBGridMv::WriteEditValue(TColumnMv* Column)
{
    TField* field = Column->Field();
    if (!field) {
        Column->UpdateDataValues(FEditText, Variant(), true);
        return;
    }
    switch (Column->GetColumnType()) {
    case ctPickList: {
        const TStringList* picks = Column->PickListIfAny();
        if (Column->OnNotInList && IndexOfText(picks, FEditText, picks ? picks->Count() : 0) < 0) {
            bool recheck = false;
            Column->OnNotInList(Column, FEditText, recheck);
        }
        Column->UpdateDataValues(FEditText, Variant(), true);
        return;
    }
    case ctKeyPickList: {
        Variant value = Variant::Null();
        if (!FEditText.isEmpty()) {
            const TStringList* picks = Column->PickListIfAny();
            const bool listed = IndexOfText(picks, FEditText, picks ? picks->Count() : 0) >= 0;
            if (listed) {
                value = KeyOfText(Column, FEditText);
            } else if (Column->OnNotInList) {
                bool recheck = false;
                Column->OnNotInList(Column, FEditText, recheck);
                if (recheck)
                    value = KeyOfText(Column, FEditText);
            }
        }
        FEditState.Value = value;
        Column->UpdateDataValues(FEditText, value, false);
        return;
    }
    default: break;
    }
    if (field->FieldKind() != fkLookup || field->KeyFields.isEmpty()) {
        Column->UpdateDataValues(FEditText, Variant(), true);
        return;
    }
    // A lookup field stores the keys of the record its text names. A text
    // that names no record never stands over the old keys: the field keeps
    // its value and the user is told.
    if (FEditText.isEmpty())
        FEditState.Value = Variant::Null();
    else if (!ResolveLookupText(Column, FEditText))
        throw EDatabaseError(QStringLiteral("\"%1\" is not in the list of %2").arg(FEditText, field->DisplayName()));
    TDataSet* dataSet = field->DataSet();
    if (!dataSet || !FieldsCanModify(dataSet->GetFieldList(field->KeyFields)))
        return;
    dataSet->Edit();
    Column->UpdateDataValues(FEditText, FEditState.Value, false);
}

bool TCustomDBGridMv::ResolveLookupText(TColumnMv* Column, const QString& Text)
{
    // The special row's text stands for its value.
    const TSpecRowMv& special = Column->DropDownSpecRow();
    if (special.Visible() && Text == special.GetCellText(0)) {
        FEditState.Value = special.Value();
        return true;
    }
    TField* field = Column->Field();
    TDataSet* lookup = Column->GetLookupDataSet();
    if (!field || !lookup || !lookup->Active())
        return false;
    // The key chosen in the editor stands when its record has this text.
    if (!FEditState.Value.IsClear()) {
        const Variant named = lookup->Lookup(field->LookupKeyFields, FEditState.Value, field->LookupResultField);
        if (!named.IsClear() && named.AsString().compare(Text, Qt::CaseInsensitive) == 0)
            return true;
    }
    auto find = [&] {
        if (!lookup->Locate(field->LookupResultField, Variant(Text), loCaseInsensitive))
            return false;
        FEditState.Value = lookup->GetFieldValue(field->LookupKeyFields);
        return true;
    };
    if (find())
        return true;
    FEditState.Value = Variant::Null();
    if (!Column->OnNotInList)
        return false;
    bool recheck = false;
    Column->OnNotInList(Column, Text, recheck);
    return recheck && find();
}
