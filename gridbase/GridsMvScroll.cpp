// The base grid's scroll bars: requests from the bars, their 0..127 scale,
// which bars show, and the pixel offset of a grid with a single column.

#include "gridbase/GridsMv.h"

#include "platform/MulDiv.h"

#include <algorithm>

namespace {

constexpr int ScrollScale = 127;

} // namespace

int MirroredScrollCode(int ScrollCode)
{
    switch (ScrollCode) {
    case SB_LINEUP: return SB_LINEDOWN;
    case SB_LINEDOWN: return SB_LINEUP;
    case SB_PAGEUP: return SB_PAGEDOWN;
    case SB_PAGEDOWN: return SB_PAGEUP;
    case SB_TOP: return SB_BOTTOM;
    case SB_BOTTOM: return SB_TOP;
    default: return ScrollCode;
    }
}

void TCustomGridMv::WMHScroll(int code, int pos)
{
    ModifyScrollBar(sbHorizontal, code, pos);
}

void TCustomGridMv::WMVScroll(int code, int pos)
{
    ModifyScrollBar(sbVertical, code, pos);
}

int TCustomGridMv::ColOffsetRoom(const TGridDrawInfoMv& DrawInfo) const
{
    return ClientWidth() - DrawInfo.Horz.FixedBoundary;
}

int TCustomGridMv::MaxColOffset(const TGridDrawInfoMv& DrawInfo) const
{
    return std::max(0, ColWidths(LeftCol()) - ColOffsetRoom(DrawInfo));
}

void TCustomGridMv::SetColOffset(int NewOffset, const TGridDrawInfoMv& DrawInfo)
{
    // A column narrower than the space is never drawn shifted.
    NewOffset = std::clamp(NewOffset, 0, MaxColOffset(DrawInfo));
    if (NewOffset == FColOffset)
        return;
    const int delta = FColOffset - NewOffset;
    FColOffset = NewOffset;
    ScrollDataInfo(delta, 0, DrawInfo);
    InvalidateGridRect({0, 0, FullColCount() - 1, FFixedRows - 1});
    UpdateWindow();
    if (HandleAllocated() && (FScrollBars == ssHorizontal || FScrollBars == ssBoth))
        SetHorzScrollPos(FColOffset);
}

void TCustomGridMv::SetHorzScrollPos(int Pos)
{
    // The bar itself never turns round: right to left its right end is the
    // first column, as the grid shows it.
    if (UseRightToLeftAlignment())
        Pos = GetScrollInfo(sbHorizontal).Max - Pos;
    SetScrollPos(sbHorizontal, Pos);
}

void TCustomGridMv::ModifyScrollBar(TScrollBarKind ScrollBar, int ScrollCode, int Pos, bool UseRightToLeft)
{
    if (ScrollCode == SB_ENDSCROLL)
        return;
    if (isVisible() && CanFocus() && !Focused() && !ContainsFocus())
        SetFocus();
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    const bool thumbTracking = FOptions.testFlag(goThumbTracking);
    // Right to left the left end of a bar drawn left to right is the last
    // column: its steps go the other way and its thumb is read from the
    // right end.
    const bool mirrored = ScrollBar == sbHorizontal && UseRightToLeft && UseRightToLeftAlignment();
    if (mirrored)
        ScrollCode = MirroredScrollCode(ScrollCode);

    if (ScrollBar == sbHorizontal && FColCount == 1) {
        const int gridSpace = ColOffsetRoom(info);
        int offset = FColOffset;
        switch (ScrollCode) {
        case SB_LINEUP: offset -= Canvas().TextWidth(QStringLiteral("0")); break;
        case SB_LINEDOWN: offset += Canvas().TextWidth(QStringLiteral("0")); break;
        case SB_PAGEUP: offset -= gridSpace; break;
        case SB_PAGEDOWN: offset += gridSpace; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            if (ScrollCode == SB_THUMBPOSITION || thumbTracking)
                offset = mirrored ? GetScrollInfo(sbHorizontal).Max - Pos : Pos;
            break;
        case SB_TOP: offset = 0; break;
        case SB_BOTTOM: offset = MaxColOffset(info); break;
        default: break;
        }
        SetColOffset(offset, info);
        return;
    }

    const TGridCoordMv maxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, info);
    const bool horizontal = ScrollBar == sbHorizontal;
    const TGridAxisDrawInfoMv& axis = horizontal ? info.Horz : info.Vert;
    const int min = horizontal ? FFixedCols : FFixedRows;
    const int max = std::max(min, horizontal ? maxTopLeft.X : maxTopLeft.Y);
    const int current = horizontal ? LeftCol() : TopRow();
    int newPos = current;
    // Repeated so that a step never ends on a hidden cell.
    for (;;) {
        const int before = newPos;
        switch (ScrollCode) {
        case SB_LINEUP: --newPos; break;
        case SB_LINEDOWN: ++newPos; break;
        case SB_PAGEUP: {
            const TGridCoordMv previous = CalcMaxTopLeft(FTopLeft, info);
            newPos -= std::max(1, current - (horizontal ? previous.X : previous.Y));
            break;
        }
        case SB_PAGEDOWN: newPos += std::max(1, axis.LastFullVisibleCell - current); break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            if (ScrollCode == SB_THUMBPOSITION || thumbTracking) {
                const int along = MulDivTrunc(Pos, max - min, ScrollScale);
                newPos = mirrored ? max - along : min + along;
            }
            break;
        case SB_TOP: newPos = min; break;
        case SB_BOTTOM: newPos = max; break;
        default: break;
        }
        if (newPos <= min || newPos >= max || axis.GetExtent(newPos) > 0 || newPos == before)
            break;
    }
    newPos = std::clamp(newPos, min, max);
    if (horizontal)
        MoveTopLeft(newPos, TopRow());
    else
        MoveTopLeft(LeftCol(), newPos);
}

void TCustomGridMv::UpdateScrollPos()
{
    if (!HandleAllocated() || FScrollBars == ssNone)
        return;
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    const TGridCoordMv maxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, info);
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) {
        if (FColCount == 1) {
            // Re-clamped: the column may no longer fill the space.
            SetColOffset(FColOffset, info);
            SetHorzScrollPos(FColOffset);
        } else {
            // Everything fits when the largest first column is the first
            // regular one: position 0, never a division by zero.
            SetHorzScrollPos(MulDivTrunc(LeftCol() - FFixedCols, ScrollScale, maxTopLeft.X - FFixedCols));
        }
    }
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        SetScrollPos(sbVertical, MulDivTrunc(TopRow() - FFixedRows, ScrollScale, maxTopLeft.Y - FFixedRows));
}

void TCustomGridMv::SettleAxis(bool Columns, int Width, int Height, const TGridCoordMv& OldTopLeft, bool& Updated)
{
    TGridDrawInfoMv info;
    CalcDrawInfoXY(info, Width, Height);
    const TGridCoordMv maxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, info);
    const int fixed = Columns ? FFixedCols : FFixedRows;
    const int maxFirst = Columns ? maxTopLeft.X : maxTopLeft.Y;
    SetScrollRange(Columns ? sbHorizontal : sbVertical, 0, maxFirst > fixed ? ScrollScale : 0);
    const int oldFirst = Columns ? OldTopLeft.X : OldTopLeft.Y;
    if (oldFirst > maxFirst) {
        if (!Updated) {
            UpdateWindow();
            Updated = true;
        }
        if (Columns)
            FTopLeft.X = maxFirst;
        else
            FTopLeft.Y = maxFirst;
    }
}

void TCustomGridMv::UpdateScrollRange()
{
    if (FScrollBars == ssNone || !HandleAllocated() || !Showing())
        return;
    // The client as if no bar were shown.
    int width = ClientWidth();
    int height = ClientHeight();
    if (ScrollBarShowing(sbHorizontal))
        height += GetSystemMetrics(SM_CYHSCROLL);
    if (ScrollBarShowing(sbVertical))
        width += GetSystemMetrics(SM_CXVSCROLL);

    const TGridCoordMv oldTopLeft = FTopLeft;
    const TScrollStyleMv oldScrollBars = FScrollBars;
    const bool horizontal = oldScrollBars == ssHorizontal || oldScrollBars == ssBoth;
    const bool vertical = oldScrollBars == ssVertical || oldScrollBars == ssBoth;
    // The size changes that a bar coming or going causes do not come back
    // into this operation.
    FScrollBars = ssNone;
    bool updated = false;
    auto settleHorizontal = [&] {
        if (FColCount == 1)
            SetScrollRange(sbHorizontal, 0, std::max(0, ColWidths(0) - ClientWidth()));
        else
            SettleAxis(true, width, height, oldTopLeft, updated);
    };
    try {
        if (horizontal)
            settleHorizontal();
        height = ClientHeight();
        if (vertical)
            SettleAxis(false, width, height, oldTopLeft, updated);
        if (ClientWidth() != width) {
            width = ClientWidth();
            if (horizontal)
                settleHorizontal();
        }
    } catch (...) {
        FScrollBars = oldScrollBars;
        throw;
    }
    FScrollBars = oldScrollBars;
    UpdateScrollPos();
    if (FTopLeft != oldTopLeft)
        TopLeftMoved(oldTopLeft);
}
