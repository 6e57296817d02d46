#include "platform/SessionEnd.h"

#include "platform/Exceptions.h"

#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array EndSignals{SIGTERM, SIGINT};

// The pipe from the handler to the GUI thread. It is made once and kept for
// the life of the process, so that a handler running on another thread
// never writes into a descriptor that was closed (or reused) meanwhile.
std::atomic<int> PipeRead{-1};
std::atomic<int> PipeWrite{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the pipe without a lock");

bool Exists = false;

extern "C" void OnEndSignal(int signal)
{
    const int saved = errno;
    const int fd = PipeWrite.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const char number = char(signal);
        // A full pipe wakes the reader already: the byte may be dropped.
        [[maybe_unused]] const ssize_t written = ::write(fd, &number, 1);
    }
    errno = saved;
}

// Reads whatever the pipe holds; true when it held anything.
bool DrainPipe()
{
    char bytes[64];
    bool any = false;
    while (::read(PipeRead.load(), bytes, sizeof bytes) > 0)
        any = true;
    return any;
}

sigset_t EndSignalSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : EndSignals)
        sigaddset(&set, signal);
    return set;
}

void TakeSignals()
{
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    // A system call that the signal interrupts goes on; the other signal
    // waits while the handler writes.
    action.sa_flags = SA_RESTART;
    action.sa_mask = EndSignalSet();
    for (const int signal : EndSignals)
        ::sigaction(signal, &action, nullptr);
}

void MakePipe()
{
    if (PipeRead.load() >= 0) {
        // What came for an earlier watcher is not this one's.
        DrainPipe();
        return;
    }
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw EInvalidOperation(QStringLiteral("The pipe of the session's end could not be made: ") + QString::fromLocal8Bit(std::strerror(errno)));
    PipeRead = fds[0];
    PipeWrite = fds[1];
}

} // namespace

void HoldEndSignals()
{
    const sigset_t set = EndSignalSet();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

struct TSessionEnd::TState {
    std::function<void()> Reaction;
    std::unique_ptr<QSocketNotifier> Notifier;
    std::array<struct sigaction, EndSignals.size()> Previous{};
};

TSessionEnd::TSessionEnd(std::function<void()> reaction) : F(std::make_unique<TState>())
{
    if (Exists)
        throw EInvalidOperation(QStringLiteral("The session's end is watched already"));
    MakePipe();
    F->Reaction = std::move(reaction);
    F->Notifier = std::make_unique<QSocketNotifier>(PipeRead.load(), QSocketNotifier::Read);
    QObject::connect(F->Notifier.get(), &QSocketNotifier::activated, F->Notifier.get(), [this] {
        // Signals that came before now are all answered by this one run.
        if (DrainPipe() && F->Reaction)
            F->Reaction();
    });
    for (std::size_t i = 0; i < EndSignals.size(); ++i)
        ::sigaction(EndSignals[i], nullptr, &F->Previous[i]);
    TakeSignals();
    Exists = true;
    // Threads that were started while the signals were held keep them held,
    // so a signal for the process comes to this thread (or a later one) and
    // so to the handler just installed.
    const sigset_t set = EndSignalSet();
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

TSessionEnd::~TSessionEnd()
{
    for (std::size_t i = 0; i < EndSignals.size(); ++i)
        ::sigaction(EndSignals[i], &F->Previous[i], nullptr);
    Exists = false;
}
