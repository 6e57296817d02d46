#pragma once
// What the end-to-end benchmarks share: a steady clock in nanoseconds, as
// the platform stand-in logs its writes, and a wait that runs the GUI
// thread's events as the program does.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <functional>

inline qint64 SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs the GUI thread's events until the condition holds; false after timeoutMs.
inline bool Spin(const std::function<bool()>& condition, int timeoutMs = 60000)
{
    QElapsedTimer timer;
    timer.start();
    // Wakes the wait now and then, so that a condition that never comes true ends it.
    QTimer tick;
    tick.start(100);
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
