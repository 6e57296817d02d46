// The control base: what Qt's events become, in which order, and the
// services it offers (scroll bars, timers, private messages).

#include "platform/Control.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

class TRecorder : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    QStringList Log;
    unsigned Code = DLGC_WANTARROWS;
    bool WantsEnter = false;
    int Paints = 0;
    int Resizes = 0;

protected:
    void KeyDown(quint16& Key, TShiftState Shift) override
    {
        Log << QStringLiteral("down %1%2").arg(Key).arg(Shift.testFlag(ssCtrl) ? QStringLiteral("+ctrl") : QString());
    }
    void KeyPress(QChar& Key) override { Log << QStringLiteral("press %1").arg(Key.unicode()); }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override
    {
        Log << QStringLiteral("mdown %1 %2,%3%4").arg(int(Button)).arg(X).arg(Y).arg(Shift.testFlag(ssDouble) ? QStringLiteral(" double") : QString());
    }
    void MouseUp(TMouseButton, TShiftState, int X, int Y) override { Log << QStringLiteral("mup %1,%2").arg(X).arg(Y); }
    bool DoMouseWheelDown(TShiftState, const QPoint&) override
    {
        Log << QStringLiteral("wheel down");
        return true;
    }
    void WMSetFocus(QWidget* from) override { Log << QStringLiteral("setfocus from %1").arg(from ? from->objectName() : QStringLiteral("-")); }
    void WMKillFocus(QWidget* to) override { Log << QStringLiteral("killfocus to %1").arg(to ? to->objectName() : QStringLiteral("-")); }
    void DoExit() override { Log << QStringLiteral("exit"); }
    void WMTimer(int id) override { Log << QStringLiteral("timer %1").arg(id); }
    void PrivateMessage(int msg, qintptr param) override { Log << QStringLiteral("msg %1 %2").arg(msg).arg(param); }
    void Paint() override { ++Paints; }
    void Resized() override { ++Resizes; }
    unsigned DialogCode() override { return Code; }
    bool WantsDialogKey(quint16) override { return WantsEnter; }
};

class TParent : public QWidget {
public:
    int Keys = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++Keys; }
};

void Key(QWidget* target, int key, Qt::KeyboardModifiers mods, const QString& text)
{
    QKeyEvent event(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &event);
}

void Show(QWidget& window)
{
    window.show();
    QApplication::setActiveWindow(&window);
    QCoreApplication::processEvents();
}

} // namespace

TEST(TCustomControl, KeysArriveAsKeyDownThenOneKeyPressPerCharacterAndEnterGoesOnToTheDialog)
{
    TParent parent;
    auto* control = new TRecorder(&parent);
    Key(control, Qt::Key_A, Qt::NoModifier, u"a"_qs);
    Key(control, Qt::Key_V, Qt::ControlModifier, u"\x16"_qs);
    Key(control, Qt::Key_Left, Qt::NoModifier, QString());
    Key(control, Qt::Key_Return, Qt::NoModifier, u"\r"_qs);
    EXPECT_EQ(control->Log, (QStringList{u"down 65"_qs, u"press 97"_qs, u"down 86+ctrl"_qs, u"press 22"_qs,
                                         u"down 37"_qs, u"down 13"_qs, u"press 13"_qs}));
    control->Log.clear();
    QInputMethodEvent composed;
    composed.setCommitString(u"库"_qs);
    QApplication::sendEvent(control, &composed);
    EXPECT_EQ(control->Log, QStringList{QStringLiteral("press %1").arg(QChar(u'库').unicode())});
    // Enter reaches the dialog unless the control wants it; arrows never do.
    EXPECT_EQ(parent.Keys, 1);
    control->WantsEnter = true;
    Key(control, Qt::Key_Return, Qt::NoModifier, u"\r"_qs);
    Key(control, Qt::Key_Down, Qt::NoModifier, QString());
    EXPECT_EQ(parent.Keys, 1);
}

TEST(TCustomControl, FocusHandlersNameTheOtherPartyAndTabStaysWithAControlThatWantsIt)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new TRecorder;
    auto* second = new TRecorder;
    auto* next = new QLineEdit;
    first->setObjectName(u"first"_qs);
    second->setObjectName(u"second"_qs);
    layout->addWidget(first);
    layout->addWidget(second);
    layout->addWidget(next);
    Show(window);
    first->setFocus();
    QCoreApplication::processEvents();
    first->Log.clear();
    second->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(first->Log, (QStringList{u"killfocus to second"_qs, u"exit"_qs}));
    EXPECT_EQ(second->Log, QStringList{u"setfocus from first"_qs});

    second->Code = DLGC_WANTARROWS | DLGC_WANTTAB;
    Key(second, Qt::Key_Tab, Qt::NoModifier, u"\t"_qs);
    EXPECT_TRUE(second->hasFocus());
    EXPECT_TRUE(second->Log.contains(u"down 9"_qs));
    second->Code = DLGC_WANTARROWS;
    Key(second, Qt::Key_Tab, Qt::NoModifier, u"\t"_qs);
    EXPECT_TRUE(next->hasFocus());
}

TEST(TCustomControl, MouseEventsCarryButtonShiftAndClientCoordinates)
{
    TRecorder control;
    control.resize(100, 80);
    Show(control);
    control.Log.clear();
    QWidget* client = control.ClientWidget();
    auto send = [client](QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(p), QPointF(p), QPointF(client->mapToGlobal(p)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(client, &e);
    };
    send(QEvent::MouseButtonPress, QPoint(10, 12), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(11, 12), Qt::NoButton);
    send(QEvent::MouseButtonDblClick, QPoint(10, 12), Qt::LeftButton);
    EXPECT_TRUE(control.MouseCapture());
    control.SetMouseCapture(false);
    // Released outside the client once the capture is gone: not ours.
    send(QEvent::MouseButtonRelease, QPoint(500, 12), Qt::NoButton);
    EXPECT_EQ(control.Log, (QStringList{u"mdown 0 10,12"_qs, u"mup 11,12"_qs, u"mdown 0 10,12 double"_qs}));
    control.Log.clear();
    QWheelEvent wheel(QPointF(5, 5), QPointF(client->mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, -240),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(client, &wheel);
    EXPECT_EQ(control.Log, (QStringList{u"wheel down"_qs, u"wheel down"_qs}));
}

TEST(TCustomControl, ScrollBarsShowWithTheirRangeAndShrinkTheClientAndUpdateWindowPaintsNow)
{
    TRecorder control;
    control.resize(200, 150);
    Show(control);
    const int extent = GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ(control.ClientWidth(), 200);
    control.SetScrollInfo(sbVertical, {0, 10, 0, 0});
    EXPECT_FALSE(control.ScrollBarShowing(sbVertical)) << "not allowed yet";
    control.Resizes = 0;
    control.SetScrollBarsAllowed(false, true);
    EXPECT_TRUE(control.ScrollBarShowing(sbVertical));
    EXPECT_EQ(control.ClientWidth(), 200 - extent);
    EXPECT_EQ(control.Resizes, 1);
    // A page that holds the whole range hides the bar, unless it is kept.
    control.SetScrollInfo(sbVertical, {0, 10, 11, 0});
    EXPECT_FALSE(control.ScrollBarShowing(sbVertical));
    control.SetScrollInfo(sbVertical, {0, 10, 11, 0}, true);
    EXPECT_TRUE(control.ScrollBarShowing(sbVertical));
    control.SetScrollRange(sbVertical, 0, 0);
    control.SetScrollInfo(sbVertical, control.GetScrollInfo(sbVertical));
    EXPECT_FALSE(control.ScrollBarShowing(sbVertical));
    EXPECT_EQ(control.ClientWidth(), 200);

    // UpdateWindow paints what is pending, at once.
    const int before = control.Paints;
    control.InvalidateRect(TRect(0, 0, 10, 10));
    EXPECT_EQ(control.Paints, before);
    control.UpdateWindow();
    EXPECT_EQ(control.Paints, before + 1);
    control.UpdateWindow();
    EXPECT_EQ(control.Paints, before + 1) << "nothing left to paint";
}

TEST(TCustomControl, TimersFireByIdUntilKilledAndPrivateMessagesCanBeTakenBack)
{
    TRecorder control;
    control.SetTimer(2, 5);
    EXPECT_TRUE(control.TimerActive(2));
    QElapsedTimer clock;
    clock.start();
    while (!control.Log.contains(u"timer 2"_qs) && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_TRUE(control.Log.contains(u"timer 2"_qs));
    control.KillTimer(2);
    EXPECT_FALSE(control.TimerActive(2));

    // Private messages are queued and can be taken back.
    control.Log.clear();
    control.PostPrivateMessage(1124);
    control.PostPrivateMessage(1126, 7);
    EXPECT_TRUE(control.PrivateMessagePending(1124));
    EXPECT_TRUE(control.PrivateMessagePending(1126, 7));
    EXPECT_FALSE(control.PrivateMessagePending(1126, 8));
    EXPECT_TRUE(control.Log.isEmpty());
    control.RemovePrivateMessage(1124);
    QCoreApplication::processEvents();
    EXPECT_EQ(control.Log, QStringList{u"msg 1126 7"_qs});
    EXPECT_FALSE(control.PrivateMessagePending(1126));
}
