#pragma once
// The end of the user's session as the system tells it: the desktop logging
// out or the machine shutting down (SIGTERM), or an interrupt from the
// terminal (SIGINT). A signal handler may do next to nothing safely, so ours
// only writes the signal's number into a pipe; the GUI thread reads the pipe
// through a socket notifier and runs the program's reaction from its event
// loop.

#include <functional>
#include <memory>

// Keeps SIGTERM and SIGINT waiting in the calling thread, and in every thread
// started from it from now on, until a TSessionEnd is made. The program calls
// it first thing: an end that comes while the program starts, before its own
// handler is in place (the database engine takes both signals for itself at
// its first attach), then waits for that handler instead of meeting the
// engine's or the default one.
void HoldEndSignals();

class TSessionEnd {
public:
    // GUI thread. Takes SIGTERM and SIGINT over whatever handlers are in force
    // now (a library that installs its own later takes them back: make this
    // after it), then lets the calling thread receive them again: one that
    // came while they were held is answered now. The reaction runs on the GUI
    // thread each time the event loop finds signals come (several at once run
    // it once). One object at a time.
    explicit TSessionEnd(std::function<void()> reaction);
    // Gives the signals back to the handlers that were in force before.
    ~TSessionEnd();
    TSessionEnd(const TSessionEnd&) = delete;
    TSessionEnd& operator=(const TSessionEnd&) = delete;

private:
    struct TState;
    std::unique_ptr<TState> F;
};
