#pragma once
// A concrete base grid for the tests (cell texts in a map, each drawn cell's
// state recorded) and helpers that drive real widgets on the offscreen
// platform with real Qt events.

#include "DropDownTestSupport.h"

#include "gridbase/GridsMv.h"

#include <QScreen>
#include <map>
#include <utility>

class TTestGrid : public TCustomGridMv {
public:
    explicit TTestGrid(QWidget* parent = nullptr) : TCustomGridMv(parent) {}

    std::map<std::pair<int, int>, QString> Cells;
    std::map<std::pair<int, int>, TGridDrawState> DrawnStates;
    int SetEditTextCount = 0;
    int EditLimit = 0;
    bool ReadOnly = false;
    bool DrawTexts = true;

    QString Text(int c, int r) const
    {
        auto it = Cells.find({c, r});
        return it == Cells.end() ? QString() : it->second;
    }

    using TCustomControl::Canvas;
    using TCustomGridMv::CalcSizingState;
    using TCustomGridMv::DeleteColumn;
    using TCustomGridMv::DeleteRow;
    using TCustomGridMv::ModifyScrollBar;
    using TCustomGridMv::MoveAnchor;
    using TCustomGridMv::MoveColumn;
    using TCustomGridMv::MoveCurrent;
    using TCustomGridMv::MoveRow;
    using TCustomGridMv::MoveTopLeft;
    using TCustomGridMv::SetGridLineWidth;
    using TCustomGridMv::UpdateScrollPos;
    using TCustomGridMv::UpdateScrollRange;
    using TCustomGridMv::WMTimer;
    using TCustomGridMv::ColOffset;

protected:
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override
    {
        DrawnStates[{ACol, ARow}] = AState;
        if (!DrawTexts)
            return;
        TCanvas& canvas = Canvas();
        canvas.Brush.Style = bsClear;
        canvas.TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Text(ACol, ARow));
        canvas.Brush.Style = bsSolid;
    }
    QString GetEditText(int ACol, int ARow) override { return Text(ACol, ARow); }
    void SetEditText(int ACol, int ARow, const QString& Value) override
    {
        ++SetEditTextCount;
        Cells[{ACol, ARow}] = Value;
    }
    int GetEditLimit() override { return ReadOnly ? -1 : EditLimit; }
};

// Fills every cell with a readable text: column letters in the fixed rows,
// row numbers in the fixed columns, "r:c" elsewhere.
inline void FillTexts(TTestGrid& grid)
{
    for (int r = 0; r < grid.FullRowCount(); ++r)
        for (int c = 0; c < grid.FullColCount(); ++c)
            grid.Cells[{c, r}] = QStringLiteral("%1:%2").arg(r).arg(c);
}

// The client area's pixels, freshly painted.
inline QImage GrabClient(TCustomGridMv& grid)
{
    return grid.ClientWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// What the window's backing store holds: the pixels after every scroll and
// partial repaint, as a screen would show them.
inline QImage BackingStoreClient(TCustomGridMv& grid)
{
    QCoreApplication::processEvents();
    QWidget* top = grid.window();
    const QPixmap shot = top->screen()->grabWindow(top->winId());
    const QPoint origin = grid.ClientWidget()->mapTo(top, QPoint(0, 0));
    return shot.toImage().copy(QRect(origin, grid.ClientWidget()->size())).convertToFormat(QImage::Format_RGB32);
}

// Mouse events on the grid's client area, in client coordinates.
inline void MousePress(TCustomGridMv& grid, QPoint pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                       ulong timestamp = 0)
{
    SendMouse(grid.ClientWidget(), QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton, modifiers, timestamp);
}

inline void MouseMove(TCustomGridMv& grid, QPoint pos, Qt::MouseButtons buttons = Qt::LeftButton)
{
    SendMouse(grid.ClientWidget(), QEvent::MouseMove, pos, Qt::NoButton, buttons);
}

inline void MouseRelease(TCustomGridMv& grid, QPoint pos)
{
    Release(grid.ClientWidget(), pos);
}

// A fixture with classic drawing for stable pixels.
class GridTest : public ::testing::Test {
protected:
    void SetUp() override { SetThemesEnabled(false); }
    void TearDown() override { SetThemesEnabled(true); }
};

// The centre of a rect.
inline QPoint Centre(const TRect& r)
{
    return QPoint((r.Left + r.Right - 1) / 2, (r.Top + r.Bottom - 1) / 2);
}
