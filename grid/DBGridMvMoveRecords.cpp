// Moving records by dragging them by the indicator: the drop line follows
// the mouse (scrolling past the ends of the rows), and the drop hands the
// records to OnMoveRecords, to the in-memory table or to the data service.

#include "grid/DBGridMvInput.h"
#include "grid/DBGridMvMemTable.h"
#include "grid/DBGridMvTree.h"

namespace {

constexpr int DragScrollInterval = 60;
constexpr int DropLineWidth = 5;
constexpr int DropTick = 5;

// Which half of a row a point lies in: 0 the upper, 1 the lower.
int SubPosition(const TRect& Row, int Y)
{
    return Y >= (Row.Top + Row.Bottom) / 2 ? 1 : 0;
}

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
    FInput->DragStartSub = SubPosition(CellRect(0, hit.Y), Y);
    FInput->DragTargetSub = FInput->DragStartSub;
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
    if (!FDataLink->Active() || !dataSet || DataRowRecordCount(*this) == 0)
        return;
    const TRect area = GetDataRect();
    int firstRow = FTitleOffset + FirstShownDataRow(*this);
    int lastRow = firstRow + std::max(1, ShownRecordCount(*this)) - 1;
    int target = FInput->DragTargetRow;
    if (Y < area.Top) {
        // The rows scroll back one record under a dragged record above them:
        // a table's rows themselves, else the records under the rows.
        if (FMemTable) {
            SetTopRowInRange(TopRow() - 1);
        } else if (dataSet->MoveBy(-1 - FDataLink->ActiveRecord()) != 0 && FInput->DragStartRow <= lastRow) {
            ++FInput->DragStartRow;
        }
        target = FTitleOffset + FirstShownDataRow(*this);
        FInput->DragTargetSub = 0;
    } else if (Y >= area.Bottom) {
        if (FMemTable) {
            SetTopRowInRange(TopRow() + 1);
            firstRow = FTitleOffset + FirstShownDataRow(*this);
            lastRow = firstRow + std::max(1, ShownRecordCount(*this)) - 1;
        } else if (dataSet->MoveBy(FDataLink->RecordCount() - FDataLink->ActiveRecord()) != 0 &&
                   FInput->DragStartRow >= firstRow) {
            --FInput->DragStartRow;
        }
        target = lastRow;
        FInput->DragTargetSub = 1;
    } else {
        target = std::clamp(MouseCoord(area.Left, Y).Y, firstRow, lastRow);
        FInput->DragTargetSub = SubPosition(CellRect(0, target), Y);
    }
    FInput->DragTargetRow = target;
    if (TreeRows())
        FInput->DropLineX = TreeDropPosition(target, FInput->LastMouse, FInput->DragLevel);
    update();
}

void TCustomDBGridMv::EndRecordDrag(int X, int Y)
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
        target - FTitleOffset >= DataRowRecordCount(*this))
        return;
    // The drop itself may be refused where the drag's start was allowed.
    if (!CanMoveRecords(start, target, QPoint(X, Y)))
        return;
    const QStringList bookmarks =
        FBookmarks->Count() > 0 ? FBookmarks->Bookmarks() : QStringList{FInput->DragBookmark};
    int targetIndex = 0;
    {
        const TDataRowScopeMv scope(*this, target - FTitleOffset);
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
}

void TCustomDBGridMv::MoveRecords(const QStringList& Bookmarks, int Target, int Level)
{
    TDataSet* dataSet = DataSet();
    if (FMemTable) {
        FMemTable->MoveRecords(Bookmarks, Target, Level);
        if (dataSet->BookmarkValid(FInput->DragBookmark))
            dataSet->SetBookmark(FInput->DragBookmark);
        return;
    }
    // Another dataset moves its records through the handler registered for
    // its class (none in the program: then nothing moves). The dragged
    // record then stays current and in view, half the rows shown above it
    // where the data allows.
    if (TDBGridMvDataService* service = DBGridMvDataService())
        service->MoveRecords(this, Bookmarks, Target);
    if (!dataSet->BookmarkValid(FInput->DragBookmark))
        return;
    const TDisableControlsGuard guard(*dataSet);
    dataSet->SetBookmark(FInput->DragBookmark);
    const int middle = std::max(1, FDataLink->RecordCount()) / 2;
    const int down = dataSet->MoveBy(middle);
    const int up = -dataSet->MoveBy(-down - middle);
    dataSet->MoveBy(up - down);
}

void TCustomDBGridMv::PaintOverlay()
{
    TCustomGridMv::PaintOverlay();
    if (!FInput->DropLineShown || FInput->DragTargetRow < 0)
        return;
    const TRect row = CellRect(0, FInput->DragTargetRow);
    if (row.IsEmpty())
        return;
    // Below the target when it lies below the start, or in the start's own
    // row lower than where the drag began.
    const bool below = FInput->DragTargetRow > FInput->DragStartRow ||
                       (FInput->DragTargetRow == FInput->DragStartRow &&
                        FInput->DragTargetSub > FInput->DragStartSub);
    const int y = below ? row.Bottom : row.Top;
    TCanvas& canvas = Canvas();
    // The drop line's start is a logical position (a tree level).
    canvas.SetMirrored(UseRightToLeftAlignment(), ClientWidth());
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
    canvas.SetMirrored(false, 0);
}
