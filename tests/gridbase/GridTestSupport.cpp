#include "GridTestSupport.h"

#include <QScreen>
#include <QWindow>

QImage BackingStoreClient(TCustomGridMv& grid)
{
    QCoreApplication::processEvents();
    QWidget* top = grid.window();
    const QPixmap shot = top->screen()->grabWindow(top->winId());
    const QPoint origin = grid.ClientWidget()->mapTo(top, QPoint(0, 0));
    return shot.toImage()
        .copy(QRect(origin, grid.ClientWidget()->size()))
        .convertToFormat(QImage::Format_RGB32);
}

void PressKey(int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    QWidget* target = QApplication::focusWidget();
    if (!target)
        return;
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QWidget* after = QApplication::focusWidget();
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(after ? after : target, &release);
    QCoreApplication::processEvents();
}

void TypeText(const QString& text)
{
    for (QChar ch : text) {
        const int key = ch.isLetter() ? Qt::Key_A + (ch.toUpper().unicode() - 'A') : Qt::Key_unknown;
        PressKey(ch.isLetter() && ch.unicode() < 128 ? key : Qt::Key_unknown, Qt::NoModifier, QString(ch));
    }
}

namespace {

void SendMouse(TCustomGridMv& grid, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers, ulong timestamp)
{
    QWidget* client = grid.ClientWidget();
    const QPointF local(pos);
    const QPointF global(client->mapToGlobal(pos));
    QMouseEvent event(type, local, local, global, button, buttons, modifiers);
    if (timestamp != 0)
        event.setTimestamp(timestamp);
    QApplication::sendEvent(client, &event);
}

} // namespace

void MousePress(TCustomGridMv& grid, QPoint pos, Qt::KeyboardModifiers modifiers, Qt::MouseButton button,
                ulong timestamp)
{
    SendMouse(grid, QEvent::MouseButtonPress, pos, button, button, modifiers, timestamp);
}

void MouseMove(TCustomGridMv& grid, QPoint pos, Qt::MouseButtons buttons)
{
    SendMouse(grid, QEvent::MouseMove, pos, Qt::NoButton, buttons, Qt::NoModifier, 0);
}

void MouseRelease(TCustomGridMv& grid, QPoint pos, Qt::MouseButton button)
{
    SendMouse(grid, QEvent::MouseButtonRelease, pos, button, Qt::NoButton, Qt::NoModifier, 0);
}

void Wheel(TCustomGridMv& grid, QPoint pos, int delta)
{
    QWidget* client = grid.ClientWidget();
    QWheelEvent event(QPointF(pos), QPointF(client->mapToGlobal(pos)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(client, &event);
}
