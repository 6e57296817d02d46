#pragma once
// PropFilerMv: property interceptors and their registry. An interceptor
// stands in for a component while its properties are stored or restored and
// exposes a chosen set of them, as Qt properties, in a portable form (for a
// window: its position and size independent of the screen's resolution). The
// registry maps a component class to the interceptor class used for it; the
// last registration of a class wins. Classes are named by their QMetaObject.

#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QWidget>

class TStoragePropertyInterceptor : public QObject {
    Q_OBJECT

public:
    Q_INVOKABLE explicit TStoragePropertyInterceptor(QObject* Target);
    QObject* Target() const { return FTarget.data(); }
    // Whether the interceptor can stand in for its target; always true here.
    virtual bool IsAvailable() const { return true; }
    // Applies the values read into the interceptor to the target; nothing in
    // the base.
    virtual void ApplyStoredValues() {}

private:
    QPointer<QObject> FTarget;
};

// A top-level window's placement: its normal position and size, the pixels
// per inch they were taken at, its state and its focused control.
class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor {
    Q_OBJECT
    Q_PROPERTY(QWidget* ActiveControl READ ActiveControl WRITE SetActiveControl)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int PixelsPerInch READ PixelsPerInch WRITE SetPixelsPerInch)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int WindowState READ WindowState WRITE SetWindowState)

public:
    Q_INVOKABLE explicit TFormStoragePropertyInterceptor(QObject* Target);

    QWidget* ActiveControl() const { return FActiveControl.data(); }
    void SetActiveControl(QWidget* Value) { FActiveControl = Value; }
    // The getters read the window's current normal position (0 without a
    // window); the setters store what is to be applied.
    int Height() const;
    void SetHeight(int Value) { FHeight = Value; }
    int Left() const;
    void SetLeft(int Value);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }
    int Top() const;
    void SetTop(int Value);
    int Width() const;
    void SetWidth(int Value) { FWidth = Value; }
    int WindowState() const { return FWindowState; }
    void SetWindowState(int Value) { FWindowState = Value; }
    bool PositionSet() const { return FPositionSet; }

    // Scales the stored rectangle by the screen's pixels per inch over the
    // stored ones and gives it to the window as its normal placement, then
    // its state and focused control.
    void ApplyStoredValues() override;

private:
    QWidget* Form() const;
    QRect NormalRect() const;

    QPointer<QWidget> FActiveControl;
    int FHeight = 0;
    int FLeft = 0;
    int FPixelsPerInch = 96;
    bool FPositionSet = false;
    int FTop = 0;
    int FWidth = 0;
    int FWindowState = 0;
};

// The screen's logical pixels per inch (that of the window's screen when one
// is given).
int ScreenPixelsPerInch(const QWidget* Window = nullptr);

void RegisterClassPropertyInterceptor(const QMetaObject* TargetClass, const QMetaObject* InterceptorClass);
void UnregisterClassPropertyInterceptor(const QMetaObject* TargetClass, const QMetaObject* InterceptorClass);
// The registered pairs (target class, interceptor class), in order.
QList<QPair<const QMetaObject*, const QMetaObject*>> RegisteredPropertyInterceptors();
