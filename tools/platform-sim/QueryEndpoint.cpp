// The query endpoint: a signed statement in, a JSON reply out.

#include "Sim.h"
#include "TqlStatement.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <set>
#include <thread>

namespace sim {

namespace {

struct TMethod {
    std::string Object;
    std::string Name;
    bool NeedsSession;
    std::set<std::string> Required;
    std::set<std::string> Optional;
};

const std::vector<TMethod>& Methods()
{
    static const std::vector<TMethod> methods = {
        {"time", "taobao.time.get", false, {}, {}},
        {"items.onsale", "taobao.items.onsale.get", true, {"page_size"}, {"page_no", "start_modified", "end_modified"}},
        {"item", "taobao.item.get", false, {"num_iid"}, {}},
        {"trades.sold", "taobao.trades.sold.get", true, {"page_size"}, {"page_no", "start_created", "end_created"}},
        {"trades.sold.increment", "taobao.trades.sold.increment.get", true, {"start_modified", "end_modified"}, {"page_no", "page_size"}},
        {"trade", "taobao.trade.get", true, {"tid"}, {}},
    };
    return methods;
}

class EPlatformError {
public:
    EPlatformError(int code, std::string msg, std::string subMsg = {})
        : Code(code), Msg(std::move(msg)), SubMsg(std::move(subMsg)) {}
    int Code;
    std::string Msg;
    std::string SubMsg;
};

json ErrorReply(const EPlatformError& e)
{
    json error = {{"code", e.Code}, {"msg", e.Msg}};
    if (!e.SubMsg.empty())
        error["sub_msg"] = e.SubMsg;
    return {{"error_response", error}};
}

bool IsDigits(const std::string& text)
{
    return !text.empty() && text.size() <= 20 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

long Number(const TStatement& statement, const std::string& name, long fallback, long minimum, long maximum)
{
    const std::string* value = statement.Condition(name);
    if (!value)
        return fallback;
    if (!IsDigits(*value) || value->size() > 9)
        throw EPlatformError(41, "Invalid arguments", "invalid " + name + ": " + *value);
    const long number = std::stol(*value);
    if (number < minimum || number > maximum)
        throw EPlatformError(41, "Invalid arguments", name + " out of range: " + *value);
    return number;
}

// The window [start, end] of a time stamp field, both or neither given.
struct TWindow {
    std::string Start, End;
    bool Contains(const json& record, const std::string& field) const
    {
        if (Start.empty())
            return true;
        const std::string stamp = TextOf(record, field);
        return stamp >= Start && stamp <= End;
    }
};

TWindow Window(const TStatement& statement, const std::string& startName, const std::string& endName)
{
    const std::string* start = statement.Condition(startName);
    const std::string* end = statement.Condition(endName);
    if (!start && !end)
        return {};
    if (!start || !end || !IsTimeStamp(*start) || !IsTimeStamp(*end))
        throw EPlatformError(41, "Invalid arguments", "invalid " + startName + "/" + endName);
    return {*start, *end};
}

// Only the requested members of a record (those it has).
json Projected(const json& record, const std::vector<std::string>& fields)
{
    json out = json::object();
    for (const std::string& field : fields)
        if (field.find('.') == std::string::npos && record.contains(field) && !record[field].is_array())
            out[field] = record[field];
    return out;
}

// One page of records as {"total_results": n, LIST: {ELEMENT: [...]}}; an
// empty page leaves the list out, as the platform does.
json Page(const std::vector<const json*>& records, const TStatement& statement, const std::string& list,
          const std::string& element)
{
    const long pageSize = Number(statement, "page_size", 40, 1, 200);
    const long pageNo = Number(statement, "page_no", 1, 1, 100000);
    json reply = {{"total_results", records.size()}};
    json page = json::array();
    const size_t first = size_t(pageSize) * size_t(pageNo - 1);
    for (size_t i = first; i < records.size() && i < first + size_t(pageSize); ++i)
        page.push_back(Projected(*records[i], statement.Fields));
    if (!page.empty())
        reply[list] = {{element, page}};
    return reply;
}

// The objects of a list member ("items", "trades", "shops"); anything else
// in the catalogue is passed over.
std::vector<const json*> Records(const json& owner, const std::string& name)
{
    std::vector<const json*> records;
    if (owner.is_object() && owner.contains(name) && owner[name].is_array())
        for (const json& record : owner[name])
            if (record.is_object())
                records.push_back(&record);
    return records;
}

json ItemsOnsale(const json& shop, const TStatement& statement)
{
    const TWindow window = Window(statement, "start_modified", "end_modified");
    std::vector<const json*> items;
    for (const json* item : Records(shop, "items"))
        if (window.Contains(*item, "modified"))
            items.push_back(item);
    return {{"items_onsale_get_response", Page(items, statement, "items", "item")}};
}

json ItemGet(const json& catalogue, const TStatement& statement)
{
    const std::string numIid = *statement.Condition("num_iid");
    for (const json* shop : Records(catalogue, "shops"))
        for (const json* item : Records(*shop, "items"))
            if (TextOf(*item, "num_iid") == numIid) {
                json out = Projected(*item, statement.Fields);
                const bool wantsSkus = std::find(statement.Fields.begin(), statement.Fields.end(), "sku") != statement.Fields.end();
                if (wantsSkus && item->contains("skus") && (*item)["skus"].is_array() && !(*item)["skus"].empty())
                    out["skus"] = {{"sku", (*item)["skus"]}};
                return {{"item_get_response", {{"item", out}}}};
            }
    throw EPlatformError(15, "Remote service error", "isv.item-not-exist: " + numIid);
}

// A trade's last change; a trade never changed since it was made has its
// creation time.
std::string Modified(const json& trade)
{
    const std::string modified = TextOf(trade, "modified");
    return modified.empty() ? TextOf(trade, "created") : modified;
}

// The shop's trades whose time stamp lies in the window, newest first (the
// later of two made in the same second first), as the platform lists them.
std::vector<const json*> NewestFirst(const json& shop, const TWindow& window, const std::function<std::string(const json&)>& stamp)
{
    std::vector<const json*> trades;
    for (const json* trade : Records(shop, "trades"))
        if (window.Start.empty() || (stamp(*trade) >= window.Start && stamp(*trade) <= window.End))
            trades.push_back(trade);
    std::reverse(trades.begin(), trades.end());
    std::stable_sort(trades.begin(), trades.end(), [&](const json* a, const json* b) { return stamp(*a) > stamp(*b); });
    return trades;
}

json TradesSold(const json& shop, const TStatement& statement)
{
    const TWindow window = Window(statement, "start_created", "end_created");
    const auto trades = NewestFirst(shop, window, [](const json& trade) { return TextOf(trade, "created"); });
    return {{"trades_sold_get_response", Page(trades, statement, "trades", "trade")}};
}

// Seconds since the epoch of a time stamp (checked by Window already).
long long Seconds(const std::string& stamp)
{
    std::tm time{};
    time.tm_year = std::stoi(stamp.substr(0, 4)) - 1900;
    time.tm_mon = std::stoi(stamp.substr(5, 2)) - 1;
    time.tm_mday = std::stoi(stamp.substr(8, 2));
    time.tm_hour = std::stoi(stamp.substr(11, 2));
    time.tm_min = std::stoi(stamp.substr(14, 2));
    time.tm_sec = std::stoi(stamp.substr(17, 2));
    return static_cast<long long>(timegm(&time));
}

// The trades changed in the window, which may span a day at most. A change
// is listed only lagSecs after it was made (the platform's listing may
// trail its trades).
json TradesSoldIncrement(const json& shop, const TStatement& statement, const std::string& now, int lagSecs)
{
    const TWindow window = Window(statement, "start_modified", "end_modified");
    const long long span = Seconds(window.End) - Seconds(window.Start);
    if (span < 0 || span > 24 * 60 * 60)
        throw EPlatformError(41, "Invalid arguments", "start_modified and end_modified must lie within one day");
    auto trades = NewestFirst(shop, window, Modified);
    if (lagSecs > 0 && IsTimeStamp(now)) {
        const long long listedUpTo = Seconds(now) - lagSecs;
        std::erase_if(trades, [&](const json* trade) {
            const std::string stamp = Modified(*trade);
            return !IsTimeStamp(stamp) || Seconds(stamp) > listedUpTo;
        });
    }
    return {{"trades_sold_increment_get_response", Page(trades, statement, "trades", "trade")}};
}

json TradeGet(const json& shop, const TStatement& statement)
{
    const std::string tid = *statement.Condition("tid");
    for (const json* trade : Records(shop, "trades"))
        if (TextOf(*trade, "tid") == tid) {
            json out = Projected(*trade, statement.Fields);
            std::vector<std::string> orderFields;
            for (const std::string& field : statement.Fields)
                if (field.rfind("orders.", 0) == 0)
                    orderFields.push_back(field.substr(7));
            const std::vector<const json*> catalogueOrders = Records(*trade, "orders");
            if (!orderFields.empty() && !catalogueOrders.empty()) {
                json orders = json::array();
                for (const json* order : catalogueOrders)
                    orders.push_back(Projected(*order, orderFields));
                out["orders"] = {{"order", orders}};
            }
            return {{"trade_get_response", {{"trade", out}}}};
        }
    throw EPlatformError(15, "Remote service error", "isv.trade-not-exist: " + tid);
}

std::string Param(const httplib::Request& request, const std::string& name)
{
    return request.has_param(name) ? request.get_param_value(name) : std::string();
}

// Checks the request as the platform would and answers it.
json Answer(TSimState& state, const httplib::Request& request)
{
    for (const char* name : {"ql", "sign", "app_key", "sign_method"})
        if (!request.has_param(name))
            throw EPlatformError(40, "Missing required arguments", std::string("missing ") + name);
    const std::string ql = Param(request, "ql");
    const std::string appKey = Param(request, "app_key");
    const std::string signMethod = Param(request, "sign_method");
    const bool hasSession = request.has_param("session");
    const std::string session = Param(request, "session");

    const std::lock_guard lock(state.Lock);
    const json* shop = ShopByAppKey(state.Catalogue, appKey);
    if (!shop)
        throw EPlatformError(29, "Invalid app Key");
    if (signMethod != "md5")
        throw EPlatformError(26, "Invalid sign method");
    const std::string secret = TextOf(*shop, "app_secret");
    std::string signText = secret + "app_key" + appKey + "ql" + ql;
    if (hasSession)
        signText += "session" + session;
    signText += "sign_method" + signMethod + secret;
    if (Param(request, "sign") != Md5Hex(signText))
        throw EPlatformError(25, "Invalid signature");

    std::string error;
    const auto statement = ParseStatement(ql, error);
    if (!statement)
        throw EPlatformError(40, "Invalid query statement", error);
    const auto method = std::find_if(Methods().begin(), Methods().end(), [&](const TMethod& m) { return m.Object == statement->Object; });
    if (method == Methods().end())
        throw EPlatformError(22, "Invalid method", statement->Object);
    ++state.Counts[method->Name];
    if (method->NeedsSession) {
        if (!hasSession || session.empty())
            throw EPlatformError(26, "Missing session");
        if (session != TextOf(*shop, "session"))
            throw EPlatformError(27, "Invalid session");
    }
    for (const std::string& name : method->Required)
        if (!statement->Condition(name))
            throw EPlatformError(40, "Missing required arguments", name);
    for (const auto& [name, value] : statement->Where) {
        if (!method->Required.count(name) && !method->Optional.count(name))
            throw EPlatformError(41, "Invalid arguments", "unknown condition " + name);
        if ((name == "num_iid" || name == "tid") && !IsDigits(value))
            throw EPlatformError(41, "Invalid arguments", "invalid " + name + ": " + value);
    }

    if (method->Object == "time")
        return {{"time_get_response", {{"time", NowText(state)}}}};
    if (method->Object == "items.onsale")
        return ItemsOnsale(*shop, *statement);
    if (method->Object == "item")
        return ItemGet(state.Catalogue, *statement);
    if (method->Object == "trades.sold")
        return TradesSold(*shop, *statement);
    if (method->Object == "trades.sold.increment")
        return TradesSoldIncrement(*shop, *statement, NowText(state), state.ListingLagSecs);
    return TradeGet(*shop, *statement);
}

// The method a request's statement calls ("taobao.trade.get"), or empty.
std::string MethodOf(const httplib::Request& request)
{
    std::string error;
    const auto statement = ParseStatement(Param(request, "ql"), error);
    if (!statement)
        return {};
    const auto method = std::find_if(Methods().begin(), Methods().end(), [&](const TMethod& m) { return m.Object == statement->Object; });
    return method == Methods().end() ? std::string() : method->Name;
}

// Plays the fault set by the control calls; true when it has answered.
bool PlayFault(TSimState& state, const httplib::Request& request, httplib::Response& response)
{
    TFault fault;
    {
        const std::lock_guard lock(state.Lock);
        if (state.Fault.Mode.empty() || state.Fault.Remaining == 0)
            return false;
        if (!state.Fault.Method.empty() && state.Fault.Method != MethodOf(request))
            return false;
        if (state.Fault.Skip > 0) {
            --state.Fault.Skip;
            return false;
        }
        fault = state.Fault;
        if (state.Fault.Remaining > 0 && --state.Fault.Remaining == 0)
            state.Fault = TFault{};
    }
    if (fault.Mode == "slow") {
        std::this_thread::sleep_for(std::chrono::milliseconds(fault.DelayMs));
        return false;
    }
    if (fault.Mode == "hold") {
        std::unique_lock lock(state.Lock);
        const int releases = state.Releases;
        ++state.Held;
        state.Released.wait_for(lock, std::chrono::minutes(1), [&] { return state.Releases != releases; });
        --state.Held;
        return false;
    }
    if (fault.Mode == "http500") {
        response.status = 500;
        response.set_content("Internal Server Error", "text/plain");
    } else if (fault.Mode == "junk") {
        response.set_content(EncodeReply("<html><body>502 Bad Gateway</body></html>"), "text/html");
    } else if (fault.Mode == "cut") {
        // Promises a long body and drops the connection after a few bytes.
        response.set_content_provider(4096, "application/json", [](size_t, size_t, httplib::DataSink& sink) {
            sink.write("{\"time_get", 10);
            return false;
        });
    }
    return true;
}

} // namespace

void RegisterQueryEndpoint(httplib::Server& server, TSimState& state)
{
    server.Post("/tql/2.0/json", [&state](const httplib::Request& request, httplib::Response& response) {
        Count(state, "tql");
        if (PlayFault(state, request, response))
            return;
        json reply;
        try {
            reply = Answer(state, request);
        } catch (const EPlatformError& e) {
            reply = ErrorReply(e);
        }
        response.set_content(EncodeReply(reply.dump(-1, ' ', false, json::error_handler_t::replace)), "application/json;charset=UTF-8");
    });
}

} // namespace sim
