#pragma once
// Internal to the drop-down windows: while a drop-down is shown, a mouse
// press anywhere outside it and outside its owner asks it to close.

#include <QObject>
#include <QWidget>
#include <functional>

class TDropDownWatchMv : public QObject {
public:
    // Cancel runs for every outside press while watching; the drop-down
    // posts itself its close request from it.
    TDropDownWatchMv(QWidget* Window, std::function<void()> Cancel);
    ~TDropDownWatchMv() override;

    // On while the window is shown.
    void SetWatching(bool Value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* FWindow;
    std::function<void()> FCancel;
    bool FWatching = false;
};
