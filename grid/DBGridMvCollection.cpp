// The column collection (which keeps the base grid's widths in step with the
// columns), the grid's data link with its field map, and the selected-rows
// list.

#include "grid/DBGridMv.h"
#include "grid/DBGridMvMemTable.h"

#include "platform/MulDiv.h"

#include <algorithm>

// ---------------------------------------------------------------- collection

TDBGridColumnsMv::TDBGridColumnsMv(TCustomDBGridMv* Grid, TColumnFactory ColumnFactory)
    : FGrid(Grid), FColumnFactory(std::move(ColumnFactory))
{
}

TDBGridColumnsMv::~TDBGridColumnsMv()
{
    // Columns ask the collection for their index while they go.
    ++FUpdateCount;
    while (!FItems.empty())
        FItems.pop_back();
}

TColumnMv* TDBGridColumnsMv::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FItems[size_t(Index)].get();
}

int TDBGridColumnsMv::IndexOf(const TColumnMv* Column) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == Column)
            return int(i);
    return -1;
}

TColumnMv* TDBGridColumnsMv::AddItem(bool Stored)
{
    // The whole construction runs inside one layout bracket of the grid.
    if (FGrid)
        FGrid->BeginLayout();
    TColumnMv* column = nullptr;
    try {
        auto made = FColumnFactory ? FColumnFactory(this) : std::make_unique<TDBGridColumnMv>(this);
        column = made.get();
        FItems.push_back(std::move(made));
        column->SetStored(Stored);
        column->SetInitWidth(column->Width());
        Changed();
    } catch (...) {
        if (FGrid)
            FGrid->EndLayout();
        throw;
    }
    if (FGrid)
        FGrid->EndLayout();
    return column;
}

TColumnMv* TDBGridColumnsMv::Add()
{
    return AddItem(true);
}

TColumnMv* TDBGridColumnsMv::AddDefault()
{
    return AddItem(false);
}

void TDBGridColumnsMv::Delete(int Index)
{
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    auto gone = std::move(FItems[size_t(Index)]);
    FItems.erase(FItems.begin() + Index);
    gone.reset();
    Changed();
}

void TDBGridColumnsMv::Clear()
{
    if (FItems.empty())
        return;
    BeginUpdate();
    while (!FItems.empty())
        FItems.pop_back();
    EndUpdate();
}

bool TDBGridColumnsMv::State() const
{
    return !FItems.empty() && FItems.front()->Stored();
}

void TDBGridColumnsMv::Assign(const TDBGridColumnsMv& Source)
{
    if (&Source == this)
        return;
    BeginUpdate();
    try {
        while (!FItems.empty())
            FItems.pop_back();
        for (int i = 0; i < Source.Count(); ++i) {
            TColumnMv* column = Source.State() ? Add() : AddDefault();
            column->Assign(*Source.Items(i));
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

bool TDBGridColumnsMv::Equals(const TDBGridColumnsMv& Other) const
{
    if (Count() != Other.Count())
        return false;
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->StoredProperties() != Other.Items(i)->StoredProperties())
            return false;
    return true;
}

void TDBGridColumnsMv::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    --FUpdateCount;
    if (FUpdateCount == 0)
        Changed();
}

void TDBGridColumnsMv::Changed()
{
    if (FUpdateCount == 0)
        Update(nullptr);
}

void TDBGridColumnsMv::Move(int FromIndex, int ToIndex)
{
    if (FromIndex < 0 || FromIndex >= Count())
        return;
    ToIndex = std::clamp(ToIndex, 0, Count() - 1);
    if (FromIndex == ToIndex)
        return;
    auto moved = std::move(FItems[size_t(FromIndex)]);
    FItems.erase(FItems.begin() + FromIndex);
    FItems.insert(FItems.begin() + ToIndex, std::move(moved));
    if (FUpdateCount == 0)
        Update(nullptr);
}

void TDBGridColumnsMv::DropCachedFields()
{
    for (const auto& column : FItems)
        column->ClearCachedField();
}

void TDBGridColumnsMv::Update(TColumnMv* Item)
{
    TCustomDBGridMv* grid = FGrid;
    if (!grid || grid->Loading())
        return;
    if (Item) {
        const int raw = grid->DataToRawColumn(Item->Index());
        if (raw >= 0 && raw < grid->FullColCount()) {
            grid->InvalidateCol(raw);
            if (!grid->AutoFitColWidths()) {
                if (grid->ColWidths(raw) == Item->Width()) {
                    if (grid->PendingWidthChange())
                        grid->LayoutChanged();
                } else if (Item->Visible()) {
                    grid->SetColWidths(raw, Item->Width());
                } else {
                    grid->SetColWidths(raw, grid->Options().testFlag(dgColLines) ? -1 : 0);
                }
            } else if (grid->ColWidths(raw) != -1) {
                // A width set by hand moves width between the column and
                // its right neighbour; the total stays.
                const int oldInit = Item->InitWidth();
                const int newInit = MulDiv(oldInit, Item->Width(), grid->ColWidths(raw));
                Item->SetInitWidth(newInit);
                const int next = Item->Index() + 1;
                if (raw != grid->FullColCount() - 1 && next < Count()) {
                    TColumnMv* neighbour = Items(next);
                    neighbour->SetInitWidth(std::max(0, neighbour->InitWidth() + oldInit - newInit));
                }
                grid->LayoutChanged();
            }
        }
    } else {
        grid->LayoutChanged();
    }
    if (Count() > 0) {
        TColumnMv* current = grid->SelectedColumn();
        bool anyVisible = false;
        int firstVisible = -1;
        for (int i = 0; i < Count() && firstVisible < 0; ++i)
            if (Items(i)->Visible()) {
                anyVisible = true;
                firstVisible = i;
            }
        if (current && !current->Visible() && anyVisible)
            grid->SetSelectedIndex(firstVisible);
    }
    if (!grid->InsideLayoutRecomputation())
        grid->InvalidateEditor();
}

// ---------------------------------------------------------------- data link

TGridDataLinkMv::~TGridDataLinkMv() = default;

bool TGridDataLinkMv::AddMapping(const QString& FieldName)
{
    constexpr int MaxMapSize = 0x0FFFFFFF;
    if (FFieldCount >= MaxMapSize)
        RaiseGridError(SGridTooManyColumnsDisplayed());
    TField* field = nullptr;
    if (TDataSet* dataSet = DataSet())
        field = FSparseMap ? dataSet->FindField(FieldName) : dataSet->FieldByName(FieldName);
    if (FFieldCount == FMapCapacity) {
        qint64 capacity = FMapCapacity == 0 ? 8 : qint64(FMapCapacity) * 2;
        capacity = std::max<qint64>(capacity, FFieldCount + 1);
        capacity = std::min<qint64>(capacity, MaxMapSize);
        FFieldMap.resize(size_t(capacity), -1);
        FMapCapacity = int(capacity);
    }
    FFieldMap[size_t(FFieldCount)] = field ? field->Index() : -1;
    ++FFieldCount;
    return true;
}

void TGridDataLinkMv::ClearMapping()
{
    FFieldMap.clear();
    FFieldCount = 0;
    FMapCapacity = 0;
}

TField* TGridDataLinkMv::GetMappedField(int Index) const
{
    if (Index < 0 || Index >= FFieldCount)
        return nullptr;
    const int entry = FFieldMap[size_t(Index)];
    TDataSet* dataSet = DataSet();
    if (entry < 0 || !dataSet || entry >= dataSet->FieldCount())
        return nullptr;
    return dataSet->Fields(entry);
}

bool TGridDataLinkMv::FieldIsMapped(const TField* Field) const
{
    if (!Field)
        return false;
    const int index = Field->Index();
    for (int i = 0; i < FFieldCount; ++i)
        if (FFieldMap[size_t(i)] == index)
            return true;
    return false;
}

bool TGridDataLinkMv::DefaultFields() const
{
    TDataSet* dataSet = DataSet();
    bool result = !dataSet || dataSet->DefaultFields();
    if (result && FSparseMap)
        for (int i = 0; i < FFieldCount; ++i)
            if (FFieldMap[size_t(i)] < 0)
                return false;
    return result;
}

void TGridDataLinkMv::Reset()
{
    if (FModified)
        RecordChanged(nullptr);
    else if (TDataSet* dataSet = DataSet())
        dataSet->Cancel();
}

void TGridDataLinkMv::ActiveChanged()
{
    FGrid->LinkActive(Active());
    FModified = false;
}

void TGridDataLinkMv::DataEvent(TDataEvent Event, std::intptr_t Info)
{
    TDataLink::DataEvent(Event, Info);
    if (Event == deDisabledStateChange)
        FGrid->Columns().DropCachedFields();
}

void TGridDataLinkMv::DataSetChanged()
{
    FGrid->DataChanged();
    FModified = false;
}

void TGridDataLinkMv::DataSetScrolled(int Distance)
{
    FGrid->Scroll(Distance);
}

void TGridDataLinkMv::EditingChanged()
{
    FGrid->EditingChanged();
}

void TGridDataLinkMv::FocusControl(TField*& Field)
{
    if (Field && FGrid->FocusFieldColumn(Field))
        Field = nullptr;
}

void TGridDataLinkMv::LayoutChanged()
{
    const bool saved = FGrid->InsideLayoutRecomputation();
    FGrid->SetInsideLayoutRecomputation(true);
    try {
        FGrid->LayoutChanged();
    } catch (...) {
        FGrid->SetInsideLayoutRecomputation(saved);
        throw;
    }
    FGrid->SetInsideLayoutRecomputation(saved);
    TDataLink::LayoutChanged();
}

void TGridDataLinkMv::RecordChanged(TField* Field)
{
    FGrid->RecordChanged(Field);
    FModified = false;
}

void TGridDataLinkMv::UpdateData()
{
    if (FInUpdateData)
        return;
    FInUpdateData = true;
    try {
        if (FModified)
            FGrid->UpdateData();
        FModified = false;
    } catch (...) {
        FInUpdateData = false;
        throw;
    }
    FInUpdateData = false;
}

// ---------------------------------------------------------------- selected rows

TDataSet* TBookmarkListMv::GetDataSet() const
{
    TDataSource* source = FGrid->DataSource();
    return source ? source->DataSet() : nullptr;
}

void TBookmarkListMv::Invalidate()
{
    FGrid->Invalidate();
}

void TBookmarkListMv::Changed()
{
    FGrid->Selection().SelectionChanged();
}

void TBookmarkListMv::SetCurrentRowSelected(bool Value)
{
    const bool before = CurrentRowSelected();
    TBMListMv::SetCurrentRowSelected(Value);
    if (before == CurrentRowSelected())
        return;
    InvalidateRowCells(FGrid, FGrid->Row());
    TDBGridMvSelection& selection = FGrid->Selection();
    if (selection.SelectionType() != gstRecordBookmarks && Count() > 0) {
        selection.Clear();
        selection.SetSelectionType(gstRecordBookmarks);
    }
    selection.SelectionChanged();
}

void TBookmarkListMv::KeepOnlySpan(const TBookmark& From, const TBookmark& To)
{
    const bool ascending = Compare(From, To) <= 0;
    const TBookmark& first = ascending ? From : To;
    const TBookmark& last = ascending ? To : From;
    bool dropped = false;
    for (int i = Count() - 1; i >= 0; --i) {
        if (Compare(Items(i), first) < 0 || Compare(Items(i), last) > 0) {
            DeleteBookmark(i);
            dropped = true;
        }
    }
    if (!dropped)
        return;
    Invalidate();
    Changed();
}

TGridRectMv TBookmarkListMv::GetVisibleSelectedRect() const
{
    TGridRectMv result{-1, -1, -1, -1};
    TGridDataLinkMv* link = FGrid->DataLink();
    if (!link->Active() || Count() == 0)
        return result;
    const int first = FirstShownDataRow(*FGrid);
    const int last = first + ShownRecordCount(*FGrid);
    for (int row = first; row < last; ++row) {
        const TDataRowScopeMv scope(*FGrid, row);
        if (IndexOf(link->DataSet()->Bookmark()) < 0)
            continue;
        const int raw = row + FGrid->TitleRowCount();
        if (result.Top < 0)
            result.Top = raw;
        result.Bottom = raw;
    }
    if (result.Top >= 0) {
        result.Left = 0;
        result.Right = FGrid->ColCount() - 1;
    }
    return result;
}
