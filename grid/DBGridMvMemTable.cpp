// The rows of the dataset grid and their records: the helpers that answer
// for a plain dataset and an in-memory table alike, and the table's own
// paths (one row per record, rows scrolled by the grid, the vertical bar
// over the rows, and the records fetched as the rows need them).

#include "grid/DBGridMvMemTable.h"

#include "grid/DBGridMvInput.h"

#include <QScopedValueRollback>
#include <algorithm>

// ---------------------------------------------------------------- rows and records

TDataRowScopeMv::TDataRowScopeMv(const TCustomDBGridMv& Grid, int DataRow)
{
    if (IMemTableMv* table = Grid.MemTableSupport()) {
        FMemTable = table;
        FMemTable->MoveToRecord(DataRow);
    } else {
        FLinkScope.emplace(*Grid.DataLink(), DataRow);
    }
}

TDataRowScopeMv::~TDataRowScopeMv()
{
    if (FMemTable)
        FMemTable->MoveBack();
}

int DataRowRecordCount(const TCustomDBGridMv& Grid)
{
    if (!Grid.DataLink()->Active())
        return 0;
    if (IMemTableMv* table = Grid.MemTableSupport())
        return table->MemRecordCount();
    return Grid.DataLink()->RecordCount();
}

int ActiveDataRow(const TCustomDBGridMv& Grid)
{
    if (IMemTableMv* table = Grid.MemTableSupport())
        return table->CurrentRowIndex();
    return Grid.DataLink()->ActiveRecord();
}

int FirstShownDataRow(TCustomDBGridMv& Grid)
{
    return Grid.MemTableSupport() ? Grid.TopRow() - Grid.FixedRows() : 0;
}

int ShownRecordCount(TCustomDBGridMv& Grid)
{
    if (!Grid.MemTableSupport())
        return Grid.DataLink()->RecordCount();
    const int rest = DataRowRecordCount(Grid) - FirstShownDataRow(Grid);
    return std::clamp(Grid.VisibleRowCount(), 0, std::max(0, rest));
}

// ---------------------------------------------------------------- the table's paths

void TCustomDBGridMv::UpdateRowCountMemTable()
{
    TCustomGridMv::SetContraRowCount(FFooterRowCount);
    const int records = FDataLink->Active() ? std::max(1, FMemTable->MemRecordCount()) : 1;
    const int count = FTitleOffset + records;
    if (count < RowCount() && Row() >= count)
        MoveColRow(Col(), count - 1, true, false);
    if (count != RowCount()) {
        SetRowCount(count);
        Invalidate();
    }
    if (!HandleAllocated())
        return;
    UpdateScrollBar();
    const int current = FMemTable->CurrentRowIndex();
    if (FDataLink->Active() && current >= 0 && current + FTitleOffset < RowCount() &&
        current != Row() - FTitleOffset)
        MoveColRow(Col(), current + FTitleOffset, !FInput->NodeToggling, true);
    FetchMemTableRecords();
}

void TCustomDBGridMv::FetchMemTableRecords()
{
    if (!FMemTable || !FDataLink->Active() || !HandleAllocated() || FInput->Fetching)
        return;
    const QScopedValueRollback<bool> fetching(FInput->Fetching, true);
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    const int visibleHeight = info.Vert.GridExtent - info.Vert.FixedBoundary;
    const int pitch = DefaultRowHeight() + info.Vert.EffectiveLineWidth;
    const int rowsHeight = FMemTable->MemRecordCount() * pitch;
    if (visibleHeight > rowsHeight)
        FMemTable->FetchRecords((visibleHeight - rowsHeight) / std::max(1, DefaultRowHeight()) + 1);
    else if (info.Vert.LastFullVisibleCell >= RowCount() - 1)
        FMemTable->FetchRecords(1);
}

void TCustomDBGridMv::UpdateActiveMemTable()
{
    if (!FDataLink->Active() || !HandleAllocated() || FLoading)
        return;
    const int target = FMemTable->CurrentRowIndex() + FTitleOffset;
    if (target != Row() && target >= FixedRows() && target < RowCount()) {
        if (!FOptions.testFlag(dgAlwaysShowEditor))
            HideEditor();
        // The rows scroll to the current record; a node click keeps the
        // selection's anchor where it was.
        MoveColRow(Col(), target, !FInput->NodeToggling, true);
        InvalidateEditor();
    }
}

void TCustomDBGridMv::SetTopRowInRange(int Value)
{
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    const int last = CalcMaxTopLeft({ColCount() - 1, RowCount() - 1}, info).Y;
    const int top = std::clamp(Value, FixedRows(), std::max(FixedRows(), last));
    if (top != TopRow())
        SetTopRow(top);
}

TScrollInfo TCustomDBGridMv::MemTableScrollInfo()
{
    // One position per row, the page the rows shown in full.
    return TScrollInfo{1, RowCount() - FixedRows(), std::max(1, VisibleRowCount()), TopRow() - FixedRows() + 1};
}

void TCustomDBGridMv::ScrollMemTable(int Code, int Pos)
{
    // The bar moves the rows, never the current record.
    const int page = std::max(1, VisibleRowCount());
    switch (Code) {
    case SB_LINEUP: SetTopRowInRange(TopRow() - 1); break;
    case SB_LINEDOWN: SetTopRowInRange(TopRow() + 1); break;
    case SB_PAGEUP: SetTopRowInRange(TopRow() - page); break;
    case SB_PAGEDOWN: SetTopRowInRange(TopRow() + page); break;
    case SB_THUMBTRACK:
        if (FVertScrollBar->Tracking)
            SetTopRowInRange(FixedRows() + Pos - 1);
        break;
    case SB_THUMBPOSITION: SetTopRowInRange(FixedRows() + Pos - 1); break;
    case SB_TOP: SetTopRowInRange(FixedRows()); break;
    case SB_BOTTOM: SetTopRowInRange(RowCount()); break;
    default: break;
    }
    UpdateScrollBar();
}
