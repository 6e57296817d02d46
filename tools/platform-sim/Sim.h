#pragma once
// The local stand-in for the marketplace platform: shared state of the
// server and the registration of each group of endpoints. Every endpoint
// group lives in a file of its own and registers its handlers here.

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

namespace sim {

using json = nlohmann::json;

// A fault that the query endpoint plays instead of (or before) its answer,
// set through the control calls.
struct TFault {
    std::string Mode;   // "", "slow", "hold", "http500", "cut", "junk"
    int DelayMs = 0;    // for "slow": the wait before the answer
    int Remaining = -1; // requests it applies to; -1: until cleared
    std::string Method; // only requests of this method ("taobao.trade.get"); empty: all
    int Skip = 0;       // requests it lets pass first
};

struct TSimState {
    std::mutex Lock;
    // {"now": optional fixed time, "shops": [...]}: see demo-catalogue.json.
    json Catalogue;
    // The platform's time; empty: the local clock.
    std::string FixedNow;
    // Requests by kind ("tql", "container", "authorize", "home", "stream",
    // "stream-refused") and by method name of the query statements
    // ("taobao.item.get", ...).
    std::map<std::string, long> Counts;
    TFault Fault;
    // "hold": requests wait until a release (or a minute), then are answered.
    std::condition_variable Released;
    int Releases = 0;
    int Held = 0;
    int GarbagePort = 0;
    // How many seconds after a trade changed the change listing
    // ("taobao.trades.sold.increment.get") shows it; 0: at once.
    int ListingLagSecs = 0;
};

// Counts a request under the lock.
void Count(TSimState& state, const std::string& name);
// The platform's current time, "yyyy-mm-dd hh:mm:ss"; the caller holds the lock.
std::string NowText(const TSimState& state);
// True for a time stamp "yyyy-mm-dd hh:mm:ss" (digits and separators only).
bool IsTimeStamp(const std::string& text);
// 32 upper-case hexadecimal digits.
std::string Md5Hex(const std::string& bytes);
// Percent-encodes everything but letters, digits, "-_.~" and the JSON
// punctuation, and a blank as '+': the client's URL-decoding of the reply
// then gives back exactly these bytes.
std::string EncodeReply(const std::string& bytes);
// Standard percent-encoding of a form value.
std::string EncodeValue(const std::string& bytes);
// A member of a catalogue record as text: a string as it is, a number in its
// digits, anything else (or nothing) empty.
std::string TextOf(const json& record, const std::string& name);
// The shop whose "app_key" is the key, or null.
const json* ShopByAppKey(const json& catalogue, const std::string& appKey);

void RegisterQueryEndpoint(httplib::Server& server, TSimState& state);
void RegisterPages(httplib::Server& server, TSimState& state);
void RegisterControl(httplib::Server& server, TSimState& state);
// The notification stream and its own control calls.
void RegisterStream(httplib::Server& server, TSimState& state);
// Stops the helpers that the control calls started.
void StopControl(TSimState& state);
// Queues one packet line on every open stream; the number of streams. A
// logged packet has its writing time recorded (/sim/stream/sent).
int NotifyStreams(const json& packet, bool log = false);
// Heartbeats on every stream, open or to come, this far apart; 0: none.
void SetStreamHeartbeat(int intervalMs);
// Orders placed as a buyer would: the trade goes into the catalogue and its
// notification onto the open streams (POST /sim/order).
void RegisterOrders(httplib::Server& server, TSimState& state);
// A trade paid, shipped or refunded later (POST /sim/trade; see Orders.cpp).
void RegisterTradeChanges(httplib::Server& server, TSimState& state);
// Places a paid order on a SKU of the first shop every interval, until the
// program ends (the demo's --demo-orders).
void StartDemoOrders(TSimState& state, int intervalSeconds);

} // namespace sim
