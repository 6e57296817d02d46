// Control calls for tests and demos (never made by the program): request
// counts, faults of the query endpoint, the platform's time, the catalogue,
// a port that answers with bytes that are not HTTP at all, and one that
// refuses every connection.

#include "Sim.h"

#include <arpa/inet.h>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace sim {

namespace {

// Accepts connections on 127.0.0.1 and answers each with junk bytes.
class TGarbageListener {
public:
    ~TGarbageListener() { Stop(); }

    int Start()
    {
        if (FPort)
            return FPort;
        FSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (FSocket < 0 || ::bind(FSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(FSocket, 16) != 0 || ::getsockname(FSocket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return 0;
        FPort = ntohs(address.sin_port);
        FThread = std::thread([this] { Run(); });
        return FPort;
    }

    void Stop()
    {
        if (FSocket >= 0)
            ::shutdown(FSocket, SHUT_RDWR);
        if (FThread.joinable())
            FThread.join();
        if (FSocket >= 0)
            ::close(FSocket);
        FSocket = -1;
        FPort = 0;
    }

private:
    void Run()
    {
        static const char junk[] = "\x01\x02\xff\xfe NOT HTTP \x00\x7f garbage\r\n\r\n";
        for (;;) {
            const int client = ::accept4(FSocket, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                return;
            char request[4096];
            (void)::recv(client, request, sizeof request, 0);
            (void)::send(client, junk, sizeof junk - 1, MSG_NOSIGNAL);
            ::close(client);
        }
    }

    int FSocket = -1;
    int FPort = 0;
    std::thread FThread;
};

TGarbageListener& Garbage()
{
    static TGarbageListener listener;
    return listener;
}

// A port of 127.0.0.1 held without listening: every connection to it is
// refused, as where nothing listens, and no other program can take it.
int RefusingPort()
{
    static const int port = [] {
        const int held = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (held < 0 || ::bind(held, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::getsockname(held, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return 0;
        return int(ntohs(address.sin_port));
    }();
    return port;
}

std::string Param(const httplib::Request& request, const std::string& name)
{
    return request.has_param(name) ? request.get_param_value(name) : std::string();
}

int IntParam(const httplib::Request& request, const std::string& name, int fallback)
{
    const std::string value = Param(request, name);
    try {
        return value.empty() ? fallback : std::stoi(value);
    } catch (const std::exception&) {
        return fallback;
    }
}

} // namespace

void RegisterControl(httplib::Server& server, TSimState& state)
{
    // GET /sim/count?name=N: requests of a kind or method; without a name,
    // all requests to the platform's own endpoints.
    server.Get("/sim/count", [&state](const httplib::Request& request, httplib::Response& response) {
        const std::string name = Param(request, "name");
        long count = 0;
        {
            const std::lock_guard lock(state.Lock);
            if (name.empty()) {
                for (const char* kind : {"tql", "container", "authorize", "home", "stream"})
                    count += state.Counts.count(kind) ? state.Counts.at(kind) : 0;
            } else if (state.Counts.count(name)) {
                count = state.Counts.at(name);
            }
        }
        response.set_content(std::to_string(count), "text/plain");
    });
    server.Post("/sim/reset-counts", [&state](const httplib::Request&, httplib::Response& response) {
        const std::lock_guard lock(state.Lock);
        state.Counts.clear();
        response.set_content("ok", "text/plain");
    });
    // POST /sim/fault?mode=slow|hold|http500|cut|junk|none&delay_ms=N&times=N&method=M&skip=N
    // method: only requests of that method; skip: that many of them pass
    // first. "hold" keeps each request waiting until /sim/release.
    server.Post("/sim/fault", [&state](const httplib::Request& request, httplib::Response& response) {
        TFault fault;
        fault.Mode = Param(request, "mode");
        if (fault.Mode == "none")
            fault.Mode.clear();
        if (!fault.Mode.empty() && fault.Mode != "slow" && fault.Mode != "hold" && fault.Mode != "http500" && fault.Mode != "cut"
            && fault.Mode != "junk") {
            response.status = 400;
            response.set_content("unknown mode", "text/plain");
            return;
        }
        fault.DelayMs = IntParam(request, "delay_ms", 0);
        fault.Remaining = IntParam(request, "times", -1);
        fault.Method = Param(request, "method");
        fault.Skip = IntParam(request, "skip", 0);
        const std::lock_guard lock(state.Lock);
        state.Fault = fault;
        response.set_content("ok", "text/plain");
    });
    // POST /sim/release: the held requests are answered. GET /sim/held: how many wait.
    server.Post("/sim/release", [&state](const httplib::Request&, httplib::Response& response) {
        const std::lock_guard lock(state.Lock);
        ++state.Releases;
        state.Released.notify_all();
        response.set_content("ok", "text/plain");
    });
    server.Get("/sim/held", [&state](const httplib::Request&, httplib::Response& response) {
        const std::lock_guard lock(state.Lock);
        response.set_content(std::to_string(state.Held), "text/plain");
    });
    // POST /sim/now?value=yyyy-mm-dd hh:mm:ss (empty: the local clock)
    server.Post("/sim/now", [&state](const httplib::Request& request, httplib::Response& response) {
        const std::lock_guard lock(state.Lock);
        state.FixedNow = Param(request, "value");
        response.set_content("ok", "text/plain");
    });
    // POST /sim/listing-lag?secs=N: the change listing shows a trade only
    // N seconds of the platform's time after it changed (0: at once).
    server.Post("/sim/listing-lag", [&state](const httplib::Request& request, httplib::Response& response) {
        const std::lock_guard lock(state.Lock);
        state.ListingLagSecs = std::max(0, IntParam(request, "secs", 0));
        response.set_content("ok", "text/plain");
    });
    // POST /sim/catalogue?path=FILE, or with the catalogue as the body:
    // replaces the catalogue.
    server.Post("/sim/catalogue", [&state](const httplib::Request& request, httplib::Response& response) {
        json catalogue;
        if (request.has_param("path")) {
            std::ifstream file(request.get_param_value("path"));
            catalogue = json::parse(file, nullptr, false);
        } else {
            catalogue = json::parse(request.body, nullptr, false);
        }
        if (catalogue.is_discarded() || !catalogue.is_object()) {
            response.status = 400;
            response.set_content("not a JSON object", "text/plain");
            return;
        }
        const std::lock_guard lock(state.Lock);
        state.Catalogue = std::move(catalogue);
        state.FixedNow = TextOf(state.Catalogue, "now");
        response.set_content("ok", "text/plain");
    });
    // GET or POST /sim/echo: the request's agent, accept and content type
    // lines, a blank line, then the raw body.
    const auto echo = [](const httplib::Request& request, httplib::Response& response) {
        response.set_content("User-Agent: " + request.get_header_value("User-Agent") + "\nAccept: " +
                                 request.get_header_value("Accept") + "\nContent-Type: " +
                                 request.get_header_value("Content-Type") + "\n\n" + request.body,
                             "text/plain");
    };
    server.Get("/sim/echo", echo);
    server.Post("/sim/echo", echo);
    // GET /sim/refusing-port: a port on 127.0.0.1 that refuses every connection.
    server.Get("/sim/refusing-port", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(std::to_string(RefusingPort()), "text/plain");
    });
    // GET /sim/garbage-port: a port on 127.0.0.1 that answers junk, not HTTP.
    server.Get("/sim/garbage-port", [&state](const httplib::Request&, httplib::Response& response) {
        const std::lock_guard lock(state.Lock);
        state.GarbagePort = Garbage().Start();
        response.set_content(std::to_string(state.GarbagePort), "text/plain");
    });
}

void StopControl(TSimState&)
{
    Garbage().Stop();
}

} // namespace sim
