#include "platform/WindowHints.h"

#include <QEvent>
#include <QObject>
#include <QWidget>
#include <QWindow>

namespace {

// Sets the type on the native window each time the window is about to be
// mapped: a change of the window's flags makes a new native window.
class TNoMinimizeHint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (QWindow* handle = static_cast<QWidget*>(watched)->windowHandle();
                handle && handle->property(WmWindowTypeProperty).toInt() != WmWindowTypeToolbar) {
                handle->setProperty(WmWindowTypeProperty, WmWindowTypeToolbar);
                // The platform reads the type again as the flags change; a
                // flag that no platform window uses changes them and back.
                const Qt::WindowFlags flags = handle->flags();
                handle->setFlags(flags | Qt::BypassGraphicsProxyWidget);
                handle->setFlags(flags);
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void SetNoMinimizeHint(QWidget& window)
{
    window.installEventFilter(new TNoMinimizeHint(&window));
}
