#include "gridbase/PropFilerMv.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <vector>

#include "platform/MulDiv.h"

namespace {

// Two parallel lists: entry i of both is one pair.
struct TRegistry {
    std::vector<const QMetaObject*> Targets;
    std::vector<const QMetaObject*> Interceptors;
};

TRegistry& Registry()
{
    static TRegistry registry;
    return registry;
}

// Windows are stored through the form interceptor from the start.
const bool FormInterceptorRegistered = [] {
    RegisterClassPropertyInterceptor(&QWidget::staticMetaObject, &TFormStoragePropertyInterceptor::staticMetaObject);
    return true;
}();

} // namespace

TStoragePropertyInterceptor::TStoragePropertyInterceptor(QObject* Target) : FTarget(Target)
{
}

TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor(QObject* Target)
    : TStoragePropertyInterceptor(Target)
{
    QWidget* form = Form();
    if (!form)
        return;
    const QRect r = NormalRect();
    FLeft = r.left();
    FTop = r.top();
    FWidth = r.width();
    FHeight = r.height();
    FPixelsPerInch = form->logicalDpiY();
    FWindowState = int(form->windowState());
    FActiveControl = form->focusWidget();
}

QWidget* TFormStoragePropertyInterceptor::Form() const
{
    auto* widget = qobject_cast<QWidget*>(Target());
    return widget && widget->isWindow() ? widget : nullptr;
}

QRect TFormStoragePropertyInterceptor::NormalRect() const
{
    const QWidget* form = Form();
    if (!form)
        return QRect();
    if (form->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        const QRect normal = form->normalGeometry();
        if (normal.isValid())
            return normal;
    }
    return form->geometry();
}

int TFormStoragePropertyInterceptor::Height() const
{
    return NormalRect().height();
}

int TFormStoragePropertyInterceptor::Left() const
{
    return NormalRect().left();
}

int TFormStoragePropertyInterceptor::Top() const
{
    return NormalRect().top();
}

int TFormStoragePropertyInterceptor::Width() const
{
    return NormalRect().width();
}

void TFormStoragePropertyInterceptor::SetLeft(int Value)
{
    FLeft = Value;
    FPositionSet = true;
}

void TFormStoragePropertyInterceptor::SetTop(int Value)
{
    FTop = Value;
    FPositionSet = true;
}

void TFormStoragePropertyInterceptor::ApplyStoredValues()
{
    QWidget* form = Form();
    if (!form)
        return;
    const int screenPpi = ScreenPixelsPerInch(form);
    const int storedPpi = FPixelsPerInch > 0 ? FPixelsPerInch : screenPpi;
    const QRect r(MulDiv(FLeft, screenPpi, storedPpi), MulDiv(FTop, screenPpi, storedPpi),
                  MulDiv(FWidth, screenPpi, storedPpi), MulDiv(FHeight, screenPpi, storedPpi));
    const auto state = Qt::WindowStates::fromInt(FWindowState);
    // The rectangle becomes the normal placement: set while the window is
    // normal, it is what a maximised window returns to.
    form->setWindowState(Qt::WindowNoState);
    form->setGeometry(r);
    form->setWindowState(state);
    if (FActiveControl && form->isAncestorOf(FActiveControl))
        FActiveControl->setFocus(Qt::OtherFocusReason);
}

int ScreenPixelsPerInch(const QWidget* Window)
{
    const QScreen* screen = Window && Window->screen() ? Window->screen() : QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInch()) : 96;
}

void RegisterClassPropertyInterceptor(const QMetaObject* TargetClass, const QMetaObject* InterceptorClass)
{
    TRegistry& r = Registry();
    for (size_t i = r.Targets.size(); i-- > 0;) {
        if (r.Targets[i] == TargetClass) {
            r.Targets.erase(r.Targets.begin() + qsizetype(i));
            r.Interceptors.erase(r.Interceptors.begin() + qsizetype(i));
        }
    }
    r.Targets.push_back(TargetClass);
    r.Interceptors.push_back(InterceptorClass);
}

void UnregisterClassPropertyInterceptor(const QMetaObject* TargetClass, const QMetaObject* InterceptorClass)
{
    TRegistry& r = Registry();
    for (size_t i = r.Targets.size(); i-- > 0;) {
        if (r.Targets[i] == TargetClass && r.Interceptors[i] == InterceptorClass) {
            r.Targets.erase(r.Targets.begin() + qsizetype(i));
            r.Interceptors.erase(r.Interceptors.begin() + qsizetype(i));
        }
    }
}

QList<QPair<const QMetaObject*, const QMetaObject*>> RegisteredPropertyInterceptors()
{
    QList<QPair<const QMetaObject*, const QMetaObject*>> pairs;
    const TRegistry& r = Registry();
    for (size_t i = 0; i < r.Targets.size(); ++i)
        pairs.append(qMakePair(r.Targets[i], r.Interceptors[i]));
    return pairs;
}
