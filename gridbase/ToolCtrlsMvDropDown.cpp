// Drop-down placement, the outside-click watch and the size grip.

#include "gridbase/ToolCtrlsMv.h"

#include "gridbase/ToolCtrlsMvWatch.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>
#include <climits>

IDropDownOwnerMv* DropDownOwnerOf(const QObject* Owner)
{
    return dynamic_cast<IDropDownOwnerMv*>(const_cast<QObject*>(Owner));
}

bool WidgetWithin(const QWidget* Widget, const QWidget* Ancestor)
{
    if (!Ancestor)
        return false;
    for (const QWidget* w = Widget; w; w = w->parentWidget())
        if (w == Ancestor)
            return true;
    return false;
}

bool HandPressToList(QWidget* Button, const QPoint& ButtonPos, QWidget* ListClient)
{
    const QPoint global = Button->mapToGlobal(ButtonPos);
    const QPoint local = ListClient->mapFromGlobal(global);
    if (!ListClient->rect().contains(local))
        return false;
    const QPointF outside(-1, -1);
    QMouseEvent release(QEvent::MouseButtonRelease, outside, outside, Button->mapToGlobal(outside), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Button, &release);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(local), QPointF(local), QPointF(global), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ListClient, &press);
    ListClient->grabMouse();
    return true;
}

// ---------------------------------------------------------------- the watch

TDropDownWatchMv::TDropDownWatchMv(QWidget* Window, std::function<void()> Cancel)
    : QObject(Window), FWindow(Window), FCancel(std::move(Cancel))
{
}

TDropDownWatchMv::~TDropDownWatchMv()
{
    SetWatching(false);
}

void TDropDownWatchMv::SetWatching(bool Value)
{
    if (Value == FWatching || !qApp)
        return;
    FWatching = Value;
    if (Value)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool TDropDownWatchMv::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !FWindow->isVisible())
        return false;
    // Presses inside the drop-down are its own; presses on its owner are
    // the owner's to judge (a click on the drop-down button toggles). A
    // press that a child leaves to its parents is judged by where it
    // happened, not by the parent it reaches.
    QWidget* owner = FWindow->parentWidget();
    if (WidgetWithin(widget, FWindow) || WidgetWithin(widget, owner))
        return false;
    const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    if (FWindow->frameGeometry().contains(at))
        return false;
    if (owner && QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size()).contains(at))
        return false;
    FCancel();
    return false;
}

// ---------------------------------------------------------------- placement

TRect DropDownWorkArea(const TRect& Rect)
{
    const QRect r = Rect.ToQRect();
    QScreen* best = QGuiApplication::screenAt(r.center());
    if (!best) {
        // The screen nearest to the rect.
        qint64 bestDistance = LLONG_MAX;
        for (QScreen* screen : QGuiApplication::screens()) {
            const QRect g = screen->geometry();
            const qint64 dx = std::max({0, g.left() - r.right(), r.left() - g.right()});
            const qint64 dy = std::max({0, g.top() - r.bottom(), r.top() - g.bottom()});
            const qint64 distance = dx * dx + dy * dy;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = screen;
            }
        }
    }
    if (!best)
        best = QGuiApplication::primaryScreen();
    return best ? TRect::FromQRect(best->availableGeometry()) : Rect;
}

namespace {

// Sizes a drop-down; a list snaps its height to whole rows.
void SetDropDownSize(QWidget* DropDown, int Width, int Height)
{
    if (auto* list = dynamic_cast<TPopupListboxMv*>(DropDown))
        list->SetBounds(list->x(), list->y(), Width, Height);
    else
        DropDown->resize(Width, Height);
}

void TellPlacement(QWidget* DropDown, int Code)
{
    if (auto* control = dynamic_cast<TCustomControl*>(DropDown))
        control->Perform(MV_DROPDOWNPLACED, Code, 0);
}

} // namespace

QPoint AlignDropDownWindowRect(const TRect& OwnerRect, QWidget* DropDown, TDropDownAlign Align)
{
    const TRect& r = OwnerRect;
    const TRect work = DropDownWorkArea(r);
    int height = DropDown->height();

    bool below;
    if (r.Bottom + height <= work.Bottom)
        below = true;
    else if (r.Top - height >= work.Top)
        below = false;
    else
        below = work.Bottom - r.Bottom >= r.Top - work.Top;
    const int room = below ? work.Bottom - r.Bottom : r.Top - work.Top;
    if (height > room) {
        SetDropDownSize(DropDown, DropDown->width(), room);
        height = DropDown->height();
    }
    const int top = below ? r.Bottom : r.Top - height;
    TellPlacement(DropDown, below ? 3 : 2);

    if (DropDown->width() > work.Width())
        SetDropDownSize(DropDown, work.Width(), DropDown->height());
    const int width = DropDown->width();
    int left = r.Left;
    if (Align == daRight)
        left -= width - r.Width();
    else if (Align == daCenter)
        left -= (width - r.Width()) / 2;
    int side;
    if (left + width > work.Right) {
        left = work.Right - width;
        side = 0;
    } else if (left < work.Left) {
        left = work.Left;
        side = 1;
    } else {
        side = Align == daRight ? 0 : 1;
    }
    TellPlacement(DropDown, side);
    return QPoint(left, top);
}

QPoint AlignDropDownWindow(QWidget* Owner, QWidget* DropDown, TDropDownAlign Align)
{
    const QPoint origin = Owner->mapToGlobal(QPoint(0, 0));
    return AlignDropDownWindowRect(Bounds(origin.x(), origin.y(), Owner->width(), Owner->height()), DropDown, Align);
}

void SetDropDownWindowFlags(QWidget* DropDown, bool TakesFocus)
{
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    if (!TakesFocus)
        flags |= Qt::WindowDoesNotAcceptFocus;
    DropDown->setWindowFlags(flags);
    DropDown->setAttribute(Qt::WA_ShowWithoutActivating);
    if (!TakesFocus)
        DropDown->setFocusPolicy(Qt::NoFocus);
}

void ShowDropDownWindow(QWidget* DropDown, const QPoint& TopLeft)
{
    DropDown->move(TopLeft);
    DropDown->show();
    DropDown->raise();
}

void HideDropDownWindow(QWidget* DropDown)
{
    DropDown->hide();
}

// ---------------------------------------------------------------- TSizeGripMv

TSizeGripMv::TSizeGripMv(TCustomControl* Target) : TCustomControl(Target->ClientWidget()), FTarget(Target)
{
    setFocusPolicy(Qt::NoFocus);
    SetColor(clBtnFace);
    resize(GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYVSCROLL));
    hide();
    UpdateRegion();
    UpdatePosition();
    UpdateCursor();
}

void TSizeGripMv::SetPosition(int Value)
{
    Value = std::clamp(Value, 0, 3);
    if (FPosition == Value)
        return;
    FPosition = Value;
    UpdateRegion();
    UpdatePosition();
    UpdateCursor();
    Invalidate();
}

void TSizeGripMv::SetTriangleWindow(bool Value)
{
    if (FTriangleWindow == Value)
        return;
    FTriangleWindow = Value;
    UpdateRegion();
    UpdatePosition();
}

void TSizeGripMv::ChangePosition(int Code)
{
    int position = FPosition;
    switch (Code) {
    case 0: // extends to the left: the grip goes to the left corner
        if (position == 1)
            position = 0;
        else if (position == 2)
            position = 3;
        break;
    case 1:
        if (position == 0)
            position = 1;
        else if (position == 3)
            position = 2;
        break;
    case 2: // above the owner: the grip goes to the top
        if (position == 2)
            position = 1;
        else if (position == 3)
            position = 0;
        break;
    case 3:
        if (position == 1)
            position = 2;
        else if (position == 0)
            position = 3;
        break;
    default: break;
    }
    SetPosition(position);
}

void TSizeGripMv::UpdatePosition()
{
    const int cw = FTarget->ClientWidth();
    const int ch = FTarget->ClientHeight();
    const int w = width();
    const int h = height();
    QPoint corner;
    switch (FPosition) {
    case 0: corner = QPoint(0, 0); break;
    case 1: corner = QPoint(cw - w, 0); break;
    case 3: corner = QPoint(0, ch - h); break;
    default: corner = QPoint(cw - w, ch - h); break;
    }
    FMoving = true;
    move(corner);
    FMoving = false;
}

void TSizeGripMv::SetVisible(bool Value)
{
    if (Value)
        UpdatePosition();
    setVisible(Value);
    if (Value)
        raise();
}

void TSizeGripMv::moveEvent(QMoveEvent* event)
{
    TCustomControl::moveEvent(event);
    if (!FMoving)
        UpdatePosition();
}

void TSizeGripMv::UpdateRegion()
{
    if (!FTriangleWindow) {
        clearMask();
        return;
    }
    const int w = width();
    const int h = height();
    QPolygon triangle;
    switch (FPosition) {
    case 0: triangle << QPoint(0, h) << QPoint(0, 0) << QPoint(w, 0); break;
    case 1: triangle << QPoint(0, 0) << QPoint(w, 0) << QPoint(w, h); break;
    case 3: triangle << QPoint(w, h) << QPoint(0, h) << QPoint(0, 0); break;
    default: triangle << QPoint(0, h) << QPoint(w, h) << QPoint(w, 0); break;
    }
    setMask(QRegion(triangle));
}

QCursor TSizeGripMv::CursorAt(const QPoint&)
{
    return QCursor(FPosition == 0 || FPosition == 2 ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
}

void TSizeGripMv::Paint()
{
    TCanvas& canvas = Canvas();
    const int w = width();
    const int h = height();
    canvas.FillRect(TRect(0, 0, w, h), clBtnFace);
    // Ridges parallel to the diagonal: highlight, two shadow lines and a
    // gap, repeated every four pixels away from the corner.
    const bool right = FPosition == 1 || FPosition == 2;
    const bool bottom = FPosition == 2 || FPosition == 3;
    static constexpr TColor ridge[4] = {clBtnHighlight, clBtnShadow, clBtnShadow, clBtnFace};
    const int size = std::min(w, h);
    for (int d = 1; d < size; ++d) {
        const TColor color = ridge[(d - 1) % 4];
        // The line of the pixels at distance d from the corner along both edges.
        for (int i = 0; i < d; ++i) {
            const int x = right ? w - d + i : d - 1 - i;
            const int y = bottom ? h - 1 - i : i;
            canvas.FillRect(Bounds(x, y, 1, 1), color);
        }
    }
}

void TSizeGripMv::MouseDown(TMouseButton Button, TShiftState, int X, int Y)
{
    if (Button != mbLeft)
        return;
    FStartPoint = ClientToScreen(QPoint(X, Y));
    FLastPoint = FStartPoint;
    FStartClient = QSize(FTarget->ClientWidth(), FTarget->ClientHeight());
    FStartGeometry = FTarget->geometry();
}

void TSizeGripMv::ResizeTarget(int Left, int Top, int Width, int Height)
{
    Width = std::max(Width, this->width());
    Height = std::max(Height, this->height());
    if (auto* list = dynamic_cast<TPopupListboxMv*>(FTarget))
        list->SetBounds(Left, Top, Width, Height);
    else
        FTarget->setGeometry(Left, Top, Width, Height);
}

void TSizeGripMv::MouseMove(TShiftState Shift, int X, int Y)
{
    if (!Shift.testFlag(ssLeft) || !MouseCapture() || FMoving)
        return;
    const QPoint p = ClientToScreen(QPoint(X, Y));
    if (p == FLastPoint)
        return;
    FLastPoint = p;
    const TRect start = TRect::FromQRect(FStartGeometry);
    const TRect work = DropDownWorkArea(start);
    const QSize oldClient(FTarget->ClientWidth(), FTarget->ClientHeight());
    const bool left = FPosition == 0 || FPosition == 3;
    const bool top = FPosition == 0 || FPosition == 1;

    int width;
    int newLeft = start.Left;
    if (left) {
        width = start.Width() + FStartPoint.x() - p.x();
        if (start.Right - width < work.Left)
            width = start.Right - work.Left;
    } else {
        width = start.Width() + p.x() - FStartPoint.x();
        if (start.Left + width > work.Right)
            width = work.Right - start.Left;
    }
    int height;
    if (top) {
        height = start.Height() + FStartPoint.y() - p.y();
        if (start.Bottom - height < work.Top)
            height = start.Bottom - work.Top;
    } else {
        height = start.Height() + p.y() - FStartPoint.y();
        if (start.Top + height > work.Bottom)
            height = work.Bottom - start.Top;
    }
    ResizeTarget(start.Left, start.Top, width, height);
    // The edges away from the grip stay where they were.
    if (left)
        newLeft = start.Right - FTarget->width();
    const int newTop = top ? start.Bottom - FTarget->height() : start.Top;
    if (newLeft != FTarget->x() || newTop != FTarget->y())
        FTarget->move(newLeft, newTop);
    if (QSize(FTarget->ClientWidth(), FTarget->ClientHeight()) != oldClient && OnParentResized)
        OnParentResized(this);
    UpdatePosition();
}
