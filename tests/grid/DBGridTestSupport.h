#pragma once
// The dataset grid over a real in-memory client dataset, shown on the
// offscreen platform, and the helpers that drive it with real Qt events.

#include "grid/DBGridMv.h"
#include "platform/FrameControls.h"
#include "platform/db/ClientDataSet.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QImage>
#include <memory>
#include <ostream>

inline void PrintTo(const QColor& color, std::ostream* out)
{
    *out << color.name().toStdString();
}

// A grid that lets the tests reach what a window reaches only through the
// grid's own handlers.
class TTestDBGrid : public TDBGridMv {
public:
    explicit TTestDBGrid(QWidget* parent = nullptr) : TDBGridMv(parent) {}
    using TCustomDBGridMv::MoveCol;
    using TCustomGridMv::MoveColumn;
    using TCustomDBGridMv::NodeClick;
    using TCustomDBGridMv::TreeDropPosition;
    using TCustomDBGridMv::WMTimer;
    using TCustomDBGridMv::WMVScroll;
    using TCustomGridMv::ColOffset;
    // Whether a record drag from one row to another may go on (the grid's
    // own answer without it).
    std::function<bool(int From, int To)> MovePermission;

protected:
    bool CanMoveRecords(int From, int To, const QPoint& Mouse) override
    {
        return MovePermission ? MovePermission(From, To) : TDBGridMv::CanMoveRecords(From, To, Mouse);
    }
};

// A client dataset of items: Code (text), Title (text), Qty (integer),
// Price (NUMERIC 18,2), Active (boolean), Flag (text "1"/"0").
std::unique_ptr<TClientDataSet> MakeItems(int count);

// A grid of the given size in its own top-level window, classic look. The
// window holds a line edit below the grid that has the focus until Focus().
class DBGridTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Shows the grid (its window is made) at the given client size.
    void Show(int width = 400, int height = 200);
    void Bind(TClientDataSet& data);
    QImage Grab();
    void Focus();

    std::unique_ptr<QWidget> Window;
    TTestDBGrid* Grid = nullptr;
    QWidget* Other = nullptr;
    std::unique_ptr<TDataSource> Source;
};

// What the window's backing store holds for the grid's client area: the
// pixels after every scroll and partial repaint, as a screen shows them.
QImage BackingStore(TCustomGridMv& grid);

// Whether any pixel of the rect (inset by one) is darker than mid-gray:
// text, a glyph or a tick.
bool HasInk(const QImage& image, const TRect& rect);

// The colour a palette colour resolves to on the grid.
QColor Resolved(const TCustomGridMv& grid, TColor color);

void PressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// One mouse event on a widget (press, move or release) as Qt delivers it.
void MouseOn(QWidget* target, QEvent::Type type, QPoint pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             Qt::MouseButton button = Qt::LeftButton);
// A press and its release on a widget.
void ClickOn(QWidget* target, QPoint pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             Qt::MouseButton button = Qt::LeftButton);
// The same on the grid's client area, and one mouse event there (press,
// move, release or double click) as Qt delivers it.
void ClickAt(TCustomGridMv& grid, QPoint pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             Qt::MouseButton button = Qt::LeftButton);
void MouseAt(TCustomGridMv& grid, QEvent::Type type, QPoint pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             Qt::MouseButton button = Qt::LeftButton);
// A turn of the wheel over the grid's client area (120 is one step up).
void WheelAt(TCustomGridMv& grid, QPoint pos, int angle);
// A key that types a text (an input method's Chinese characters among them).
void TypeText(QWidget* target, const QString& text);
// Types text as the keyboard does, one key event per character.
void Type(QWidget* target, const QString& text);
// The window's pixels with a drop-down window drawn over them where it
// stands on screen.
QImage WithPopup(QWidget* window, QWidget* popup);
// Saves an image under the build folder's screenshots/ for a person to look at.
bool SaveScreenshot(const QImage& image, const QString& name);
inline QPoint Centre(const TRect& r)
{
    return QPoint((r.Left + r.Right - 1) / 2, (r.Top + r.Bottom - 1) / 2);
}
// The cell of a data column and a data row, in client pixels.
inline TRect DataCell(TCustomDBGridMv& grid, int dataCol, int dataRow)
{
    return grid.CellRect(grid.DataToRawColumn(dataCol), grid.TitleRowCount() + dataRow);
}
