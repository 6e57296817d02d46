#pragma once
// A concrete base grid for the tests (cell texts in a map, each drawn cell's
// state recorded) and helpers that drive real widgets on the offscreen
// platform with real Qt events.

#include "gridbase/GridsMv.h"
#include "platform/FrameControls.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <map>
#include <ostream>
#include <memory>
#include <utility>

inline void PrintTo(const QColor& color, std::ostream* out)
{
    *out << color.name().toStdString();
}

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
    using TCustomGridMv::CanEditShow;
    using TCustomGridMv::DeleteColumn;
    using TCustomGridMv::DeleteRow;
    using TCustomGridMv::FGridState;
    using TCustomGridMv::FSizingIndex;
    using TCustomGridMv::FSizingPos;
    using TCustomGridMv::KeyDown;
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

// Shows a top-level widget and makes its window the active one.
inline void ShowActive(QWidget& widget)
{
    widget.show();
    QApplication::setActiveWindow(widget.window());
    widget.activateWindow();
    QCoreApplication::processEvents();
}

inline void Focus(TCustomGridMv& grid)
{
    ShowActive(*grid.window());
    grid.setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
}

// The client area's pixels, freshly painted.
inline QImage GrabClient(TCustomGridMv& grid)
{
    return grid.ClientWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// What the window's backing store holds: the pixels after every scroll and
// partial repaint, as a screen would show them.
QImage BackingStoreClient(TCustomGridMv& grid);

// Keys go to the focused widget (the grid or its editor), as typed.
void PressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = QString());
void TypeText(const QString& text);

// Mouse events on the grid's client area, in client coordinates.
void MousePress(TCustomGridMv& grid, QPoint pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                Qt::MouseButton button = Qt::LeftButton, ulong timestamp = 0);
void MouseMove(TCustomGridMv& grid, QPoint pos, Qt::MouseButtons buttons = Qt::LeftButton);
void MouseRelease(TCustomGridMv& grid, QPoint pos, Qt::MouseButton button = Qt::LeftButton);
void Wheel(TCustomGridMv& grid, QPoint pos, int delta);

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

inline QColor PixelAt(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}
