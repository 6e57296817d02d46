// Dragging one control onto another: when a drag begins (at once or past
// its threshold), what the controls under the pointer hear, who takes the
// drop, and every way of giving a drag up.

#include "platform/Control.h"
#include "support/DragSettingsScope.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <functional>

namespace {

class TDragRecorder : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    QStringList Log;

protected:
    void MouseDown(TMouseButton, TShiftState, int X, int Y) override
    {
        Log << QStringLiteral("mdown %1,%2").arg(X).arg(Y);
    }
    void MouseMove(TShiftState, int X, int Y) override { Log << QStringLiteral("mmove %1,%2").arg(X).arg(Y); }
    void MouseUp(TMouseButton, TShiftState, int X, int Y) override { Log << QStringLiteral("mup %1,%2").arg(X).arg(Y); }
};

QString Name(QObject* object)
{
    return object ? object->objectName() : QStringLiteral("-");
}

// A source and a target side by side in one window, a line edit (no
// control of ours) below them, and a log of every drag event.
class ControlDragTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Source = new TDragRecorder(&Window);
        Source->setObjectName(QStringLiteral("source"));
        Source->setGeometry(0, 0, 100, 100);
        Target = new TDragRecorder(&Window);
        Target->setObjectName(QStringLiteral("target"));
        Target->setGeometry(150, 0, 100, 100);
        Edit = new QLineEdit(&Window);
        Edit->setGeometry(0, 120, 250, 20);
        Window.resize(260, 150);
        Window.show();
        QApplication::setActiveWindow(&Window);
        QCoreApplication::processEvents();
        for (TDragRecorder* control : {Source, Target}) {
            control->OnStartDrag = [this](QObject* sender) { Events << QStringLiteral("start ") + Name(sender); };
            control->OnEndDrag = [this](QObject* sender, QObject* target, int x, int y) {
                Events << QStringLiteral("end %1 on %2 at %3,%4").arg(Name(sender), Name(target)).arg(x).arg(y);
            };
        }
        Target->OnDragOver = [this](QObject* sender, QObject* source, int x, int y, TDragState state, bool& accept) {
            const char* states[] = {"enter", "leave", "move"};
            Events << QStringLiteral("%1 %2 from %3 at %4,%5")
                          .arg(QLatin1String(states[state]), Name(sender), Name(source))
                          .arg(x)
                          .arg(y);
            accept = Accepts;
        };
        Target->OnDragDrop = [this](QObject* sender, QObject* source, int x, int y) {
            Events << QStringLiteral("drop on %1 from %2 at %3,%4").arg(Name(sender), Name(source)).arg(x).arg(y);
        };
    }

    // A mouse event on the source's client area; a point of it over the
    // target is (150 + x, y).
    void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
               Qt::MouseButtons held = Qt::LeftButton)
    {
        QWidget* client = Source->ClientWidget();
        const QPointF local(pos);
        QMouseEvent event(type, local, local, QPointF(client->mapToGlobal(pos)),
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
        QApplication::sendEvent(client, &event);
    }
    void Release(QPoint pos) { Mouse(QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton); }

    QWidget Window;
    TDragRecorder* Source = nullptr;
    TDragRecorder* Target = nullptr;
    QLineEdit* Edit = nullptr;
    QStringList Events;
    bool Accepts = true;
};

} // namespace

TEST_F(ControlDragTest, AnAutomaticDragWaitsForTheDesktopsThresholdThenTellsTheTargetAndDropsOnIt)
{
    EXPECT_FALSE(MouseDragSettings().DragImmediate);
    EXPECT_EQ(MouseDragSettings().DragThreshold, QApplication::startDragDistance());
    const TDragSettingsScope settings({false, 5});
    Source->SetDragMode(dmAutomatic);
    Mouse(QEvent::MouseButtonPress, QPoint(10, 10));
    EXPECT_TRUE(Source->Dragging());
    Mouse(QEvent::MouseMove, QPoint(14, 6));
    EXPECT_TRUE(Events.isEmpty()) << "4 pixels are not yet the threshold";
    Mouse(QEvent::MouseMove, QPoint(15, 10));
    EXPECT_EQ(Events, QStringList{u"start source"_qs});
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ForbiddenCursor) << "nobody takes it over the source";
    Mouse(QEvent::MouseMove, QPoint(170, 30));
    Mouse(QEvent::MouseMove, QPoint(175, 31));
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::DragMoveCursor);
    Release(QPoint(176, 32));
    EXPECT_EQ(Events, (QStringList{u"start source"_qs, u"enter target from source at 20,30"_qs,
                                   u"move target from source at 25,31"_qs, u"move target from source at 26,32"_qs,
                                   u"drop on target from source at 26,32"_qs, u"end source on target at 26,32"_qs}));
    EXPECT_FALSE(Source->Dragging());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(Source->Log.isEmpty()) << "the drag had the mouse: MouseDown, MouseMove and MouseUp heard nothing";
    EXPECT_TRUE(Target->Log.isEmpty());
}

TEST_F(ControlDragTest, ARefusedDropIsALeaveAndTheSourceHearsOfNoTarget)
{
    Accepts = false;
    // A drag begun from code, with no button held, starts where the pointer is.
    QCursor::setPos(Source->ClientWidget()->mapToGlobal(QPoint(5, 5)));
    Source->BeginDrag(true);
    EXPECT_EQ(Events.value(0), u"start source"_qs) << "an immediate drag begins at once";
    Mouse(QEvent::MouseMove, QPoint(155, 5), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);
    // Without a button the drag waits for a click; the press itself does
    // nothing, its release drops.
    Mouse(QEvent::MouseButtonPress, QPoint(156, 5));
    EXPECT_TRUE(Source->Dragging());
    Release(QPoint(156, 5));
    EXPECT_EQ(Events.mid(1), (QStringList{u"enter target from source at 5,5"_qs, u"move target from source at 6,5"_qs,
                                          u"leave target from source at 6,5"_qs, u"end source on - at 0,0"_qs}));
    EXPECT_FALSE(Source->Dragging());

    // Over a widget that is none of our controls, and over a disabled
    // control, nobody is asked.
    const QPoint overTarget = Target->ClientWidget()->mapToGlobal(QPoint(5, 5));
    EXPECT_EQ(TCustomControl::FindDragTarget(Edit->mapToGlobal(QPoint(5, 5))), nullptr);
    EXPECT_EQ(TCustomControl::FindDragTarget(overTarget), Target);
    Target->setEnabled(false);
    EXPECT_EQ(TCustomControl::FindDragTarget(overTarget), nullptr);
}

TEST_F(ControlDragTest, EscTheRightButtonAndCancelModeGiveUpAndTheReleaseAfterwardsClicksNothing)
{
    const TDragSettingsScope settings({true, 5});
    Source->SetDragMode(dmAutomatic);
    const std::function<void()> giveUps[] = {
        [this] {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(Source, &esc);
        },
        [this] {
            Mouse(QEvent::MouseButtonPress, QPoint(160, 10), Qt::RightButton, Qt::LeftButton | Qt::RightButton);
            Mouse(QEvent::MouseButtonRelease, QPoint(160, 10), Qt::RightButton, Qt::LeftButton);
        },
        [this] { Source->SendCancelMode(); },
    };
    for (const auto& giveUp : giveUps) {
        Events.clear();
        Mouse(QEvent::MouseButtonPress, QPoint(10, 10));
        Mouse(QEvent::MouseMove, QPoint(160, 10));
        giveUp();
        EXPECT_FALSE(Source->Dragging());
        Mouse(QEvent::MouseMove, QPoint(162, 10));
        Release(QPoint(162, 10));
        EXPECT_EQ(Events, (QStringList{u"start source"_qs, u"enter target from source at 10,10"_qs,
                                       u"leave target from source at 10,10"_qs, u"end source on - at 0,0"_qs}))
            << "nothing is dropped after the drag was given up";
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(Source->Log.isEmpty()) << "no release after a drag reaches MouseUp";

    // The next press is the control's own again.
    Source->SetDragMode(dmManual);
    Mouse(QEvent::MouseButtonPress, QPoint(3, 3));
    Mouse(QEvent::MouseMove, QPoint(40, 3));
    Release(QPoint(40, 3));
    EXPECT_EQ(Source->Log, (QStringList{u"mdown 3,3"_qs, u"mmove 40,3"_qs, u"mup 40,3"_qs}));
}

TEST_F(ControlDragTest, ADragReleasedBeforeItsThresholdEndsSilentlyAndOneDragRunsAtATime)
{
    const TDragSettingsScope settings({false, 8});
    Source->SetDragMode(dmAutomatic);
    Mouse(QEvent::MouseButtonPress, QPoint(10, 10));
    Target->BeginDrag(true);
    EXPECT_FALSE(Target->Dragging()) << "the source's drag is under way";
    Mouse(QEvent::MouseMove, QPoint(17, 17));
    Release(QPoint(17, 17));
    EXPECT_FALSE(Source->Dragging());
    EXPECT_TRUE(Events.isEmpty());
    EXPECT_TRUE(Source->Log.isEmpty());

    // A dragged control that goes away takes its drag with it.
    Mouse(QEvent::MouseButtonPress, QPoint(10, 10));
    Mouse(QEvent::MouseMove, QPoint(155, 5));
    ASSERT_TRUE(Source->Dragging());
    delete Source;
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Target->BeginDrag(true);
    EXPECT_TRUE(Target->Dragging());
    Target->EndDrag(false);
    EXPECT_EQ(Events.last(), u"end target on - at 0,0"_qs);
}
