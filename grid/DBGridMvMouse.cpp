// The dataset grid's mouse: presses on titles (buttons, sort marking, column
// selection), on the indicator (records, select-all) and on cells (the
// rectangle), live column sizing, check-box clicks, the auto-scroll while
// selecting, and the cursors that announce what a press would do.

#include "grid/DBGridMvFilterRow.h"
#include "grid/DBGridMvFitWidths.h"
#include "grid/DBGridMvInput.h"
#include "grid/DBGridMvMemTable.h"
#include "grid/DBGridMvTree.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTransform>

#include <exception>

namespace {

// Fires a grid's mouse event once the grid's own handling of the message is
// over, on every way out of it except an exception.
template <typename Fire>
class TFireAfterHandling {
public:
    explicit TFireAfterHandling(Fire fire) : FFire(std::move(fire)) {}
    ~TFireAfterHandling()
    {
        if (std::uncaught_exceptions() == FExceptions)
            FFire();
    }
    TFireAfterHandling(const TFireAfterHandling&) = delete;
    TFireAfterHandling& operator=(const TFireAfterHandling&) = delete;

private:
    Fire FFire;
    int FExceptions = std::uncaught_exceptions();
};

// The band at the bottom of a title cell where a press selects the column.
constexpr int ColumnSelectBand = 6;
constexpr int ScrollTimerInterval = 60;

bool IsCheckOrImage(const TColumnMv* Column)
{
    if (!Column)
        return false;
    const TColumnTypeMv kind = Column->GetColumnType();
    return kind == ctCheckboxes || kind == ctKeyImageList;
}

// A small black arrow with a white rim, pointing down or right.
QCursor ArrowCursor(bool Down)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPolygon arrow;
    if (Down)
        arrow << QPoint(5, 0) << QPoint(10, 0) << QPoint(10, 8) << QPoint(14, 8) << QPoint(7, 15) << QPoint(1, 8)
              << QPoint(5, 8);
    else
        arrow << QPoint(0, 5) << QPoint(8, 5) << QPoint(8, 1) << QPoint(15, 7) << QPoint(8, 14) << QPoint(8, 10)
              << QPoint(0, 10);
    painter.setPen(Qt::white);
    painter.setBrush(Qt::black);
    painter.drawPolygon(arrow);
    painter.end();
    return Down ? QCursor(pixmap, 7, 15) : QCursor(pixmap, 15, 7);
}

// The row-selection arrow of a right-to-left grid points left.
QCursor LeftArrowCursor()
{
    const QPixmap right = ArrowCursor(false).pixmap();
    return QCursor(right.transformed(QTransform::fromScale(-1, 1)), 0, 7);
}

// Holds the mouse for a control that is handed a press made on the grid.
// Qt sends the moves and the release of a press to the widget it was made
// on, the grid, so without it the control would stay pressed and never be
// clicked. The control lets the mouse go at its release, however that
// comes (a menu it pops up sends one), or when it is hidden.
class TPressHandOverMv : public QObject {
public:
    explicit TPressHandOverMv(QWidget* Control) : QObject(Control)
    {
        Control->installEventFilter(this);
        Control->grabMouse();
    }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        const QEvent::Type type = Event->type();
        const bool released =
            type == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(Event)->buttons() == Qt::NoButton;
        if (released || type == QEvent::Hide) {
            auto* control = static_cast<QWidget*>(Watched);
            control->removeEventFilter(this);
            if (QWidget::mouseGrabber() == control)
                control->releaseMouse();
            deleteLater();
        }
        return false;
    }
};

// A press on the grid handed to a control inside it (an editor's button),
// with the rest of the gesture.
void HandPressTo(QWidget* Control, const QPoint& GridPoint, QWidget* Client)
{
    const QPointF local(Control->mapFrom(Client, GridPoint));
    QMouseEvent press(QEvent::MouseButtonPress, local, Control->mapToGlobal(local), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    // Held from before the press, as a press made on the control would be:
    // what the press itself does (a menu's release) already ends it.
    new TPressHandOverMv(Control);
    QApplication::sendEvent(Control, &press);
}

} // namespace

// ---------------------------------------------------------------- press

bool TCustomDBGridMv::InTitleLeaf(const TColumnMv* Column, int RawCol, int Y)
{
    if (!FUseMultiTitle)
        return true;
    // Only the leaf band at the bottom of the cell acts for the column; the
    // group bands above it belong to several.
    const THeadTreeNode* leaf = LeafOfColumn(Column);
    return !leaf || Y >= CellRect(RawCol, 0).Bottom - leaf->Height;
}

void TCustomDBGridMv::WMMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y, qint64 Time)
{
    if (Button != mbLeft || DragMode() != dmAutomatic || !FOptions.testFlag(dgMultiSelect)) {
        TCustomGridMv::WMMouseDown(Button, Shift, X, Y, Time);
        return;
    }
    // The press selects as in a manual grid; a press inside the selection
    // waits to see whether the pointer moves (a drag) or not (a click).
    struct TPossibleDragScope {
        TCustomDBGridMv& Grid;
        explicit TPossibleDragScope(TCustomDBGridMv& G) : Grid(G)
        {
            Grid.SetDragMode(dmManual);
            Grid.FInput->PossibleDrag = true;
        }
        ~TPossibleDragScope()
        {
            Grid.FInput->PossibleDrag = false;
            Grid.SetDragMode(dmAutomatic);
        }
        TPossibleDragScope(const TPossibleDragScope&) = delete;
        TPossibleDragScope& operator=(const TPossibleDragScope&) = delete;
    } scope(*this);
    TCustomGridMv::WMMouseDown(Button, Shift, X, Y, Time);
}

bool TCustomDBGridMv::ColumnSelectZone(int X, int Y)
{
    if (!FDataLink->Active() || !FOptions.testFlag(dgTitles) || !FOptions.testFlag(dgMultiSelect) ||
        FOptions.testFlag(dgRowSelect) || !FAllowedSelections.testFlag(asColumns) || Sizing(X, Y))
        return false;
    const TGridCoordMv hit = MouseCoord(X, Y);
    if (hit.Y != 0 || hit.X < FIndicatorOffset || hit.X >= ColCount())
        return false;
    const TRect cell = CellRect(hit.X, 0);
    return Y >= cell.Bottom - ColumnSelectBand && Y < cell.Bottom;
}

void TCustomDBGridMv::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    // A press inside the selection whose release never came is forgotten.
    FInput->PendingSelectionClick = false;
    // A press on the filter row opens its editor; one on the data ends it.
    if (FilterRowMouseDown(Button, Shift, X, Y))
        return;
    FInput->DownCell = {-1, -1};
    FInput->DownPoint = QPoint(X, Y);
    if (Button == mbRight)
        SetMouseCapture(true);
    const TGridCoordMv hit = MouseCoord(X, Y);
    TDataSet* dataSet = DataSet();
    const bool active = FDataLink->Active() && dataSet;
    auto fire = [&] {
        if (OnMouseDown)
            OnMouseDown(this, Button, Shift, X, Y);
    };

    if (Shift.testFlag(ssDouble)) {
        bool fitted = false;
        if (Button == mbLeft) {
            const TSizingHitMv sizing = SizingHitAt(X, Y);
            const int dataCol = RawToDataColumn(sizing.Index);
            TColumnMv* column = SelectedColumn();
            const int hitData = RawToDataColumn(hit.X);
            if (hitData >= 0 && hitData < FColumns->Count())
                column = FColumns->Items(hitData);
            if (sizing.State == gsColSizing && FOptionsMv.testFlag(dghDblClickOptimizeColWidth) && dataCol >= 0 &&
                dataCol < FColumns->Count()) {
                FitColumnsForSizingEdge(*this, FColumns->Items(dataCol));
                fitted = true;
            } else if (active && hit.Y >= FTitleOffset && hit.Y < RowCount() && hitData >= 0 &&
                       IsCheckOrImage(column) && column->DblClickNextVal()) {
                StepCheckBox(column, Shift.testFlag(ssShift));
            }
        }
        if (!fitted)
            TCustomGridMv::MouseDown(Button, Shift, X, Y);
        fire();
        return;
    }

    if (Button == mbLeft && Sizing(X, Y)) {
        if (active)
            FDataLink->UpdateRecord();
        if (FOptionsMv.testFlag(dghTraceColSizing)) {
            const TSizingHitMv sizing = SizingHitAt(X, Y);
            if (sizing.State == gsColSizing) {
                if (CanFocus())
                    SetFocus();
                FGridState = gsColSizing;
                FSizingIndex = sizing.Index;
                FSizingPos = MirroredX(sizing.Pos);
                FSizingOfs = sizing.Ofs;
                fire();
                return;
            }
        }
        TCustomGridMv::MouseDown(Button, Shift, X, Y);
        fire();
        return;
    }

    if (Button == mbLeft && ColumnSelectZone(X, Y)) {
        if (CanFocus())
            SetFocus();
        TColumnMv* column = FColumns->Items(RawToDataColumn(hit.X));
        InvalidateCol(hit.X);
        FInput->Tracking = trColumns;
        SetTimer(DBGridMvScrollTimer, ScrollTimerInterval);
        TDBGridMvSelectionCols& columns = FSelection->Columns();
        if (Shift.testFlag(ssShift)) {
            columns.SelectShift(column);
        } else if (Shift.testFlag(ssCtrl)) {
            columns.InvertSelect(column);
        } else {
            Invalidate();
            columns.Select(column, false);
        }
        return;
    }

    if (hit.Y >= 0 && hit.Y < TitlesShown() && FOptions.testFlag(dgTitles) && hit.X >= 0) {
        MouseDownOnTitle(Button, Shift, X, Y, hit);
        fire();
        return;
    }

    if (!active || hit.Y < 0 || hit.Y >= RowCount() || hit.X < 0) {
        if (CanFocus())
            SetFocus();
        fire();
        return;
    }
    if (Button == mbLeft && FOptionsMv.testFlag(dghRecordMoving) && StartRecordDrag(Shift, X, Y)) {
        fire();
        return;
    }
    if (Button == mbLeft && NodeClick(X, Y, false)) {
        fire();
        return;
    }
    if (hit.Y >= FTitleOffset)
        MouseDownOnCells(Button, Shift, X, Y, hit);
    fire();
}

void TCustomDBGridMv::MouseDownOnTitle(TMouseButton Button, TShiftState Shift, int X, int Y,
                                       const TGridCoordMv& Hit)
{
    const int dataCol = RawToDataColumn(Hit.X);
    TColumnMv* column = dataCol >= 0 && dataCol < FColumns->Count() ? FColumns->Items(dataCol) : nullptr;
    if (column && Hit.Y == 0) {
        const bool inLeaf = InTitleLeaf(column, Hit.X, Y);
        if (inLeaf && Button == mbRight && FOptions.testFlag(dgColumnResize)) {
            Button = mbLeft;
            FInput->RightAsLeft = true;
        }
        bool enabled = column->Title().TitleButton();
        if (OnCheckButton)
            OnCheckButton(this, dataCol, column, enabled);
        if (inLeaf && Button == mbLeft && enabled && !FInput->RightAsLeft) {
            if (CanFocus())
                SetFocus();
            if (!MouseCapture())
                return;
            FTitleTracking = true;
            FPressedCol = Hit.X;
            FPressed = CellRect(Hit.X, 0).Contains(X, Y);
            InvalidateCell(Hit.X, 0);
            return;
        }
    }
    if (!TCustomGridMv::Options().testFlag(goColSizing)) {
        if (CanFocus())
            SetFocus();
        return;
    }
    if (Hit.X == 0 && FOptions.testFlag(dgIndicator) && FOptions.testFlag(dgMultiSelect) &&
        FDataLink->Active() && FAllowedSelections.testFlag(asAll) && Button == mbLeft) {
        if (FSelection->SelectionType() == gstNon)
            FSelection->SelectAll();
        else
            FSelection->Clear();
        InvalidateEditor();
    }
    if (FDataLink->Active())
        FDataLink->UpdateRecord();
    TCustomGridMv::MouseDown(Button, Shift, X, Y);
}

void TCustomDBGridMv::MouseDownOnCells(TMouseButton Button, TShiftState Shift, int X, int Y,
                                       const TGridCoordMv& Hit)
{
    TDataSet* dataSet = DataSet();
    if (CanFocus()) {
        SetFocus();
        if (!IsActiveControl()) {
            SetMouseCapture(false);
            return;
        }
    }
    const bool multi = FOptions.testFlag(dgMultiSelect);
    const bool extend = Shift.testFlag(ssShift) && multi;
    const bool indicator = Hit.X < FIndicatorOffset;
    const bool rectangles = FAllowedSelections.testFlag(asRectangle);
    // Whether the press selects whole records (else a rectangle of cells).
    const bool records = multi && FAllowedSelections.testFlag(asRecordBookmarks) &&
                         (FOptions.testFlag(dgRowSelect) || !rectangles || indicator);
    const bool wasCurrent = Hit.X == Col() && Hit.Y == Row();
    const int previousDataCol = std::max(0, RawToDataColumn(Col()));
    const TBookmark previousBookmark = dataSet->Bookmark();
    const int previousRow = Row();
    // A click on the current row only moves the column: a record being
    // typed stays open (an untouched new one would be dropped, and the rows
    // below it would move up under the pointer). Another row is taken by
    // its record, not its place, since posting or dropping the current
    // record may move the rows.
    const bool otherRow = Hit.Y != Row();
    // A Shift press that extends records moves there by extending.
    const bool moving = otherRow && !(extend && (indicator || FOptions.testFlag(dgRowSelect) || records));
    TBookmark target;
    if (moving) {
        const TDataRowScopeMv scope(*this, Hit.Y - FTitleOffset);
        target = dataSet->Bookmark();
    }
    BeginUpdate();
    try {
        FDataLink->UpdateRecord();
        HideEditor();
        if (otherRow)
            dataSet->CheckBrowseMode();
        if (moving)
            MoveToRecord(target);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    if (!indicator)
        MoveCol(Hit.X, 0);
    if (!MouseCapture())
        return;

    TColumnMv* column = indicator ? nullptr : SelectedColumn();
    const bool inSelection = CellIsInSelection(Hit.X, Hit.Y, dataSet->Bookmark(), RawToDataColumn(Hit.X));
    if (FInput->PossibleDrag && Button == mbLeft && !Shift.testFlag(ssShift) && !indicator && inSelection) {
        // The selection stays as it is so that it can be dragged.
        FInput->PendingSelectionClick = true;
        return;
    }
    const bool ctrl = Shift.testFlag(ssCtrl);
    const bool clearing = FOptionsMv.testFlag(dghClearSelection);
    if (multi && !FOptions.testFlag(dgRowSelect) && !indicator) {
        if (!ctrl && !Shift.testFlag(ssShift) && clearing && (Button == mbLeft || !inSelection))
            FSelection->Clear();
        if (Button == mbLeft && rectangles) {
            TDBGridMvSelectionRect& rect = FSelection->Rect();
            const int dataCol = RawToDataColumn(Hit.X);
            if (Shift.testFlag(ssShift) && FSelection->SelectionType() != gstRectangle) {
                rect.Select(previousDataCol, previousBookmark, false);
                rect.Select(dataCol, dataSet->Bookmark(), true);
            } else {
                rect.Select(dataCol, dataSet->Bookmark(), Shift.testFlag(ssShift));
            }
            FInput->Tracking = trRectangle;
        }
    } else if (!multi && clearing && !ctrl && (Button == mbLeft || !inSelection)) {
        ClearSelectionOnMove();
    }
    if (records) {
        FInput->KeepSelection = ctrl || !clearing;
        FInput->Tracking = trRecords;
        if (extend && Hit.Y != previousRow) {
            SelectRecords(true, Hit.Y - previousRow);
        } else if (Button == mbLeft) {
            if (ctrl || !clearing) {
                FBookmarks->SetCurrentRowSelected(!FBookmarks->CurrentRowSelected());
            } else {
                FSelection->Clear();
                FBookmarks->SetCurrentRowSelected(true);
            }
            // A later Shift extends from here.
            FInput->ExtendStart = dataSet->Bookmark();
            FInput->ExtendSelected.clear();
        }
    }

    if (Button == mbLeft && column) {
        const TRect cell = CellRect(Hit.X, Hit.Y);
        const int buttons = column->EditButtonsWidth();
        const TRect strip = column->UseRightToLeftAlignment()
                                ? TRect(cell.Left, cell.Top, cell.Left + buttons, cell.Bottom)
                                : TRect(cell.Right - buttons, cell.Top, cell.Right, cell.Bottom);
        const bool inStrip = buttons > 0 && strip.Contains(X, Y);
        if (FOptions.testFlag(dgAlwaysShowEditor) || inStrip || wasCurrent)
            ShowEditor();
        TInplaceEdit* editor = InplaceEditor();
        if (editor && editor->Visible() && inStrip) {
            // The editor's own button takes the press.
            FInput->Tracking = trNone;
            KillTimer(DBGridMvScrollTimer);
            QWidget* target = ClientWidget()->childAt(X, Y);
            if (target && target != ClientWidget()) {
                // The button holds the mouse now; the grid gets no release.
                SetMouseCapture(false);
                HandPressTo(target, QPoint(X, Y), ClientWidget());
            }
        }
    }
    if (IsCheckOrImage(column))
        FInput->DownCell = Hit;
}

void TCustomDBGridMv::MoveToRecord(const TBookmark& Target)
{
    TDataSet* dataSet = DataSet();
    if (Target.isEmpty() || !dataSet->BookmarkValid(Target))
        return;
    const int records = DataRowRecordCount(*this);
    for (int row = 0; row < records; ++row) {
        bool found = false;
        {
            const TDataRowScopeMv scope(*this, row);
            found = dataSet->CompareBookmarks(dataSet->Bookmark(), Target) == 0;
        }
        if (found) {
            dataSet->MoveBy(row - ActiveDataRow(*this));
            return;
        }
    }
    dataSet->GotoBookmark(Target);
}

// ---------------------------------------------------------------- move

void TCustomDBGridMv::TraceColSizing(int X)
{
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    const TGridAxisDrawInfoMv& axis = info.Horz;
    // The line's logical position: right to left the pointer is mirrored,
    // the offset from the line is logical already.
    FSizingPos = MirroredX(X) + FSizingOfs;
    int width = 0;
    if (FSizingIndex >= axis.GridCellCount) {
        // A contra column is sized by its left line.
        int end = axis.ContraBoundary - axis.EffectiveLineWidth;
        for (int c = axis.GridCellCount; c <= FSizingIndex && c < axis.FullCellCount; ++c)
            end += axis.Advance(c);
        width = end - FSizingPos;
    } else if (FSizingIndex < axis.FixedCellCount) {
        int start = 0;
        for (int c = 0; c < FSizingIndex; ++c)
            start += axis.Advance(c);
        width = FSizingPos - start;
    } else {
        int start = axis.FixedBoundary;
        for (int c = axis.FirstGridCell; c < FSizingIndex; ++c)
            start += axis.Advance(c);
        width = FSizingPos - start;
    }
    width = std::max(1, width);
    if (FAutoFitColWidths) {
        // Every column to the right keeps at least a pixel and its line.
        const int n = ColCount() - FSizingIndex;
        if (axis.FullGridBoundary - n - n * axis.EffectiveLineWidth <= FSizingPos)
            return;
    }
    SetColWidths(FSizingIndex, width);
}

void TCustomDBGridMv::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FInput->PendingSelectionClick) {
        // The press inside the selection becomes a drag of the grid.
        FInput->LastMouse = QPoint(X, Y);
        FInput->PendingSelectionClick = false;
        const TMouseDragSettings drag = MouseDragSettings();
        BeginDrag(drag.DragImmediate, drag.DragThreshold);
        return;
    }
    const TFireAfterHandling fire([&] {
        if (OnMouseMove)
            OnMouseMove(this, Shift, X, Y);
    });
    FInput->LastMouse = QPoint(X, Y);
    FInput->LastShift = Shift;
    if (FTitleTracking && FPressedCol >= 0) {
        const bool inside = CellRect(FPressedCol, 0).Contains(X, Y);
        if (inside != FPressed) {
            FPressed = inside;
            InvalidateCell(FPressedCol, 0);
        }
        if (std::abs(X - FInput->DownPoint.x()) > 3 && FOptions.testFlag(dgColumnResize)) {
            FTitleTracking = false;
            FPressed = false;
            InvalidateCell(FPressedCol, 0);
            FPressedCol = -1;
            TCustomGridMv::MouseDown(mbLeft, Shift, FInput->DownPoint.x(), FInput->DownPoint.y());
        }
    }
    const TRect area = GetDataRect();
    switch (FInput->Tracking) {
    case trRecords:
    case trRectangle: {
        const int cx = MirroredX(std::clamp(MirroredX(X), 0, std::max(0, GridWidth() - 1)));
        const int cy = std::clamp(Y, 0, std::max(0, GridHeight() - 1));
        const TGridCoordMv cell = MouseCoord(cx, cy);
        if (Y > area.Top && Y < area.Bottom && cell.Y >= FTitleOffset && cell.Y != Row())
            SelectRecords(true, cell.Y - Row());
        if (FInput->Tracking == trRectangle && X > area.Left && X < area.Right && cell.X >= FIndicatorOffset &&
            cell.X != Col())
            MoveCol(cell.X, cell.X > Col() ? 1 : -1, true);
        AutoScrollStep();
        break;
    }
    case trColumns: {
        const TGridCoordMv cell = MouseCoord(X, Y);
        const int dataCol = RawToDataColumn(cell.X);
        if (cell.Y == 0 && dataCol >= 0 && dataCol < FColumns->Count())
            FSelection->Columns().SelectShift(FColumns->Items(dataCol));
        else
            AutoScrollStep();
        break;
    }
    case trRecordDrag: MoveDropLine(Y); break;
    default: break;
    }
    if (FOptionsMv.testFlag(dghTraceColSizing) && FGridState == gsColSizing) {
        TraceColSizing(X);
        return;
    }
    TCustomGridMv::MouseMove(Shift, X, Y);
}

// ---------------------------------------------------------------- release

QMenu* TCustomDBGridMv::ColumnMenuAt(int X, int Y)
{
    const TGridCoordMv hit = MouseCoord(X, Y);
    const int dataCol = RawToDataColumn(hit.X);
    if (hit.X < 0 || dataCol < 0 || dataCol >= FColumns->Count() || hit.Y < FTitleOffset || hit.Y >= RowCount())
        return nullptr;
    return FColumns->Items(dataCol)->PopupMenu();
}

void TCustomDBGridMv::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    // The event tells the button as released, before a right press that
    // stood in for the left one is turned back.
    const TMouseButton released = Button;
    const TFireAfterHandling fire([&] {
        if (OnMouseUp)
            OnMouseUp(this, released, Shift, X, Y);
    });
    if (FInput->Tracking == trRecordDrag) {
        EndRecordDrag(X, Y);
        SetMouseCapture(false);
        return;
    }
    if (FInput->PendingSelectionClick) {
        // A press inside the selection that did not become a drag is a
        // click after all.
        FInput->PendingSelectionClick = false;
        if (Shift.testFlag(ssCtrl) && FOptions.testFlag(dgRowSelect)) {
            FBookmarks->SetCurrentRowSelected(!FBookmarks->CurrentRowSelected());
            FInput->ExtendStart = DataSet() ? DataSet()->Bookmark() : TBookmark();
            FInput->ExtendSelected.clear();
            FSelection->UpdateState();
        } else {
            ClearSelectionOnMove();
        }
    } else if (FOptionsMv.testFlag(dghTraceColSizing) && FGridState == gsColSizing) {
        FGridState = gsNormal;
        return;
    }
    const TGridCoordMv hit = MouseCoord(X, Y);
    if (FTitleTracking) {
        const int pressed = FPressedCol;
        FTitleTracking = false;
        FPressed = false;
        FPressedCol = -1;
        InvalidateCell(pressed, 0);
        const bool inside = ClientRect().Contains(X, Y) && hit.Y == 0 && hit.X == pressed;
        const int dataCol = RawToDataColumn(pressed);
        if (inside && dataCol >= 0 && dataCol < FColumns->Count() &&
            InTitleLeaf(FColumns->Items(dataCol), pressed, Y)) {
            TColumnMv* column = FColumns->Items(dataCol);
            if (OnTitleBtnClick)
                OnTitleBtnClick(this, dataCol, column);
            if (FOptionsMv.testFlag(dghAutoSortMarking)) {
                const bool ctrl = Shift.testFlag(ssCtrl);
                column->Title().SetNextSortMarkerValue(ctrl);
                if (ctrl)
                    FInput->PendingSortMarking = true;
                else
                    SortMarkingChanged();
            }
        }
    }
    if (FInput->RightAsLeft) {
        FInput->RightAsLeft = false;
        SetMouseCapture(false);
        Button = mbLeft;
    }
    if (FInput->Tracking == trRecords || FInput->Tracking == trRectangle || FInput->Tracking == trColumns) {
        FInput->Tracking = trNone;
        FInput->AutoScrollInterval = -1;
        KillTimer(DBGridMvScrollTimer);
    }

    const TGridStateMv before = FGridState;
    if (before == gsRowSizing)
        NoteRowSizedByUser();
    TCustomGridMv::MouseUp(Button, Shift, X, Y);
    if (before == gsRowSizing || before == gsColSizing)
        return;
    TInplaceEdit* editor = InplaceEditor();
    if (editor && editor->Visible() && editor->geometry().contains(X, Y))
        return;
    const int dataCol = RawToDataColumn(hit.X);
    if (hit.X < 0 || dataCol < 0 || dataCol >= FColumns->Count())
        return;
    TColumnMv* column = FColumns->Items(dataCol);
    if (Button == mbRight) {
        // A data cell's column may carry its own menu (the grid's own then
        // stays away, ContextMenuTakenByCell).
        if (QMenu* menu = ColumnMenuAt(X, Y)) {
            SendCancelMode();
            menu->popup(ClientToScreen(QPoint(X, Y)));
        }
        return;
    }
    if (Button != mbLeft)
        return;
    if (hit.Y == 0 && FOptions.testFlag(dgTitles)) {
        if (OnTitleClick)
            OnTitleClick(column);
    } else if (hit.Y >= FTitleOffset && hit.Y < RowCount()) {
        if (OnCellClick)
            OnCellClick(column);
    }
    const TGridCoordMv down = FInput->DownCell;
    FInput->DownCell = {-1, -1};
    if (down == hit && hit.Y >= FTitleOffset && !Shift.testFlag(ssDouble) && IsCheckOrImage(column) &&
        !column->DblClickNextVal() && FDataLink->Active() && column->CanModify(true))
        column->SetNextFieldValue(Shift.testFlag(ssShift) ? -1.0 : 1.0);
}

void TCustomDBGridMv::CancelMode()
{
    TCustomGridMv::CancelMode();
    FTitleTracking = false;
    FPressed = false;
    FInput->PendingSelectionClick = false;
    if (FInput->Tracking == trRecordDrag) {
        FInput->DropLineShown = false;
        update();
    }
    FInput->Tracking = trNone;
    FInput->AutoScrollInterval = -1;
    if (TimerActive(DBGridMvScrollTimer))
        KillTimer(DBGridMvScrollTimer);
    if (FFilterRow)
        FFilterRow->CancelMode();
}

// ---------------------------------------------------------------- auto-scroll

void TCustomDBGridMv::WMTimer(int id)
{
    if (id == DBGridMvIncSearchTimer) {
        StopIncSearch();
        return;
    }
    if (id == DBGridMvScrollTimer && FInput->Tracking == trRecordDrag) {
        MoveDropLine(FInput->LastMouse.y());
        return;
    }
    if (id == DBGridMvScrollTimer && FInput->Tracking != trNone) {
        AutoScrollStep();
        return;
    }
    TCustomGridMv::WMTimer(id);
}

void TCustomDBGridMv::AutoScrollStep()
{
    const TRect area = GetDataRect();
    const QPoint point = FInput->LastMouse;
    int dy = 0;
    int dx = 0;
    int distance = 0;
    if (point.y() < area.Top) {
        dy = -1;
        distance = area.Top - point.y();
    } else if (point.y() >= area.Bottom) {
        dy = 1;
        distance = point.y() - area.Bottom + 1;
    }
    if (point.x() < area.Left) {
        dx = -1;
        distance = std::max(distance, area.Left - point.x());
    } else if (point.x() >= area.Right) {
        dx = 1;
        distance = std::max(distance, point.x() - area.Right + 1);
    }
    // Right to left the later columns lie beyond the left edge.
    if (UseRightToLeftAlignment())
        dx = -dx;
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    auto scrollColumn = [&] {
        if (dx < 0 && LeftCol() > FixedCols())
            SetLeftCol(LeftCol() - 1);
        else if (dx > 0 && info.Horz.LastFullVisibleCell < ColCount() - 1)
            SetLeftCol(LeftCol() + 1);
    };
    if (FInput->Tracking == trColumns) {
        if (dx == 0) {
            KillTimer(DBGridMvScrollTimer);
            FInput->AutoScrollInterval = -1;
            return;
        }
        scrollColumn();
        CalcDrawInfo(info);
        const int edge = dx < 0 ? LeftCol() : info.Horz.LastFullVisibleCell;
        const int dataCol = RawToDataColumn(edge);
        if (dataCol >= 0 && dataCol < FColumns->Count())
            FSelection->Columns().SelectShift(FColumns->Items(dataCol));
        FInput->AutoScrollInterval = AutoScrollInterval(200, 10, distance);
        SetTimer(DBGridMvScrollTimer, FInput->AutoScrollInterval);
        return;
    }
    if (dx == 0 && dy == 0) {
        if (TimerActive(DBGridMvScrollTimer))
            KillTimer(DBGridMvScrollTimer);
        FInput->AutoScrollInterval = -1;
        return;
    }
    BeginUpdate();
    try {
        if (dy != 0)
            SelectRecords(true, dy * std::min(8, distance / 6));
        if (dx != 0 && FInput->Tracking != trRecords) {
            scrollColumn();
            MoveCol(Col() + dx, dx, FInput->Tracking == trRectangle);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    FInput->AutoScrollInterval = AutoScrollInterval(200, 15, distance);
    SetTimer(DBGridMvScrollTimer, FInput->AutoScrollInterval);
}

void TCustomDBGridMv::TimedScroll(TGridScrollDirectionMv Direction)
{
    TDataSet* dataSet = DataSet();
    if (FDataLink->Active() && dataSet) {
        // One record past the rows shown.
        const int first = FirstShownDataRow(*this);
        if (Direction.testFlag(sdUp))
            dataSet->MoveBy(first - 1 - ActiveDataRow(*this));
        if (Direction.testFlag(sdDown))
            dataSet->MoveBy(first + ShownRecordCount(*this) - ActiveDataRow(*this));
    }
    const TGridScrollDirectionMv horizontal = Direction & TGridScrollDirectionMv(sdLeft | sdRight);
    if (horizontal)
        TCustomGridMv::TimedScroll(horizontal);
}

// ---------------------------------------------------------------- cursor

QCursor TCustomDBGridMv::CursorAt(const QPoint& clientPos)
{
    static const QCursor columnCursor = ArrowCursor(true);
    static const QCursor rowCursor = ArrowCursor(false);
    static const QCursor rowCursorLeft = LeftArrowCursor();
    if (FGridState == gsNormal && ColumnSelectZone(clientPos.x(), clientPos.y()))
        return columnCursor;
    TDataSet* dataSet = DataSet();
    if (FGridState == gsNormal && FDataLink->Active() && dataSet && !dataSet->IsEmpty() &&
        FOptions.testFlag(dgMultiSelect) && FOptions.testFlag(dgIndicator) &&
        FAllowedSelections.testFlag(asRecordBookmarks)) {
        const TGridCoordMv hit = MouseCoord(clientPos.x(), clientPos.y());
        if (hit.X == 0 && hit.Y >= FTitleOffset && hit.Y < RowCount())
            return UseRightToLeftAlignment() ? rowCursorLeft : rowCursor;
    }
    return TCustomGridMv::CursorAt(clientPos);
}
