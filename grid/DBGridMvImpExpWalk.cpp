#include "grid/DBGridMvImpExpWalk.h"

#include "grid/DBGridMvSelection.h"

#include <algorithm>

TSelectionRectBoundsMv SelectionRectBounds(const TCustomDBGridMv& Grid)
{
    TSelectionRectBoundsMv bounds;
    const TDBGridMvSelectionRect& rect = Grid.Selection().Rect();
    if (!Grid.DataLink()->Active() || !rect.HasAnchor())
        return bounds;
    bounds.Left = rect.LeftCol();
    bounds.Right = rect.RightCol();
    bounds.Top = rect.TopRow();
    bounds.Bottom = rect.BottomRow();
    return bounds;
}

TColumnsMvList VisibleColumnsBetween(const TCustomDBGridMv& Grid, int Left, int Right)
{
    TColumnsMvList list;
    for (TColumnMv* column : Grid.VisibleColumns().Items())
        if (column->Index() >= Left && column->Index() <= Right)
            list.Add(column);
    return list;
}

TColumnsMvList SelectionColumns(TCustomDBGridMv& Grid, TDBGridMvSelectionType Kind, const TSelectionRectBoundsMv& Rect)
{
    switch (Kind) {
    case gstRecordBookmarks:
    case gstAll: return Grid.VisibleColumns();
    case gstRectangle: return Rect.IsEmpty() ? TColumnsMvList() : VisibleColumnsBetween(Grid, Rect.Left, Rect.Right);
    case gstColumns: return Grid.Selection().Columns();
    case gstNon: break;
    }
    return {};
}

void ForEachSelectedRecord(TCustomDBGridMv& Grid, TDBGridMvSelectionType Kind, const TSelectionRectBoundsMv& Rect,
                           const std::function<void()>& Visit)
{
    TDataSet* dataSet = Grid.DataSet();
    if (!dataSet || !dataSet->Active())
        return;
    switch (Kind) {
    case gstRecordBookmarks: {
        // A copy: the visit may delete records, and the list with them.
        const QStringList bookmarks = Grid.SelectedRows().Bookmarks();
        for (const TBookmark& bookmark : bookmarks) {
            if (!dataSet->BookmarkValid(bookmark))
                continue;
            dataSet->GotoBookmark(bookmark);
            Visit();
        }
        break;
    }
    case gstRectangle:
        if (Rect.IsEmpty() || !dataSet->BookmarkValid(Rect.Top))
            return;
        dataSet->GotoBookmark(Rect.Top);
        while (!dataSet->Eof()) {
            Visit();
            // At the bottom record, or past where it was should it be gone.
            if (dataSet->CompareBookmarks(dataSet->Bookmark(), Rect.Bottom) >= 0)
                break;
            dataSet->Next();
        }
        break;
    case gstColumns:
    case gstAll:
        for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
            Visit();
        break;
    case gstNon: break;
    }
}

TSelectionWalkMv::TSelectionWalkMv(TCustomDBGridMv& Grid, bool KeepPlace)
    : FGrid(Grid), FDataSet(*Grid.DataSet()), FKeepPlace(KeepPlace)
{
    if (FKeepPlace)
        FGrid.SaveBookmark();
    FDataSet.DisableControls();
}

TSelectionWalkMv::~TSelectionWalkMv()
{
    if (FKeepPlace && FDataSet.Active() && FDataSet.State() == dsBrowse) {
        try {
            FGrid.RestoreBookmark();
        } catch (...) {
            // The walk failed already; its own error is the one to show.
        }
    }
    FDataSet.EnableControls();
}

void TSelectionWalkMv::Restore()
{
    if (FKeepPlace && FDataSet.Active())
        FGrid.RestoreBookmark();
    FKeepPlace = false;
}
