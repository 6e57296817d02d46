// The base grid's painting: lines, cells, fixed-cell frames, the focus
// rectangle, the contra areas at the far edges, and the sizing and move lines
// of a drag in progress.

#include "gridbase/GridsMv.h"

#include <algorithm>

namespace {

bool PointInGridRect(int col, int row, const TGridRectMv& rect)
{
    return col >= rect.Left && col <= rect.Right && row >= rect.Top && row <= rect.Bottom;
}

// The canvas' mirrored mapping for one paint of a right-to-left grid, taken
// off on every way out.
class TMirroredPaint {
public:
    TMirroredPaint(TCanvas& canvas, bool mirrored, int width) : FCanvas(canvas), FOn(mirrored)
    {
        if (FOn)
            FCanvas.SetMirrored(true, width);
    }
    ~TMirroredPaint()
    {
        if (FOn)
            FCanvas.SetMirrored(false, 0);
    }
    TMirroredPaint(const TMirroredPaint&) = delete;
    TMirroredPaint& operator=(const TMirroredPaint&) = delete;

private:
    TCanvas& FCanvas;
    bool FOn;
};

} // namespace

void TCustomGridMv::DrawAxisLine(bool Vertical, int Pos, int Start, int Stop, int Width, TColor Color)
{
    if (Width <= 0 || Stop <= Start)
        return;
    TCanvas& canvas = Canvas();
    if (Vertical)
        canvas.FillRect(TRect(Pos, Start, Pos + Width, Stop), Color);
    else
        canvas.FillRect(TRect(Start, Pos, Stop, Pos + Width), Color);
}

void TCustomGridMv::DrawLines(bool DoHorz, bool DoVert, int StartCol, int StartRow, const TRect& CellBounds,
                              TColor LineColor, TColor BackColor, const TGridDrawInfoMv& DrawInfo)
{
    if (CellBounds.IsEmpty())
        return;
    // A line stands in the gap after its cell; a switched-off line still
    // paints that gap in the background colour. Along one axis: the lines
    // run from Begin to End across the cells' span From..To.
    auto drawLines = [&](const TGridAxisDrawInfoMv& a, bool vertical, int start, int from, int to, int begin,
                         int end, TColor color) {
        if (a.EffectiveLineWidth <= 0)
            return;
        int pos = from;
        for (int i = start; i < a.FullCellCount && pos < to; ++i) {
            const int extent = a.GetExtent(i);
            if (extent <= 0)
                continue;
            pos += extent;
            if (pos >= to)
                break;
            DrawAxisLine(vertical, pos, begin, end, std::min(a.EffectiveLineWidth, to - pos), color);
            pos += a.EffectiveLineWidth;
        }
    };
    drawLines(DrawInfo.Horz, true, StartCol, CellBounds.Left, CellBounds.Right, CellBounds.Top, CellBounds.Bottom,
              DoVert ? LineColor : BackColor);
    drawLines(DrawInfo.Vert, false, StartRow, CellBounds.Top, CellBounds.Bottom, CellBounds.Left, CellBounds.Right,
              DoHorz ? LineColor : BackColor);
}

void TCustomGridMv::DrawPolyline(const QVector<QPoint>& Points)
{
    // The mirrored mapping maps pixel columns exactly: a line needs no
    // shift to land on its mirror image.
    Canvas().Polyline(Points);
}

void TCustomGridMv::DrawFixedCellFrame(const TRect& ARect, bool Sunken1, bool Sunken2, bool LeftEdge,
                                       bool RightEdge)
{
    TCanvas& canvas = Canvas();
    TRect r = ARect;
    const unsigned edge = (Sunken1 || Sunken2) ? BDR_SUNKENINNER : BDR_RAISEDINNER;
    if (canvas.Mirrored()) {
        // Right to left the light still falls from the upper left: the frame
        // is drawn on the device rectangle, the logical left side being the
        // right one there.
        r = canvas.LPtoDP(r);
        const TNormalMapping normal(canvas);
        if (!FFlat) {
            if (LeftEdge && RightEdge) {
                canvas.DrawEdge(r, edge, BF_RECT);
            } else {
                TRect a = r;
                canvas.DrawEdge(a, edge, LeftEdge ? BF_TOP | BF_RIGHT : BF_TOP);
                TRect b = r;
                canvas.DrawEdge(b, edge, RightEdge ? BF_LEFT | BF_BOTTOM : BF_BOTTOM);
            }
            return;
        }
        canvas.Pen.Color = canvas.Brush.Color;
        canvas.Pen.Width = 1;
        canvas.Pen.Style = psSolid;
        canvas.Polyline({QPoint(r.Left, r.Bottom - 1), QPoint(r.Right, r.Bottom - 1)});
        if (RightEdge) {
            TRect left = r;
            canvas.DrawEdge(left, edge, BF_LEFT);
        }
        TRect top = r;
        canvas.DrawEdge(top, edge, BF_TOP);
        if (LeftEdge)
            canvas.Polyline({QPoint(r.Right - 1, r.Bottom - 1), QPoint(r.Right - 1, r.Top - 1)});
        return;
    }
    if (!FFlat) {
        if (LeftEdge && RightEdge) {
            canvas.DrawEdge(r, edge, BF_RECT);
        } else {
            TRect a = r;
            canvas.DrawEdge(a, edge, LeftEdge ? BF_TOPLEFT : BF_TOP);
            TRect b = r;
            canvas.DrawEdge(b, edge, RightEdge ? BF_BOTTOMRIGHT : BF_BOTTOM);
        }
        return;
    }
    // Flat: the dark side is painted over in the cell's own background, so
    // only the lit top (and left) edge shows.
    canvas.Pen.Color = canvas.Brush.Color;
    canvas.Pen.Width = 1;
    canvas.Pen.Style = psSolid;
    if (RightEdge)
        DrawPolyline({QPoint(r.Left, r.Bottom - 1), QPoint(r.Right - 1, r.Bottom - 1), QPoint(r.Right - 1, r.Top - 1)});
    else
        DrawPolyline({QPoint(r.Left, r.Bottom - 1), QPoint(r.Right, r.Bottom - 1)});
    canvas.DrawEdge(r, edge, LeftEdge ? BF_TOPLEFT : BF_TOP);
}

void TCustomGridMv::DrawCellsArea(int ACol, int ARow, int StartX, int StartY, int StopX, int StopY, TColor BackColor,
                                  TGridDrawState IncludeDrawState, const TGridDrawInfoMv& DrawInfo)
{
    DrawCellsLoop(ACol, ARow, StartX, StartY, StopX, StopY, BackColor, IncludeDrawState, DrawInfo, false);
}

void TCustomGridMv::DrawContraCellsArea(int ACol, int ARow, int StartX, int StartY, int StopX, int StopY,
                                        TColor BackColor, TGridDrawState IncludeDrawState,
                                        const TGridDrawInfoMv& DrawInfo)
{
    DrawCellsLoop(ACol, ARow, StartX, StartY, StopX, StopY, BackColor, IncludeDrawState, DrawInfo, true);
}

void TCustomGridMv::DrawCellsLoop(int ACol, int ARow, int StartX, int StartY, int StopX, int StopY, TColor BackColor,
                                  TGridDrawState IncludeDrawState, const TGridDrawInfoMv& DrawInfo, bool Contra)
{
    const TGridAxisDrawInfoMv& h = DrawInfo.Horz;
    const TGridAxisDrawInfoMv& v = DrawInfo.Vert;
    TCanvas& canvas = Canvas();
    const int rowLimit = Contra ? FullRowCount() : FRowCount;
    const int colLimit = Contra ? FullColCount() : FColCount;
    const bool active = !Contra && IsActiveControl();
    const TGridRectMv selection = Selection();
    const bool editing = FOptions.testFlag(goEditing) && FEditorMode;
    const bool highlightFocused = FOptions & (goDrawFocusSelected | goRowSelect);
    const bool frame3D = FDefaultDrawing && Ctl3D() && (FOptions & (goFixedVertLine | goFixedHorzLine));
    const bool focusRect = FDefaultDrawing &&
                           !(FOptions.testFlag(goEditing) && FOptions.testFlag(goAlwaysShowEditor)) &&
                           !FOptions.testFlag(goRowSelect);
    const TFont font = Font();

    int y = StartY;
    for (int row = ARow; y < StopY && row < rowLimit; ++row) {
        const int height = v.GetExtent(row);
        if (height <= 0)
            continue;
        int x = StartX;
        for (int col = ACol; x < StopX && col < colLimit; ++col) {
            const int width = h.GetExtent(col);
            if (width <= 0)
                continue;
            const TRect where(x, y, x + width, y + height);
            x += width + h.EffectiveLineWidth;
            if (!canvas.RectVisible(where))
                continue;
            TGridDrawState state = IncludeDrawState;
            if (!Contra) {
                if (active && col == FCurrent.X && row == FCurrent.Y)
                    state |= gdFocused;
                if (PointInGridRect(col, row, selection))
                    state |= gdSelected;
            }
            // The editor covers the focused cell.
            if (state.testFlag(gdFocused) && editing)
                continue;
            if (FDefaultDrawing) {
                canvas.Font = font;
                if (state.testFlag(gdSelected) && (!state.testFlag(gdFocused) || highlightFocused)) {
                    canvas.Brush.Color = clHighlight;
                    canvas.Font.Color = clHighlightText;
                } else {
                    canvas.Brush.Color = BackColor;
                }
                canvas.Brush.Style = bsSolid;
                canvas.FillRect(where);
            }
            DrawCell(col, row, where, state);
            if (frame3D && state.testFlag(gdFixed)) {
                // Raised on all four sides; where the fixed cells have lines on
                // one axis only, the frame also covers the gap of the missing
                // line, so neighbouring fixed cells read as one band.
                TRect frame = where;
                if (!FOptions.testFlag(goFixedVertLine))
                    frame.Right += h.EffectiveLineWidth;
                else if (!FOptions.testFlag(goFixedHorzLine))
                    frame.Bottom += v.EffectiveLineWidth;
                DrawFixedCellFrame(frame, false, false, true, true);
            }
            if (focusRect && state.testFlag(gdFocused))
                canvas.DrawFocusRect(where);
        }
        y += height + v.EffectiveLineWidth;
    }
}

void TCustomGridMv::Paint()
{
    if (PaintLocked())
        return;
    TCanvas& canvas = Canvas();
    // Right to left everything below is drawn in logical coordinates.
    const TMirroredPaint mirrored(canvas, UseRightToLeftAlignment(), ClientWidth());
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    const TGridAxisDrawInfoMv& h = info.Horz;
    const TGridAxisDrawInfoMv& v = info.Vert;
    const bool contra = FContraColCount > 0 || FContraRowCount > 0;
    const int frozen = FrozenCols();
    const int frozenCol = FFixedCols - frozen;
    const bool fixedH = FOptions.testFlag(goFixedHorzLine);
    const bool fixedV = FOptions.testFlag(goFixedVertLine);
    const bool dataH = FOptions.testFlag(goHorzLine);
    const bool dataV = FOptions.testFlag(goVertLine);
    TGridLineColorsMv* colors = GridLineColors();

    // The regular painting may not spill into the contra areas.
    if (contra) {
        canvas.SaveClip();
        canvas.IntersectClipRect(TRect(0, 0, h.ContraBoundary, v.ContraBoundary));
    }

    if (h.EffectiveLineWidth > 0 || v.EffectiveLineWidth > 0) {
        DrawLines(fixedH, fixedV, 0, 0, TRect(0, 0, h.FixedBoundary, v.FixedBoundary), colors->CellLineColor(0, 0),
                  FFixedColor, info);
        DrawLines(fixedH, fixedV, LeftCol(), 0, TRect(h.FixedBoundary, 0, h.GridBoundary, v.FixedBoundary),
                  colors->CellLineColor(LeftCol(), 0), FFixedColor, info);
        DrawLines(fixedH, fixedV, 0, TopRow(), TRect(0, v.FixedBoundary, h.FrozenStart, v.GridBoundary),
                  colors->CellLineColor(0, TopRow()), FFixedColor, info);
        // Frozen columns are lined like data, with their own line at the right.
        DrawLines(fixedH, fixedV, frozenCol, TopRow(),
                  TRect(h.FrozenStart, v.FixedBoundary, h.FixedBoundary - h.EffectiveLineWidth, v.GridBoundary),
                  colors->CellLineColor(frozenCol, TopRow()), FFixedColor, info);
        if (frozen > 0)
            DrawAxisLine(true, h.FixedBoundary - h.EffectiveLineWidth, v.FixedBoundary, v.GridBoundary,
                         h.EffectiveLineWidth, colors->FrozenVertLineColorFor(FFixedCols - 1));
        DrawLines(dataH, dataV, LeftCol(), TopRow(),
                  TRect(h.FixedBoundary, v.FixedBoundary, h.GridBoundary, v.GridBoundary),
                  colors->CellLineColor(LeftCol(), TopRow()), Color(), info);
    }

    DrawCellsArea(0, 0, 0, 0, h.FixedBoundary, v.FixedBoundary, FFixedColor, gdFixed, info);
    DrawCellsArea(LeftCol(), 0, h.FixedBoundary - FColOffset, 0, h.GridBoundary, v.FixedBoundary, FFixedColor,
                  gdFixed, info);
    DrawCellsArea(0, TopRow(), 0, v.FixedBoundary, h.FrozenStart, v.GridBoundary, FFixedColor, gdFixed, info);
    DrawCellsArea(frozenCol, TopRow(), h.FrozenStart, v.FixedBoundary, h.FixedBoundary, v.GridBoundary, Color(), {},
                  info);
    DrawCellsArea(LeftCol(), TopRow(), h.FixedBoundary - FColOffset, v.FixedBoundary, h.GridBoundary,
                  v.GridBoundary, Color(), {}, info);

    if (FOptions.testFlag(goRowSelect) && FDefaultDrawing && Focused()) {
        // The screen rectangle, back to logical for the mirrored canvas.
        TRect r;
        GridRectToScreenRect(Selection(), r, false);
        r = canvas.LPtoDP(r);
        canvas.Brush.Color = clHighlight;
        canvas.DrawFocusRect(r);
    }

    canvas.FillRect(TRect(h.GridBoundary, 0, h.GridExtent, v.GridBoundary), Color());
    canvas.FillRect(TRect(0, v.GridBoundary, h.GridExtent, v.GridExtent), Color());

    if (contra) {
        canvas.RestoreClip();
        PaintContraAreas(info);
    }
}

void TCustomGridMv::PaintContraAreas(const TGridDrawInfoMv& info)
{
    TCanvas& canvas = Canvas();
    const TGridAxisDrawInfoMv& h = info.Horz;
    const TGridAxisDrawInfoMv& v = info.Vert;
    const int hlw = h.EffectiveLineWidth;
    const int vlw = v.EffectiveLineWidth;
    const int hStart = h.ContraStart();
    const int vStart = v.ContraStart();
    const int frozen = FrozenCols();
    const int frozenCol = FFixedCols - frozen;
    const bool fixedH = FOptions.testFlag(goFixedHorzLine);
    const bool fixedV = FOptions.testFlag(goFixedVertLine);
    const bool dataH = FOptions.testFlag(goHorzLine);
    const bool dataV = FOptions.testFlag(goVertLine);
    const bool rows = FContraRowCount > 0;
    const bool cols = FContraColCount > 0;
    TGridLineColorsMv* colors = GridLineColors();
    // Regular columns are cut where the contra columns begin.
    const int regularRight = cols ? std::min(h.GridBoundary, h.ContraBoundary) : h.GridBoundary;
    const int regularBottom = rows ? std::min(v.GridBoundary, v.ContraBoundary) : v.GridBoundary;

    if (rows) {
        DrawLines(fixedH, fixedV, 0, FRowCount, TRect(0, vStart, h.FrozenStart, v.ClientExtent),
                  colors->CellLineColor(0, FRowCount), FFixedColor, info);
        DrawLines(fixedH, fixedV, frozenCol, FRowCount,
                  TRect(h.FrozenStart, vStart, h.FixedBoundary - hlw, v.ClientExtent),
                  colors->CellLineColor(frozenCol, FRowCount), FFixedColor, info);
        if (frozen > 0)
            DrawAxisLine(true, h.FixedBoundary - hlw, vStart, v.ClientExtent, hlw,
                         colors->FrozenVertLineColorFor(FFixedCols - 1));
        const TColor separator = colors->ContraHorzLineColorFor(FRowCount);
        DrawAxisLine(false, v.ContraBoundary, 0, h.FixedBoundary, vlw, separator);
        DrawLines(dataH, dataV, LeftCol(), FRowCount, TRect(h.FixedBoundary, vStart, regularRight, v.ClientExtent),
                  colors->CellLineColor(LeftCol(), FRowCount), Color(), info);
        DrawAxisLine(false, v.ContraBoundary, h.FixedBoundary, regularRight, vlw, separator);
    }
    if (cols) {
        const TColor separator = colors->ContraVertLineColorFor(FColCount);
        DrawLines(fixedH, fixedV, FColCount, 0, TRect(hStart, 0, h.ClientExtent, v.FixedBoundary),
                  colors->CellLineColor(FColCount, 0), FFixedColor, info);
        DrawAxisLine(true, h.ContraBoundary, 0, v.FixedBoundary, hlw, separator);
        DrawLines(dataH, dataV, FColCount, TopRow(), TRect(hStart, v.FixedBoundary, h.ClientExtent, regularBottom),
                  colors->CellLineColor(FColCount, TopRow()), Color(), info);
        DrawAxisLine(true, h.ContraBoundary, v.FixedBoundary, regularBottom, hlw, separator);
        if (rows) {
            DrawLines(dataH, dataV, FColCount, FRowCount, TRect(hStart, vStart, h.ClientExtent, v.ClientExtent),
                      colors->CellLineColor(FColCount, FRowCount), Color(), info);
            DrawAxisLine(true, h.ContraBoundary, v.ContraBoundary, v.ClientExtent, hlw, separator);
            DrawAxisLine(false, v.ContraBoundary, h.ContraBoundary, h.ClientExtent, vlw,
                         colors->ContraHorzLineColorFor(FRowCount));
        }
    }

    if (rows) {
        TClipSaver clip(canvas);
        if (cols)
            canvas.IntersectClipRect(TRect(0, v.ContraBoundary, regularRight, v.ClientExtent));
        DrawContraCellsArea(0, FRowCount, 0, vStart, h.FrozenStart, v.ClientExtent, FFixedColor, gdFixed, info);
        DrawContraCellsArea(frozenCol, FRowCount, h.FrozenStart, vStart, h.FixedBoundary, v.ClientExtent, Color(), {},
                            info);
        DrawContraCellsArea(LeftCol(), FRowCount, h.FixedBoundary - FColOffset, vStart, regularRight, v.ClientExtent,
                            Color(), {}, info);
    }
    if (cols) {
        TClipSaver clip(canvas);
        if (rows)
            canvas.IntersectClipRect(TRect(h.ContraBoundary, 0, h.ClientExtent, regularBottom));
        DrawContraCellsArea(FColCount, 0, hStart, 0, h.ClientExtent, v.FixedBoundary, FFixedColor, gdFixed, info);
        DrawContraCellsArea(FColCount, TopRow(), hStart, v.FixedBoundary, h.ClientExtent, regularBottom, Color(), {},
                            info);
    }
    if (rows && cols)
        DrawContraCellsArea(FColCount, FRowCount, hStart, vStart, h.ClientExtent, v.ClientExtent, Color(), {}, info);

    // What neither the regular nor the contra cells cover.
    if (rows)
        canvas.FillRect(TRect(regularRight, v.ContraBoundary, cols ? h.ContraBoundary : h.ClientExtent, v.ClientExtent),
                        Color());
    if (cols)
        canvas.FillRect(TRect(h.ContraBoundary, regularBottom, h.ClientExtent, rows ? v.ContraBoundary : v.ClientExtent),
                        Color());
}

// ---------------------------------------------------------------- drag lines

void TCustomGridMv::SizingLineRect(TRect& Rect) const
{
    if (FGridState == gsColSizing)
        Rect = TRect(FSizingPos, 0, FSizingPos + 1, ClientHeight());
    else if (FGridState == gsRowSizing)
        Rect = TRect(0, FSizingPos, ClientWidth(), FSizingPos + 1);
    else
        Rect = TRect();
}

void TCustomGridMv::MoveLineRect(TRect& Rect, const TGridDrawInfoMv& DrawInfo)
{
    Rect = TRect();
    if (FGridState != gsColMoving && FGridState != gsRowMoving)
        return;
    const bool columns = FGridState == gsColMoving;
    const TGridAxisDrawInfoMv& a = columns ? DrawInfo.Horz : DrawInfo.Vert;
    int pos = LinePos(a, FMovePos);
    if (FMovePos > FMoveIndex)
        pos += std::max(0, a.GetExtent(FMovePos));
    // A band five pixels wide, centred on the edge.
    if (columns)
        Rect = MirroredRect(TRect(pos - 2, 0, pos + 3, ClientHeight()));
    else
        Rect = TRect(0, pos - 2, ClientWidth(), pos + 3);
}

void TCustomGridMv::InvalidateDragLine()
{
    // The old line is painted over, the new one painted by PaintOverlay.
    if (FDragLineShown)
        InvalidateRect(FDragLineRect);
    TRect r;
    if (FGridState == gsColSizing || FGridState == gsRowSizing) {
        SizingLineRect(r);
    } else {
        TGridDrawInfoMv info;
        CalcDrawInfo(info);
        MoveLineRect(r, info);
    }
    FDragLineRect = r;
    FDragLineShown = !r.IsEmpty();
    if (FDragLineShown)
        InvalidateRect(r);
}

void TCustomGridMv::HideDragLine()
{
    if (FDragLineShown)
        InvalidateRect(FDragLineRect);
    FDragLineShown = false;
    FDragLineRect = TRect();
}

void TCustomGridMv::PaintOverlay()
{
    if (!FDragLineShown || FDragLineRect.IsEmpty())
        return;
    TCanvas& canvas = Canvas();
    canvas.Pen.Color = clWindowText;
    canvas.Pen.Width = 1;
    canvas.Pen.Style = psDot;
    const TRect& r = FDragLineRect;
    if (r.Width() <= r.Height()) {
        for (int x = r.Left; x < r.Right; ++x) {
            canvas.MoveTo(x, r.Top);
            canvas.LineTo(x, r.Bottom);
        }
    } else {
        for (int y = r.Top; y < r.Bottom; ++y) {
            canvas.MoveTo(r.Left, y);
            canvas.LineTo(r.Right, y);
        }
    }
    canvas.Pen.Style = psSolid;
}
