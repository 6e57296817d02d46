#pragma once
// Helpers for the button and drop-down tests: an owner that records how its
// drop-down asked to close, and real mouse and key events for any widget.

#include "gridbase/ToolCtrlsMv.h"
#include "platform/FrameControls.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

inline void PrintTo(const QColor& color, std::ostream* out)
{
    *out << color.name().toStdString();
}

// A drop-down owner: remembers every CloseUp and hides the drop-down as
// real owners do.
class TTestOwner : public QWidget, public IDropDownOwnerMv {
public:
    explicit TTestOwner(QWidget* parent = nullptr) : QWidget(parent) {}
    void CloseUp(bool Accept) override
    {
        CloseUps.push_back(Accept);
        if (DropDown)
            HideDropDownWindow(DropDown);
    }
    std::vector<bool> CloseUps;
    QWidget* DropDown = nullptr;
};

inline void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPointF local(pos);
    const QPointF global(widget->mapToGlobal(pos));
    QMouseEvent event(type, local, local, global, button, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

inline void Press(QWidget* widget, QPoint pos)
{
    SendMouse(widget, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
}

inline void Drag(QWidget* widget, QPoint pos)
{
    SendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
}

inline void Hover(QWidget* widget, QPoint pos)
{
    SendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton);
}

inline void Release(QWidget* widget, QPoint pos)
{
    SendMouse(widget, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

inline void Click(QWidget* widget, QPoint pos)
{
    Press(widget, pos);
    Release(widget, pos);
}

inline void WheelOn(QWidget* widget, QPoint pos, int delta)
{
    QWheelEvent event(QPointF(pos), QPointF(widget->mapToGlobal(pos)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

// A key as an owner passes it on to a drop-down.
inline void SendKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                    const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

inline void TypeInto(QWidget* widget, const QString& text)
{
    for (QChar ch : text)
        SendKey(widget, Qt::Key_unknown, Qt::NoModifier, QString(ch));
}

// Paints into an image with a canvas, as a control's paint would.
template <class TDraw>
QImage PaintImage(int width, int height, TDraw draw, const QPalette& palette = QApplication::palette())
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas;
    canvas.Begin(&image, QRegion(0, 0, width, height), palette);
    draw(canvas);
    canvas.End();
    return image;
}

inline QColor Rgb(TColor color)
{
    return ToQColor(color, QApplication::palette());
}

// Classic drawing for stable pixels.
class ButtonsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetThemesEnabled(false);
        ClearButtonsBitmapCache();
    }
    void TearDown() override
    {
        SetThemesEnabled(true);
        ClearButtonsBitmapCache();
        ButtonBitmapCacheEnabled = true;
    }
};
