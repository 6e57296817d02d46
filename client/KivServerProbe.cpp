#include "client/KivServerProbe.h"

#include "platform/Threads.h"

#include <chrono>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// How long one wait lasts before the program's end is looked at again.
constexpr int PollSliceMs = 100;

// A TCP connection to one address, given up after timeoutMs or at the end
// of the program.
bool ConnectsTo(const addrinfo& address, int timeoutMs, const std::atomic<bool>& stopping)
{
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0)
        return false;
    bool connected = ::connect(fd, address.ai_addr, address.ai_addrlen) == 0;
    if (!connected && errno == EINPROGRESS) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!stopping.load() && std::chrono::steady_clock::now() < until) {
            pollfd waiting{fd, POLLOUT, 0};
            if (::poll(&waiting, 1, PollSliceMs) == 0)
                continue;
            int error = 0;
            socklen_t length = sizeof error;
            connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
            break;
        }
    }
    ::close(fd);
    return connected;
}

bool Reaches(const QString& host, const QString& port, int timeoutMs, const std::atomic<bool>& stopping)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    if (::getaddrinfo(host.toUtf8().constData(), port.toUtf8().constData(), &hints, &addresses) != 0)
        return false;
    bool reached = false;
    for (const addrinfo* address = addresses; address && !reached && !stopping.load(); address = address->ai_next)
        reached = ConnectsTo(*address, timeoutMs, stopping);
    ::freeaddrinfo(addresses);
    return reached;
}

} // namespace

bool ServerAnswersNow(const QString& host, const QString& port, int timeoutMs)
{
    const std::atomic<bool> never{false};
    return Reaches(host, port, timeoutMs, never);
}

TServerProbe::TServerProbe(const QString& host, const QString& port, int timeoutMs) : FState(std::make_shared<std::atomic<int>>(Probing))
{
    TThreadRegistry::Instance().Start([state = FState, host, port, timeoutMs](const std::atomic<bool>& stopping) {
        state->store(Reaches(host, port, timeoutMs, stopping) ? Reached : Unreached);
    });
}
