// The base grid's model: counts and extents, the draw info (where every cell
// lies), cell rectangles and hit tests, the current cell, anchor and scroll
// position, size changes and column or row moves.

#include "gridbase/GridsMv.h"

#include <QApplication>
#include <QRegion>
#include <QScrollBar>
#include <QVariantList>
#include <algorithm>

QString SGridIndexOutOfRange() { return QStringLiteral("Grid index out of range"); }
QString SGridTooManyDeleted() { return QStringLiteral("Too many rows or columns deleted"); }
QString SGridTooLarge() { return QStringLiteral("Grid too large for operation"); }
QString SGridFixedColsTooBig() { return QStringLiteral("Fixed column count must be less than column count"); }
QString SGridFixedRowsTooBig() { return QStringLiteral("Fixed row count must be less than row count"); }
QString SGridContraColCountNegative() { return QStringLiteral("FContraColCount can not be negative."); }
QString SGridContraRowCountNegative() { return QStringLiteral("FContraRowCount can not be negative."); }
QString SGridTooManyColumnsDisplayed() { return QStringLiteral("Grid requested to display more than 256 columns"); }

namespace {

// Extents arrays hold one value per cell (columns: FullColCount, rows:
// FullRowCount) once they exist; an empty array means every cell has the
// default.

// Inserts Amount cells at Index (removes -Amount). Every entry from Index on
// takes the default: entries are not shifted.
void ModifyExtents(std::vector<int>& extents, int index, int amount, int defaultValue)
{
    if (amount == 0)
        return;
    const int oldSize = int(extents.size());
    if (index < 0 || index > oldSize)
        throw EInvalidGridOperationMv(SGridIndexOutOfRange());
    const qint64 newSize = qint64(oldSize) + amount;
    if (newSize < 0)
        throw EInvalidGridOperationMv(SGridTooManyDeleted());
    if (newSize >= 0x7FFFFFE)
        throw EInvalidGridOperationMv(SGridTooLarge());
    if (newSize == 0) {
        extents.clear();
        return;
    }
    extents.resize(size_t(newSize));
    if (index < newSize)
        std::fill(extents.begin() + index, extents.end(), defaultValue);
}

// Grows or cuts an existing array at its end.
void UpdateExtents(std::vector<int>& extents, int newSize, int defaultValue)
{
    if (extents.empty())
        return;
    const int oldSize = int(extents.size());
    ModifyExtents(extents, oldSize, newSize - oldSize, defaultValue);
}

void MoveExtent(std::vector<int>& extents, int fromIndex, int toIndex)
{
    if (extents.empty() || fromIndex == toIndex)
        return;
    const int size = int(extents.size());
    if (fromIndex < 0 || fromIndex >= size || toIndex < 0 || toIndex >= size)
        return;
    const int value = extents[size_t(fromIndex)];
    extents.erase(extents.begin() + fromIndex);
    extents.insert(extents.begin() + toIndex, value);
}

bool CompareExtents(const std::vector<int>& a, const std::vector<int>& b)
{
    return a == b;
}

// The moved index lands on ToIndex; those between shift one toward FromIndex.
void MoveAdjust(int& cellPos, int fromIndex, int toIndex)
{
    if (cellPos == fromIndex)
        cellPos = toIndex;
    else if (cellPos > fromIndex && cellPos <= toIndex)
        --cellPos;
    else if (cellPos < fromIndex && cellPos >= toIndex)
        ++cellPos;
}

TGridRectMv Normalized(const TGridCoordMv& a, const TGridCoordMv& b)
{
    return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

} // namespace

// ---------------------------------------------------------------- line colours

TGridLineColorsMv::TGridLineColorsMv(TCustomGridMv* grid) : FGrid(grid)
{
    std::fill(std::begin(FSettings), std::end(FSettings), clDefault);
}

TColor TGridLineColorsMv::Setting(int number) const
{
    return (number >= 1 && number <= 18) ? FSettings[number - 1] : clDefault;
}

void TGridLineColorsMv::SetSetting(int number, TColor color)
{
    if (number < 1 || number > 18 || FSettings[number - 1] == color)
        return;
    FSettings[number - 1] = color;
    if (FGrid)
        FGrid->InvalidateGrid();
}

void TGridLineColorsMv::SetDarkColor(TColor color)
{
    SetSetting(2, color);
}

void TGridLineColorsMv::SetBrightColor(TColor color)
{
    SetSetting(1, color);
}

TColor TGridLineColorsMv::BrightColor() const
{
    if (FSettings[0] != clDefault)
        return FSettings[0];
    if (FGrid && ColorToRGB(FGrid->Color(), FGrid->palette()) == clSilver)
        return clGray;
    return clSilver;
}

TColor TGridLineColorsMv::DarkColor() const
{
    if (FSettings[1] != clDefault)
        return FSettings[1];
    return (FGrid && FGrid->Flat()) ? clGray : clBlack;
}

TColor TGridLineColorsMv::SettingColor(int number) const
{
    if (number == 1)
        return BrightColor();
    if (number == 2)
        return DarkColor();
    const TColor own = Setting(number);
    if (own != clDefault)
        return own;
    // Which base colour each setting falls back to (D dark, B bright).
    static const bool dark[18] = {false, true, false, false, true, true, true, false, false,
                                  true,  false, false, true, false, false, true, false, false};
    return (number >= 1 && number <= 18 && dark[number - 1]) ? DarkColor() : BrightColor();
}

TColor TGridLineColorsMv::CellLineColor(int ACol, int ARow) const
{
    if (ACol < FGrid->FixedCols() - FGrid->FrozenCols() || ARow < FGrid->FixedRows())
        return DarkColor();
    return BrightColor();
}

TColor TGridLineColorsMv::ContraVertLineColorFor(int ACol) const
{
    return ACol == FGrid->ColCount() ? ContraVertLineColor() : BrightColor();
}

TColor TGridLineColorsMv::ContraHorzLineColorFor(int ARow) const
{
    return ARow == FGrid->RowCount() ? ContraHorzLineColor() : BrightColor();
}

TColor TGridLineColorsMv::FrozenVertLineColorFor(int ACol) const
{
    return (FGrid->FrozenCols() > 0 && ACol == FGrid->FixedCols() - 1) ? FrozenVertLineColor() : BrightColor();
}

TColor TGridLineColorsMv::FixedHorzLineColorFor(int) const
{
    return BrightColor();
}

// ---------------------------------------------------------------- construction

TCustomGridMv::TCustomGridMv(QWidget* parent) : TCustomControl(parent)
{
    FOptions = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    // The grid lays out right to left only as its BiDiMode says, so Qt's
    // direction is always set on it; the parent is watched instead. Its window
    // scroll bars never turn round: right to left the grid runs them itself.
    FBiDiMode = ParentsBiDiMode();
    TurnChildren();
    ScrollBarWidget(sbHorizontal)->setLayoutDirection(Qt::LeftToRight);
    ScrollBarWidget(sbVertical)->setLayoutDirection(Qt::LeftToRight);
    WatchParent();
    connect(qGuiApp, &QGuiApplication::layoutDirectionChanged, this,
            &TCustomGridMv::ApplicationLayoutDirectionChanged);
    SetColor(clWindow);
    TCustomControl::SetBorderStyle(bsSingle);
    CreateParams();
    resize(FColCount * FDefaultColWidth, FRowCount * FDefaultRowHeight);
    Initialize();
}

TCustomGridMv::~TCustomGridMv()
{
    FInplaceEdit.reset();
}

void TCustomGridMv::CreateParams()
{
    SetScrollBarsAllowed(FScrollBars == ssHorizontal || FScrollBars == ssBoth,
                         FScrollBars == ssVertical || FScrollBars == ssBoth);
}

void TCustomGridMv::Initialize()
{
    FTopLeft = {FFixedCols, FFixedRows};
    FCurrent = FTopLeft;
    FAnchor = FCurrent;
    if (FOptions.testFlag(goRowSelect))
        FAnchor.X = FColCount - 1;
}

TGridLineColorsMv* TCustomGridMv::GridLineColors() const
{
    if (!FGridLineColors)
        FGridLineColors = const_cast<TCustomGridMv*>(this)->CreateGridLineColors();
    return FGridLineColors.get();
}

std::unique_ptr<TGridLineColorsMv> TCustomGridMv::CreateGridLineColors()
{
    return std::make_unique<TGridLineColorsMv>(this);
}

// ---------------------------------------------------------------- properties

int TCustomGridMv::ColWidths(int index) const
{
    if (index >= 0 && index < int(FColWidths.size()) && index < FullColCount())
        return FColWidths[size_t(index)];
    return FDefaultColWidth;
}

int TCustomGridMv::RowHeights(int index) const
{
    if (index >= 0 && index < int(FRowHeights.size()) && index < FullRowCount())
        return FRowHeights[size_t(index)];
    return FDefaultRowHeight;
}

bool TCustomGridMv::TabStops(int index) const
{
    if (index >= 0 && index < int(FTabStops.size()))
        return FTabStops[size_t(index)] != 0;
    return true;
}

void TCustomGridMv::SetExtent(std::vector<int>& Extents, int Index, int Value, bool Rows)
{
    const int full = Rows ? FullRowCount() : FullColCount();
    if (Index < 0 || Index >= full)
        throw EInvalidGridOperationMv(SGridIndexOutOfRange());
    if (Extents.empty())
        Extents.assign(size_t(full), Rows ? FDefaultRowHeight : FDefaultColWidth);
    if (Extents[size_t(Index)] == Value)
        return;
    InvalidateGrid();
    Extents[size_t(Index)] = Value;
    if (Rows)
        RowHeightsChanged();
    else
        ColWidthsChanged();
}

void TCustomGridMv::SetColWidths(int index, int value)
{
    SetExtent(FColWidths, index, value, false);
}

void TCustomGridMv::SetRowHeights(int index, int value)
{
    SetExtent(FRowHeights, index, value, true);
}

void TCustomGridMv::SetTabStops(int index, bool value)
{
    if (index < 0 || index >= FullColCount())
        throw EInvalidGridOperationMv(SGridIndexOutOfRange());
    if (FTabStops.empty())
        FTabStops.assign(size_t(FullColCount()), 1);
    FTabStops[size_t(index)] = value ? 1 : 0;
}

void TCustomGridMv::SetDefaultColWidth(int value)
{
    if (value == FDefaultColWidth)
        return;
    FDefaultColWidth = value;
    FColWidths.clear();
    ColWidthsChanged();
    InvalidateGrid();
}

void TCustomGridMv::SetDefaultRowHeight(int value)
{
    if (value == FDefaultRowHeight)
        return;
    FRowHeights.clear();
    FDefaultRowHeight = value;
    RowHeightsChanged();
    InvalidateGrid();
}

void TCustomGridMv::SetGridLineWidth(int value)
{
    if (value == FGridLineWidth || value < 0)
        return;
    FGridLineWidth = value;
    ColWidthsChanged();
    InvalidateGrid();
}

void TCustomGridMv::SetDefaultDrawing(bool value)
{
    if (value == FDefaultDrawing)
        return;
    FDefaultDrawing = value;
    InvalidateGrid();
}

void TCustomGridMv::SetFixedCols(int value)
{
    if (value == FFixedCols)
        return;
    if (value < 0)
        throw EInvalidGridOperationMv(SGridIndexOutOfRange());
    if (value >= FColCount)
        throw EInvalidGridOperationMv(SGridFixedColsTooBig());
    FFixedCols = value;
    Initialize();
    InvalidateGrid();
    UpdateScrollRange();
}

void TCustomGridMv::SetFixedRows(int value)
{
    if (value == FFixedRows)
        return;
    if (value < 0)
        throw EInvalidGridOperationMv(SGridIndexOutOfRange());
    if (value >= FRowCount)
        throw EInvalidGridOperationMv(SGridFixedRowsTooBig());
    FFixedRows = value;
    Initialize();
    InvalidateGrid();
    UpdateScrollRange();
}

void TCustomGridMv::SetColCount(int value)
{
    if (value < 1)
        value = 1;
    if (value == FColCount)
        return;
    if (value <= FFixedCols)
        SetFixedCols(value - 1);
    if (FContraColCount > 0) {
        const int old = FColCount;
        if (value < old)
            AdjustSize(value, value - old, false);
        else
            AdjustSize(old, value - old, false);
    } else {
        ChangeSize(value, FRowCount);
    }
    if (FOptions.testFlag(goRowSelect)) {
        FAnchor.X = FColCount - 1;
        InvalidateGrid();
    }
}

void TCustomGridMv::SetRowCount(int value)
{
    if (value < 1)
        value = 1;
    if (value == FRowCount)
        return;
    if (value <= FFixedRows)
        SetFixedRows(value - 1);
    if (FContraRowCount > 0) {
        const int old = FRowCount;
        if (value < old)
            AdjustSize(value, value - old, true);
        else
            AdjustSize(old, value - old, true);
    } else {
        ChangeSize(FColCount, value);
    }
}

void TCustomGridMv::SetContraColCount(int value)
{
    if (value < 0)
        throw EInvalidGridOperationMv(SGridContraColCountNegative());
    if (value == FContraColCount)
        return;
    ChangeContraSize(value, FContraRowCount);
}

void TCustomGridMv::SetContraRowCount(int value)
{
    if (value < 0)
        throw EInvalidGridOperationMv(SGridContraRowCountNegative());
    if (value == FContraRowCount)
        return;
    ChangeContraSize(FContraColCount, value);
}

int TCustomGridMv::FrozenCols() const
{
    return std::clamp(FFrozenCols, 0, FFixedCols);
}

void TCustomGridMv::SetFrozenCols(int value)
{
    // Kept as given and clamped where read, so that it may be set before the
    // fixed columns it lives in.
    FFrozenCols = value;
    InvalidateGrid();
}

void TCustomGridMv::SetFixedColor(TColor value)
{
    if (value == FFixedColor)
        return;
    FFixedColor = value;
    InvalidateGrid();
}

void TCustomGridMv::SetOptions(TGridOptionsMv value)
{
    if (value.testFlag(goRowSelect))
        value &= ~TGridOptionsMv(goAlwaysShowEditor);
    if (value == FOptions)
        return;
    FOptions = value;
    if (!FEditorMode) {
        if (FOptions.testFlag(goAlwaysShowEditor))
            ShowEditor();
        else
            HideEditor();
    }
    if (FOptions.testFlag(goRowSelect))
        MoveCurrent(Col(), Row(), true, false);
    InvalidateGrid();
}

void TCustomGridMv::SetScrollBars(TScrollStyleMv value)
{
    if (value == FScrollBars)
        return;
    FScrollBars = value;
    CreateParams();
    RecreateWnd();
    UpdateScrollRange();
}

void TCustomGridMv::SetBorderStyle(TBorderStyle value)
{
    if (value == BorderStyleValue())
        return;
    TCustomControl::SetBorderStyle(value);
    CreateParams();
}

void TCustomGridMv::SetFlat(bool value)
{
    if (value == FFlat)
        return;
    FFlat = value;
    UpdateDefaultLineColor();
    FlatChanged();
    InvalidateGrid();
}

void TCustomGridMv::SetBiDiMode(TBiDiMode value)
{
    FParentBiDiMode = false;
    ApplyBiDiMode(value);
}

void TCustomGridMv::SetParentBiDiMode(bool value)
{
    if (value == FParentBiDiMode)
        return;
    FParentBiDiMode = value;
    FollowParentBiDiMode();
}

void TCustomGridMv::ApplyBiDiMode(TBiDiMode value)
{
    if (value == FBiDiMode)
        return;
    FBiDiMode = value;
    BiDiModeChanged();
}

void TCustomGridMv::TurnChildren()
{
    // The editor and the other children follow the grid's order.
    setLayoutDirection(UseRightToLeftAlignment() ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCustomGridMv::BiDiModeChanged()
{
    TurnChildren();
    UpdateScrollPos();
    InvalidateGrid();
    if (FInplaceEdit && FInplaceEdit->Visible())
        FInplaceEdit->Move(CellRect(Col(), Row()));
    // A mode that keeps the direction (reading only, no alignment) reaches
    // child grids through no Qt event.
    for (TCustomGridMv* child : findChildren<TCustomGridMv*>(Qt::FindDirectChildrenOnly))
        child->FollowParentBiDiMode();
}

QWidget* TCustomGridMv::DirectionParent() const
{
    // Qt hands a window the application's direction, not its parent's.
    return isWindow() ? nullptr : parentWidget();
}

TBiDiMode TCustomGridMv::ParentsBiDiMode() const
{
    const QWidget* parent = DirectionParent();
    if (const auto* grid = qobject_cast<const TCustomGridMv*>(parent))
        return grid->BiDiMode();
    const Qt::LayoutDirection direction = parent ? parent->layoutDirection() : QGuiApplication::layoutDirection();
    return direction == Qt::RightToLeft ? bdRightToLeft : bdLeftToRight;
}

void TCustomGridMv::FollowParentBiDiMode()
{
    if (FParentBiDiMode)
        ApplyBiDiMode(ParentsBiDiMode());
}

void TCustomGridMv::WatchParent()
{
    QWidget* parent = DirectionParent();
    if (parent == FWatchedParent)
        return;
    if (FWatchedParent)
        FWatchedParent->removeEventFilter(this);
    FWatchedParent = parent;
    if (parent)
        parent->installEventFilter(this);
}

void TCustomGridMv::changeEvent(QEvent* event)
{
    TCustomControl::changeEvent(event);
    // Also sent when the grid becomes a window or stops being one.
    if (event->type() == QEvent::ParentChange) {
        WatchParent();
        FollowParentBiDiMode();
    }
}

bool TCustomGridMv::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FWatchedParent && event->type() == QEvent::LayoutDirectionChange)
        FollowParentBiDiMode();
    return TCustomControl::eventFilter(watched, event);
}

void TCustomGridMv::ApplicationLayoutDirectionChanged()
{
    // Parents that inherit the direction tell the grid when their turn
    // comes; a window reads the application's direction itself. Every mode
    // but left to right means something else now.
    const TBiDiMode before = FBiDiMode;
    if (FParentBiDiMode)
        FBiDiMode = ParentsBiDiMode();
    if (before != bdLeftToRight || FBiDiMode != bdLeftToRight)
        BiDiModeChanged();
}

int TCustomGridMv::MirroredX(int X) const
{
    return UseRightToLeftAlignment() ? ClientWidth() - 1 - X : X;
}

TRect TCustomGridMv::MirroredRect(const TRect& Rect) const
{
    if (!UseRightToLeftAlignment() || Rect.IsEmpty())
        return Rect;
    const int width = ClientWidth();
    return TRect(width - Rect.Right, Rect.Top, width - Rect.Left, Rect.Bottom);
}

void TCustomGridMv::UpdateDefaultLineColor()
{
    // The dark line colour is derived from Flat whenever it is read; a
    // descendant that keeps an explicit default refreshes it here.
}

void TCustomGridMv::FlatChanged()
{
}

void TCustomGridMv::SetEditorMode(bool value)
{
    if (!value) {
        HideEditor();
        return;
    }
    ShowEditor();
    if (FInplaceEdit)
        FInplaceEdit->Deselect();
}

void TCustomGridMv::SetCol(int value)
{
    if (value == Col())
        return;
    FocusCell(value, Row(), true);
}

void TCustomGridMv::SetRow(int value)
{
    if (value == Row())
        return;
    FocusCell(Col(), value, true);
}

void TCustomGridMv::SetLeftCol(int value)
{
    MoveTopLeft(value, TopRow());
}

void TCustomGridMv::SetTopRow(int value)
{
    MoveTopLeft(LeftCol(), value);
}

TGridRectMv TCustomGridMv::Selection() const
{
    return Normalized(FCurrent, FAnchor);
}

int TCustomGridMv::VisibleColCount()
{
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    return info.Horz.LastFullVisibleCell - LeftCol() + 1;
}

int TCustomGridMv::VisibleRowCount()
{
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    return info.Vert.LastFullVisibleCell - TopRow() + 1;
}

int TCustomGridMv::GridWidth()
{
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    return info.Horz.GridBoundary;
}

int TCustomGridMv::GridHeight()
{
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    return info.Vert.GridBoundary;
}

// ---------------------------------------------------------------- draw info

void TCustomGridMv::CalcDrawInfo(TGridDrawInfoMv& DrawInfo)
{
    CalcDrawInfoXY(DrawInfo, ClientWidth(), ClientHeight());
}

void TCustomGridMv::CalcDrawInfoXY(TGridDrawInfoMv& DrawInfo, int UseWidth, int UseHeight)
{
    auto calcAxis = [this](TGridAxisDrawInfoMv& a, bool columns, int useExtent) {
        const bool lines = columns ? (FOptions & (goFixedVertLine | goVertLine))
                                   : (FOptions & (goFixedHorzLine | goHorzLine));
        a.EffectiveLineWidth = lines ? FGridLineWidth : 0;
        a.Extents = columns ? &FColWidths : &FRowHeights;
        a.DefaultExtent = columns ? FDefaultColWidth : FDefaultRowHeight;
        a.GridCellCount = columns ? FColCount : FRowCount;
        a.ContraCellCount = columns ? FContraColCount : FContraRowCount;
        a.FullCellCount = a.GridCellCount + a.ContraCellCount;
        a.ClientExtent = useExtent;

        a.ContraBoundary = useExtent;
        for (int c = a.GridCellCount; c < a.FullCellCount; ++c)
            a.ContraBoundary -= a.Advance(c);
        if (a.ContraCellCount > 0)
            a.ContraBoundary -= a.EffectiveLineWidth;

        a.FixedCellCount = columns ? FFixedCols : FFixedRows;
        a.FixedBoundary = 0;
        for (int c = 0; c < a.FixedCellCount; ++c)
            a.FixedBoundary += a.Advance(c);
        a.FirstGridCell = columns ? FTopLeft.X : FTopLeft.Y;
        a.FrozenCellCount = columns ? FrozenCols() : 0;
        a.FrozenStart = a.FixedBoundary;
        for (int c = a.FixedCellCount - a.FrozenCellCount; c < a.FixedCellCount; ++c)
            a.FrozenStart -= a.Advance(c);

        a.GridExtent = a.ContraBoundary;
        a.GridBoundary = a.FixedBoundary;
        a.FullVisBoundary = a.FixedBoundary;
        a.LastFullVisibleCell = a.FirstGridCell;
        for (int i = a.FirstGridCell; i < a.GridCellCount; ++i) {
            a.GridBoundary += a.Advance(i);
            if (a.GridBoundary > a.GridExtent + a.EffectiveLineWidth) {
                a.GridBoundary = a.GridExtent;
                break;
            }
            a.LastFullVisibleCell = i;
            a.FullVisBoundary = a.GridBoundary;
        }
        a.FullGridBoundary = a.ContraCellCount > 0 ? a.ClientExtent : a.GridBoundary;
    };
    calcAxis(DrawInfo.Horz, true, UseWidth);
    calcAxis(DrawInfo.Vert, false, UseHeight);
}

namespace {

// The first pixel of a cell, or -1 when it is not on screen (scrolled out
// toward the near side, or starting beyond the client).
int CellStart(const TGridAxisDrawInfoMv& a, int line)
{
    int start = 0;
    int result = 0;
    if (line < a.FixedCellCount) {
        start = 0;
        result = 0;
    } else if (a.ContraCellCount > 0 && line >= a.GridCellCount) {
        start = a.GridCellCount;
        result = a.ContraStart();
    } else {
        if (a.FirstGridCell > line)
            return -1;
        start = a.FirstGridCell;
        result = a.FixedBoundary;
    }
    for (int i = start; i < line; ++i) {
        result += a.Advance(i);
        if (result > a.ClientExtent)
            return -1;
    }
    return result;
}

} // namespace

int TCustomGridMv::LinePos(const TGridAxisDrawInfoMv& a, int Line) const
{
    return std::max(0, CellStart(a, Line));
}

void TCustomGridMv::GridRectToScreenRect(TGridRectMv GridRect, TRect& ScreenRect, bool IncludeLine)
{
    ScreenRect = TRect();
    if (GridRect.Left > GridRect.Right || GridRect.Top > GridRect.Bottom)
        return;
    TGridDrawInfoMv info;
    CalcDrawInfo(info);

    auto beyond = [](const TGridAxisDrawInfoMv& a, int start, int end) {
        return start > a.LastFullVisibleCell + 1 && !(a.ContraCellCount > 0 && end >= a.GridCellCount);
    };
    if (beyond(info.Horz, GridRect.Left, GridRect.Right) || beyond(info.Vert, GridRect.Top, GridRect.Bottom))
        return;

    auto calcAxis = [IncludeLine](const TGridAxisDrawInfoMv& a, int start, int end, int& screenMin, int& screenMax) {
        if (start > a.FullCellCount + 1)
            start = a.FullCellCount;
        if (start >= a.FixedCellCount && start < a.FirstGridCell) {
            if (end < a.FirstGridCell)
                return false;
            start = a.FirstGridCell;
        }
        if (end > a.LastFullVisibleCell) {
            if (a.ContraCellCount == 0 || end < a.GridCellCount) {
                end = a.LastFullVisibleCell;
                if (end + 1 < a.GridCellCount && CellStart(a, end + 1) >= 0)
                    ++end;
            } else if (end > a.FullCellCount - 1) {
                end = a.FullCellCount - 1;
            }
        }
        // A range that starts off screen, or that the clamping emptied, has
        // no rectangle.
        if (end < start)
            return false;
        screenMin = CellStart(a, start);
        if (screenMin < 0)
            return false;
        const int endPos = CellStart(a, end);
        screenMax = endPos >= 0 ? endPos + std::max(0, a.GetExtent(end)) : screenMin + std::max(0, a.GetExtent(start));
        const bool contraEnd = a.ContraCellCount > 0 && end >= a.GridCellCount;
        screenMax = std::min(screenMax, contraEnd ? a.ClientExtent : a.GridExtent);
        if (screenMax <= screenMin)
            return false;
        if (IncludeLine)
            screenMax += a.EffectiveLineWidth;
        return true;
    };
    TRect r;
    if (!calcAxis(info.Horz, GridRect.Left, GridRect.Right, r.Left, r.Right))
        return;
    if (!calcAxis(info.Vert, GridRect.Top, GridRect.Bottom, r.Top, r.Bottom))
        return;
    ScreenRect = MirroredRect(r);
}

TRect TCustomGridMv::BoxRect(int ALeft, int ATop, int ARight, int ABottom)
{
    TRect r;
    GridRectToScreenRect({ALeft, ATop, ARight, ABottom}, r, false);
    return r;
}

TRect TCustomGridMv::CellRect(int ACol, int ARow)
{
    return BoxRect(ACol, ARow, ACol, ARow);
}

TGridCoordMv TCustomGridMv::CalcCoordFromPoint(int X, int Y, const TGridDrawInfoMv& DrawInfo)
{
    auto calcAxis = [](const TGridAxisDrawInfoMv& a, int n) {
        if (n < 0 || n >= a.ClientExtent)
            return -1;
        int start = 0;
        int line = 0;
        int stop = 0;
        // The contra area is painted over everything else, so it is tested
        // first (in a narrow client it may cover fixed cells). It begins
        // after the first pixel of the line in front of it: that pixel
        // belongs to the regular cell the contra area cuts off. Without
        // lines there is no such pixel.
        const int lineStart = a.EffectiveLineWidth > 0 ? 1 : 0;
        if (a.ContraCellCount > 0 && n >= a.ContraBoundary + lineStart) {
            start = a.GridCellCount;
            line = a.ContraStart();
            stop = a.FullCellCount;
        } else if (n < a.FixedBoundary) {
            start = 0;
            line = 0;
            stop = a.FixedCellCount;
        } else {
            start = a.FirstGridCell;
            line = a.FixedBoundary;
            stop = a.GridCellCount;
        }
        // A hidden cell takes no pixel, so it is never hit.
        for (int i = start; i < stop; ++i) {
            const int advance = a.Advance(i);
            line += advance;
            if (advance > 0 && line > n)
                return i;
        }
        return -1;
    };
    // Right to left the column axis is searched from the right edge, contra
    // columns (at the left) included.
    const int x = UseRightToLeftAlignment() ? DrawInfo.Horz.ClientExtent - 1 - X : X;
    return {calcAxis(DrawInfo.Horz, x), calcAxis(DrawInfo.Vert, Y)};
}

TGridCoordMv TCustomGridMv::MouseCoord(int X, int Y)
{
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    TGridCoordMv result = CalcCoordFromPoint(X, Y, info);
    if (result.X < 0 || result.Y < 0)
        result = {-1, -1};
    return result;
}

TGridCoordMv TCustomGridMv::CalcMaxTopLeft(const TGridCoordMv& Coord, const TGridDrawInfoMv& Search)
{
    // Hidden cells (no extent) are walked over and never the answer: a
    // hidden cell first would leave the scrolling area empty.
    auto calcAxis = [](const TGridAxisDrawInfoMv& a, int end) {
        end = std::max(end, a.FixedCellCount);
        int line = a.GridExtent + a.EffectiveLineWidth;
        int fitted = -1;
        int stopped = -1;
        for (int i = end; i >= a.FixedCellCount; --i) {
            const int advance = a.Advance(i);
            if (advance <= 0)
                continue;
            line -= advance;
            if (line < a.FixedBoundary) {
                stopped = i;
                break;
            }
            fitted = i;
        }
        if (fitted >= 0)
            return fitted;
        // Not even the last cell fits: it is the answer itself, unless it is
        // hidden; then the cell that did not fit.
        return a.Advance(end) <= 0 && stopped >= 0 ? stopped : end;
    };
    return {calcAxis(Search.Horz, Coord.X), calcAxis(Search.Vert, Coord.Y)};
}

// ---------------------------------------------------------------- invalidation

void TCustomGridMv::InvalidateGridRect(const TGridRectMv& ARect)
{
    if (!HandleAllocated())
        return;
    TRect r;
    GridRectToScreenRect(ARect, r, true);
    InvalidateRect(r);
}

void TCustomGridMv::InvalidateCell(int ACol, int ARow)
{
    InvalidateGridRect({ACol, ARow, ACol, ARow});
}

void TCustomGridMv::InvalidateCol(int ACol)
{
    // Every row on screen: fixed, the scrolled ones from TopRow, and contra.
    InvalidateGridRect({ACol, 0, ACol, FullRowCount() - 1});
}

void TCustomGridMv::InvalidateRow(int ARow)
{
    InvalidateGridRect({0, ARow, FullColCount() - 1, ARow});
}

void TCustomGridMv::InvalidateGrid()
{
    Invalidate();
}

// ---------------------------------------------------------------- current cell and scroll position

bool TCustomGridMv::SelectCell(int, int)
{
    return true;
}

void TCustomGridMv::MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    MoveCurrent(ACol, ARow, MoveAnchor, Show);
}

void TCustomGridMv::FocusCell(int ACol, int ARow, bool MoveAnchor)
{
    MoveCurrent(ACol, ARow, MoveAnchor, true);
    UpdateEdit();
    Click();
}

void TCustomGridMv::MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount)
        throw EInvalidGridOperationMv(SGridIndexOutOfRange());
    if (!SelectCell(ACol, ARow))
        return;
    const TGridRectMv oldSel = Selection();
    const TGridCoordMv oldCurrent = FCurrent;
    FCurrent = {ACol, ARow};
    if (!FOptions.testFlag(goAlwaysShowEditor))
        HideEditor();
    if (MoveAnchor || !FOptions.testFlag(goRangeSelect)) {
        FAnchor = FCurrent;
        if (FOptions.testFlag(goRowSelect))
            FAnchor.X = FColCount - 1;
    }
    if (FOptions.testFlag(goRowSelect))
        FCurrent.X = FFixedCols;
    if (Show)
        ClampInView(FCurrent);
    SelectionMoved(oldSel);
    InvalidateCell(oldCurrent.X, oldCurrent.Y);
    InvalidateCell(ACol, ARow);
}

void TCustomGridMv::MoveAnchor(const TGridCoordMv& NewAnchor)
{
    if (FOptions.testFlag(goRangeSelect) && !FOptions.testFlag(goEditing)) {
        const TGridRectMv oldSel = Selection();
        FAnchor = NewAnchor;
        if (FOptions.testFlag(goRowSelect))
            FAnchor.X = FColCount - 1;
        ClampInView(NewAnchor);
        SelectionMoved(oldSel);
    } else {
        MoveCurrent(NewAnchor.X, NewAnchor.Y, true, true);
    }
}

void TCustomGridMv::SelectionMoved(const TGridRectMv& OldSel)
{
    if (!HandleAllocated())
        return;
    TRect oldRect;
    TRect newRect;
    GridRectToScreenRect(OldSel, oldRect, true);
    GridRectToScreenRect(Selection(), newRect, true);
    // What exactly one of the two covers.
    const QRegion changed = QRegion(oldRect.ToQRect()).xored(QRegion(newRect.ToQRect()));
    for (const QRect& r : changed)
        InvalidateRect(TRect::FromQRect(r));
}

void TCustomGridMv::ClampInView(const TGridCoordMv& Coord)
{
    if (!HandleAllocated())
        return;
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    if (Coord.X >= FTopLeft.X && Coord.X <= info.Horz.LastFullVisibleCell && Coord.Y >= FTopLeft.Y &&
        Coord.Y <= info.Vert.LastFullVisibleCell)
        return;
    const TGridCoordMv oldTopLeft = FTopLeft;
    const TGridCoordMv maxTopLeft = CalcMaxTopLeft(Coord, info);
    UpdateWindow();
    if (Coord.X < FTopLeft.X && Coord.X >= FFixedCols)
        FTopLeft.X = Coord.X;
    else if (Coord.X > info.Horz.LastFullVisibleCell)
        FTopLeft.X = maxTopLeft.X;
    if (Coord.Y < FTopLeft.Y && Coord.Y >= FFixedRows)
        FTopLeft.Y = Coord.Y;
    else if (Coord.Y > info.Vert.LastFullVisibleCell)
        FTopLeft.Y = maxTopLeft.Y;
    if (FTopLeft != oldTopLeft)
        TopLeftMoved(oldTopLeft);
}

void TCustomGridMv::MoveTopLeft(int ALeft, int ATop)
{
    // The first shown cell is always a regular cell.
    ALeft = std::clamp(ALeft, FFixedCols, std::max(FFixedCols, FColCount - 1));
    ATop = std::clamp(ATop, FFixedRows, std::max(FFixedRows, FRowCount - 1));
    if (ALeft == FTopLeft.X && ATop == FTopLeft.Y)
        return;
    UpdateWindow();
    const TGridCoordMv oldTopLeft = FTopLeft;
    FTopLeft = {ALeft, ATop};
    TopLeftMoved(oldTopLeft);
}

void TCustomGridMv::TopLeftMoved(const TGridCoordMv& OldTopLeft)
{
    UpdateScrollPos();
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    // Pixels between the old and new first cells; false when they lie farther
    // apart than the scrolled area is wide (everything is repainted then).
    auto delta = [](const TGridAxisDrawInfoMv& a, int oldFirst, int newFirst, int& result) {
        const int lo = std::min(oldFirst, newFirst);
        const int hi = std::max(oldFirst, newFirst);
        const int room = a.GridBoundary - a.FixedBoundary;
        int sum = 0;
        for (int i = lo; i < hi; ++i) {
            sum += a.Advance(i);
            if (sum > room)
                return false;
        }
        result = newFirst > oldFirst ? -sum : sum;
        return true;
    };
    int dx = 0;
    int dy = 0;
    if (delta(info.Horz, OldTopLeft.X, FTopLeft.X, dx) && delta(info.Vert, OldTopLeft.Y, FTopLeft.Y, dy))
        ScrollDataInfo(dx, dy, info);
    else
        InvalidateGrid();
    TopLeftChanged();
}

void TCustomGridMv::ScrollDataInfo(int DX, int DY, const TGridDrawInfoMv& DrawInfo)
{
    const TGridAxisDrawInfoMv& h = DrawInfo.Horz;
    const TGridAxisDrawInfoMv& v = DrawInfo.Vert;
    if (DX == 0 && DY == 0)
        return;
    // Right to left the strips lie mirrored and move the other way.
    const bool mirrored = UseRightToLeftAlignment();
    auto scroll = [&](int dx, int dy, const TRect& area) {
        ScrollClient(mirrored ? -dx : dx, dy, MirroredRect(area));
    };
    if (DY == 0) {
        scroll(DX, 0, TRect(h.FixedBoundary, 0, h.GridExtent, v.ClientExtent));
    } else if (DX == 0) {
        scroll(0, DY, TRect(0, v.FixedBoundary, h.ClientExtent, v.GridExtent));
    } else {
        // Each part moves with its own axes; the corners stay.
        scroll(DX, 0, TRect(h.FixedBoundary, 0, h.GridExtent, v.FixedBoundary));
        scroll(0, DY, TRect(0, v.FixedBoundary, h.FixedBoundary, v.GridExtent));
        scroll(DX, DY, TRect(h.FixedBoundary, v.FixedBoundary, h.GridExtent, v.GridExtent));
        scroll(DX, 0, TRect(h.FixedBoundary, v.GridExtent, h.GridExtent, v.ClientExtent));
        scroll(0, DY, TRect(h.GridExtent, v.FixedBoundary, h.ClientExtent, v.GridExtent));
    }
    if (FOptions.testFlag(goRowSelect))
        InvalidateGridRect(Selection());
}

void TCustomGridMv::TopLeftChanged()
{
    if (FEditorMode && FInplaceEdit)
        FInplaceEdit->Move(CellRect(Col(), Row()));
}

// ---------------------------------------------------------------- size changes

void TCustomGridMv::ChangeSize(int NewColCount, int NewRowCount)
{
    TGridDrawInfoMv oldInfo;
    const bool hadWindow = HandleAllocated();
    if (hadWindow)
        CalcDrawInfo(oldInfo);
    const int oldColCount = FColCount;
    const int oldRowCount = FRowCount;
    FColCount = NewColCount;
    FRowCount = NewRowCount;
    if (FColCount <= FFixedCols)
        FFixedCols = std::max(0, FColCount - 1);
    if (FRowCount <= FFixedRows)
        FFixedRows = std::max(0, FRowCount - 1);
    try {
        DoChange(oldInfo, hadWindow, oldColCount, oldRowCount);
    } catch (...) {
        FColCount = oldColCount;
        FRowCount = oldRowCount;
        DoChange(oldInfo, hadWindow, oldColCount, oldRowCount);
        InvalidateGrid();
        throw;
    }
}

void TCustomGridMv::DoChange(const TGridDrawInfoMv& OldDrawInfo, bool HadWindow, int OldColCount, int OldRowCount)
{
    UpdateExtents(FColWidths, FullColCount(), FDefaultColWidth);
    UpdateExtents(FTabStops, FullColCount(), 1);
    UpdateExtents(FRowHeights, FullRowCount(), FDefaultRowHeight);

    // A first shown cell past the last one would show nothing.
    const TGridCoordMv oldTopLeft = FTopLeft;
    FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, std::max(FFixedCols, FColCount - 1));
    FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, std::max(FFixedRows, FRowCount - 1));

    TGridCoordMv newCurrent = FCurrent;
    newCurrent.X = std::clamp(newCurrent.X, FFixedCols - FrozenCols(), FColCount - 1);
    newCurrent.Y = std::clamp(newCurrent.Y, FFixedRows, FRowCount - 1);
    if (newCurrent != FCurrent)
        MoveCurrent(newCurrent.X, newCurrent.Y, true, true);
    if (newCurrent != FAnchor)
        MoveAnchor(newCurrent);

    if (HadWindow && FTopLeft == oldTopLeft && FContraColCount == 0 && FContraRowCount == 0) {
        TGridDrawInfoMv info;
        CalcDrawInfo(info);
        const int col = std::min(OldDrawInfo.Horz.LastFullVisibleCell, info.Horz.LastFullVisibleCell);
        const int row = std::min(OldDrawInfo.Vert.LastFullVisibleCell, info.Vert.LastFullVisibleCell);
        const int x = col < info.Horz.FixedCellCount ? 0 : LinePos(info.Horz, col);
        const int y = row < info.Vert.FixedCellCount ? 0 : LinePos(info.Vert, row);
        InvalidateRect(MirroredRect(TRect(x, 0, ClientWidth(), ClientHeight())));
        InvalidateRect(TRect(0, y, ClientWidth(), ClientHeight()));
    } else {
        InvalidateGrid();
    }
    UpdateScrollRange();
    SizeChanged(OldColCount, OldRowCount);
}

void TCustomGridMv::AdjustSize(int Index, int Amount, bool Rows)
{
    if (Amount == 0)
        return;
    const int oldColCount = FColCount;
    const int oldRowCount = FRowCount;
    const int count = Rows ? FRowCount : FColCount;
    const int newCount = count + Amount;
    if (newCount < Index || newCount < 1)
        throw EInvalidGridOperationMv(SGridTooManyDeleted());
    const int fixedCount = Rows ? FFixedRows : FFixedCols;
    if (newCount <= fixedCount)
        throw EInvalidGridOperationMv(Rows ? SGridFixedRowsTooBig() : SGridFixedColsTooBig());

    // Only arrays that exist are adjusted; the others keep giving defaults.
    if (Rows) {
        if (!FRowHeights.empty())
            ModifyExtents(FRowHeights, Index, Amount, FDefaultRowHeight);
    } else {
        if (!FColWidths.empty())
            ModifyExtents(FColWidths, Index, Amount, FDefaultColWidth);
        if (!FTabStops.empty())
            ModifyExtents(FTabStops, Index, Amount, 1);
    }

    auto adjust = [Index, Amount, newCount](int position) {
        if (Amount < 0 && position >= Index && position < Index - Amount)
            position = Index;
        else if (position >= Index)
            position += Amount;
        return std::clamp(position, 0, newCount - 1);
    };
    TGridCoordMv newCurrent = FCurrent;
    if (Rows) {
        FRowCount = newCount;
        newCurrent.Y = std::max(FFixedRows, adjust(FCurrent.Y));
        FAnchor.Y = std::clamp(FAnchor.Y, FFixedRows, newCount - 1);
        FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, newCount - 1);
    } else {
        FColCount = newCount;
        newCurrent.X = std::max(FFixedCols - FrozenCols(), adjust(FCurrent.X));
        FAnchor.X = std::clamp(FAnchor.X, FFixedCols - FrozenCols(), newCount - 1);
        FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, newCount - 1);
    }
    // The cells from Index on all move on screen, and contra cells keep their
    // place at the far edge: repaint the grid.
    InvalidateGrid();
    SizeChanged(oldColCount, oldRowCount);
    if (newCurrent != FCurrent)
        MoveCurrent(newCurrent.X, newCurrent.Y, true, true);
    UpdateScrollRange();
}

void TCustomGridMv::ChangeContraSize(int NewContraColCount, int NewContraRowCount)
{
    FContraColCount = NewContraColCount;
    FContraRowCount = NewContraRowCount;
    UpdateExtents(FColWidths, FullColCount(), FDefaultColWidth);
    UpdateExtents(FTabStops, FullColCount(), 1);
    UpdateExtents(FRowHeights, FullRowCount(), FDefaultRowHeight);
    InvalidateGrid();
    UpdateScrollRange();
}

void TCustomGridMv::SizeChanged(int, int)
{
}

void TCustomGridMv::ColumnMoved(int, int)
{
}

void TCustomGridMv::RowMoved(int, int)
{
}

void TCustomGridMv::MoveColumn(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex)
        return;
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FColCount || ToIndex >= FColCount)
        throw EInvalidGridOperationMv(SGridIndexOutOfRange());
    const bool widths = !FColWidths.empty();
    if (widths) {
        MoveExtent(FColWidths, FromIndex, ToIndex);
        MoveExtent(FTabStops, FromIndex, ToIndex);
    }
    MoveAdjust(FCurrent.X, FromIndex, ToIndex);
    MoveAdjust(FAnchor.X, FromIndex, ToIndex);
    MoveAdjust(FInplaceCol, FromIndex, ToIndex);
    InvalidateGridRect({std::min(FromIndex, ToIndex), 0, std::max(FromIndex, ToIndex), FullRowCount() - 1});
    ColumnMoved(FromIndex, ToIndex);
    if (widths)
        ColWidthsChanged();
    UpdateEdit();
}

void TCustomGridMv::MoveRow(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex)
        return;
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FRowCount || ToIndex >= FRowCount)
        throw EInvalidGridOperationMv(SGridIndexOutOfRange());
    const bool heights = !FRowHeights.empty();
    if (heights)
        MoveExtent(FRowHeights, FromIndex, ToIndex);
    MoveAdjust(FCurrent.Y, FromIndex, ToIndex);
    MoveAdjust(FAnchor.Y, FromIndex, ToIndex);
    MoveAdjust(FInplaceRow, FromIndex, ToIndex);
    InvalidateGridRect({0, std::min(FromIndex, ToIndex), FullColCount() - 1, std::max(FromIndex, ToIndex)});
    RowMoved(FromIndex, ToIndex);
    if (heights)
        RowHeightsChanged();
    UpdateEdit();
}

void TCustomGridMv::DeleteColumn(int ACol)
{
    MoveColumn(ACol, FColCount - 1);
    SetColCount(FColCount - 1);
}

void TCustomGridMv::DeleteRow(int ARow)
{
    MoveRow(ARow, FRowCount - 1);
    SetRowCount(FRowCount - 1);
}

void TCustomGridMv::ColWidthsChanged()
{
    UpdateScrollRange();
    UpdateEdit();
}

void TCustomGridMv::RowHeightsChanged()
{
    UpdateScrollRange();
    UpdateEdit();
}

// ---------------------------------------------------------------- stored layout

QVariantMap TCustomGridMv::StoredCellExtents(const TCustomGridMv* Ancestor) const
{
    QVariantMap result;
    if (!FSaveCellExtents)
        return result;
    if (!FColWidths.empty() && (!Ancestor || !CompareExtents(FColWidths, Ancestor->FColWidths))) {
        QVariantList widths;
        for (int i = 0; i < FColCount; ++i)
            widths.append(ColWidths(i));
        result.insert(QStringLiteral("ColWidths"), widths);
    }
    if (!FRowHeights.empty() && (!Ancestor || !CompareExtents(FRowHeights, Ancestor->FRowHeights))) {
        QVariantList heights;
        for (int i = 0; i < FRowCount; ++i)
            heights.append(RowHeights(i));
        result.insert(QStringLiteral("RowHeights"), heights);
    }
    return result;
}

void TCustomGridMv::LoadCellExtents(const QVariantMap& Values)
{
    const QVariantList widths = Values.value(QStringLiteral("ColWidths")).toList();
    for (int i = 0; i < int(widths.size()) && i < FColCount; ++i)
        SetColWidths(i, widths[i].toInt());
    const QVariantList heights = Values.value(QStringLiteral("RowHeights")).toList();
    for (int i = 0; i < int(heights.size()) && i < FRowCount; ++i)
        SetRowHeights(i, heights[i].toInt());
}

// ---------------------------------------------------------------- focus

bool TCustomGridMv::IsActiveControl() const
{
    const QWidget* top = window();
    const QWidget* focused = top ? top->focusWidget() : nullptr;
    if (!focused)
        focused = QApplication::focusWidget();
    return focused && (focused == this || isAncestorOf(focused));
}

TCustomGridMv::TSizingHitMv TCustomGridMv::SizingHitAt(int X, int Y)
{
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    TSizingHitMv hit;
    CalcSizingState(X, Y, hit.State, hit.Index, hit.Pos, hit.Ofs, info);
    return hit;
}

bool TCustomGridMv::Sizing(int X, int Y)
{
    return FGridState == gsNormal && SizingHitAt(X, Y).State != gsNormal;
}
