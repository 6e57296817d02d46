// Dragging one of our controls onto another: the one drag under way, how it
// waits for its threshold, whom it tells as the pointer moves, and how it
// ends. The drag stays inside the program (no desktop drag and drop): the
// source keeps the mouse and asks the control under the pointer itself.

#include "platform/Control.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <optional>

namespace {

// The drag under way; there is at most one, as there is one mouse.
struct TDragSession {
    QPointer<TCustomControl> Source;
    // The control last told of the drag (entered), and whether it accepts.
    QPointer<TCustomControl> Target;
    bool Accepted = false;
    // Past its threshold: the drag has begun and the cursor says so.
    bool Active = false;
    QPoint Start;
    int Threshold = 0;
    // Told apart from a later drag, for handlers that end this one.
    quint64 Serial = 0;
};

TDragSession& Session()
{
    static TDragSession session;
    return session;
}

quint64 NextSerial()
{
    static quint64 serial = 0;
    return ++serial;
}

bool SameDrag(quint64 serial)
{
    return Session().Source && Session().Serial == serial;
}

std::optional<TMouseDragSettings>& StoredDragSettings()
{
    static std::optional<TMouseDragSettings> settings;
    return settings;
}

Qt::CursorShape DragCursor(bool accepted)
{
    return accepted ? Qt::DragMoveCursor : Qt::ForbiddenCursor;
}

} // namespace

TMouseDragSettings MouseDragSettings()
{
    if (StoredDragSettings())
        return *StoredDragSettings();
    return {false, QApplication::startDragDistance()};
}

void SetMouseDragSettings(const TMouseDragSettings& settings)
{
    StoredDragSettings() = settings;
}

bool TCustomControl::Dragging() const
{
    return Session().Source == this;
}

TCustomControl* TCustomControl::FindDragTarget(const QPoint& globalPos)
{
    for (QWidget* widget = QApplication::widgetAt(globalPos); widget; widget = widget->parentWidget()) {
        if (auto* control = qobject_cast<TCustomControl*>(widget))
            return control->isEnabled() ? control : nullptr;
        if (widget->isWindow())
            break;
    }
    return nullptr;
}

QPoint TCustomControl::DragPointerPos() const
{
    // During a press the last mouse point is where the pointer is (a test's
    // events never move the desktop's cursor); otherwise ask the desktop.
    return FCaptured ? ClientToScreen(FLastMouse) : QCursor::pos();
}

void TCustomControl::BeginDrag(bool Immediate, int Threshold)
{
    if (Session().Source)
        return;
    TDragSession& session = Session();
    session = TDragSession{};
    session.Source = this;
    session.Serial = NextSerial();
    session.Start = DragPointerPos();
    session.Threshold = Immediate ? 0 : (Threshold < 0 ? MouseDragSettings().DragThreshold : Threshold);
    // The mouse stays with the dragged control also where no press of its
    // own holds it.
    if (!FCaptured && FClient->isVisible())
        FClient->grabMouse();
    if (Immediate)
        DragTo(session.Start);
}

void TCustomControl::DragTo(const QPoint& globalPos)
{
    TDragSession& session = Session();
    if (session.Source != this)
        return;
    const quint64 serial = session.Serial;
    if (!session.Active) {
        const QPoint moved = globalPos - session.Start;
        if (std::max(std::abs(moved.x()), std::abs(moved.y())) < session.Threshold)
            return;
        session.Active = true;
        QGuiApplication::setOverrideCursor(QCursor(DragCursor(false)));
        DoStartDrag();
        if (!SameDrag(serial))
            return;
    }
    TCustomControl* target = FindDragTarget(globalPos);
    TCustomControl* previous = session.Target;
    bool accept = false;
    if (target != previous) {
        session.Target = nullptr;
        session.Accepted = false;
        if (previous) {
            const QPoint at = previous->ScreenToClient(globalPos);
            bool ignored = false;
            previous->DragOver(this, at.x(), at.y(), dsDragLeave, ignored);
            if (!SameDrag(serial))
                return;
        }
        if (target) {
            session.Target = target;
            const QPoint at = target->ScreenToClient(globalPos);
            target->DragOver(this, at.x(), at.y(), dsDragEnter, accept);
        }
    } else if (target) {
        const QPoint at = target->ScreenToClient(globalPos);
        target->DragOver(this, at.x(), at.y(), dsDragMove, accept);
    }
    if (!SameDrag(serial))
        return;
    session.Accepted = target && accept;
    QGuiApplication::changeOverrideCursor(QCursor(DragCursor(session.Accepted)));
}

void TCustomControl::EndDrag(bool Drop)
{
    if (!Dragging())
        return;
    // The drag is over before anyone hears of it: a handler that begins a
    // new one, or ends this one again, finds none under way.
    const TDragSession session = std::exchange(Session(), TDragSession{});
    if (QWidget::mouseGrabber() == FClient)
        FClient->releaseMouse();
    // Given up while the button is still down: its release ends nothing more.
    FSwallowRelease = FCaptured;
    if (!session.Active)
        return;
    QGuiApplication::restoreOverrideCursor();
    const QPointer<TCustomControl> self(this);
    const QPoint globalPos = ClientToScreen(FLastMouse);
    TCustomControl* target = session.Target;
    QPointer<TCustomControl> taker;
    QPoint at;
    if (target) {
        at = target->ScreenToClient(globalPos);
        if (Drop && session.Accepted) {
            taker = target;
            target->DragDrop(this, at.x(), at.y());
        } else {
            bool ignored = false;
            target->DragOver(this, at.x(), at.y(), dsDragLeave, ignored);
        }
    }
    if (!self)
        return;
    if (taker)
        DoEndDrag(taker, at.x(), at.y());
    else
        DoEndDrag(nullptr, 0, 0);
    UpdateCursor();
}

void TCustomControl::AbandonDrag()
{
    if (!Dragging())
        return;
    const TDragSession session = std::exchange(Session(), TDragSession{});
    if (QWidget::mouseGrabber() == FClient)
        FClient->releaseMouse();
    if (session.Active)
        QGuiApplication::restoreOverrideCursor();
}

void TCustomControl::DoStartDrag()
{
    if (OnStartDrag)
        OnStartDrag(this);
}

void TCustomControl::DragOver(QObject* Source, int X, int Y, TDragState State, bool& Accept)
{
    Accept = static_cast<bool>(OnDragOver);
    if (OnDragOver)
        OnDragOver(this, Source, X, Y, State, Accept);
}

void TCustomControl::DragDrop(QObject* Source, int X, int Y)
{
    if (OnDragDrop)
        OnDragDrop(this, Source, X, Y);
}

void TCustomControl::DoEndDrag(QObject* Target, int X, int Y)
{
    if (OnEndDrag)
        OnEndDrag(this, Target, X, Y);
}
