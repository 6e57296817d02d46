// The dataset grid's selection: the kinds, the rectangle of cells, the
// column list with its Shift-extension, and where each lies on screen.

#include "grid/DBGridMvSelection.h"
#include "grid/DBGridMvMemTable.h"

#include <algorithm>

namespace {

bool LinkActive(const TCustomDBGridMv* Grid)
{
    return Grid->DataLink() && Grid->DataLink()->Active() && Grid->DataSet();
}

// The parts of A that B does not cover (at most four).
std::vector<TRect> Difference(const TRect& A, const TRect& B)
{
    if (A.IsEmpty())
        return {};
    const TRect common = IntersectRect(A, B);
    if (common.IsEmpty())
        return {A};
    std::vector<TRect> pieces;
    if (common.Top > A.Top)
        pieces.push_back({A.Left, A.Top, A.Right, common.Top});
    if (common.Bottom < A.Bottom)
        pieces.push_back({A.Left, common.Bottom, A.Right, A.Bottom});
    if (common.Left > A.Left)
        pieces.push_back({A.Left, common.Top, common.Left, common.Bottom});
    if (common.Right < A.Right)
        pieces.push_back({common.Right, common.Top, A.Right, common.Bottom});
    return pieces;
}

} // namespace

int AutoScrollInterval(int Base, int Step, int Distance)
{
    // A zero interval would fire the timer on every pass of the event loop.
    constexpr int Fastest = 10;
    return std::max(Fastest, Base - Step * std::max(0, Distance));
}

// ---------------------------------------------------------------- selection

TDBGridMvSelection::TDBGridMvSelection(TCustomDBGridMv* Grid)
    : FColumns(std::make_unique<TDBGridMvSelectionCols>(Grid)), FGrid(Grid),
      FRect(std::make_unique<TDBGridMvSelectionRect>(Grid))
{
}

TDBGridMvSelection::~TDBGridMvSelection() = default;

void TDBGridMvSelection::SetSelectionType(TDBGridMvSelectionType Value)
{
    if (Value == FSelectionType)
        return;
    FSelectionType = Value;
    FGrid->InvalidateEditor();
}

void TDBGridMvSelection::Clear()
{
    const bool changed = FSelectionType != gstNon;
    switch (FSelectionType) {
    case gstRecordBookmarks: FGrid->SelectedRows().Clear(); break;
    case gstRectangle: FRect->Clear(); break;
    case gstColumns: FColumns->Clear(); break;
    case gstAll: FGrid->Invalidate(); break;
    case gstNon: break;
    }
    SetSelectionType(gstNon);
    // A grid being taken apart has let its data link go: no editor then.
    if (FGrid->DataLink() && FGrid->Options().testFlag(dgAlwaysShowEditor))
        FGrid->ShowEditor();
    if (changed)
        SelectionChanged();
}

void TDBGridMvSelection::SelectAll()
{
    if (FSelectionType == gstAll)
        return;
    Clear();
    SetSelectionType(gstAll);
    FGrid->Invalidate();
    SelectionChanged();
}

void TDBGridMvSelection::LinkActive(bool Value)
{
    FGrid->SelectedRows().SetLinkActive(Value);
    Clear();
}

bool TDBGridMvSelection::DataCellSelected(int DataColumn, const TBookmark& Bookmark) const
{
    // Painting asks for every cell, also while the dataset is closed.
    if (!::LinkActive(FGrid))
        return false;
    switch (FSelectionType) {
    case gstRecordBookmarks: return FGrid->SelectedRows().IndexOf(Bookmark) >= 0;
    case gstRectangle: return FRect->CellSelected(DataColumn, Bookmark);
    case gstColumns:
        return DataColumn >= 0 && DataColumn < FGrid->Columns().Count() &&
               FColumns->IndexOf(FGrid->Columns().Items(DataColumn)) >= 0;
    case gstAll: return true;
    case gstNon: break;
    }
    return false;
}

TGridRectMv TDBGridMvSelection::SelectionToGridRect() const
{
    const TGridRectMv none{-1, -1, -1, -1};
    switch (FSelectionType) {
    case gstRecordBookmarks: return FGrid->SelectedRows().GetVisibleSelectedRect();
    case gstRectangle: {
        if (!::LinkActive(FGrid))
            return none;
        int top = -1;
        int bottom = -1;
        if (!FRect->ScreenRows(top, bottom))
            return none;
        return {FGrid->DataToRawColumn(FRect->LeftCol()), top, FGrid->DataToRawColumn(FRect->RightCol()), bottom};
    }
    case gstColumns: {
        if (FColumns->Count() == 0)
            return none;
        // The list is sorted: its ends are the lowest and highest index.
        return {FGrid->DataToRawColumn(FColumns->Items(0)->Index()), 0,
                FGrid->DataToRawColumn(FColumns->Items(FColumns->Count() - 1)->Index()), FGrid->RowCount() - 1};
    }
    case gstAll: return {0, 0, FGrid->ColCount() - 1, FGrid->RowCount() - 1};
    case gstNon: break;
    }
    return none;
}

void TDBGridMvSelection::UpdateState()
{
    const bool emptied = (FSelectionType == gstRecordBookmarks && FGrid->SelectedRows().Count() == 0) ||
                         (FSelectionType == gstColumns && FColumns->Count() == 0);
    if (!emptied)
        return;
    SetSelectionType(gstNon);
    FGrid->Invalidate();
}

void TDBGridMvSelection::RefreshColumns()
{
    FColumns->Refresh();
}

void TDBGridMvSelection::SelectionChanged()
{
    if (FGrid->OnSelectionChanged)
        FGrid->OnSelectionChanged(FGrid);
}

// ---------------------------------------------------------------- rectangle

void TDBGridMvSelectionRect::CheckActive(const char* Where) const
{
    if (!LinkActive(FGrid))
        RaiseGridError(QString::fromLatin1(Where));
}

void TDBGridMvSelectionRect::Clear()
{
    FAnchorColumn = -1;
    FShiftColumn = -1;
    FAnchorBookmark.clear();
    FShiftBookmark.clear();
    FGrid->Invalidate();
    FGrid->Selection().SelectionChanged();
}

TRect TDBGridMvSelectionRect::ScreenArea() const
{
    int top = -1;
    int bottom = -1;
    if (!FGrid->HandleAllocated() || !ScreenRows(top, bottom))
        return {};
    TRect area;
    FGrid->GridRectToScreenRect({FGrid->DataToRawColumn(LeftCol()), top, FGrid->DataToRawColumn(RightCol()), bottom},
                                area, true);
    return area;
}

void TDBGridMvSelectionRect::Select(int DataColumn, const TBookmark& Bookmark, bool Extend)
{
    TDBGridMvSelection& selection = FGrid->Selection();
    if (selection.SelectionType() != gstRectangle)
        selection.Clear();
    const TRect before = selection.SelectionType() == gstRectangle ? ScreenArea() : TRect();
    if (FAnchorColumn < 0 || !Extend) {
        FAnchorColumn = DataColumn;
        FAnchorBookmark = Bookmark;
    }
    FShiftColumn = DataColumn;
    FShiftBookmark = Bookmark;
    const bool oneCell =
        FAnchorColumn == FShiftColumn && FGrid->DataSet() &&
        FGrid->DataSet()->CompareBookmarks(FAnchorBookmark, FShiftBookmark) == 0;
    if (oneCell) {
        if (selection.SelectionType() == gstRectangle)
            selection.SetSelectionType(gstNon);
    } else {
        selection.SetSelectionType(gstRectangle);
    }
    const TRect after = selection.SelectionType() == gstRectangle ? ScreenArea() : TRect();
    if (FGrid->HandleAllocated()) {
        // Only what changed is painted again.
        for (const TRect& piece : Difference(before, after))
            FGrid->InvalidateRect(piece);
        for (const TRect& piece : Difference(after, before))
            FGrid->InvalidateRect(piece);
    }
    selection.SelectionChanged();
}

bool TDBGridMvSelectionRect::CellSelected(int DataColumn, const TBookmark& Bookmark) const
{
    CheckActive("Error in function TDBGridMvSelectionRect.CellSelected");
    if (DataColumn < LeftCol() || DataColumn > RightCol())
        return false;
    const TDataSet* dataSet = FGrid->DataSet();
    return dataSet->CompareBookmarks(TopRow(), Bookmark) <= 0 && dataSet->CompareBookmarks(Bookmark, BottomRow()) <= 0;
}

TBookmark TDBGridMvSelectionRect::TopRow() const
{
    CheckActive("Error in TDBGridMvSelectionRect.GetTopRow");
    return FGrid->DataSet()->CompareBookmarks(FShiftBookmark, FAnchorBookmark) < 0 ? FShiftBookmark
                                                                                   : FAnchorBookmark;
}

TBookmark TDBGridMvSelectionRect::BottomRow() const
{
    CheckActive("Error in TDBGridMvSelectionRect.GetBottomRow");
    return FGrid->DataSet()->CompareBookmarks(FShiftBookmark, FAnchorBookmark) > 0 ? FShiftBookmark
                                                                                   : FAnchorBookmark;
}

int TDBGridMvSelectionRect::LeftCol() const
{
    return LinkActive(FGrid) ? std::min(FAnchorColumn, FShiftColumn) : -1;
}

int TDBGridMvSelectionRect::RightCol() const
{
    return LinkActive(FGrid) ? std::max(FAnchorColumn, FShiftColumn) : -1;
}

bool TDBGridMvSelectionRect::ScreenRows(int& Top, int& Bottom) const
{
    Top = -1;
    Bottom = -1;
    if (!LinkActive(FGrid) || FAnchorColumn < 0)
        return false;
    TDataSet* dataSet = FGrid->DataSet();
    const TBookmark upper = TopRow();
    const TBookmark lower = BottomRow();
    const int first = FirstShownDataRow(*FGrid);
    const int last = first + ShownRecordCount(*FGrid);
    for (int row = first; row < last; ++row) {
        const TDataRowScopeMv scope(*FGrid, row);
        const TBookmark bookmark = dataSet->Bookmark();
        if (Top < 0 && dataSet->CompareBookmarks(bookmark, upper) >= 0)
            Top = row;
        if (dataSet->CompareBookmarks(bookmark, lower) <= 0)
            Bottom = row;
    }
    if (Top < 0 || Bottom < Top) {
        Top = Bottom = -1;
        return false;
    }
    Top += FGrid->TitleRowCount();
    Bottom += FGrid->TitleRowCount();
    return true;
}

// ---------------------------------------------------------------- columns

void TDBGridMvSelectionCols::Add(TColumnMv* Column)
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Index() > Column->Index()) {
            Insert(i, Column);
            return;
        }
    TColumnsMvList::Add(Column);
}

void TDBGridMvSelectionCols::Clear()
{
    for (TColumnMv* column : Items())
        FGrid->InvalidateCol(FGrid->DataToRawColumn(column->Index()));
    TColumnsMvList::Clear();
    FAnchorColumn = nullptr;
    FShiftColumn = nullptr;
    FShiftList.Clear();
    FGrid->Selection().SelectionChanged();
}

void TDBGridMvSelectionCols::Toggle(TColumnMv* Column, bool Selected)
{
    if (Selected == (IndexOf(Column) >= 0))
        return;
    if (Selected)
        Add(Column);
    else
        Remove(Column);
    FGrid->InvalidateCol(FGrid->DataToRawColumn(Column->Index()));
}

void TDBGridMvSelectionCols::Finish()
{
    FShiftList.Clear();
    FGrid->Selection().SetSelectionType(Count() > 0 ? gstColumns : gstNon);
    FGrid->Selection().SelectionChanged();
}

void TDBGridMvSelectionCols::Select(TColumnMv* Column, bool AddToSelection)
{
    if (FGrid->Selection().SelectionType() != gstColumns)
        FGrid->Selection().Clear();
    if (!AddToSelection)
        while (Count() > 0)
            Toggle(Items(0), false);
    Toggle(Column, true);
    FAnchorColumn = FShiftColumn = Column;
    Finish();
}

void TDBGridMvSelectionCols::InvertSelect(TColumnMv* Column)
{
    if (FGrid->Selection().SelectionType() != gstColumns)
        FGrid->Selection().Clear();
    Toggle(Column, IndexOf(Column) < 0);
    FAnchorColumn = FShiftColumn = Column;
    Finish();
}

void TDBGridMvSelectionCols::SelectShift(TColumnMv* Column)
{
    if (!FAnchorColumn || FGrid->Selection().SelectionType() != gstColumns) {
        Select(Column, true);
        return;
    }
    const TDBGridColumnsMv& columns = FGrid->Columns();
    const int anchor = FAnchorColumn->Index();
    const bool anchorState = IndexOf(FAnchorColumn) >= 0;
    int at = FShiftColumn ? FShiftColumn->Index() : anchor;
    const int target = Column->Index();
    const int step = target > at ? 1 : -1;
    for (; at != target; at += step) {
        const int next = at + step;
        if ((at - anchor) * step < 0) {
            // Back towards the anchor: the column left behind leaves the span.
            TColumnMv* leaving = columns.Items(at);
            if (FShiftList.IndexOf(leaving) >= 0) {
                FShiftList.Remove(leaving);
                Toggle(leaving, !anchorState);
                FGrid->Selection().SelectionChanged();
            }
        } else {
            TColumnMv* entering = columns.Items(next);
            if (entering->Visible() && (IndexOf(entering) >= 0) != anchorState) {
                Toggle(entering, anchorState);
                FShiftList.Add(entering);
                FGrid->Selection().SelectionChanged();
            }
        }
    }
    FShiftColumn = Column;
    FGrid->Selection().SetSelectionType(Count() > 0 ? gstColumns : gstNon);
}

void TDBGridMvSelectionCols::Refresh()
{
    const TDBGridColumnsMv& columns = FGrid->Columns();
    for (int i = Count() - 1; i >= 0; --i)
        if (columns.IndexOf(Items(i)) < 0)
            Delete(i);
    for (int i = FShiftList.Count() - 1; i >= 0; --i)
        if (columns.IndexOf(FShiftList.Items(i)) < 0)
            FShiftList.Delete(i);
    if (FAnchorColumn && columns.IndexOf(FAnchorColumn) < 0)
        FAnchorColumn = nullptr;
    if (FShiftColumn && columns.IndexOf(FShiftColumn) < 0)
        FShiftColumn = nullptr;
    std::vector<TColumnMv*> sorted = TColumnsMvList::Items();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TColumnMv* a, const TColumnMv* b) { return a->Index() < b->Index(); });
    TColumnsMvList::Clear();
    for (TColumnMv* column : sorted)
        TColumnsMvList::Add(column);
    FGrid->Selection().UpdateState();
}
