// The edit states: Edit, Insert, Append, Post, Cancel, Delete and the
// writing of field values.

#include "platform/db/DataSet.h"
#include "platform/db/DbTexts.h"

#include <algorithm>

namespace {

bool SameValue(const Variant& a, const Variant& b)
{
    return a.GetKind() == b.GetKind() && a == b;
}

} // namespace

const Variant& TDataSet::ActiveFieldValue(int column) const
{
    static const Variant null = Variant::Null();
    const int row = FReadRow >= 0 ? FReadRow : CurrentRow();
    if (row < 0 || column < 0 || column >= FStore.FieldCount())
        return null;
    if (row == FEditRow)
        return FEditBuffer[size_t(column)];
    return FStore.Value(row, column);
}

Variant TDataSet::OldFieldValue(int column) const
{
    const int row = FReadRow >= 0 ? FReadRow : CurrentRow();
    if (row < 0 || column < 0 || column >= FStore.FieldCount())
        return Variant::Null();
    if (FStore.Info(row).Status == usInserted || (FState == dsInsert && row == FEditRow))
        return Variant::Null();
    if (const auto* original = FStore.Original(row))
        return (*original)[size_t(column)];
    return FStore.Value(row, column);
}

void TDataSet::CheckFieldWritable() const
{
    if ((FState != dsEdit && FState != dsInsert) || FReadRow >= 0 || CurrentRow() != FEditRow)
        DatabaseError(QStringLiteral("Dataset not in edit or insert mode"), this);
}

void TDataSet::StoreFieldValue(TField& field, Variant value)
{
    FEditBuffer[size_t(field.FieldNo() - 1)] = std::move(value);
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(&field));
}

void TDataSet::UpdateRecord()
{
    if (FState != dsEdit && FState != dsInsert)
        DatabaseError(QStringLiteral("Dataset not in edit or insert mode"), this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    if (FState == dsEdit || FState == dsInsert) {
        UpdateRecord();
        if (FModified)
            Post();
        else
            Cancel();
    }
}

void TDataSet::Edit()
{
    if (FState == dsEdit || FState == dsInsert)
        return;
    CheckActive();
    if (FView.empty()) {
        Insert();
        return;
    }
    CheckBrowseMode();
    if (!CanModify())
        DatabaseError(QStringLiteral("Cannot modify a read-only dataset"), this);
    BeforeEdit(*this);
    const int row = CurrentRow();
    if (row < 0)
        DatabaseError(QStringLiteral("No current record"), this);
    FEditRow = row;
    FEditBuffer = FStore.RowValues(row);
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    AfterEdit(*this);
}

void TDataSet::BeginInsertAppend()
{
    CheckBrowseMode();
    if (!CanModify())
        DatabaseError(QStringLiteral("Cannot modify a read-only dataset"), this);
    BeforeInsert(*this);
    BeforeScroll(*this);
}

void TDataSet::EndInsertAppend(int position, bool append)
{
    const int row = FStore.AddRow();
    FView.insert(FView.begin() + position, row);
    // In the order the rows came in, the new row stands before the row it
    // was inserted in front of.
    if (!append && !Sorted() && position + 1 < int(FView.size())) {
        const auto next = std::find(FNatural.begin(), FNatural.end(), FView[size_t(position) + 1]);
        FNatural.insert(next, row);
    } else {
        FNatural.push_back(row);
    }
    FNaturalPosValid = false;
    FEditRow = row;
    FEditBuffer.assign(size_t(FStore.FieldCount()), Variant::Null());
    SetWindow(position, append ? FBufferCount - 1 : FActiveRecord);
    // An appended record stands past the last one: the data set is at its end.
    FBof = false;
    FEof = append;
    SetState(dsInsert);
    try {
        if (OnNewRecord)
            OnNewRecord(*this);
    } catch (...) {
        RemoveInsertedRow(row);
        FEditRow = -1;
        FEditBuffer.clear();
        SetState(dsBrowse);
        Resync(false);
        throw;
    }
    FModified = false;
    DataEvent(deDataSetChange, 0);
    AfterInsert(*this);
    AfterScroll(*this);
}

void TDataSet::Insert()
{
    BeginInsertAppend();
    EndInsertAppend(FView.empty() ? 0 : FWinTop + FActiveRecord, false);
}

void TDataSet::Append()
{
    BeginInsertAppend();
    EndInsertAppend(int(FView.size()), true);
}

void TDataSet::RemoveInsertedRow(int row)
{
    std::erase(FView, row);
    std::erase(FNatural, row);
    FNaturalPosValid = false;
    FStore.Info(row).Removed = true;
}

void TDataSet::CheckRequiredFields()
{
    for (int i = 0; i < FFields.Count(); ++i) {
        TField* field = FFields[i];
        if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
            field->FocusControl();
            DatabaseError(RequiredText(field->DisplayName()), this);
        }
    }
}

void TDataSet::Post()
{
    UpdateRecord();
    DataEvent(deCheckBrowseMode, 0);
    BeforePost(*this);
    CheckRequiredFields();
    InternalPost();
    AfterPost(*this);
}

void TDataSet::InternalPost()
{
    const int row = FEditRow;
    TRowInfo& info = FStore.Info(row);
    Variant* stored = FStore.RowData(row);
    bool changed = false;
    for (int i = 0; i < FStore.FieldCount(); ++i)
        changed = changed || !SameValue(stored[i], FEditBuffer[size_t(i)]);
    const bool inserting = FState == dsInsert;
    if (inserting) {
        info.Status = usInserted;
        info.ChangeSeq = NextChangeSeq();
    } else if (changed && info.Status == usUnmodified) {
        FStore.SetOriginal(row, FStore.RowValues(row));
        info.Status = usModified;
        info.ChangeSeq = NextChangeSeq();
    }
    for (int i = 0; i < FStore.FieldCount(); ++i)
        stored[i] = std::move(FEditBuffer[size_t(i)]);
    FEditRow = -1;
    FEditBuffer.clear();
    SetState(dsBrowse);
    if (Sorted() && (changed || inserting))
        RepositionSorted(row);
    const int position = ViewPosOf(row);
    SetWindow(position, FActiveRecord);
    FBof = FEof = false;
    DataEvent(deDataSetChange, 0);
}

void TDataSet::RepositionSorted(int row)
{
    std::erase(FView, row);
    const auto less = [this](int a, int b) {
        const int c = CompareRows(a, b);
        return c < 0 || (c == 0 && a < b);
    };
    FView.insert(std::lower_bound(FView.begin(), FView.end(), row, less), row);
    ++FOrderChangeCount;
}

void TDataSet::Cancel()
{
    if (FState != dsEdit && FState != dsInsert)
        return;
    DataEvent(deCheckBrowseMode, 0);
    BeforeCancel(*this);
    const bool inserting = FState == dsInsert;
    if (inserting)
        BeforeScroll(*this);
    CancelEditing();
    AfterCancel(*this);
    if (inserting)
        AfterScroll(*this);
}

void TDataSet::CancelEditing()
{
    const int row = FEditRow;
    int position = ViewPosOf(row);
    if (FState == dsInsert)
        RemoveInsertedRow(row);
    FEditRow = -1;
    FEditBuffer.clear();
    SetState(dsBrowse);
    position = std::min(position, int(FView.size()) - 1);
    SetWindow(position, FActiveRecord);
    Resync(false);
}

void TDataSet::Delete()
{
    CheckActive();
    if (FState == dsInsert) {
        Cancel();
        return;
    }
    if (FView.empty())
        DatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"), this);
    if (!CanModify())
        DatabaseError(QStringLiteral("Cannot modify a read-only dataset"), this);
    DataEvent(deCheckBrowseMode, 0);
    BeforeDelete(*this);
    BeforeScroll(*this);
    const int row = FState == dsEdit ? FEditRow : CurrentRow();
    if (row < 0)
        DatabaseError(QStringLiteral("No current record"), this);
    int position = ViewPosOf(row);
    TRowInfo& info = FStore.Info(row);
    if (info.Status == usInserted) {
        // Never written: it leaves no trace in the change log.
        info.Removed = true;
        std::erase(FNatural, row);
        FNaturalPosValid = false;
    } else {
        if (info.Status == usUnmodified)
            info.ChangeSeq = NextChangeSeq();
        info.Status = usDeleted;
    }
    FView.erase(FView.begin() + position);
    FEditRow = -1;
    FEditBuffer.clear();
    SetState(dsBrowse);
    position = std::min(position, int(FView.size()) - 1);
    SetWindow(position, FActiveRecord);
    FBof = FEof = false;
    Resync(false);
    AfterDelete(*this);
    AfterScroll(*this);
}
