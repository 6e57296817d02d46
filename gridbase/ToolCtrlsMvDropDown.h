#pragma once
// ToolCtrlsMv, drop-down windows: what the editors' drop-downs share.
//
//  - IDropDownOwnerMv: how a drop-down tells its owner (the edit that
//    opened it) to close, accepting or not;
//  - AlignDropDownWindow: places a drop-down below (or above) its owner
//    inside the work area of the owner's screen and tells the drop-down
//    how it lies (MV_DROPDOWNPLACED), so that a size grip moves to the
//    corner away from the owner;
//  - TSizeGripMv, the resize grip in a corner of a drop-down;
//  - TPopupListboxMv, the owner-drawn list of values; TMRUListMv, the
//    recent values typed into an edit, and TMRUListboxMv, their list;
//  - TPopupMonthCalendarMv, the date drop-down;
//  - TSpecRowMv, the description of a special first row of lookup lists.
//
// Drop-down windows are frameless tool windows that stay on top. The lists
// and the calculator never take the focus: their owner keeps it and passes
// them the keys they handle (as QKeyEvents, QCoreApplication::sendEvent).
// The calendar takes the focus when it is clicked. Every drop-down closes
// itself through its owner's CloseUp(false) when the focus leaves it for a
// window that is not its own, and when a mouse button is pressed outside
// both the drop-down and its owner.
//
// Include "gridbase/ToolCtrlsMv.h", which brings this header.

#include "gridbase/ToolCtrlsMvButtons.h"
#include "platform/Control.h"
#include "platform/StringList.h"
#include "platform/Variant.h"

#include <QCalendarWidget>
#include <QDate>
#include <QPointer>
#include <functional>
#include <memory>

class QScrollBar;
class TImageList;
class TDropDownWatchMv;

// ---------------------------------------------------------------- the owner

class IDropDownOwnerMv {
public:
    virtual ~IDropDownOwnerMv() = default;
    // Close the drop-down; with Accept take the value it shows.
    virtual void CloseUp(bool Accept) = 0;
};

// The owner's interface; null for an owner without it, which is never told.
IDropDownOwnerMv* DropDownOwnerOf(const QObject* Owner);

// Requests of the drop-down windows, as control-layer messages:
// MV_DROPDOWNPLACED is performed on a TCustomControl drop-down right after
// the placement rule placed it; wParam: 0 it extends to the left (its right
// edge at the owner's right edge or pushed left by the screen edge), 1 to
// the right, 2 it lies above the owner, 3 below. MV_DROPDOWNCANCEL is
// posted by a drop-down to itself; it closes the drop-down through its
// owner without accepting.
constexpr quint32 MV_DROPDOWNPLACED = 0x464;
constexpr int MV_DROPDOWNCANCEL = 0x465;

enum TDropDownAlign : quint8 { daLeft, daRight, daCenter };

// ---------------------------------------------------------------- placement

// The work area of the screen nearest to a rect, in screen coordinates.
TRect DropDownWorkArea(const TRect& Rect);
// The top-left point for DropDown next to OwnerRect (screen coordinates):
// below when it fits, else above when that fits, else on the side with more
// room (below on a tie) with its height cut to that room; aligned left,
// right or centred, and kept inside the work area (its width cut to it).
// May resize DropDown.
QPoint AlignDropDownWindowRect(const TRect& OwnerRect, QWidget* DropDown, TDropDownAlign Align);
// The same against the owner control's place on the screen.
QPoint AlignDropDownWindow(QWidget* Owner, QWidget* DropDown, TDropDownAlign Align);
// Shows a drop-down at a screen point on top of everything, without taking
// the activation; hides it again.
void ShowDropDownWindow(QWidget* DropDown, const QPoint& TopLeft);
void HideDropDownWindow(QWidget* DropDown);
// Makes a widget a drop-down window: frameless, on top, a tool window that
// takes the focus only when TakesFocus.
void SetDropDownWindowFlags(QWidget* DropDown, bool TakesFocus);
// Widget is Ancestor or lies inside it, also across windows (a drop-down
// lies inside the control that owns it).
bool WidgetWithin(const QWidget* Widget, const QWidget* Ancestor);
// A press on a drop-down button dragged into the open list goes on as the
// list's press: the button sees its release, the list the press, and the
// list keeps the mouse, so that releasing over an item chooses it. False
// (nothing done) while the point is outside the list's client.
bool HandPressToList(QWidget* Button, const QPoint& ButtonPos, QWidget* ListClient);

// ---------------------------------------------------------------- size grip

// The resize grip in a corner of a control's client area. Dragging it
// resizes the control (a drop-down window) inside the work area, keeping
// the opposite corner in place. Position: 0 top-left, 1 top-right, 2
// bottom-right, 3 bottom-left.
class TSizeGripMv : public TCustomControl {
public:
    explicit TSizeGripMv(TCustomControl* Target);

    int Position() const { return FPosition; }
    void SetPosition(int Value);
    // The window is the corner's triangle instead of the full square.
    bool TriangleWindow() const { return FTriangleWindow; }
    void SetTriangleWindow(bool Value);
    // Turns the grip by the placement code of MV_DROPDOWNPLACED.
    void ChangePosition(int Code);
    // Moves the grip into its corner of the target's client area.
    void UpdatePosition();
    // Shows or hides the grip.
    void SetVisible(bool Value);

    // After every drag step that changed the target's client size.
    TNotifyEventMv OnParentResized;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    QCursor CursorAt(const QPoint& clientPos) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void UpdateRegion();
    void ResizeTarget(int Left, int Top, int Width, int Height);

    TCustomControl* FTarget;
    QPoint FStartPoint;
    QPoint FLastPoint;
    bool FMoving = false;
    QSize FStartClient;
    QRect FStartGeometry;
    int FPosition = 2;
    bool FTriangleWindow = true;
};

// ---------------------------------------------------------------- list box

using TListGetImageIndexEventMv = std::function<void(QObject* Sender, int ItemIndex, int& ImageIndex)>;

// The owner-drawn drop-down list. Its owner (the widget passed at
// creation, which owns the window) fills it, places and shows it, passes it
// the list keys, and decides on OnMouseUp whether a release closes it.
class TPopupListboxMv : public TCustomControl {
public:
    explicit TPopupListboxMv(QWidget* Owner);
    ~TPopupListboxMv() override;

    QWidget* Owner() const { return FOwner.data(); }

    // The items shown: the items source while one is set, else the own list.
    TStringList& Items();
    const TStringList& Items() const;
    // A list that feeds the list box without being copied (the combo box's
    // items); null returns to the own list.
    TStringList* GetItems() const { return FItemsSource; }
    void SetItems(TStringList* Source);
    // Call after changing the items: the selection, the scroll range and
    // the picture follow.
    void ItemsChanged();
    int Count() const { return Items().Count(); }
    void SetSorted(bool Value);

    int ItemIndex() const { return FItemIndex; }
    // Selects and scrolls the item into view; -1 selects nothing.
    void SetItemIndex(int Value);
    int TopIndex() const { return FTopIndex; }
    void SetTopIndex(int Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);
    // The item under a client point; -1 outside the items (with Existing),
    // else the nearest row.
    int ItemAtPos(const QPoint& Pos, bool Existing) const;
    TRect ItemRect(int Index) const;
    // Rows that fit in the client area.
    int VisibleRows() const;

    TImageList* Images() const { return FImages; }
    void SetImageList(TImageList* Value);
    TListGetImageIndexEventMv OnGetImageIndex;
    TMouseEventMv OnMouseUp;

    // Rows of the last SetBounds.
    int RowCount() const { return FRowCount; }
    // Height for Rows rows (at least one).
    void SetRowCount(int Rows);
    // The frame's share of the height.
    int BorderHeight() const { return 2 * BorderWidth(); }
    // The font's height.
    int GetTextHeight() const;
    // Sets the geometry with the height snapped to whole rows, never
    // smaller than a scroll bar's width and arrow.
    void SetBounds(int Left, int Top, int Width, int Height);

    TSizeGripMv* SizeGrip() const { return FSizeGrip; }
    // Set by every change of size; the owners clear it before showing the
    // list and read it when it closes (the user resized it).
    bool SizeGripResized() const { return FSizeGripResized; }
    void SetSizeGripResized(bool Value) { FSizeGripResized = Value; }
    QString SearchText() const { return FSearchText; }

    qintptr Perform(quint32 msg, qintptr wParam, qintptr lParam) override;

protected:
    virtual void DrawItem(int Index, const TRect& Rect, bool Selected);
    // Milliseconds of a steady clock (the incremental search's pause).
    virtual qint64 TickCount() const;
    // The scroll range, the grip and anything else placed by size, items
    // or position.
    virtual void LayoutChanged();

    int BorderWidth() const override;
    void PaintBorder(TCanvas& canvas, const TRect& rect) override;
    void Paint() override;
    void KeyDown(quint16& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, const QPoint& MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, const QPoint& MousePos) override;
    void WMVScroll(int code, int pos) override;
    void PrivateMessage(int msg, qintptr param) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void MakeVisible(int Index);
    void SelectString(const QString& Prefix);

    QPointer<QWidget> FOwner;
    TImageList* FImages = nullptr;
    QPoint FLastMousePoint{-1, -1};
    int FRowCount = 0;
    QString FSearchText;
    qint64 FSearchTick = 0;
    TSizeGripMv* FSizeGrip = nullptr;
    bool FSizeGripResized = false;
    TStringList FOwnItems;
    TStringList* FItemsSource = nullptr;
    int FItemIndex = -1;
    int FTopIndex = 0;
    int FItemHeight = 0;
    TDropDownWatchMv* FWatch = nullptr;
};

// ---------------------------------------------------------------- recent values

class TMRUListMv {
public:
    explicit TMRUListMv(QObject* Owner = nullptr);
    virtual ~TMRUListMv();
    TMRUListMv(const TMRUListMv&) = delete;
    TMRUListMv& operator=(const TMRUListMv&) = delete;

    QObject* Owner() const { return FOwner; }
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    bool AutoAdd() const { return FAutoAdd; }
    void SetAutoAdd(bool Value) { FAutoAdd = Value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value) { FCaseSensitive = Value; }
    // Oldest first, the most recent last.
    TStringList& Items() { return FItems; }
    const TStringList& Items() const { return FItems; }
    void SetItems(const TStringList& Value);
    int Limit() const { return FLimit; }
    void SetLimit(int Value);
    // Visible rows of the drop-down.
    int Rows() const { return FRows; }
    void SetRows(int Value);
    // The drop-down's width as the user last left it (0: not set).
    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; }
    // A filter walk stops when the user types on (see FilterItemsTo).
    bool CancelOnKey() const { return FCancelOnKey; }
    void SetCancelOnKey(bool Value) { FCancelOnKey = Value; }
    // The owning edit keeps here whether the drop-down is shown.
    bool DroppedDown() const { return FDroppedDown; }
    void SetDroppedDown(bool Value) { FDroppedDown = Value; }

    std::function<void(TMRUListMv* Sender)> OnActiveChanged;
    // May change the verdict on one item of a filter walk.
    std::function<void(TMRUListMv* Sender, const QString& Item, bool& Accept)> OnFilterItem;
    std::function<void(TMRUListMv* Sender, bool Accept)> OnSetCloseUp;
    std::function<void(TMRUListMv* Sender)> OnSetDropDown;

    // Makes Text the most recent item: a present one (compared as
    // CaseSensitive says) moves to the end keeping its letter case, a new
    // one is appended and the oldest beyond Limit go. Blank texts are ignored.
    void Add(const QString& Text);
    // Fills Strings with the items that begin with Text, oldest first. With
    // CancelOnKey the walk looks for a waiting key (TKeyWait) at its first
    // item and at every hundredth after it, and stops at one: the result is
    // then False and Strings holds what was found so far. The events that run
    // meanwhile may change the items: the walk goes over the items as they
    // were when it began.
    bool FilterItemsTo(TStringList& Strings, const QString& Text);
    // Copies Active, Items, Limit, Rows and CaseSensitive.
    void Assign(const TMRUListMv& Source);
    // Ask the owner to hide or show the drop-down.
    virtual void CloseUp(bool Accept);
    virtual void DropDown();

private:
    bool SameText(const QString& A, const QString& B) const;
    void TrimToLimit();

    QObject* FOwner;
    bool FActive = false;
    bool FAutoAdd = true;
    bool FCaseSensitive = false;
    TStringList FItems;
    int FLimit = 100;
    int FRows = 7;
    int FWidth = 0;
    bool FCancelOnKey = true;
    bool FDroppedDown = false;
};

// The list of recent values: a list box with its own scroll bar beside the
// size grip.
class TMRUListboxMv : public TPopupListboxMv {
public:
    explicit TMRUListboxMv(QWidget* Owner);
    ~TMRUListboxMv() override;

    QScrollBar* ScrollBar() const { return FScrollBar; }

protected:
    void LayoutChanged() override;

private:
    QScrollBar* FScrollBar = nullptr;
    bool FInLayout = false;
};

// ---------------------------------------------------------------- calendar

// The date drop-down. Enter closes it accepting, Escape without; a click on
// a day or a release on the month's name accepts; the day names, the year
// and the month buttons keep it open; the wheel steps one day (down:
// forward).
class TPopupMonthCalendarMv : public QCalendarWidget {
public:
    explicit TPopupMonthCalendarMv(QWidget* Owner);
    ~TPopupMonthCalendarMv() override;

    QWidget* Owner() const { return FOwner.data(); }
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool Value);
    int BorderWidth() const { return FCtl3D ? 2 : 1; }
    QDate Date() const { return selectedDate(); }
    // Always succeeds: a date outside the calendar's range is first
    // brought inside it.
    bool SetDate(const QDate& Value);
    // The smallest size that shows a whole month.
    QSize MinReqRect() const;
    // Sizes the calendar to its minimum plus the border.
    void AutoSize();
    // Tells the owner to close, as Enter, Escape or a click do.
    void CloseUp(bool Accept);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool HandleKey(QKeyEvent* event);
    bool HandleWheel(QWheelEvent* event);
    void PostCancel();
    static bool IsMonthTitle(QObject* watched);

    QPointer<QWidget> FOwner;
    bool FCtl3D = true;
    bool FCancelPending = false;
    bool FForwarding = false;
    TDropDownWatchMv* FWatch = nullptr;
};

// ---------------------------------------------------------------- special row

// A special first row of a lookup list: its cells (CellsText, split at ';'
// with double quotes grouping a cell), its value, colour and font. Colour
// and font follow the owner while they are not set.
class TSpecRowMv {
public:
    TSpecRowMv(std::function<TColor()> OwnerColor = {}, std::function<TFont()> OwnerFont = {});
    TSpecRowMv(const TSpecRowMv&) = delete;
    TSpecRowMv& operator=(const TSpecRowMv&) = delete;

    const QString& CellsText() const { return FCellsText; }
    void SetCellsText(const QString& Value);
    int CellCount() const { return int(FCells.size()); }
    // The cell's text; empty out of range.
    QString GetCellText(int Index) const;
    TColor Color() const;
    void SetColor(TColor Value);
    bool ColorAssigned() const { return FColorAssigned; }
    const TFont& Font() const;
    void SetFont(const TFont& Value);
    bool FontAssigned() const { return FFontAssigned; }
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    bool ShowIfNotInKeyList() const { return FShowIfNotInKeyList; }
    void SetShowIfNotInKeyList(bool Value);
    const Variant& Value() const { return FValue; }
    void SetValue(const Variant& Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);

    void Assign(const TSpecRowMv& Source);
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

    std::function<void(TSpecRowMv* Sender)> OnChange;

private:
    void Changed();

    QStringList FCells;
    QString FCellsText;
    TColor FColor = clWindow;
    mutable TFont FFont;
    std::function<TColor()> FOwnerColor;
    std::function<TFont()> FOwnerFont;
    TShortCut FShortCut = TShortCut(scAlt | VK_DELETE);
    bool FShowIfNotInKeyList = true;
    int FUpdateCount = 0;
    Variant FValue = Variant::Null();
    bool FVisible = false;
    bool FColorAssigned = false;
    bool FFontAssigned = false;
};

// The cells of a special row's CellsText.
QStringList SplitSpecRowCells(const QString& Text);
