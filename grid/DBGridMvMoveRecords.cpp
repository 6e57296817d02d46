// Moving records by dragging them by the indicator: the drop line follows
// the mouse (scrolling past the ends of the rows), and the drop hands the
// records to OnMoveRecords or to the dataset's tree interface.

#include "grid/DBGridMvInput.h"
#include "grid/DBGridMvTree.h"

namespace {

constexpr int DragScrollInterval = 60;
constexpr int DropLineWidth = 5;
constexpr int DropTick = 5;

} // namespace

bool TCustomDBGridMv::StartRecordDrag(TShiftState Shift, int X, int Y)
{
    TDataSet* dataSet = DataSet();
    if (!FDataLink->Active() || !dataSet || !FOptionsMv.testFlag(dghRecordMoving) ||
        !FOptions.testFlag(dgIndicator))
        return false;
    const TGridCoordMv hit = MouseCoord(X, Y);
    if (hit.X != 0 || hit.Y < FTitleOffset || hit.Y >= RowCount() || dataSet->IsEmpty())
        return false;
    if (hit.Y != Row())
        dataSet->MoveBy(hit.Y - Row());
    if (FSelection->SelectionType() == gstRecordBookmarks &&
        (!FBookmarks->CurrentRowSelected() || (Shift & TShiftState(ssShift | ssCtrl | ssAlt))))
        return false;
    FInput->DragStartRow = hit.Y;
    FInput->DragTargetRow = hit.Y;
    FInput->DragBookmark = dataSet->Bookmark();
    if (!CanMoveRecords(hit.Y, hit.Y, QPoint(X, Y)))
        return false;
    if (CanFocus())
        SetFocus();
    FInput->Tracking = trRecordDrag;
    SetMouseCapture(true);
    FInput->DragLevel = -1;
    FInput->DropLineX = TreeRows() ? TreeDropPosition(hit.Y, QPoint(X, Y), FInput->DragLevel) : 0;
    FInput->DropLineShown = true;
    FInput->LastMouse = QPoint(X, Y);
    update();
    SetTimer(DBGridMvScrollTimer, DragScrollInterval);
    return true;
}

void TCustomDBGridMv::MoveDropLine(int Y)
{
    TDataSet* dataSet = DataSet();
    if (!FDataLink->Active() || !dataSet || FDataLink->RecordCount() == 0)
        return;
    const TRect area = GetDataRect();
    const int firstRow = FTitleOffset;
    const int lastRow = FTitleOffset + FDataLink->RecordCount() - 1;
    int target = FInput->DragTargetRow;
    if (Y < area.Top) {
        // The rows scroll back one record under a dragged record above them.
        if (dataSet->MoveBy(-1 - FDataLink->ActiveRecord()) != 0 && FInput->DragStartRow <= lastRow)
            ++FInput->DragStartRow;
        target = firstRow;
    } else if (Y >= area.Bottom) {
        if (dataSet->MoveBy(FDataLink->RecordCount() - FDataLink->ActiveRecord()) != 0 &&
            FInput->DragStartRow >= firstRow)
            --FInput->DragStartRow;
        target = lastRow;
    } else {
        target = std::clamp(MouseCoord(area.Left, Y).Y, firstRow, lastRow);
    }
    FInput->DragTargetRow = target;
    if (TreeRows())
        FInput->DropLineX = TreeDropPosition(target, FInput->LastMouse, FInput->DragLevel);
    update();
}

void TCustomDBGridMv::EndRecordDrag(int, int)
{
    if (TimerActive(DBGridMvScrollTimer))
        KillTimer(DBGridMvScrollTimer);
    FInput->DropLineShown = false;
    FInput->Tracking = trNone;
    update();
    TDataSet* dataSet = DataSet();
    const int start = FInput->DragStartRow;
    const int target = FInput->DragTargetRow;
    if (!FDataLink->Active() || !dataSet || target == start || target < FTitleOffset ||
        target - FTitleOffset >= FDataLink->RecordCount())
        return;
    const QStringList bookmarks =
        FBookmarks->Count() > 0 ? FBookmarks->Bookmarks() : QStringList{FInput->DragBookmark};
    int targetIndex = 0;
    {
        const TActiveRecordScopeMv scope(*FDataLink, target - FTitleOffset);
        targetIndex = dataSet->RecNo() - 1;
    }
    // Dropped below where it came from: after the target record.
    if (target > start)
        ++targetIndex;
    if (OnMoveRecords) {
        bool accepted = true;
        OnMoveRecords(this, bookmarks, targetIndex, false, accepted);
        return;
    }
    MoveRecords(bookmarks, targetIndex, FInput->DragLevel);
    if (dataSet->BookmarkValid(FInput->DragBookmark))
        dataSet->SetBookmark(FInput->DragBookmark);
}

void TCustomDBGridMv::MoveRecords(const QStringList& Bookmarks, int Target, int Level)
{
    // Only a dataset with the tree interface knows how to reorder itself;
    // no other dataset of the program registers a way to.
    if (FMemTable)
        FMemTable->MoveRecords(Bookmarks, Target, Level);
}

void TCustomDBGridMv::PaintOverlay()
{
    TCustomGridMv::PaintOverlay();
    if (!FInput->DropLineShown || FInput->DragTargetRow < 0)
        return;
    const TRect row = CellRect(0, FInput->DragTargetRow);
    if (row.IsEmpty())
        return;
    const bool below = FInput->DragTargetRow > FInput->DragStartRow;
    const int y = below ? row.Bottom : row.Top;
    TCanvas& canvas = Canvas();
    const TPen saved = canvas.Pen;
    // Dark on the light rows, as the inverted silver line it stands for.
    canvas.Pen = TPen{RGBColor(0x3F, 0x3F, 0x3F), 1, psDot};
    for (int w = -DropLineWidth / 2; w <= DropLineWidth / 2; ++w) {
        canvas.MoveTo(FInput->DropLineX, y + w);
        canvas.LineTo(ClientWidth(), y + w);
    }
    canvas.Pen.Style = psSolid;
    canvas.MoveTo(FInput->DropLineX, y - DropTick);
    canvas.LineTo(FInput->DropLineX, y + DropTick);
    canvas.Pen = saved;
}
