// platform-sim: the local stand-in for the marketplace platform.
//
//   platform-sim --catalogue FILE [--port N] [--exit-with-parent] [--demo-orders SECONDS]
//                [--heartbeat SECONDS]
//
// --heartbeat: the notification streams carry a heartbeat this many seconds
// apart, by default every 30 as the platform's do, well inside the 90
// seconds of silence after which the program takes a stream for dead; 0:
// none until a control call asks for them (the tests' stand-in, whose
// streams carry only what each test sends).
//
// --demo-orders places a paid order on a SKU of the first shop every so many
// seconds (the demo run's buyer); POST /sim/order places one at any time.
// Listens on 127.0.0.1 only; --port 0 (the default) takes a free port. The
// first line on standard output names the address, for example
// "listening on http://127.0.0.1:40123". SIGINT or SIGTERM ends it.

#include "Sim.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <cstdlib>
#include <pthread.h>
#include <sys/prctl.h>
#include <thread>

namespace {

constexpr int PlatformHeartbeatSeconds = 30;
constexpr size_t ServerThreads = 64;

int Usage()
{
    std::cerr << "usage: platform-sim --catalogue FILE [--port N] [--exit-with-parent] [--demo-orders SECONDS] [--heartbeat SECONDS]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string cataloguePath;
    int port = 0;
    int demoOrders = 0;
    int heartbeat = PlatformHeartbeatSeconds;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--catalogue" && i + 1 < argc)
            cataloguePath = argv[++i];
        else if (arg == "--port" && i + 1 < argc)
            port = std::atoi(argv[++i]);
        else if (arg == "--demo-orders" && i + 1 < argc)
            demoOrders = std::atoi(argv[++i]);
        else if (arg == "--heartbeat" && i + 1 < argc)
            heartbeat = std::clamp(std::atoi(argv[++i]), 0, 24 * 3600);
        else if (arg == "--exit-with-parent")
            prctl(PR_SET_PDEATHSIG, SIGTERM);
        else
            return Usage();
    }
    if (cataloguePath.empty())
        return Usage();

    sim::TSimState state;
    std::ifstream file(cataloguePath);
    state.Catalogue = sim::json::parse(file, nullptr, false);
    if (!file || state.Catalogue.is_discarded() || !state.Catalogue.is_object()) {
        std::cerr << "platform-sim: cannot read the catalogue " << cataloguePath << "\n";
        return 2;
    }
    state.FixedNow = sim::TextOf(state.Catalogue, "now");

    // Signals are taken by one thread that ends the program at once: a
    // graceful stop would wait for every kept-alive connection and every
    // held-open reply, and the stand-in keeps nothing that needs saving.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    httplib::Server server;
    // Headers and body leave in separate writes: without this, every reply
    // waits for the client's delayed acknowledgement.
    server.set_tcp_nodelay(true);
    // Every open stream and every held request takes a thread until it
    // ends (a held one even after its client gave up): a platform that
    // holds every call for a while must still answer the control calls.
    server.new_task_queue = [] { return new httplib::ThreadPool(ServerThreads); };
    sim::RegisterQueryEndpoint(server, state);
    sim::RegisterPages(server, state);
    sim::RegisterControl(server, state);
    sim::RegisterStream(server, state);
    sim::SetStreamHeartbeat(heartbeat * 1000);
    sim::RegisterOrders(server, state);
    sim::RegisterTradeChanges(server, state);

    const int bound = port == 0 ? server.bind_to_any_port("127.0.0.1") : (server.bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) {
        std::cerr << "platform-sim: cannot listen on 127.0.0.1:" << port << "\n";
        return 1;
    }
    std::cout << "listening on http://127.0.0.1:" << bound << std::endl;
    if (demoOrders > 0)
        sim::StartDemoOrders(state, demoOrders);

    std::thread([signals] {
        int signal = 0;
        sigwait(&signals, &signal);
        std::_Exit(0);
    }).detach();
    const bool ok = server.listen_after_bind();
    sim::StopControl(state);
    return ok ? 0 : 1;
}
