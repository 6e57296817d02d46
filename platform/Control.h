#pragma once
// TCustomControl: the base of our own controls (the grids and the editors'
// companions). It turns Qt's events into the handlers that the grid library
// is written against, in the order a Windows control would see them:
//
//   paint         Paint() with Canvas bound to the client area, clipped to what
//                 needs painting; then PaintOverlay() for state-painted lines
//                 (sizing and drag lines are never drawn with XOR);
//   keys          KeyDown(virtual-key code, shift state), then WMChar/KeyPress
//                 once per character the key produces (input-method text
//                 included), KeyUp; a key that the control does not want goes
//                 on to its parent (a dialog takes Enter and Esc, see
//                 DialogCode and WantsDialogKey);
//   mouse         MouseDown/MouseMove/MouseUp with button and shift state (a
//                 double click is a MouseDown with ssDouble), the wheel in
//                 steps of 120 (DoMouseWheelDown/Up), CursorAt for the cursor;
//   size          Resized() whenever the client area changes size, also when a
//                 scroll bar comes or goes;
//   focus         WMSetFocus(from)/WMKillFocus(to) with the other party,
//                 DoEnter/DoExit when the focus enters or leaves the control
//                 and its children within the same window;
//   timers        SetTimer/KillTimer by id, WMTimer(id);
//   cancel mode   CancelMode(), through SendCancelMode;
//   drag          a control dragged onto another inside the program
//                 (DragMode, BeginDrag, the start, over, drop and end events);
//   messages      private messages are queued calls with a pending flag
//                 (PostPrivateMessage, PrivateMessagePending,
//                 RemovePrivateMessage, PrivateMessage), never raw numbers.
//
// The control draws its own border (a sunken 3-D edge, a plain line, or none)
// and owns two scroll bars that show when their range is not empty, as
// window scroll bars do; the client area is what remains inside them. Client
// coordinates start at the client area's top-left corner.

#include "platform/Canvas.h"
#include "platform/Keys.h"
#include "platform/Rect.h"

#include <QBasicTimer>
#include <QCursor>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QScrollBar;

// Scroll-bar requests, as a scroll bar reports them.
constexpr int SB_LINEUP = 0;
constexpr int SB_LINELEFT = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_LINERIGHT = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGELEFT = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_PAGERIGHT = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_LEFT = 6;
constexpr int SB_BOTTOM = 7;
constexpr int SB_RIGHT = 7;
constexpr int SB_ENDSCROLL = 8;

enum TScrollBarKind { sbHorizontal = 0, sbVertical = 1 };

// One scroll bar's range, page and position. With Page 0 the bar shows when
// Max > Min; with a page it shows when the range does not fit in the page.
struct TScrollInfo {
    int Min = 0;
    int Max = 0;
    int Page = 0;
    int Pos = 0;
    friend bool operator==(const TScrollInfo&, const TScrollInfo&) = default;
};

enum TBorderStyle { bsNone, bsSingle };

// What a control asks of the keyboard when it sits in a dialog.
constexpr unsigned DLGC_WANTARROWS = 0x0001;
constexpr unsigned DLGC_WANTTAB = 0x0002;
constexpr unsigned DLGC_WANTALLKEYS = 0x0004;
constexpr unsigned DLGC_WANTCHARS = 0x0080;

// System metrics that the controls use.
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXDRAG = 68;
constexpr int SM_CYDRAG = 69;
int GetSystemMetrics(int index);
// Milliseconds within which a second click makes a double click.
int GetDoubleClickTime();

// Dragging one control onto another inside the program. With dmAutomatic a
// left press on a control begins dragging it instead of reaching MouseDown;
// with dmManual only BeginDrag does.
enum TDragMode { dmManual, dmAutomatic };
// What the control under a drag is told: the pointer came onto it, left it
// (also when the drag ends over it without a drop), or moved over it.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

// How a drag begins: at once (DragImmediate), else once the pointer has
// moved DragThreshold pixels along either axis. The desktop decides, as it
// does for every drag it starts: not at once, after its start-drag distance.
struct TMouseDragSettings {
    bool DragImmediate = false;
    int DragThreshold = 0;
};
TMouseDragSettings MouseDragSettings();
void SetMouseDragSettings(const TMouseDragSettings& settings);

class TCustomControl : public QWidget {
    Q_OBJECT

public:
    explicit TCustomControl(QWidget* parent = nullptr);
    ~TCustomControl() override;

    // The client area: inside the border and the scroll bars.
    int ClientWidth() const;
    int ClientHeight() const;
    TRect ClientRect() const { return TRect(0, 0, ClientWidth(), ClientHeight()); }
    // The widget that covers the client area; children placed in client
    // coordinates (in-place editors) are its children.
    QWidget* ClientWidget() const { return FClient; }
    QPoint ClientToScreen(const QPoint& p) const;
    QPoint ScreenToClient(const QPoint& p) const;
    // The control has a window: it has been shown (or its window was made).
    bool HandleAllocated() const;
    // The control is visible on screen (it and all its parents are shown).
    bool Showing() const { return isVisible(); }

    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    // The font with its colour.
    TFont Font() const { return TFont(font(), FFontColor); }
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor color);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    // The canvas of the client area. It draws only inside Paint; it measures
    // text in the control's font at any time.
    TCanvas& Canvas() { return FCanvas; }

    // Repainting. Invalidated areas are painted at the next paint cycle;
    // UpdateWindow paints them now. ValidateRect cannot take an area back out
    // of Qt's pending paint and does nothing; the grid only ever follows it
    // with an invalidation of the same area.
    void Invalidate();
    void InvalidateRect(const TRect& rect);
    void ValidateRect(const TRect& rect);
    void UpdateWindow();
    // Moves the pixels of area by (dx, dy) and repaints what comes into view.
    void ScrollClient(int dx, int dy, const TRect& area);

    // Scroll bars. A bar can show only while it is allowed (the window style).
    void SetScrollBarsAllowed(bool horizontal, bool vertical);
    bool ScrollBarAllowed(TScrollBarKind kind) const { return FBars[kind].Allowed; }
    TScrollInfo GetScrollInfo(TScrollBarKind kind) const { return FBars[kind].Info; }
    // disableNoScroll keeps the bar shown (disabled) when its range fits.
    void SetScrollInfo(TScrollBarKind kind, const TScrollInfo& info, bool disableNoScroll = false);
    void SetScrollRange(TScrollBarKind kind, int min, int max);
    void SetScrollPos(TScrollBarKind kind, int pos);
    int GetScrollPos(TScrollBarKind kind) const { return FBars[kind].Info.Pos; }
    bool ScrollBarShowing(TScrollBarKind kind) const;
    QScrollBar* ScrollBarWidget(TScrollBarKind kind) const { return FBars[kind].Bar; }

    // Window timers by id; setting a running id again restarts it.
    void SetTimer(int id, int interval);
    void KillTimer(int id);
    bool TimerActive(int id) const;

    // Private messages: queued calls to PrivateMessage(msg, param).
    void PostPrivateMessage(int msg, qintptr param = 0);
    bool PrivateMessagePending(int msg) const;
    bool PrivateMessagePending(int msg, qintptr param) const;
    void RemovePrivateMessage(int msg);

    // The mouse is captured from a button press until its release, or until
    // the capture is released.
    bool MouseCapture() const { return FCaptured; }
    void SetMouseCapture(bool capture) { FCaptured = capture; }
    // The last mouse point seen, in client coordinates (the pointer's place
    // while it is captured).
    QPoint CursorPos() const { return FLastMouse; }

    bool Focused() const { return hasFocus(); }
    bool CanFocus() const;
    void SetFocus();
    // The focus is on the control or on one of its children.
    bool ContainsFocus() const;

    // Cancels a mouse mode in progress (a dialog opening, a scroll-bar drag).
    void SendCancelMode();

    // Synchronous requests by number, for the few that the library sends to
    // its controls; 0 when the control does not answer msg.
    virtual qintptr Perform(quint32 msg, qintptr wParam, qintptr lParam);

    // Dragging. While a drag of this control is under way the mouse belongs
    // to it: moves tell the control under the pointer (DragOver), a release
    // of the left button drops on it when it accepts (DragDrop), Esc, the
    // right button or a cancel mode give up; the control hears DoEndDrag
    // with the control that took the drop (none when nobody did).
    TDragMode DragMode() const { return FDragMode; }
    void SetDragMode(TDragMode Value) { FDragMode = Value; }
    // Begins dragging the control: at once when Immediate, else once the
    // pointer has moved Threshold pixels from here (negative: the mouse
    // settings' threshold). Nothing while any drag is under way. A drag
    // that never passed its threshold ends without a word to anyone.
    void BeginDrag(bool Immediate, int Threshold = -1);
    // Ends this control's drag: dropped where the pointer is when Drop and
    // the control there accepts, else given up.
    void EndDrag(bool Drop);
    // This control is being dragged (or waits for the threshold to be).
    bool Dragging() const;
    // The control under a screen point that a drag would be offered to
    // (the innermost of our controls; none over a disabled one).
    static TCustomControl* FindDragTarget(const QPoint& globalPos);

    std::function<void(QObject* Sender)> OnStartDrag;
    // Accept comes in True; a control without a handler accepts nothing.
    std::function<void(QObject* Sender, QObject* Source, int X, int Y, TDragState State, bool& Accept)> OnDragOver;
    std::function<void(QObject* Sender, QObject* Source, int X, int Y)> OnDragDrop;
    // Target is the control that took the drop, X and Y in its client
    // coordinates; none and (0, 0) when the drag was given up.
    std::function<void(QObject* Sender, QObject* Target, int X, int Y)> OnEndDrag;

protected:
    virtual void DoStartDrag();
    virtual void DragOver(QObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragDrop(QObject* Source, int X, int Y);
    virtual void DoEndDrag(QObject* Target, int X, int Y);

    virtual void Paint();
    virtual void PaintOverlay();
    // Whether this paint goes through the control's own off-screen bitmap
    // (drawn whole there, then copied to the window in one step).
    virtual bool PaintsBuffered() { return false; }
    // The border ring around the client area and scroll bars: its width and
    // how it is painted (in widget coordinates; rect is the whole widget).
    virtual int BorderWidth() const;
    virtual void PaintBorder(TCanvas& canvas, const TRect& rect);
    void SetBorderStyle(TBorderStyle style);
    TBorderStyle BorderStyleValue() const { return FBorderStyle; }
    // Recomputes border, scroll bars and client area (the window was "made
    // again" with a new style).
    void RecreateWnd();

    virtual void KeyDown(quint16& Key, TShiftState Shift);
    virtual void KeyUp(quint16& Key, TShiftState Shift);
    virtual void KeyPress(QChar& Key);
    // A character for the control; the base passes it to KeyPress.
    virtual void WMChar(QChar& Key);
    virtual unsigned DialogCode();
    // Enter presses a dialog's default button unless the control wants it.
    virtual bool WantsDialogKey(quint16 Key);

    // A button press as it arrives, with its time stamp; the base calls
    // MouseDown.
    virtual void WMMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y, qint64 Time);
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    // Wheel: the base calls DoMouseWheelDown/Up once per 120 of delta and
    // reports whether they handled it.
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, const QPoint& MousePos);
    virtual bool DoMouseWheelDown(TShiftState Shift, const QPoint& MousePos);
    virtual bool DoMouseWheelUp(TShiftState Shift, const QPoint& MousePos);
    virtual void Click();
    virtual void DblClick();
    virtual QCursor CursorAt(const QPoint& clientPos);
    void UpdateCursor();

    virtual void Resized();
    virtual void WMSetFocus(QWidget* from);
    virtual void WMKillFocus(QWidget* to);
    virtual void DoEnter();
    virtual void DoExit();
    virtual void WMTimer(int id);
    virtual void CancelMode();
    virtual void PrivateMessage(int msg, qintptr param);
    virtual void WMHScroll(int code, int pos);
    virtual void WMVScroll(int code, int pos);
    virtual void ShowingChanged();
    virtual void FontChanged();

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class TClientArea;
    friend class TClientArea;
    struct TBar {
        bool Allowed = false;
        bool DisableNoScroll = false;
        TScrollInfo Info;
        QScrollBar* Bar = nullptr;
    };
    struct TPending {
        int Msg;
        qintptr Param;
        quint64 Serial;
    };

    void LayoutClient();
    void ApplyBar(TScrollBarKind kind);
    void BarAction(TScrollBarKind kind, int action);
    void BarReleased(TScrollBarKind kind);
    void DeliverPrivate(quint64 serial);
    void FocusMoved(QWidget* from, QWidget* to);
    bool Within(const QWidget* widget) const;
    void ClientPaint(QPaintEvent* event);
    void PaintCanvas();
    void ClientMousePress(QMouseEvent* event, bool doubleClick);
    void ClientMouseMove(QMouseEvent* event);
    void ClientMouseRelease(QMouseEvent* event);
    void ClientWheel(QWheelEvent* event);
    void DeliverKey(QKeyEvent* event);
    // The drag under way follows the pointer to a screen point.
    void DragTo(const QPoint& globalPos);
    // Where the pointer is, for a drag that begins now.
    QPoint DragPointerPos() const;
    // A drag of a control that goes away ends without a word to anyone.
    void AbandonDrag();

    QWidget* FClient = nullptr;
    TCanvas FCanvas;
    TColor FColor = clBtnFace;
    TColor FFontColor = clWindowText;
    bool FCtl3D = true;
    TBorderStyle FBorderStyle = bsNone;
    std::array<TBar, 2> FBars;
    QWidget* FCorner = nullptr;
    QSize FLastClientSize;
    QPixmap FPaintBuffer;
    std::map<int, QBasicTimer> FTimers;
    std::vector<TPending> FPending;
    quint64 FNextSerial = 1;
    QRegion FInvalid;
    bool FCaptured = false;
    QPoint FLastMouse;
    int FWheelAccumulator = 0;
    Qt::CursorShape FCursorShape = Qt::ArrowCursor;
    TDragMode FDragMode = dmManual;
    bool FSwallowRelease = false;
    QMetaObject::Connection FFocusConnection;
};
