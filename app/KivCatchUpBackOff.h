#pragma once
// How long a monitor waits before it starts a catch-up of its shop by itself
// after one that failed or was stopped: a platform that does not answer, or
// refuses, is not asked again and again, and a seller who stopped a
// catch-up is not given another at once. The first wait is the base; each
// failure after it doubles it, up to the longest; a catch-up that read
// everything starts over. A catch-up the seller starts does not wait.

#include <QElapsedTimer>

class TCatchUpBackOff {
public:
    // A catch-up failed or was stopped now.
    void Failed(int baseMs, int longestMs);
    // A catch-up read everything up to its end.
    void Succeeded();
    // Failures in a row.
    int Failures() const { return FFailures; }
    // The wait after the last failure.
    int WaitMs() const { return FWaitMs; }
    // How long until a catch-up may start by itself; 0 when it may now.
    int MsLeft() const;

private:
    int FFailures = 0;
    int FWaitMs = 0;
    QElapsedTimer FSince;
};
