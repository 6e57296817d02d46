// Tree rows of a dataset that offers IMemTableMv: the indent of the first
// visible column with its lines and boxes, node clicks and keys, and the
// level a dragged record drops at.

#include "grid/DBGridMvTree.h"

#include "grid/DBGridMvInput.h"
#include "grid/DBGridMvMemTable.h"
#include "gridbase/ToolCtrlsMvButtons.h"

namespace {

constexpr int Pitch = DBGridMvTreeLevelWidth;

// Element kinds of DrawTreeElement.
constexpr int KindExpandedContinued = 0;
constexpr int KindExpandedLast = 1;
constexpr int KindCollapsedContinued = 3;
constexpr int KindCollapsedLast = 4;
constexpr int KindLeafContinued = 6;
constexpr int KindLeafLast = 7;
constexpr int KindLine = 9;

} // namespace

void TCustomDBGridMv::UpdateMemTableLink()
{
    // A table's records are rows of their own: another kind of dataset
    // lays the rows out anew.
    IMemTableMv* table = dynamic_cast<IMemTableMv*>(DataSet());
    if (table == FMemTable)
        return;
    FMemTable = table;
    LayoutChanged();
}

bool TCustomDBGridMv::TreeRows() const
{
    return FMemTable && FDataLink && FDataLink->Active() && FMemTable->TreeView();
}

int TCustomDBGridMv::TreeIndent() const
{
    if (!TreeRows())
        return 0;
    return std::max(0, FMemTable->NodeLevel() * Pitch);
}

void TCustomDBGridMv::SetCurrentNodeExpanded(bool Expanded)
{
    TDataSet* dataSet = DataSet();
    if (!TreeRows() || !dataSet)
        return;
    ToggleNode(dataSet->RecNo() - 1, Expanded, FMemTable->PositionToken());
}

void TCustomDBGridMv::ToggleNode(int RecIndex, bool Expanded, int Token)
{
    // The rows above the node stay where they were: the first row shown
    // goes back to its place once the table has opened or closed the node.
    TDataSet* dataSet = DataSet();
    const int top = TopRow();
    {
        const TPaintLockScopeMv toggling(*this, FInput->NodeToggling);
        {
            const TDisableControlsGuard guard(*dataSet);
            const int recNo = RecIndex >= 0 ? FMemTable->SetNodeExpanded(RecIndex, Expanded) : 0;
            if (recNo > 0 && recNo != dataSet->RecNo())
                dataSet->SetRecNo(recNo);
            else
                FMemTable->GoToPosition(Token);
        }
        SetTopRowInRange(top);
    }
    Invalidate();
    UpdateScrollBar();
}

bool TCustomDBGridMv::NodeClick(int X, int Y, bool CheckOnly)
{
    TDataSet* dataSet = DataSet();
    if (!TreeRows() || !dataSet || FVisibleColumns.Count() == 0)
        return false;
    const TGridCoordMv hit = MouseCoord(X, Y);
    const int dataCol = RawToDataColumn(hit.X);
    if (hit.Y < FTitleOffset || hit.Y >= RowCount() || dataCol < 0 || dataCol >= FColumns->Count() ||
        FColumns->Items(dataCol) != FVisibleColumns.Items(0))
        return false;
    const TRect cell = CellRect(hit.X, hit.Y);
    const int token = FMemTable->PositionToken();
    // A table's rows are its records.
    const int recIndex = hit.Y - FTitleOffset;
    int indent = 0;
    bool expanded = false;
    {
        const TDataRowScopeMv scope(*this, recIndex);
        indent = TreeIndent();
        expanded = FMemTable->NodeExpanded();
    }
    // Right to left the node column lies mirrored inside the cell.
    if (UseRightToLeftAlignment())
        X = cell.Right + cell.Left - 1 - X;
    if (X < cell.Left || X >= cell.Left + indent)
        return false;
    if (CheckOnly)
        return true;
    // Only the node's own column opens or closes it; an ancestor's column
    // answers but changes nothing.
    ToggleNode(X >= cell.Left + indent - Pitch ? recIndex : -1, !expanded, token);
    return true;
}

int TCustomDBGridMv::TreeDropPosition(int Row, const QPoint& Mouse, int& Level)
{
    Level = -1;
    const int rows = DataRowRecordCount(*this);
    // Without a row there is no node to drop by.
    if (!TreeRows() || rows <= 0 || FVisibleColumns.Count() == 0)
        return 0;
    // Logical positions: right to left the levels step leftwards on screen,
    // and the drop line is painted mirrored. The column's left edge is read
    // on a row that is on screen: the first data row may be scrolled off.
    const int left = MirroredRect(CellRect(DataToRawColumn(FVisibleColumns.Items(0)->Index()), TopRow())).Left;
    const int mouseX = MirroredX(Mouse.x());
    const int start = FInput->DragStartRow - FTitleOffset;
    const int row = std::clamp(Row - FTitleOffset, 0, rows - 1);
    const TDataRowScopeMv scope(*this, row);
    Level = FMemTable->NodeLevel();
    int prev = FMemTable->PrevNodeLevel();
    const int next = std::max(1, FMemTable->NextNodeLevel());
    const int nextX = next * Pitch + left;
    int x = Level * Pitch + left;
    int threshold = x;
    if (row > start) {
        prev = Level;
        x = nextX;
        Level = next;
        threshold = nextX;
    } else if (row == start) {
        threshold = nextX;
    }
    if (mouseX > threshold) {
        Level = std::min((mouseX - left) / Pitch, prev + 1);
        x = Level * Pitch + left;
    }
    return x;
}

void TCustomDBGridMv::DrawTreeArea(TCanvas& Canvas, const TRect& Rect, int DataCol, int DataRow, bool Raised,
                                   TGridDrawState State)
{
    if (!TreeRows() || DataCol < 0 || DataCol >= FColumns->Count())
        return;
    TColor background = FColumns->Items(DataCol)->Color();
    const TBookmark bookmark = DataSet()->Bookmark();
    if (FSelection->DataCellSelected(DataCol, bookmark) && FStyle)
        FStyle->HighlightDataCellColor(this, DataCol + FIndicatorOffset, DataCol, DataRow + FTitleOffset, DataRow,
                                       State, Canvas.Font, background);
    const TColor saved = Canvas.Brush.Color;
    Canvas.Brush.Color = background;
    TRect area = Rect;
    if (Raised) {
        area.Left -= 1;
        area.Top -= 1;
        area.Bottom += 1;
    }
    PaintTreeElements(Canvas, area, true);
    Canvas.Brush.Color = saved;
}

void TCustomDBGridMv::PaintTreeElements(TCanvas& Canvas, const TRect& Rect, bool RowLines)
{
    if (!TreeRows())
        return;
    const int level = FMemTable->NodeLevel();
    const int next = FMemTable->NextNodeLevel();
    const bool lines = RowLines && FOptions.testFlag(dgRowLines);
    const bool rightToLeft = UseRightToLeftAlignment();
    const bool dotParity = DefaultRowHeight() % 2 == 1 && TopRow() % 2 == 1;
    // The grid line under a node column gives way to the tree's lines.
    auto hideRowLine = [&](int x) {
        Canvas.FillRect(TRect(x, Rect.Bottom, x + Pitch, Rect.Bottom + std::max(1, GridLineWidth())), Color());
    };
    auto element = [&](int x, bool taller, int kind) {
        const TRect box(x, Rect.Top, x + Pitch, Rect.Bottom + (taller ? 1 : 0));
        Canvas.FillRect(box);
        if (kind >= 0)
            DrawTreeElement(Canvas, box, kind, rightToLeft, 1.0, 1.0, dotParity);
    };
    int x = Rect.Left;
    bool hidden = lines;
    if (hidden)
        hideRowLine(x);
    for (int n = 1; n < level; ++n) {
        element(x, hidden, FMemTable->LineContinues(n) ? KindLine : -1);
        x += Pitch;
        hidden = lines && !(next >= 0 && n >= next);
        if (hidden)
            hideRowLine(x);
    }
    const bool continues = FMemTable->LineContinues(level);
    int kind = continues ? KindLeafContinued : KindLeafLast;
    if (FMemTable->NodeHasChildren()) {
        if (FMemTable->NodeExpanded())
            kind = continues ? KindExpandedContinued : KindExpandedLast;
        else
            kind = continues ? KindCollapsedContinued : KindCollapsedLast;
    }
    element(x, hidden, kind);
    if (lines) {
        const TPen saved = Canvas.Pen;
        Canvas.Pen = TPen{RGBColor(0xC0, 0xC0, 0xC0), 1, psSolid};
        const int lineX = x + Pitch - 1;
        Canvas.MoveTo(lineX, Rect.Bottom);
        Canvas.LineTo(lineX, Rect.Top - 2);
        Canvas.Pen = saved;
    }
}
