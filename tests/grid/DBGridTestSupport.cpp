#include "DBGridTestSupport.h"

#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>

std::unique_ptr<TClientDataSet> MakeItems(int count)
{
    auto data = std::make_unique<TClientDataSet>();
    data->FieldDefs().Add(QStringLiteral("Code"), ftString, 10);
    data->FieldDefs().Add(QStringLiteral("Title"), ftString, 20);
    data->FieldDefs().Add(QStringLiteral("Qty"), ftInteger);
    TFieldDef& price = data->FieldDefs().Add(QStringLiteral("Price"), ftFMTBcd, 2);
    price.Precision = 18;
    data->FieldDefs().Add(QStringLiteral("Active"), ftBoolean);
    data->FieldDefs().Add(QStringLiteral("Flag"), ftString, 1);
    data->CreateDataSet();
    for (int i = 1; i <= count; ++i) {
        data->Append();
        data->FieldByName(QStringLiteral("Code"))->SetAsString(QStringLiteral("C%1").arg(i, 3, 10, QLatin1Char('0')));
        data->FieldByName(QStringLiteral("Title"))->SetAsString(QStringLiteral("Item %1").arg(i));
        data->FieldByName(QStringLiteral("Qty"))->SetAsInteger(i);
        data->FieldByName(QStringLiteral("Price"))->SetAsFloat(i * 1.25);
        data->FieldByName(QStringLiteral("Active"))->SetAsBoolean(i % 2 == 1);
        data->FieldByName(QStringLiteral("Flag"))->SetAsString(i % 3 == 0 ? QStringLiteral("0") : QStringLiteral("1"));
        data->Post();
    }
    data->First();
    return data;
}

void DBGridTest::SetUp()
{
    SetThemesEnabled(false);
    Window = std::make_unique<QWidget>();
    Grid = new TTestDBGrid(Window.get());
    Other = new QLineEdit(Window.get());
    Source = std::make_unique<TDataSource>();
}

void DBGridTest::TearDown()
{
    Window.reset();
    Source.reset();
    SetThemesEnabled(true);
}

void DBGridTest::Show(int width, int height)
{
    Grid->setGeometry(0, 0, width, height);
    Other->setGeometry(0, height, width, 20);
    Window->resize(width, height + 20);
    Window->show();
    QApplication::setActiveWindow(Window.get());
    Other->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
}

void DBGridTest::Bind(TClientDataSet& data)
{
    Source->SetDataSet(&data);
    Grid->SetDataSource(Source.get());
}

QImage DBGridTest::Grab()
{
    QCoreApplication::processEvents();
    return Grid->ClientWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void DBGridTest::Focus()
{
    QApplication::setActiveWindow(Window.get());
    Grid->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
}

void PressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &release);
    QCoreApplication::processEvents();
}

// A move carries the button as held.
void MouseOn(QWidget* target, QEvent::Type type, QPoint pos, Qt::KeyboardModifiers modifiers,
             Qt::MouseButton button)
{
    const QPointF local(pos);
    const QPointF global(target->mapToGlobal(pos));
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, local, local, global, type == QEvent::MouseMove ? Qt::NoButton : button, held,
                      modifiers);
    QApplication::sendEvent(target, &event);
}

void ClickOn(QWidget* target, QPoint pos, Qt::KeyboardModifiers modifiers, Qt::MouseButton button)
{
    MouseOn(target, QEvent::MouseButtonPress, pos, modifiers, button);
    MouseOn(target, QEvent::MouseButtonRelease, pos, modifiers, button);
    QCoreApplication::processEvents();
}

void ClickAt(TCustomGridMv& grid, QPoint pos, Qt::KeyboardModifiers modifiers, Qt::MouseButton button)
{
    ClickOn(grid.ClientWidget(), pos, modifiers, button);
}

void MouseAt(TCustomGridMv& grid, QEvent::Type type, QPoint pos, Qt::KeyboardModifiers modifiers,
             Qt::MouseButton button)
{
    MouseOn(grid.ClientWidget(), type, pos, modifiers, button);
    QCoreApplication::processEvents();
}

void WheelAt(TCustomGridMv& grid, QPoint pos, int angle)
{
    QWidget* client = grid.ClientWidget();
    QWheelEvent wheel(QPointF(pos), QPointF(client->mapToGlobal(pos)), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(client, &wheel);
}

void TypeText(QWidget* target, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QCoreApplication::processEvents();
}

void Type(QWidget* target, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
    }
    QCoreApplication::processEvents();
}

QImage WithPopup(QWidget* window, QWidget* popup)
{
    QCoreApplication::processEvents();
    const QPoint at = window->mapFromGlobal(popup->mapToGlobal(QPoint(0, 0)));
    QImage image(std::max(window->width(), at.x() + popup->width()),
                 std::max(window->height(), at.y() + popup->height()), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, window->grab());
    painter.drawPixmap(at, popup->grab());
    return image;
}

bool SaveScreenshot(const QImage& image, const QString& name)
{
    const QString dir = BinaryDir() + QStringLiteral("/screenshots");
    return QDir().mkpath(dir) && image.save(dir + u'/' + name);
}

QImage BackingStore(TCustomGridMv& grid)
{
    QCoreApplication::processEvents();
    QWidget* top = grid.window();
    const QPixmap shot = top->screen()->grabWindow(top->winId());
    const QPoint origin = grid.ClientWidget()->mapTo(top, QPoint(0, 0));
    return shot.toImage().copy(QRect(origin, grid.ClientWidget()->size())).convertToFormat(QImage::Format_RGB32);
}

bool HasInk(const QImage& image, const TRect& rect)
{
    for (int y = rect.Top + 1; y < rect.Bottom - 1; ++y)
        for (int x = rect.Left + 1; x < rect.Right - 1; ++x)
            if (image.pixelColor(x, y).lightness() < 110)
                return true;
    return false;
}

QColor Resolved(const TCustomGridMv& grid, TColor color)
{
    return ToQColor(color, grid.palette());
}
