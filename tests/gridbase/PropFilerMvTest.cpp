// The interceptor registry and the window-placement interceptor.

#include "GridTestSupport.h"
#include "gridbase/PropFilerMv.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace {

class TOtherInterceptor : public TStoragePropertyInterceptor {
    Q_OBJECT

public:
    Q_INVOKABLE explicit TOtherInterceptor(QObject* target) : TStoragePropertyInterceptor(target) {}
};

QList<const QMetaObject*> InterceptorsFor(const QMetaObject* target)
{
    QList<const QMetaObject*> found;
    for (const auto& pair : RegisteredPropertyInterceptors())
        if (pair.first == target)
            found << pair.second;
    return found;
}

} // namespace

TEST(PropFilerMv, TheLastRegistrationOfAClassWins)
{
    const QMetaObject* form = &QWidget::staticMetaObject;
    const QMetaObject* stored = &TFormStoragePropertyInterceptor::staticMetaObject;
    const QMetaObject* other = &TOtherInterceptor::staticMetaObject;
    EXPECT_EQ(InterceptorsFor(form), QList{stored});
    RegisterClassPropertyInterceptor(form, other);
    EXPECT_EQ(InterceptorsFor(form), QList{other});
    // Unregistering needs both classes to match.
    UnregisterClassPropertyInterceptor(form, stored);
    EXPECT_EQ(InterceptorsFor(form), QList{other});
    UnregisterClassPropertyInterceptor(form, other);
    EXPECT_TRUE(InterceptorsFor(form).isEmpty());
    RegisterClassPropertyInterceptor(form, stored);
    EXPECT_EQ(InterceptorsFor(form), QList{stored});
}

TEST(PropFilerMv, AWindowStoredAtOneResolutionIsScaledToTheScreens)
{
    QWidget form;
    form.setGeometry(100, 80, 400, 300);
    // Created from the window: its placement and resolution.
    TFormStoragePropertyInterceptor taken(&form);
    EXPECT_EQ(taken.property("Left").toInt(), 100);
    EXPECT_EQ(taken.property("Width").toInt(), 400);
    EXPECT_EQ(taken.PixelsPerInch(), form.logicalDpiY());

    // Stored at half the screen's resolution: every coordinate doubles.
    TFormStoragePropertyInterceptor restored(&form);
    restored.setProperty("PixelsPerInch", ScreenPixelsPerInch(&form) / 2);
    restored.setProperty("Left", 30);
    restored.setProperty("Top", 20);
    restored.setProperty("Width", 200);
    restored.setProperty("Height", 150);
    restored.ApplyStoredValues();
    EXPECT_EQ(form.geometry(), QRect(60, 40, 400, 300));
}

TEST(PropFilerMv, AMaximisedWindowKeepsItsStateAndGetsItsNormalPlacement)
{
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto* first = new QLineEdit;
    auto* second = new QLineEdit;
    layout->addWidget(first);
    layout->addWidget(second);
    TFormStoragePropertyInterceptor interceptor(&form);
    interceptor.setProperty("PixelsPerInch", ScreenPixelsPerInch(&form));
    interceptor.setProperty("Left", 50);
    interceptor.setProperty("Top", 60);
    interceptor.setProperty("Width", 320);
    interceptor.setProperty("Height", 240);
    interceptor.setProperty("WindowState", int(Qt::WindowMaximized));
    interceptor.SetActiveControl(second);
    interceptor.ApplyStoredValues();
    ShowActive(form);
    EXPECT_TRUE(form.windowState().testFlag(Qt::WindowMaximized));
    EXPECT_EQ(form.normalGeometry(), QRect(50, 60, 320, 240));
    EXPECT_EQ(form.focusWidget(), second);
    form.showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.geometry().size(), QSize(320, 240));
}

#include "PropFilerMvTest.moc"
