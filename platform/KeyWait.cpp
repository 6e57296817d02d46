#include "platform/KeyWait.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QPointer>
#include <QScopedValueRollback>
#include <QWidget>
#include <QWindow>
#include <utility>
#include <vector>

namespace {

// The user's input, which a hold keeps back.
bool IsInput(QEvent::Type Type)
{
    switch (Type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel: return true;
    default: return false;
    }
}

// What counts as typing on: a key pressed, or text an input method commits.
bool IsTyping(const QEvent& Event)
{
    if (Event.type() == QEvent::InputMethod)
        return !static_cast<const QInputMethodEvent&>(Event).commitString().isEmpty();
    return Event.type() == QEvent::KeyPress;
}

} // namespace

// The application event filter of a watch.
class TKeyWait::THold : public QObject {
public:
    THold()
        : FOuter(Current), FModal(QGuiApplication::modalWindow()), FPopup(QApplication::activePopupWidget())
    {
        Current = this;
        QCoreApplication::instance()->installEventFilter(this);
    }

    ~THold() override
    {
        QCoreApplication::instance()->removeEventFilter(this);
        Current = FOuter;
        for (auto& [receiver, event] : FHeld) {
            if (!receiver)
                continue;
            if (event)
                QCoreApplication::postEvent(receiver, event.release());
            else
                receiver->deleteLater();
        }
    }

    // The hold that a new watch shares: one that is looking into the events.
    static THold* Looking() { return Current && Current->Holding() ? Current : nullptr; }

    bool KeyDownWaiting()
    {
        // A watch that shares this hold asks while this one runs the events.
        if (!FLooking) {
            const QScopedValueRollback looking(FLooking, true);
            QCoreApplication::processEvents();
        }
        return FTypedOn;
    }

protected:
    bool eventFilter(QObject* Receiver, QEvent* Event) override
    {
        if (!Holding())
            return false;
        switch (Event->type()) {
        case QEvent::ShortcutOverride:
            // As if the receiver wanted the key itself: no short-cut fires.
            Event->accept();
            return true;
        case QEvent::DeferredDelete:
            // Asked for again when the hold ends (an empty event stands for it).
            FHeld.emplace_back(Receiver, nullptr);
            return true;
        default:
            if (!IsInput(Event->type()))
                return false;
            FTypedOn = FTypedOn || IsTyping(*Event);
            FHeld.emplace_back(Receiver, Event->clone());
            return true;
        }
    }

private:
    // Only while looking into the events, and not for a modal window or a
    // pop-up raised meanwhile, which run their own event loop.
    bool Holding() const
    {
        return FLooking && QGuiApplication::modalWindow() == FModal && QApplication::activePopupWidget() == FPopup;
    }

    static inline THold* Current = nullptr;
    THold* FOuter;
    QPointer<QWindow> FModal;
    QPointer<QWidget> FPopup;
    bool FLooking = false;
    bool FTypedOn = false;
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> FHeld;
};

TKeyWait::TKeyWait()
{
    FHold = THold::Looking();
    if (!FHold) {
        FOwnHold = std::make_unique<THold>();
        FHold = FOwnHold.get();
    }
}

TKeyWait::~TKeyWait() = default;

bool TKeyWait::KeyDownWaiting()
{
    return FHold->KeyDownWaiting();
}
