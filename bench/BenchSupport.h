#pragma once
// What the end-to-end benchmarks share: a steady clock in nanoseconds, as
// the platform stand-in logs its writes, a wait that runs the GUI thread's
// events as the program does, and the main of a benchmark over one world.

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <benchmark/benchmark.h>
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

// The main of a benchmark program over one world: on the offscreen platform
// and the null sound device, the world (TWorld, reached through its static
// Instance()) is made once, the benchmarks run over it, then report() runs.
template <class TWorld>
int RunBenchmarksInWorld(int argc, char** argv, const std::function<void()>& report = {})
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("MORVANE_AUDIO_DEVICE", "null");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    {
        TWorld world;
        TWorld::Instance() = &world;
        benchmark::RunSpecifiedBenchmarks();
        TWorld::Instance() = nullptr;
    }
    if (report)
        report();
    benchmark::Shutdown();
    return 0;
}
