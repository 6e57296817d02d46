#pragma once
// Whether the database server can be reached at all, found out on a thread
// of its own: a server whose host does not answer (rather than one that is
// stopped, which refuses at once) would hold a connection attempt for the
// client's whole connect time-out, and the windows with it. The probe opens
// a TCP connection to the server's host and port and closes it again; the
// data module connects for real once it has succeeded.

#include "platform/db/SqlConnection.h" // DatabaseServerAddress

#include <QString>
#include <atomic>
#include <memory>

// Whether the host takes a TCP connection within timeoutMs, on the
// caller's thread: for a moment's question only.
bool ServerAnswersNow(const QString& host, const QString& port, int timeoutMs);

class TServerProbe {
public:
    // Starts the probe of the host and port; it gives up after timeoutMs.
    TServerProbe(const QString& host, const QString& port, int timeoutMs);
    // The probe has ended.
    bool Done() const { return FState->load() != Probing; }
    // It ended with a connection made.
    bool Reachable() const { return FState->load() == Reached; }

private:
    enum : int { Probing, Reached, Unreached };
    std::shared_ptr<std::atomic<int>> FState;
};
