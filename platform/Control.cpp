#include "platform/Control.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

namespace {

// Remembers where the focus is. Qt tells a widget that it gains the focus
// before it reports the move, so while a focus-in event is delivered this
// still holds the widget that had the focus before.
class TFocusTracker : public QObject {
public:
    static TFocusTracker& Instance()
    {
        static TFocusTracker* tracker = new TFocusTracker(qApp);
        return *tracker;
    }
    QWidget* Current() const { return FCurrent.data(); }

private:
    explicit TFocusTracker(QObject* parent) : QObject(parent)
    {
        FCurrent = QApplication::focusWidget();
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FCurrent = now; });
    }
    QPointer<QWidget> FCurrent;
};

TMouseButton ButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return mbLeft;
    }
}

int Extent()
{
    return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

} // namespace

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL: return Extent();
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXDRAG:
    case SM_CYDRAG: return QApplication::startDragDistance();
    default: return 0;
    }
}

int GetDoubleClickTime()
{
    return QApplication::doubleClickInterval();
}

// The client area: receives the paint and mouse events of the client and
// hands them to the control.
class TCustomControl::TClientArea : public QWidget {
public:
    explicit TClientArea(TCustomControl* owner) : QWidget(owner), FOwner(owner)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent* event) override { FOwner->ClientPaint(event); }
    void mousePressEvent(QMouseEvent* event) override { FOwner->ClientMousePress(event, false); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { FOwner->ClientMousePress(event, true); }
    void mouseMoveEvent(QMouseEvent* event) override { FOwner->ClientMouseMove(event); }
    void mouseReleaseEvent(QMouseEvent* event) override { FOwner->ClientMouseRelease(event); }
    void wheelEvent(QWheelEvent* event) override { FOwner->ClientWheel(event); }

private:
    TCustomControl* FOwner;
};

TCustomControl::TCustomControl(QWidget* parent) : QWidget(parent)
{
    TFocusTracker::Instance();
    FClient = new TClientArea(this);
    for (int k = 0; k < 2; ++k) {
        const auto kind = TScrollBarKind(k);
        auto* bar = new QScrollBar(kind == sbHorizontal ? Qt::Horizontal : Qt::Vertical, this);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->hide();
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, kind](int action) { BarAction(kind, action); });
        connect(bar, &QAbstractSlider::sliderReleased, this, [this, kind] { BarReleased(kind); });
        FBars[k].Bar = bar;
    }
    FCorner = new QWidget(this);
    FCorner->setAutoFillBackground(true);
    FCorner->hide();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    FFocusConnection = connect(qApp, &QApplication::focusChanged, this, &TCustomControl::FocusMoved);
    LayoutClient();
}

TCustomControl::~TCustomControl()
{
    AbandonDrag();
    // Destroying the children may move the focus; by then this is no longer a
    // control that could answer.
    disconnect(FFocusConnection);
}

int TCustomControl::ClientWidth() const
{
    const int bars = ScrollBarShowing(sbVertical) ? Extent() : 0;
    return std::max(0, width() - 2 * BorderWidth() - bars);
}

int TCustomControl::ClientHeight() const
{
    const int bars = ScrollBarShowing(sbHorizontal) ? Extent() : 0;
    return std::max(0, height() - 2 * BorderWidth() - bars);
}

QPoint TCustomControl::ClientToScreen(const QPoint& p) const
{
    return FClient->mapToGlobal(p);
}

QPoint TCustomControl::ScreenToClient(const QPoint& p) const
{
    return FClient->mapFromGlobal(p);
}

bool TCustomControl::HandleAllocated() const
{
    return testAttribute(Qt::WA_WState_Created);
}

void TCustomControl::SetColor(TColor color)
{
    if (FColor == color)
        return;
    FColor = color;
    Invalidate();
}

void TCustomControl::SetFontColor(TColor color)
{
    if (FFontColor == color)
        return;
    FFontColor = color;
    FontChanged();
    Invalidate();
}

void TCustomControl::SetCtl3D(bool value)
{
    if (FCtl3D == value)
        return;
    FCtl3D = value;
    RecreateWnd();
}

void TCustomControl::SetBorderStyle(TBorderStyle style)
{
    if (FBorderStyle == style)
        return;
    FBorderStyle = style;
    RecreateWnd();
}

void TCustomControl::RecreateWnd()
{
    LayoutClient();
    update();
    Invalidate();
}

int TCustomControl::BorderWidth() const
{
    if (FBorderStyle == bsNone)
        return 0;
    return FCtl3D ? 2 : 1;
}

void TCustomControl::PaintBorder(TCanvas& canvas, const TRect& rect)
{
    const int width = BorderWidth();
    if (width == 0)
        return;
    if (width == 2) {
        TRect r = rect;
        canvas.DrawEdge(r, EDGE_SUNKEN, BF_RECT);
        return;
    }
    canvas.Brush.Color = clWindowFrame;
    canvas.Brush.Style = bsSolid;
    for (int i = 0; i < width; ++i)
        canvas.FrameRect(rect.Inflate(-i, -i));
}

// ---------------------------------------------------------------- painting

void TCustomControl::Invalidate()
{
    FInvalid = QRegion(ClientRect().ToQRect());
    FClient->update();
}

void TCustomControl::InvalidateRect(const TRect& rect)
{
    if (rect.IsEmpty())
        return;
    FInvalid |= rect.ToQRect();
    FClient->update(rect.ToQRect());
}

void TCustomControl::ValidateRect(const TRect&)
{
}

void TCustomControl::UpdateWindow()
{
    if (!isVisible() || FInvalid.isEmpty())
        return;
    // Painting any part now makes Qt paint every pending part of the window.
    FClient->repaint(FInvalid);
}

void TCustomControl::ScrollClient(int dx, int dy, const TRect& area)
{
    if (area.IsEmpty() || (dx == 0 && dy == 0))
        return;
    FClient->scroll(dx, dy, area.ToQRect());
}

void TCustomControl::ClientPaint(QPaintEvent* event)
{
    FInvalid -= event->region();
    if (PaintsBuffered()) {
        const qreal ratio = FClient->devicePixelRatioF();
        const QSize size = FClient->size() * ratio;
        if (FPaintBuffer.size() != size) {
            FPaintBuffer = QPixmap(size);
            FPaintBuffer.setDevicePixelRatio(ratio);
        }
        // The background first, as an erase would fill it, then the paint
        // into the bitmap, clipped to what needs painting.
        FCanvas.Begin(&FPaintBuffer, event->region(), palette());
        FCanvas.Painter()->setClipRegion(event->region());
        FCanvas.Painter()->fillRect(event->rect(), ToQColor(FColor, palette()));
        PaintCanvas();
        FCanvas.End();
        QPainter copy(FClient);
        copy.setClipRegion(event->region());
        copy.drawPixmap(0, 0, FPaintBuffer);
        return;
    }
    FCanvas.Begin(FClient, event->region(), palette());
    PaintCanvas();
    FCanvas.End();
}

void TCustomControl::PaintCanvas()
{
    FCanvas.Font = Font();
    FCanvas.Brush = TBrush{FColor, bsSolid};
    FCanvas.Pen = TPen{};
    Paint();
    FCanvas.Font = Font();
    FCanvas.Brush = TBrush{FColor, bsSolid};
    FCanvas.Pen = TPen{};
    PaintOverlay();
}

void TCustomControl::paintEvent(QPaintEvent* event)
{
    if (BorderWidth() == 0)
        return;
    TCanvas canvas;
    canvas.Begin(this, event->region(), palette());
    PaintBorder(canvas, TRect(0, 0, width(), height()));
    canvas.End();
}

void TCustomControl::Paint()
{
    FCanvas.FillRect(ClientRect());
}

void TCustomControl::PaintOverlay()
{
}

// ---------------------------------------------------------------- layout

void TCustomControl::LayoutClient()
{
    const int border = BorderWidth();
    const int ext = Extent();
    const bool horz = ScrollBarShowing(sbHorizontal);
    const bool vert = ScrollBarShowing(sbVertical);
    const int cw = ClientWidth();
    const int ch = ClientHeight();
    // A control laid out right to left has its vertical bar at the left.
    const int barLeft = isRightToLeft() && vert ? ext : 0;
    FClient->setGeometry(border + barLeft, border, cw, ch);
    QScrollBar* h = FBars[sbHorizontal].Bar;
    QScrollBar* v = FBars[sbVertical].Bar;
    h->setGeometry(border + barLeft, border + ch, cw, ext);
    v->setGeometry(barLeft > 0 ? border : border + cw, border, ext, ch);
    h->setVisible(horz);
    v->setVisible(vert);
    FCorner->setGeometry(barLeft > 0 ? border : border + cw, border + ch, ext, ext);
    FCorner->setVisible(horz && vert);
    const QSize size(cw, ch);
    if (size != FLastClientSize) {
        FLastClientSize = size;
        if (isVisible())
            Resized();
    }
}

void TCustomControl::resizeEvent(QResizeEvent*)
{
    FLastClientSize = QSize(-1, -1);
    LayoutClient();
}

void TCustomControl::showEvent(QShowEvent*)
{
    ShowingChanged();
}

void TCustomControl::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        FontChanged();
    if (event->type() == QEvent::LayoutDirectionChange)
        LayoutClient();
    QWidget::changeEvent(event);
}

void TCustomControl::Resized()
{
}

void TCustomControl::ShowingChanged()
{
}

void TCustomControl::FontChanged()
{
}

// ---------------------------------------------------------------- scroll bars

bool TCustomControl::ScrollBarShowing(TScrollBarKind kind) const
{
    const TBar& bar = FBars[kind];
    if (!bar.Allowed)
        return false;
    if (bar.DisableNoScroll)
        return true;
    const TScrollInfo& i = bar.Info;
    if (i.Max <= i.Min)
        return false;
    return i.Page <= i.Max - i.Min;
}

void TCustomControl::SetScrollBarsAllowed(bool horizontal, bool vertical)
{
    FBars[sbHorizontal].Allowed = horizontal;
    FBars[sbVertical].Allowed = vertical;
    ApplyBar(sbHorizontal);
    ApplyBar(sbVertical);
    LayoutClient();
}

void TCustomControl::ApplyBar(TScrollBarKind kind)
{
    TBar& bar = FBars[kind];
    const TScrollInfo& i = bar.Info;
    const QSignalBlocker blocker(bar.Bar);
    const int page = std::max(i.Page, 1);
    bar.Bar->setRange(i.Min, std::max(i.Min, i.Max - (i.Page > 0 ? i.Page - 1 : 0)));
    bar.Bar->setPageStep(page);
    bar.Bar->setSingleStep(1);
    bar.Bar->setValue(i.Pos);
    bar.Bar->setSliderPosition(i.Pos);
    const bool needed = i.Max > i.Min && i.Page <= i.Max - i.Min;
    bar.Bar->setEnabled(needed);
}

void TCustomControl::SetScrollInfo(TScrollBarKind kind, const TScrollInfo& info, bool disableNoScroll)
{
    TBar& bar = FBars[kind];
    const bool wasShowing = ScrollBarShowing(kind);
    bar.Info = info;
    bar.DisableNoScroll = disableNoScroll;
    ApplyBar(kind);
    if (ScrollBarShowing(kind) != wasShowing)
        LayoutClient();
}

void TCustomControl::SetScrollRange(TScrollBarKind kind, int min, int max)
{
    TScrollInfo info = FBars[kind].Info;
    info.Min = min;
    info.Max = max;
    info.Pos = std::clamp(info.Pos, min, std::max(min, max));
    SetScrollInfo(kind, info, FBars[kind].DisableNoScroll);
}

void TCustomControl::SetScrollPos(TScrollBarKind kind, int pos)
{
    TBar& bar = FBars[kind];
    bar.Info.Pos = pos;
    const QSignalBlocker blocker(bar.Bar);
    bar.Bar->setValue(pos);
    bar.Bar->setSliderPosition(pos);
}

void TCustomControl::BarAction(TScrollBarKind kind, int action)
{
    QScrollBar* bar = FBars[kind].Bar;
    int code = -1;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
    case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
    case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
    case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
    case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
    case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
    case QAbstractSlider::SliderMove: code = SB_THUMBTRACK; break;
    default: return;
    }
    const int pos = bar->sliderPosition();
    if (kind == sbHorizontal)
        WMHScroll(code, pos);
    else
        WMVScroll(code, pos);
    // The bar shows what the control made of the request, not its own step.
    if (code != SB_THUMBTRACK)
        bar->setSliderPosition(FBars[kind].Info.Pos);
}

void TCustomControl::BarReleased(TScrollBarKind kind)
{
    QScrollBar* bar = FBars[kind].Bar;
    const int pos = bar->sliderPosition();
    if (kind == sbHorizontal) {
        WMHScroll(SB_THUMBPOSITION, pos);
        WMHScroll(SB_ENDSCROLL, pos);
    } else {
        WMVScroll(SB_THUMBPOSITION, pos);
        WMVScroll(SB_ENDSCROLL, pos);
    }
    SetScrollPos(kind, FBars[kind].Info.Pos);
}

void TCustomControl::WMHScroll(int, int)
{
}

void TCustomControl::WMVScroll(int, int)
{
}

// ---------------------------------------------------------------- timers

void TCustomControl::SetTimer(int id, int interval)
{
    FTimers[id].start(std::max(0, interval), this);
}

void TCustomControl::KillTimer(int id)
{
    auto it = FTimers.find(id);
    if (it != FTimers.end()) {
        it->second.stop();
        FTimers.erase(it);
    }
}

bool TCustomControl::TimerActive(int id) const
{
    auto it = FTimers.find(id);
    return it != FTimers.end() && it->second.isActive();
}

void TCustomControl::timerEvent(QTimerEvent* event)
{
    for (auto& [id, timer] : FTimers) {
        if (timer.timerId() == event->timerId()) {
            WMTimer(id);
            return;
        }
    }
    QWidget::timerEvent(event);
}

void TCustomControl::WMTimer(int)
{
}

// ---------------------------------------------------------------- private messages

void TCustomControl::PostPrivateMessage(int msg, qintptr param)
{
    const quint64 serial = FNextSerial++;
    FPending.push_back({msg, param, serial});
    QMetaObject::invokeMethod(this, [this, serial] { DeliverPrivate(serial); }, Qt::QueuedConnection);
}

bool TCustomControl::PrivateMessagePending(int msg) const
{
    return std::any_of(FPending.begin(), FPending.end(), [msg](const TPending& p) { return p.Msg == msg; });
}

bool TCustomControl::PrivateMessagePending(int msg, qintptr param) const
{
    return std::any_of(FPending.begin(), FPending.end(),
                       [msg, param](const TPending& p) { return p.Msg == msg && p.Param == param; });
}

void TCustomControl::RemovePrivateMessage(int msg)
{
    std::erase_if(FPending, [msg](const TPending& p) { return p.Msg == msg; });
}

void TCustomControl::DeliverPrivate(quint64 serial)
{
    auto it = std::find_if(FPending.begin(), FPending.end(), [serial](const TPending& p) { return p.Serial == serial; });
    if (it == FPending.end())
        return;
    const TPending message = *it;
    FPending.erase(it);
    PrivateMessage(message.Msg, message.Param);
}

void TCustomControl::PrivateMessage(int, qintptr)
{
}

qintptr TCustomControl::Perform(quint32, qintptr, qintptr)
{
    return 0;
}

// ---------------------------------------------------------------- focus

bool TCustomControl::CanFocus() const
{
    return isEnabled() && isVisible() && focusPolicy() != Qt::NoFocus;
}

void TCustomControl::SetFocus()
{
    setFocus(Qt::OtherFocusReason);
}

bool TCustomControl::Within(const QWidget* widget) const
{
    return widget && (widget == this || isAncestorOf(widget));
}

bool TCustomControl::ContainsFocus() const
{
    return Within(QApplication::focusWidget());
}

void TCustomControl::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    WMSetFocus(TFocusTracker::Instance().Current());
}

void TCustomControl::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    WMKillFocus(QApplication::focusWidget());
}

void TCustomControl::FocusMoved(QWidget* from, QWidget* to)
{
    const bool was = Within(from);
    const bool is = Within(to);
    if (!was && is)
        DoEnter();
    else if (was && !is && to && to->window() == window())
        DoExit();
}

void TCustomControl::WMSetFocus(QWidget*)
{
}

void TCustomControl::WMKillFocus(QWidget*)
{
}

void TCustomControl::DoEnter()
{
}

void TCustomControl::DoExit()
{
}

void TCustomControl::SendCancelMode()
{
    EndDrag(false);
    CancelMode();
}

void TCustomControl::CancelMode()
{
}

// ---------------------------------------------------------------- keys

bool TCustomControl::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && (DialogCode() & DLGC_WANTTAB)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QWidget::event(event);
}

void TCustomControl::keyPressEvent(QKeyEvent* event)
{
    DeliverKey(event);
}

void TCustomControl::DeliverKey(QKeyEvent* event)
{
    const quint16 code = VirtualKeyOf(*event);
    const TShiftState shift = ShiftStateOf(event->modifiers());
    if (code == VK_ESCAPE && Dragging()) {
        EndDrag(false);
        event->accept();
        return;
    }
    quint16 key = code;
    if (key != 0)
        KeyDown(key, shift);
    const bool consumed = code != 0 && key == 0;
    const QString chars = KeyEventChars(*event);
    for (QChar ch : chars)
        WMChar(ch);
    // Enter and Esc belong to a surrounding dialog unless the control wants
    // them; everything else that reached the control stays here.
    bool keep = true;
    if (!consumed && (code == VK_RETURN || code == VK_ESCAPE)) {
        const unsigned dlg = DialogCode();
        keep = (dlg & DLGC_WANTALLKEYS) || (code == VK_RETURN && WantsDialogKey(code));
    }
    event->setAccepted(keep);
}

void TCustomControl::keyReleaseEvent(QKeyEvent* event)
{
    quint16 key = VirtualKeyOf(*event);
    if (key != 0)
        KeyUp(key, ShiftStateOf(event->modifiers()));
}

void TCustomControl::inputMethodEvent(QInputMethodEvent* event)
{
    for (QChar ch : event->commitString())
        WMChar(ch);
    event->accept();
}

QVariant TCustomControl::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImEnabled)
        return true;
    return QWidget::inputMethodQuery(query);
}

void TCustomControl::KeyDown(quint16&, TShiftState)
{
}

void TCustomControl::KeyUp(quint16&, TShiftState)
{
}

void TCustomControl::KeyPress(QChar&)
{
}

void TCustomControl::WMChar(QChar& Key)
{
    KeyPress(Key);
}

unsigned TCustomControl::DialogCode()
{
    return DLGC_WANTARROWS;
}

bool TCustomControl::WantsDialogKey(quint16)
{
    return false;
}

// ---------------------------------------------------------------- mouse

void TCustomControl::ClientMousePress(QMouseEvent* event, bool doubleClick)
{
    const QPoint p = event->position().toPoint();
    if (Dragging()) {
        // A drag under way takes the press: the right button gives it up.
        if (event->button() == Qt::RightButton)
            EndDrag(false);
        return;
    }
    FSwallowRelease = false;
    FLastMouse = p;
    FCaptured = true;
    TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    if (doubleClick)
        shift |= ssDouble;
    WMMouseDown(ButtonOf(event->button()), shift, p.x(), p.y(), qint64(event->timestamp()));
}

void TCustomControl::ClientMouseMove(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (Dragging()) {
        FLastMouse = p;
        DragTo(ClientToScreen(p));
        return;
    }
    if (FSwallowRelease) {
        FLastMouse = p;
        return;
    }
    // Without the capture a held button does not bring moves from outside.
    if (!FCaptured && event->buttons() != Qt::NoButton && !ClientRect().Contains(p))
        return;
    FLastMouse = p;
    MouseMove(ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
    if (!FCaptured)
        UpdateCursor();
}

void TCustomControl::ClientMouseRelease(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const bool captured = FCaptured;
    if (event->buttons() == Qt::NoButton)
        FCaptured = false;
    if (Dragging()) {
        FLastMouse = p;
        if (event->button() == Qt::LeftButton) {
            // Dropped where the button was let go, as the control there says.
            DragTo(ClientToScreen(p));
            EndDrag(true);
        } else if (event->button() == Qt::RightButton) {
            EndDrag(false);
        }
        return;
    }
    if (FSwallowRelease) {
        FSwallowRelease = FCaptured;
        FLastMouse = p;
        return;
    }
    if (!captured && !ClientRect().Contains(p))
        return;
    FLastMouse = p;
    MouseUp(ButtonOf(event->button()), ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
    UpdateCursor();
}

void TCustomControl::ClientWheel(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    const bool handled =
        DoMouseWheel(ShiftStateOf(event->modifiers(), event->buttons()), delta, event->position().toPoint());
    event->setAccepted(handled);
}

void TCustomControl::WMMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y, qint64)
{
    // An automatic drag begins with the left press, which then selects or
    // clicks nothing.
    if (Button == mbLeft && FDragMode == dmAutomatic) {
        const TMouseDragSettings drag = MouseDragSettings();
        BeginDrag(drag.DragImmediate, drag.DragThreshold);
        return;
    }
    MouseDown(Button, Shift, X, Y);
}

void TCustomControl::MouseDown(TMouseButton, TShiftState, int, int)
{
}

void TCustomControl::MouseMove(TShiftState, int, int)
{
}

void TCustomControl::MouseUp(TMouseButton, TShiftState, int, int)
{
}

bool TCustomControl::DoMouseWheel(TShiftState Shift, int WheelDelta, const QPoint& MousePos)
{
    FWheelAccumulator += WheelDelta;
    bool handled = false;
    while (FWheelAccumulator >= 120 || FWheelAccumulator <= -120) {
        if (FWheelAccumulator < 0) {
            FWheelAccumulator += 120;
            handled = DoMouseWheelDown(Shift, MousePos) || handled;
        } else {
            FWheelAccumulator -= 120;
            handled = DoMouseWheelUp(Shift, MousePos) || handled;
        }
    }
    return handled;
}

bool TCustomControl::DoMouseWheelDown(TShiftState, const QPoint&)
{
    return false;
}

bool TCustomControl::DoMouseWheelUp(TShiftState, const QPoint&)
{
    return false;
}

void TCustomControl::Click()
{
}

void TCustomControl::DblClick()
{
}

QCursor TCustomControl::CursorAt(const QPoint&)
{
    return QCursor(Qt::ArrowCursor);
}

void TCustomControl::UpdateCursor()
{
    const QCursor cursor = CursorAt(FLastMouse);
    if (cursor.shape() != FCursorShape) {
        FCursorShape = cursor.shape();
        FClient->setCursor(cursor);
    }
}
