// The base grid's input: keys, mouse selection, sizing and moving of columns
// and rows, the auto-scroll timer, the wheel, the cursor and cancel mode.

#include "gridbase/GridsMv.h"

#include <algorithm>

namespace {

constexpr int ScrollTimer = 1;
constexpr int ScrollTimerInterval = 60;

} // namespace

bool TCustomGridMv::CanGridAcceptKey(quint16, TShiftState)
{
    return true;
}

void TCustomGridMv::KeyDown(quint16& Key, TShiftState Shift)
{
    TCustomControl::KeyDown(Key, Shift);
    if (!CanGridAcceptKey(Key, Shift))
        Key = 0;
    if (Key == 0)
        return;
    const bool rowSelect = FOptions.testFlag(goRowSelect);
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    const int pageWidth = std::max(1, info.Horz.LastFullVisibleCell - LeftCol());
    const int pageHeight = std::max(1, info.Vert.LastFullVisibleCell - TopRow());
    TGridCoordMv newCurrent = FCurrent;
    TGridCoordMv newTopLeft = FTopLeft;
    // Shift extends the selection, except where it only gives a direction.
    bool extendSelection = Shift.testFlag(ssShift);
    // Right to left, Left goes on to the next column and Right back.
    const int rtl = UseRightToLeftAlignment() ? -1 : 1;
    bool repaintAll = false;

    if (Shift.testFlag(ssCtrl)) {
        switch (Key) {
        case VK_UP: --newTopLeft.Y; break;
        case VK_DOWN: ++newTopLeft.Y; break;
        case VK_LEFT:
            if (!rowSelect) {
                newCurrent.X -= pageWidth * rtl;
                newTopLeft.X -= pageWidth * rtl;
            }
            break;
        case VK_RIGHT:
            if (!rowSelect) {
                newCurrent.X += pageWidth * rtl;
                newTopLeft.X += pageWidth * rtl;
            }
            break;
        case VK_PRIOR: newCurrent.Y = TopRow(); break;
        case VK_NEXT: newCurrent.Y = info.Vert.LastFullVisibleCell; break;
        case VK_HOME:
            newCurrent = {FFixedCols, FFixedRows};
            repaintAll = rtl < 0;
            break;
        case VK_END:
            newCurrent = {FColCount - 1, FRowCount - 1};
            repaintAll = rtl < 0;
            break;
        default: break;
        }
    } else {
        switch (Key) {
        case VK_UP: --newCurrent.Y; break;
        case VK_DOWN: ++newCurrent.Y; break;
        case VK_LEFT:
            if (rowSelect)
                newCurrent.Y -= rtl;
            else
                newCurrent.X -= rtl;
            break;
        case VK_RIGHT:
            if (rowSelect)
                newCurrent.Y += rtl;
            else
                newCurrent.X += rtl;
            break;
        case VK_NEXT:
            newCurrent.Y += pageHeight;
            newTopLeft.Y += pageHeight;
            break;
        case VK_PRIOR:
            newCurrent.Y -= pageHeight;
            newTopLeft.Y -= pageHeight;
            break;
        case VK_HOME:
            if (rowSelect)
                newCurrent.Y = FFixedRows;
            else
                newCurrent.X = FFixedCols;
            break;
        case VK_END:
            if (rowSelect)
                newCurrent.Y = FRowCount - 1;
            else
                newCurrent.X = FColCount - 1;
            break;
        case VK_TAB:
            if (!Shift.testFlag(ssAlt)) {
                // Shift+Tab walks backwards on every step, past every column
                // whose tab stop is off. One lap at most: when no column
                // stops, the walk ends where it started. Its Shift only
                // turns the walk round: the anchor moves with the cell.
                const bool backward = Shift.testFlag(ssShift);
                extendSelection = false;
                for (int steps = 0; steps <= FColCount; ++steps) {
                    if (!backward) {
                        if (++newCurrent.X >= FColCount) {
                            newCurrent.X = FFixedCols;
                            if (++newCurrent.Y >= FRowCount)
                                newCurrent.Y = FFixedRows;
                        }
                    } else {
                        if (--newCurrent.X < FFixedCols) {
                            newCurrent.X = FColCount - 1;
                            if (--newCurrent.Y < FFixedRows)
                                newCurrent.Y = FRowCount - 1;
                        }
                    }
                    if (TabStops(newCurrent.X) || newCurrent.X == FCurrent.X)
                        break;
                }
            }
            break;
        case VK_F2: SetEditorMode(true); break;
        default: break;
        }
    }

    const TGridCoordMv maxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, info);
    newTopLeft.X = std::clamp(newTopLeft.X, FFixedCols, std::max(FFixedCols, maxTopLeft.X));
    newTopLeft.Y = std::clamp(newTopLeft.Y, FFixedRows, std::max(FFixedRows, maxTopLeft.Y));
    if (newTopLeft != FTopLeft)
        MoveTopLeft(newTopLeft.X, newTopLeft.Y);
    // The current cell may enter the frozen columns, never a contra cell.
    newCurrent.X = std::clamp(newCurrent.X, FFixedCols - FrozenCols(), FColCount - 1);
    newCurrent.Y = std::clamp(newCurrent.Y, FFixedRows, FRowCount - 1);
    if (newCurrent != FCurrent)
        FocusCell(newCurrent.X, newCurrent.Y, !extendSelection);
    if (repaintAll)
        InvalidateGrid();
}

void TCustomGridMv::KeyPress(QChar& Key)
{
    TCustomControl::KeyPress(Key);
    if (!FOptions.testFlag(goAlwaysShowEditor) && Key == QChar(13)) {
        if (FEditorMode)
            HideEditor();
        else
            ShowEditor();
        Key = QChar(0);
    }
}

void TCustomGridMv::WMChar(QChar& Key)
{
    const bool control = Key.unicode() < 32 || Key.unicode() == 127;
    if (FOptions.testFlag(goEditing) && (!control || Key == QChar(8)))
        ShowEditorChar(Key);
    else
        TCustomControl::WMChar(Key);
}

unsigned TCustomGridMv::DialogCode()
{
    unsigned code = DLGC_WANTARROWS;
    if (!FOptions.testFlag(goRowSelect)) {
        if (FOptions.testFlag(goTabs))
            code |= DLGC_WANTTAB;
        if (FOptions.testFlag(goEditing))
            code |= DLGC_WANTCHARS;
    }
    return code;
}

bool TCustomGridMv::WantsDialogKey(quint16 Key)
{
    return FOptions.testFlag(goEditing) && Key == VK_RETURN;
}

// ---------------------------------------------------------------- sizing

void TCustomGridMv::CalcSizingState(int X, int Y, TGridStateMv& State, int& Index, int& SizingPos, int& SizingOfs,
                                    TGridDrawInfoMv& FixedInfo)
{
    State = gsNormal;
    Index = -1;
    const TGridOptionsMv options = FOptions;
    if (!(options & (goColSizing | goRowSizing)))
        return;
    // Right to left the lines are searched from the right edge; the sizing
    // position found is logical.
    if (UseRightToLeftAlignment())
        X = FixedInfo.Horz.ClientExtent - 1 - X;

    auto calcAxis = [&](const TGridAxisDrawInfoMv& a, int pos, TGridStateMv newState) {
        const int lineWidth = a.EffectiveLineWidth;
        int range = lineWidth;
        int back = 0;
        if (range < 7) {
            range = 7;
            back = (7 - lineWidth) / 2;
        }
        // The grab zone of the line that starts at 'line'.
        auto hit = [&](int line) { return pos >= line - back && pos < line - back + range; };
        auto take = [&](int line, int index) {
            State = newState;
            SizingPos = line;
            SizingOfs = line - pos;
            Index = index;
        };

        int line = a.FrozenStart;
        for (int i = a.FixedCellCount - a.FrozenCellCount; i < a.FixedCellCount; ++i) {
            const int extent = a.GetExtent(i);
            if (extent <= 0)
                continue;
            line += extent;
            if (hit(line)) {
                take(line, i);
                return;
            }
            line += lineWidth;
        }
        line = a.FixedBoundary;
        for (int i = a.FirstGridCell; i < a.GridCellCount; ++i) {
            const int extent = a.GetExtent(i);
            if (extent <= 0)
                continue;
            line += extent;
            if (line > a.GridBoundary)
                break;
            if (hit(line)) {
                take(line, i);
                return;
            }
            line += lineWidth;
        }
        if (a.GridBoundary == a.GridExtent && pos >= a.GridExtent - back && pos <= a.GridExtent) {
            int index = a.FullVisBoundary != a.FixedBoundary ? a.LastFullVisibleCell + 1 : a.LastFullVisibleCell;
            // When everything fits exactly there is no cell after the last one.
            index = std::min(index, a.GridCellCount - 1);
            take(a.GridExtent, index);
            return;
        }
        if (a.ContraCellCount > 0) {
            // Contra cells are anchored at the far edge: a line sizes the cell
            // after it, which grows toward the near side.
            if (pos >= a.ContraBoundary && pos <= a.GridExtent + back) {
                take(a.GridExtent, a.GridCellCount);
                return;
            }
            line = a.ContraStart();
            for (int i = a.GridCellCount; i < a.FullCellCount - 1; ++i) {
                const int extent = a.GetExtent(i);
                if (extent <= 0)
                    continue;
                line += extent;
                if (line > a.FullGridBoundary)
                    break;
                if (hit(line)) {
                    take(line, i + 1);
                    return;
                }
                line += lineWidth;
            }
        }
    };

    if (options.testFlag(goColSizing) && X > FixedInfo.Horz.FrozenStart) {
        if (Y < FixedInfo.Vert.FixedBoundary)
            calcAxis(FixedInfo.Horz, X, gsColSizing);
    } else if (options.testFlag(goRowSizing) && Y > FixedInfo.Vert.FixedBoundary &&
               X < FixedInfo.Horz.FrozenStart) {
        calcAxis(FixedInfo.Vert, Y, gsRowSizing);
    }
}

void TCustomGridMv::CalcNewSize(const TGridDrawInfoMv& DrawInfo, int& NewSize) const
{
    const TGridAxisDrawInfoMv& a = FGridState == gsColSizing ? DrawInfo.Horz : DrawInfo.Vert;
    if (FSizingIndex >= a.GridCellCount) {
        // The far end of the contra cell, less the line in front of it.
        int end = a.ContraBoundary - a.EffectiveLineWidth;
        for (int c = a.GridCellCount; c <= FSizingIndex && c < a.FullCellCount; ++c)
            end += a.Advance(c);
        NewSize = end - FSizingPos;
    } else if (FSizingIndex < a.FixedCellCount) {
        int start = a.FrozenStart;
        for (int c = a.FixedCellCount - a.FrozenCellCount; c < FSizingIndex; ++c)
            start += a.Advance(c);
        NewSize = FSizingPos - start;
    } else {
        int start = a.FixedBoundary;
        for (int c = a.FirstGridCell; c < FSizingIndex; ++c)
            start += a.Advance(c);
        NewSize = FSizingPos - start;
    }
}

// ---------------------------------------------------------------- mouse

void TCustomGridMv::WMMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y, qint64 Time)
{
    TCustomControl::WMMouseDown(Button, Shift, X, Y, Time);
    if (FInplaceEdit && Button == mbLeft && !Shift.testFlag(ssDouble))
        FInplaceEdit->FClickTime = Time;
}

void TCustomGridMv::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    HideEdit();
    if (CanFocus() || !parentWidget()) {
        SetFocus();
        if (!IsActiveControl()) {
            SetMouseCapture(false);
            return;
        }
    }
    if (Button == mbLeft && Shift.testFlag(ssDouble)) {
        DblClick();
        TCustomControl::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (Button == mbLeft) {
        TGridDrawInfoMv info;
        CalcDrawInfo(info);
        CalcSizingState(X, Y, FGridState, FSizingIndex, FSizingPos, FSizingOfs, info);
        if (FGridState != gsNormal) {
            // The sizing line is drawn on the client, where a column's line
            // lies mirrored right to left.
            if (FGridState == gsColSizing)
                FSizingPos = MirroredX(FSizingPos);
            InvalidateDragLine();
            return;
        }
        const TGridCoordMv hit = CalcCoordFromPoint(X, Y, info);
        const int frozenFirst = FFixedCols - FrozenCols();
        if (hit.X >= frozenFirst && hit.X < FColCount && hit.Y >= FFixedRows && hit.Y < FRowCount) {
            if (FOptions.testFlag(goEditing)) {
                if (hit == FCurrent) {
                    ShowEditor();
                } else {
                    MoveCurrent(hit.X, hit.Y, true, true);
                    UpdateEdit();
                }
                Click();
            } else {
                FGridState = gsSelecting;
                SetTimer(ScrollTimer, ScrollTimerInterval);
                if (Shift.testFlag(ssShift))
                    MoveAnchor(hit);
                else
                    MoveCurrent(hit.X, hit.Y, true, true);
            }
        } else if (FOptions.testFlag(goRowMoving) && hit.X >= 0 && hit.X < FFixedCols && hit.Y >= FFixedRows &&
                   hit.Y < FRowCount) {
            FMoveIndex = hit.Y;
            FMovePos = FMoveIndex;
            if (BeginRowDrag(FMoveIndex, FMovePos, QPoint(X, Y))) {
                FGridState = gsRowMoving;
                UpdateWindow();
                InvalidateDragLine();
                SetTimer(ScrollTimer, ScrollTimerInterval);
            }
        } else if (FOptions.testFlag(goColMoving) && hit.Y >= 0 && hit.Y < FFixedRows && hit.X >= FFixedCols &&
                   hit.X < FColCount) {
            FMoveIndex = hit.X;
            FMovePos = FMoveIndex;
            if (BeginColumnDrag(FMoveIndex, FMovePos, QPoint(X, Y))) {
                FGridState = gsColMoving;
                UpdateWindow();
                InvalidateDragLine();
                SetTimer(ScrollTimer, ScrollTimerInterval);
            }
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGridMv::MoveAndScroll(int Mouse, int CellHit, TGridDrawInfoMv& DrawInfo, bool Columns,
                                  const QPoint& MousePt)
{
    const TGridAxisDrawInfoMv* a = Columns ? &DrawInfo.Horz : &DrawInfo.Vert;
    if (CellHit == FMovePos)
        return;
    if (FMovePos == a->FixedCellCount && Mouse < a->FixedBoundary)
        return;
    if (FMovePos == a->GridCellCount - 1 && Mouse > a->GridBoundary)
        return;
    HideDragLine();
    const TScrollBarKind bar = Columns ? sbHorizontal : sbVertical;
    if (Mouse < a->FixedBoundary) {
        if (FMovePos > a->FixedCellCount) {
            ModifyScrollBar(bar, SB_LINEUP, 0);
            CalcDrawInfo(DrawInfo);
        }
        CellHit = a->FirstGridCell;
    } else if (Mouse >= a->FullVisBoundary) {
        if (FMovePos == a->LastFullVisibleCell && FMovePos < a->GridCellCount - 1) {
            ModifyScrollBar(bar, SB_LINEDOWN, 0);
            CalcDrawInfo(DrawInfo);
        }
        CellHit = a->LastFullVisibleCell;
    } else if (CellHit < 0) {
        CellHit = FMovePos;
    }
    const bool accepted = Columns ? CheckColumnDrag(FMoveIndex, CellHit, MousePt)
                                  : CheckRowDrag(FMoveIndex, CellHit, MousePt);
    if (accepted)
        FMovePos = CellHit;
    InvalidateDragLine();
}

void TCustomGridMv::MouseMove(TShiftState Shift, int X, int Y)
{
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    switch (FGridState) {
    case gsSelecting:
    case gsColMoving:
    case gsRowMoving: {
        const TGridCoordMv hit = CalcCoordFromPoint(X, Y, info);
        const bool counts = hit.X >= FFixedCols - FrozenCols() && hit.Y >= FFixedRows &&
                            hit.X <= std::min(info.Horz.LastFullVisibleCell + 1, FColCount - 1) &&
                            hit.Y <= std::min(info.Vert.LastFullVisibleCell + 1, FRowCount - 1);
        if (counts) {
            if (FGridState == gsSelecting) {
                if (hit != FAnchor)
                    MoveAnchor(hit);
            } else if (FGridState == gsColMoving) {
                MoveAndScroll(MirroredX(X), hit.X, info, true, QPoint(X, Y));
            } else {
                MoveAndScroll(Y, hit.Y, info, false, QPoint(X, Y));
            }
        }
        break;
    }
    case gsColSizing:
        // The offset from the line is logical.
        FSizingPos = MirroredX(FSizingOfs + MirroredX(X));
        InvalidateDragLine();
        break;
    case gsRowSizing:
        FSizingPos = FSizingOfs + Y;
        InvalidateDragLine();
        break;
    default: break;
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGridMv::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    switch (FGridState) {
    case gsSelecting:
        MouseMove(Shift, X, Y);
        KillTimer(ScrollTimer);
        UpdateEdit();
        Click();
        break;
    case gsColSizing:
    case gsRowSizing: {
        HideDragLine();
        if (FGridState == gsColSizing)
            FSizingPos = MirroredX(FSizingPos);
        TGridDrawInfoMv info;
        CalcDrawInfo(info);
        int newSize = 0;
        CalcNewSize(info, newSize);
        // A drag that would leave less than 2 pixels changes nothing.
        if (newSize > 1) {
            if (FGridState == gsColSizing)
                SetColWidths(FSizingIndex, newSize);
            else
                SetRowHeights(FSizingIndex, newSize);
        }
        break;
    }
    case gsColMoving:
    case gsRowMoving: {
        HideDragLine();
        KillTimer(ScrollTimer);
        const bool columns = FGridState == gsColMoving;
        const QPoint point(X, Y);
        const bool accepted = columns ? EndColumnDrag(FMoveIndex, FMovePos, point)
                                      : EndRowDrag(FMoveIndex, FMovePos, point);
        if (accepted && FMovePos != FMoveIndex) {
            if (columns)
                MoveColumn(FMoveIndex, FMovePos);
            else
                MoveRow(FMoveIndex, FMovePos);
        }
        UpdateEdit();
        break;
    }
    default: UpdateEdit(); break;
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
    FGridState = gsNormal;
}

bool TCustomGridMv::BeginColumnDrag(int&, int&, const QPoint&) { return true; }
bool TCustomGridMv::BeginRowDrag(int&, int&, const QPoint&) { return true; }
bool TCustomGridMv::CheckColumnDrag(int&, int&, const QPoint&) { return true; }
bool TCustomGridMv::CheckRowDrag(int&, int&, const QPoint&) { return true; }
bool TCustomGridMv::EndColumnDrag(int&, int&, const QPoint&) { return true; }
bool TCustomGridMv::EndRowDrag(int&, int&, const QPoint&) { return true; }

void TCustomGridMv::WMTimer(int id)
{
    if (id != ScrollTimer)
        return;
    if (FGridState != gsSelecting && FGridState != gsRowMoving && FGridState != gsColMoving)
        return;
    const QPoint point = CursorPos();
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    const TGridCoordMv hit = CalcCoordFromPoint(point.x(), point.y(), info);
    switch (FGridState) {
    case gsColMoving: MoveAndScroll(MirroredX(point.x()), hit.X, info, true, point); break;
    case gsRowMoving: MoveAndScroll(point.y(), hit.Y, info, false, point); break;
    case gsSelecting: {
        // Right to left the pointer is taken mirrored: beyond the fixed
        // columns (at the right) it scrolls back, beyond the left edge on.
        const int x = MirroredX(point.x());
        TGridScrollDirectionMv direction;
        if (x < info.Horz.FixedBoundary)
            direction |= sdLeft;
        else if (x > info.Horz.FullVisBoundary)
            direction |= sdRight;
        if (point.y() < info.Vert.FixedBoundary)
            direction |= sdUp;
        else if (point.y() > info.Vert.FullVisBoundary)
            direction |= sdDown;
        if (direction)
            TimedScroll(direction);
        break;
    }
    default: break;
    }
}

void TCustomGridMv::TimedScroll(TGridScrollDirectionMv Direction)
{
    TGridCoordMv newAnchor = FAnchor;
    if (Direction.testFlag(sdLeft) && FAnchor.X > FFixedCols)
        --newAnchor.X;
    if (Direction.testFlag(sdRight) && FAnchor.X < FColCount - 1)
        ++newAnchor.X;
    if (Direction.testFlag(sdUp) && FAnchor.Y > FFixedRows)
        --newAnchor.Y;
    if (Direction.testFlag(sdDown) && FAnchor.Y < FRowCount - 1)
        ++newAnchor.Y;
    if (newAnchor != FAnchor)
        MoveAnchor(newAnchor);
}

bool TCustomGridMv::DoMouseWheelDown(TShiftState, const QPoint&)
{
    if (Row() < FRowCount - 1)
        SetRow(Row() + 1);
    return true;
}

bool TCustomGridMv::DoMouseWheelUp(TShiftState, const QPoint&)
{
    if (Row() > FFixedRows)
        SetRow(Row() - 1);
    return true;
}

QCursor TCustomGridMv::CursorAt(const QPoint& clientPos)
{
    const TGridStateMv state = FGridState == gsNormal ? SizingHitAt(clientPos.x(), clientPos.y()).State : FGridState;
    if (state == gsRowSizing)
        return QCursor(Qt::SplitVCursor);
    if (state == gsColSizing)
        return QCursor(Qt::SplitHCursor);
    return TCustomControl::CursorAt(clientPos);
}

void TCustomGridMv::CancelMode()
{
    switch (FGridState) {
    case gsSelecting: KillTimer(ScrollTimer); break;
    case gsRowSizing:
    case gsColSizing: HideDragLine(); break;
    case gsColMoving:
    case gsRowMoving:
        HideDragLine();
        KillTimer(ScrollTimer);
        break;
    default: break;
    }
    FGridState = gsNormal;
}

// ---------------------------------------------------------------- size, focus

void TCustomGridMv::Resized()
{
    UpdateScrollRange();
    // The contra areas move with the client edge, and so does everything
    // right to left.
    if (FContraColCount > 0 || FContraRowCount > 0 || UseRightToLeftAlignment())
        InvalidateGrid();
}

void TCustomGridMv::ShowingChanged()
{
    UpdateScrollRange();
}

void TCustomGridMv::FontChanged()
{
    if (FInplaceEdit)
        FInplaceEdit->setFont(font());
    InvalidateGrid();
}

void TCustomGridMv::WMSetFocus(QWidget* from)
{
    TCustomControl::WMSetFocus(from);
    if (!FInplaceEdit || from != FInplaceEdit.get()) {
        InvalidateGridRect(Selection());
        UpdateEdit();
    }
}

void TCustomGridMv::WMKillFocus(QWidget* to)
{
    TCustomControl::WMKillFocus(to);
    InvalidateGridRect(Selection());
    if (!FInplaceEdit || to != FInplaceEdit.get())
        HideEdit();
}

void TCustomGridMv::DoExit()
{
    TCustomControl::DoExit();
    if (!FOptions.testFlag(goAlwaysShowEditor))
        HideEditor();
}
