#pragma once
// Helpers for every test of this folder: an owner that records how its
// drop-down asked to close, real mouse and key events for any widget, the
// focus, painting into images and writing screenshots.

#include "gridbase/ToolCtrlsMv.h"
#include "platform/FrameControls.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
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
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier, ulong timestamp = 0)
{
    const QPointF local(pos);
    const QPointF global(widget->mapToGlobal(pos));
    QMouseEvent event(type, local, local, global, button, buttons, modifiers);
    if (timestamp != 0)
        event.setTimestamp(timestamp);
    QApplication::sendEvent(widget, &event);
}

// Mouse events at a point of the widget: the left button pressed, dragged,
// released, and a move with no button.
inline void Press(QWidget* w, QPoint p) { SendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
inline void Drag(QWidget* w, QPoint p) { SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
inline void Hover(QWidget* w, QPoint p) { SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
inline void Release(QWidget* w, QPoint p) { SendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }

inline void Click(QWidget* w, QPoint p)
{
    Press(w, p);
    Release(w, p);
}

// Text that other roads than typing bring: dragged over the widget and
// dropped (the events sent straight to it), committed by an input method,
// and, where the system keeps a selection (X11), the selection pasted by a
// middle click.
inline void DropText(QWidget* widget, const QString& text)
{
    QMimeData data;
    data.setText(text);
    const QPoint at(widget->width() / 2, widget->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &drop);
}

inline void CommitText(QWidget* widget, const QString& text)
{
    QInputMethodEvent composed;
    composed.setCommitString(text);
    QApplication::sendEvent(widget, &composed);
}

inline void MiddleClickPaste(QWidget* widget, const QString& text)
{
    QApplication::clipboard()->setText(text, QClipboard::Selection);
    const QPoint at(widget->width() - 2, widget->height() / 2);
    SendMouse(widget, QEvent::MouseButtonPress, at, Qt::MiddleButton, Qt::MiddleButton);
    SendMouse(widget, QEvent::MouseButtonRelease, at, Qt::MiddleButton, Qt::NoButton);
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

// Shows a top-level widget and makes its window the active one.
inline void ShowActive(QWidget& widget)
{
    widget.show();
    QApplication::setActiveWindow(widget.window());
    widget.activateWindow();
    QCoreApplication::processEvents();
}

// Shows the widget's window, active, and gives the widget the focus.
inline void FocusOn(QWidget* widget)
{
    ShowActive(*widget->window());
    widget->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
}

// A key to whatever has the focus, as typed. Queued work runs first: a
// drop-down that the offscreen platform made the active window hands the
// activation back to its owner's window.
inline void PressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = QString())
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QWidget* after = QApplication::focusWidget();
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(after ? after : target, &release);
    QCoreApplication::processEvents();
}

// Each character as its key: Backspace, Enter, Escape and Tab by their
// control characters, Latin letters by their letter keys.
inline void TypeText(const QString& text)
{
    for (QChar ch : text) {
        int key = Qt::Key_unknown;
        switch (ch.unicode()) {
        case u'\b': key = Qt::Key_Backspace; break;
        case u'\r': key = Qt::Key_Return; break;
        case u'\x1b': key = Qt::Key_Escape; break;
        case u'\t': key = Qt::Key_Tab; break;
        default:
            if (ch.isLetter() && ch.unicode() < 128)
                key = Qt::Key_A + (ch.toUpper().unicode() - 'A');
        }
        PressKey(key, Qt::NoModifier, QString(ch));
    }
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

// A small magnifier, drawn here rather than taken from anywhere.
inline QPixmap MagnifierGlyph()
{
    QPixmap glyph(10, 10);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    p.drawEllipse(QRectF(1, 1, 5.5, 5.5));
    p.drawLine(QPointF(6, 6), QPointF(9, 9));
    return glyph;
}

// Writes a picture for a person to look at into the build's screenshots.
inline void SaveScreenshot(const QImage& image, const QString& fileName)
{
    const QString dir = BinaryDir() + QStringLiteral("/screenshots");
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(image.save(dir + u'/' + fileName));
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
