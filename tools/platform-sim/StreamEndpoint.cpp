// The notification stream: a signed POST answered with a chunked reply that
// never ends on its own. It opens with a connected packet (200), sends a
// heartbeat (201) at the interval set at start (--heartbeat; the platform's
// 30 seconds unless told otherwise) or later by a control call, and whatever
// the control calls queue: business messages (202), stored-only messages
// (203), disconnect codes, raw bytes cut into chosen chunks, or the end of
// the connection.
//
// Every line is the packet's JSON with its text percent-encoded the way the
// query replies are, followed by a raw CR LF.
//
// Control calls (tests and benchmarks):
//   POST /sim/stream/send?encode=1|0&repeat=N&split=N,N,...&gap_ms=N
//        the bytes: the body, or the parameter data64 (base64).
//        encode=1 (default): each line of the bytes is encoded and ends in
//        CR LF; encode=0: the bytes go out exactly as they are. repeat sends
//        them N times over. split cuts the result into chunks at those byte
//        offsets, gap_ms apart. Answers the number of connections it was
//        queued for.
//   POST /sim/stream/notify?kind=notify_trade|notify_refund&status=S&tid=T&oid=O
//        &modified=M&count=N&log=1   N business messages (omitted members are
//        left out of the message); log=1 records when each one was written.
//   POST /sim/stream/code?code=N&msg=TEXT   one packet with that code.
//   POST /sim/stream/drop            ends every open stream.
//   POST /sim/stream/heartbeat?interval_ms=N   0: no heartbeats; the next one
//                                    on each open stream comes N ms from now.
//   POST /sim/stream/stall?ms=N      new streams wait that long before answering.
//   POST /sim/stream/refuse?msg=TEXT new streams are refused with the error reply
//                                    of that text, as the platform refuses a shop
//                                    whose credentials it no longer takes; an
//                                    empty text takes them again.
//   GET  /sim/stream/open            number of open streams.
//   GET  /sim/stream/sent            steady-clock nanoseconds of each logged write,
//                                    one per line; POST /sim/stream/sent-clear.

#include "Sim.h"

#include <QByteArray>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <memory>
#include <sstream>
#include <thread>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

// One write to a stream: its chunks, and whether its writing time is logged.
struct TOutgoing {
    std::vector<std::string> Chunks;
    int GapMs = 0;
    int Logged = 0; // messages in it whose writing time is recorded
};

struct TStreamSession {
    std::string AppKey;
    std::deque<TOutgoing> Outbox;
    bool Drop = false;
    bool Closed = false;
    Clock::time_point NextHeartbeat;
};

struct TStreamHub {
    std::mutex Lock;
    std::condition_variable Changed;
    std::list<std::shared_ptr<TStreamSession>> Sessions;
    int HeartbeatMs = 0;
    int StallMs = 0;
    std::string Refuse;
    std::vector<long long> Sent;
};

TStreamHub& Hub()
{
    static TStreamHub hub;
    return hub;
}

std::string Param(const httplib::Request& request, const std::string& name)
{
    return request.has_param(name) ? request.get_param_value(name) : std::string();
}

int IntParam(const httplib::Request& request, const std::string& name, int fallback)
{
    try {
        const std::string value = Param(request, name);
        return value.empty() ? fallback : std::stoi(value);
    } catch (const std::exception&) {
        return fallback;
    }
}

std::string Line(const json& packet)
{
    return EncodeReply(packet.dump(-1, ' ', false, json::error_handler_t::replace)) + "\r\n";
}

// Why the platform would refuse the stream request; empty when it is sound.
std::string Refusal(TSimState& state, const httplib::Request& request)
{
    for (const char* name : {"app_key", "id", "session", "sign_method", "sign", "timestamp"})
        if (!request.has_param(name))
            return std::string("missing ") + name;
    const std::string appKey = Param(request, "app_key");
    const std::string id = Param(request, "id");
    const std::string session = Param(request, "session");
    const std::string signMethod = Param(request, "sign_method");
    const std::string timestamp = Param(request, "timestamp");
    const std::lock_guard lock(state.Lock);
    const json* shop = ShopByAppKey(state.Catalogue, appKey);
    if (!shop)
        return "invalid app key";
    if (signMethod != "md5")
        return "invalid sign method";
    if (id.empty() || !IsTimeStamp(timestamp))
        return "invalid id or timestamp";
    const std::string secret = TextOf(*shop, "app_secret");
    const std::string signText = secret + "app_key" + appKey + "id" + id + "session" + session + "sign_method" + signMethod +
                                 "timestamp" + timestamp + secret;
    if (Param(request, "sign") != Md5Hex(signText))
        return "invalid signature";
    if (session != TextOf(*shop, "session"))
        return "invalid session";
    return {};
}

// Queues a write on every open stream; the number of streams.
int Queue(const TOutgoing& outgoing)
{
    TStreamHub& hub = Hub();
    const std::lock_guard lock(hub.Lock);
    int queued = 0;
    for (const auto& session : hub.Sessions)
        if (!session->Closed && !session->Drop) {
            session->Outbox.push_back(outgoing);
            ++queued;
        }
    hub.Changed.notify_all();
    return queued;
}

// Cuts the bytes at the given offsets (ascending, inside the bytes).
std::vector<std::string> Cut(const std::string& bytes, const std::string& offsets)
{
    std::vector<std::string> chunks;
    size_t start = 0;
    std::stringstream list(offsets);
    std::string item;
    while (std::getline(list, item, ',')) {
        size_t at = 0;
        try {
            at = size_t(std::stoul(item));
        } catch (const std::exception&) {
            continue;
        }
        if (at <= start || at >= bytes.size())
            continue;
        chunks.push_back(bytes.substr(start, at - start));
        start = at;
    }
    chunks.push_back(bytes.substr(start));
    return chunks;
}

// Writes what the stream has to send next, or waits a little for it. False
// ends the stream (dropped, or the client has gone).
bool Pump(const std::shared_ptr<TStreamSession>& session, httplib::DataSink& sink)
{
    TStreamHub& hub = Hub();
    std::unique_lock lock(hub.Lock);
    const auto ready = [&] {
        return session->Drop || !session->Outbox.empty() || (hub.HeartbeatMs > 0 && Clock::now() >= session->NextHeartbeat);
    };
    // Short waits: a client that went away is noticed between them.
    hub.Changed.wait_for(lock, std::chrono::milliseconds(50), ready);
    if (session->Drop)
        return false;
    std::vector<TOutgoing> out;
    while (!session->Outbox.empty()) {
        out.push_back(std::move(session->Outbox.front()));
        session->Outbox.pop_front();
    }
    if (hub.HeartbeatMs > 0 && Clock::now() >= session->NextHeartbeat) {
        out.push_back({{Line({{"packet", {{"code", 201}}}})}, 0, 0});
        session->NextHeartbeat = Clock::now() + std::chrono::milliseconds(hub.HeartbeatMs);
    }
    lock.unlock();

    if (out.empty())
        return sink.is_writable();
    for (const TOutgoing& outgoing : out) {
        for (size_t i = 0; i < outgoing.Chunks.size(); ++i) {
            if (i > 0 && outgoing.GapMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(outgoing.GapMs));
            if (!sink.write(outgoing.Chunks[i].data(), outgoing.Chunks[i].size()))
                return false;
        }
        if (outgoing.Logged > 0) {
            const long long at = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
            const std::lock_guard logLock(hub.Lock);
            hub.Sent.insert(hub.Sent.end(), size_t(outgoing.Logged), at);
        }
    }
    return true;
}

void Close(const std::shared_ptr<TStreamSession>& session)
{
    TStreamHub& hub = Hub();
    const std::lock_guard lock(hub.Lock);
    session->Closed = true;
    hub.Sessions.remove(session);
    hub.Changed.notify_all();
}

void Answer(TSimState& state, const httplib::Request& request, httplib::Response& response)
{
    Count(state, "stream");
    TStreamHub& hub = Hub();
    {
        std::unique_lock lock(hub.Lock);
        if (hub.StallMs > 0) {
            const int stall = hub.StallMs;
            hub.Changed.wait_for(lock, std::chrono::milliseconds(stall), [&] { return hub.StallMs == 0; });
        }
    }
    std::string refusal = Refusal(state, request);
    if (refusal.empty()) {
        const std::lock_guard lock(hub.Lock);
        refusal = hub.Refuse;
    }
    if (!refusal.empty()) {
        Count(state, "stream-refused");
        response.status = 403;
        response.set_content(EncodeReply(json({{"error_response", {{"code", 25}, {"msg", refusal}}}}).dump()) + "\r\n",
                             "text/plain;charset=UTF-8");
        return;
    }
    auto session = std::make_shared<TStreamSession>();
    session->AppKey = Param(request, "app_key");
    {
        const std::lock_guard lock(hub.Lock);
        // One stream per application: a new one ends the one before it.
        for (const auto& other : hub.Sessions)
            if (other->AppKey == session->AppKey)
                other->Drop = true;
        session->NextHeartbeat = Clock::now() + std::chrono::milliseconds(hub.HeartbeatMs);
        session->Outbox.push_back({{Line({{"packet", {{"code", 200}, {"msg", "connected"}}}})}, 0, 0});
        hub.Sessions.push_back(session);
        hub.Changed.notify_all();
    }
    response.set_chunked_content_provider(
        "text/plain;charset=UTF-8", [session](size_t, httplib::DataSink& sink) { return Pump(session, sink); },
        [session](bool) { Close(session); });
}

json Notification(const httplib::Request& request)
{
    json message = json::object();
    for (const char* name : {"status", "modified"})
        if (request.has_param(name))
            message[name] = Param(request, name);
    for (const char* name : {"tid", "oid"})
        if (request.has_param(name)) {
            // Ids go out as JSON numbers, as the platform sends them; anything
            // that is not digits goes as a string.
            const std::string value = Param(request, name);
            const bool digits = !value.empty() && value.size() <= 19 &&
                                value.find_first_not_of("0123456789") == std::string::npos;
            message[name] = digits ? json(std::stoll(value)) : json(value);
        }
    const std::string kind = request.has_param("kind") ? Param(request, "kind") : "notify_trade";
    return {{"packet", {{"code", 202}, {"msg", {{kind, message}}}}}};
}

} // namespace

int NotifyStreams(const json& packet, bool log)
{
    return Queue({{Line(packet)}, 0, log ? 1 : 0});
}

void SetStreamHeartbeat(int intervalMs)
{
    TStreamHub& hub = Hub();
    const std::lock_guard lock(hub.Lock);
    hub.HeartbeatMs = std::max(0, intervalMs);
    for (const auto& session : hub.Sessions)
        session->NextHeartbeat = Clock::now() + std::chrono::milliseconds(hub.HeartbeatMs);
    hub.Changed.notify_all();
}

void RegisterStream(httplib::Server& server, TSimState& state)
{
    server.Post("/stream", [&state](const httplib::Request& request, httplib::Response& response) {
        Answer(state, request, response);
    });

    server.Post("/sim/stream/send", [](const httplib::Request& request, httplib::Response& response) {
        std::string body = request.body;
        if (request.has_param("data64")) {
            const std::string data = Param(request, "data64");
            const QByteArray decoded = QByteArray::fromBase64(QByteArray(data.data(), qsizetype(data.size())));
            body.assign(decoded.constData(), size_t(decoded.size()));
        }
        std::string bytes;
        if (Param(request, "encode") == "0") {
            bytes = body;
        } else {
            std::stringstream lines(body);
            std::string line;
            while (std::getline(lines, line))
                bytes += EncodeReply(line) + "\r\n";
        }
        const int repeat = std::clamp(IntParam(request, "repeat", 1), 1, 1 << 20);
        if (repeat > 1) {
            std::string repeated;
            repeated.reserve(bytes.size() * size_t(repeat));
            for (int i = 0; i < repeat; ++i)
                repeated += bytes;
            bytes = std::move(repeated);
        }
        const TOutgoing outgoing{Cut(bytes, Param(request, "split")), IntParam(request, "gap_ms", 0), 0};
        response.set_content(std::to_string(Queue(outgoing)), "text/plain");
    });
    server.Post("/sim/stream/notify", [](const httplib::Request& request, httplib::Response& response) {
        const int count = std::max(1, IntParam(request, "count", 1));
        const bool log = Param(request, "log") == "1";
        const std::string line = Line(Notification(request));
        int queued = 0;
        for (int i = 0; i < count; ++i)
            queued = Queue({{line}, 0, log ? 1 : 0});
        response.set_content(std::to_string(queued), "text/plain");
    });
    server.Post("/sim/stream/code", [](const httplib::Request& request, httplib::Response& response) {
        json packet = {{"code", IntParam(request, "code", 0)}};
        if (request.has_param("msg"))
            packet["msg"] = Param(request, "msg");
        response.set_content(std::to_string(Queue({{Line({{"packet", packet}})}, 0, 0})), "text/plain");
    });
    server.Post("/sim/stream/drop", [](const httplib::Request&, httplib::Response& response) {
        TStreamHub& hub = Hub();
        const std::lock_guard lock(hub.Lock);
        for (const auto& session : hub.Sessions)
            session->Drop = true;
        hub.Changed.notify_all();
        response.set_content(std::to_string(hub.Sessions.size()), "text/plain");
    });
    server.Post("/sim/stream/heartbeat", [](const httplib::Request& request, httplib::Response& response) {
        SetStreamHeartbeat(IntParam(request, "interval_ms", 0));
        response.set_content("ok", "text/plain");
    });
    server.Post("/sim/stream/stall", [](const httplib::Request& request, httplib::Response& response) {
        TStreamHub& hub = Hub();
        const std::lock_guard lock(hub.Lock);
        hub.StallMs = std::max(0, IntParam(request, "ms", 0));
        hub.Changed.notify_all();
        response.set_content("ok", "text/plain");
    });
    server.Post("/sim/stream/refuse", [](const httplib::Request& request, httplib::Response& response) {
        TStreamHub& hub = Hub();
        const std::lock_guard lock(hub.Lock);
        hub.Refuse = Param(request, "msg");
        response.set_content("ok", "text/plain");
    });
    server.Get("/sim/stream/open", [](const httplib::Request&, httplib::Response& response) {
        TStreamHub& hub = Hub();
        const std::lock_guard lock(hub.Lock);
        response.set_content(std::to_string(hub.Sessions.size()), "text/plain");
    });
    server.Get("/sim/stream/sent", [](const httplib::Request&, httplib::Response& response) {
        TStreamHub& hub = Hub();
        std::string text;
        const std::lock_guard lock(hub.Lock);
        for (const long long at : hub.Sent)
            text += std::to_string(at) + "\n";
        response.set_content(text, "text/plain");
    });
    server.Post("/sim/stream/sent-clear", [](const httplib::Request&, httplib::Response& response) {
        TStreamHub& hub = Hub();
        const std::lock_guard lock(hub.Lock);
        hub.Sent.clear();
        response.set_content("ok", "text/plain");
    });
}

} // namespace sim
