#pragma once
// A left click as the platform delivers a person's: the press and the
// release go to the window, and Qt hands each on as it does on a screen:
// the press to the widget under the pointer, the release to the widget
// that holds the mouse since the press.

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

inline void ClickThroughWindow(QWidget* widget, QPoint pos)
{
    QWidget* top = widget->window();
    const QPointF at(widget->mapTo(top, pos));
    const QPointF global(widget->mapToGlobal(pos));
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, at, global, Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(top->windowHandle(), &event);
        QCoreApplication::processEvents();
    }
}
