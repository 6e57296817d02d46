// Orders placed as a buyer would place them, for tests, benchmarks and the
// demo: each order becomes a trade of the shop in the catalogue (so that
// trade.get and trades.sold.get find it) and a trade notification on every
// open stream of the platform.
//
//   POST /sim/order?app_key=K&sku_id=S&num=N&status=S&event=E&count=N&log=1
//        (the parameters in the address, with or without a body, or as a
//        form body) app_key: the shop (default: the first shop); sku_id: one of its
//        SKUs (default: the next one in turn); num: the quantity (1);
//        status: the order line's status (WAIT_SELLER_SEND_GOODS); event:
//        the notification's status (TradeBuyerPay); count: how many orders
//        (1); log=1 records when each notification was written. Answers
//        {"tid": last tid, "oid": its order line, "streams": streams reached}.
//        Several SKUs joined by "," make one trade of one order line each
//        (num of each); "oid" is then the first line's.
//
//   POST /sim/trade?app_key=K&tid=T&oid=O&status=S&refund_status=R&event=E&kind=K
//        a trade changes as the buyer or the seller changes it: the order
//        lines (only the line oid when given) take the status and the refund
//        status given, the trade's "modified" becomes the platform's time,
//        and with an event the notification of that kind (notify_trade,
//        or notify_refund) goes onto the open streams. Answers
//        {"tid", "oid": the first changed line, "streams"}; 404 for an
//        unknown trade or line.

#include "Sim.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace sim {

namespace {

struct TOrderRequest {
    std::string AppKey;
    std::string SkuId;
    long Num = 1;
    std::string Status = "WAIT_SELLER_SEND_GOODS";
    std::string Event = "TradeBuyerPay";
    bool Log = false;
};

struct TPlaced {
    long long Tid = 0;
    long long Oid = 0;
    std::string Modified;
    std::string Error;
};

std::atomic<long long> NextTid{6000000000001LL};
std::atomic<size_t> NextSku{0};

json* FindShop(json& catalogue, const std::string& appKey)
{
    if (!catalogue.contains("shops") || !catalogue["shops"].is_array())
        return nullptr;
    for (json& shop : catalogue["shops"])
        if (shop.is_object() && (appKey.empty() || TextOf(shop, "app_key") == appKey))
            return &shop;
    return nullptr;
}

// The SKUs of the shop with their items: (item, sku).
std::vector<std::pair<const json*, const json*>> Skus(const json& shop)
{
    std::vector<std::pair<const json*, const json*>> skus;
    if (!shop.contains("items") || !shop["items"].is_array())
        return skus;
    for (const json& item : shop["items"])
        if (item.is_object() && item.contains("skus") && item["skus"].is_array())
            for (const json& sku : item["skus"])
                if (sku.is_object())
                    skus.emplace_back(&item, &sku);
    return skus;
}

double Price(const json& sku)
{
    try {
        return std::stod(TextOf(sku, "price"));
    } catch (const std::exception&) {
        return 0;
    }
}

std::string Money(double amount)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", amount);
    return text;
}

// The SKUs of the order: each named one, or the next in turn.
std::vector<std::pair<const json*, const json*>> Chosen(const json& shop, const std::string& skuIds)
{
    const auto skus = Skus(shop);
    std::vector<std::pair<const json*, const json*>> chosen;
    if (skuIds.empty()) {
        if (!skus.empty())
            chosen.push_back(skus[NextSku++ % skus.size()]);
        return chosen;
    }
    size_t start = 0;
    while (start <= skuIds.size()) {
        const size_t comma = std::min(skuIds.find(',', start), skuIds.size());
        const std::string id = skuIds.substr(start, comma - start);
        const auto entry = std::find_if(skus.begin(), skus.end(), [&](const auto& e) { return TextOf(*e.second, "sku_id") == id; });
        if (entry == skus.end())
            return {};
        chosen.push_back(*entry);
        start = comma + 1;
    }
    return chosen;
}

// Adds the trade to the catalogue under the lock.
TPlaced AddTrade(TSimState& state, const TOrderRequest& request)
{
    const std::lock_guard lock(state.Lock);
    json* shop = FindShop(state.Catalogue, request.AppKey);
    if (!shop)
        return {0, 0, {}, "no such shop"};
    const auto chosen = Chosen(*shop, request.SkuId);
    if (chosen.empty())
        return {0, 0, {}, "no such SKU"};
    TPlaced placed;
    placed.Tid = NextTid++;
    placed.Oid = placed.Tid * 10 + 1;
    placed.Modified = NowText(state);
    json orders = json::array();
    for (const auto& [item, sku] : chosen) {
        const double price = Price(*sku);
        orders.push_back({{"oid", placed.Oid + long(orders.size())},
                          {"num_iid", (*item)["num_iid"]},
                          {"sku_id", (*sku)["sku_id"]},
                          {"num", request.Num},
                          {"price", Money(price)},
                          {"total_fee", Money(price * double(request.Num))},
                          {"status", request.Status}});
    }
    if (!shop->contains("trades") || !(*shop)["trades"].is_array())
        (*shop)["trades"] = json::array();
    (*shop)["trades"].push_back({{"tid", placed.Tid}, {"created", placed.Modified}, {"modified", placed.Modified}, {"orders", orders}});
    return placed;
}

// Places the order and tells the open streams; the number of streams.
int Place(TSimState& state, const TOrderRequest& request, TPlaced& placed)
{
    placed = AddTrade(state, request);
    if (!placed.Error.empty())
        return 0;
    const json message = {{"status", request.Event}, {"tid", placed.Tid}, {"oid", placed.Oid}, {"modified", placed.Modified}};
    return NotifyStreams({{"packet", {{"code", 202}, {"msg", {{"notify_trade", message}}}}}}, request.Log);
}

std::string Param(const httplib::Request& request, const std::string& name)
{
    return request.has_param(name) ? request.get_param_value(name) : std::string();
}

// A POST whose parameters may all be in the address, without a body, as
// `curl -X POST 'URL'` sends it: the server would otherwise wait for a body
// that never comes. A body, when one is announced, is read as a form.
void PostWithOptionalBody(httplib::Server& server, const std::string& pattern, httplib::Server::Handler handler)
{
    server.Post(pattern, [handler = std::move(handler)](const httplib::Request& request, httplib::Response& response,
                                                         const httplib::ContentReader& reader) {
        httplib::Request withBody = request;
        if (request.has_header("Content-Length") || request.has_header("Transfer-Encoding")) {
            reader([&withBody](const char* data, size_t length) {
                withBody.body.append(data, length);
                return true;
            });
            if (request.get_header_value("Content-Type").rfind("application/x-www-form-urlencoded", 0) == 0)
                httplib::detail::parse_query_text(withBody.body, withBody.params);
        }
        handler(withBody, response);
    });
}

struct TTradeChange {
    std::string AppKey;
    std::string Tid;
    std::string Oid;
    std::string Status;
    std::string RefundStatus;
    std::string Event;
    std::string Kind = "notify_trade";
};

// Changes the trade in the catalogue under the lock; the first changed line's
// oid and the time of the change, or an error.
TPlaced ChangeTrade(TSimState& state, const TTradeChange& change)
{
    const std::lock_guard lock(state.Lock);
    json* shop = FindShop(state.Catalogue, change.AppKey);
    if (!shop || !shop->contains("trades") || !(*shop)["trades"].is_array())
        return {0, 0, {}, "no such trade"};
    for (json& trade : (*shop)["trades"]) {
        if (TextOf(trade, "tid") != change.Tid)
            continue;
        TPlaced changed;
        changed.Tid = std::stoll(change.Tid);
        changed.Modified = NowText(state);
        if (trade.contains("orders") && trade["orders"].is_array())
            for (json& order : trade["orders"]) {
                if (!order.is_object() || (!change.Oid.empty() && TextOf(order, "oid") != change.Oid))
                    continue;
                if (!change.Status.empty())
                    order["status"] = change.Status;
                if (!change.RefundStatus.empty())
                    order["refund_status"] = change.RefundStatus;
                if (changed.Oid == 0)
                    changed.Oid = std::stoll(TextOf(order, "oid"));
            }
        if (changed.Oid == 0)
            return {0, 0, {}, "no such order line"};
        trade["modified"] = changed.Modified;
        return changed;
    }
    return {0, 0, {}, "no such trade"};
}

} // namespace

void RegisterOrders(httplib::Server& server, TSimState& state)
{
    PostWithOptionalBody(server, "/sim/order", [&state](const httplib::Request& request, httplib::Response& response) {
        TOrderRequest order;
        order.AppKey = Param(request, "app_key");
        order.SkuId = Param(request, "sku_id");
        if (request.has_param("status"))
            order.Status = Param(request, "status");
        if (request.has_param("event"))
            order.Event = Param(request, "event");
        order.Log = Param(request, "log") == "1";
        int count = 1;
        try {
            if (request.has_param("num"))
                order.Num = std::stol(Param(request, "num"));
            if (request.has_param("count"))
                count = std::clamp(std::stoi(Param(request, "count")), 1, 100000);
        } catch (const std::exception&) {
            response.status = 400;
            response.set_content("num and count are numbers", "text/plain");
            return;
        }
        TPlaced placed;
        int streams = 0;
        for (int i = 0; i < count; ++i)
            streams = Place(state, order, placed);
        if (!placed.Error.empty()) {
            response.status = 404;
            response.set_content(placed.Error, "text/plain");
            return;
        }
        response.set_content(json({{"tid", std::to_string(placed.Tid)}, {"oid", std::to_string(placed.Oid)}, {"streams", streams}}).dump(),
                             "application/json");
    });
}

void RegisterTradeChanges(httplib::Server& server, TSimState& state)
{
    PostWithOptionalBody(server, "/sim/trade", [&state](const httplib::Request& request, httplib::Response& response) {
        TTradeChange change;
        change.AppKey = Param(request, "app_key");
        change.Tid = Param(request, "tid");
        change.Oid = Param(request, "oid");
        change.Status = Param(request, "status");
        change.RefundStatus = Param(request, "refund_status");
        change.Event = Param(request, "event");
        if (request.has_param("kind"))
            change.Kind = Param(request, "kind");
        TPlaced changed;
        try {
            changed = ChangeTrade(state, change);
        } catch (const std::exception&) {
            changed.Error = "tid and oid are numbers";
        }
        if (!changed.Error.empty()) {
            response.status = 404;
            response.set_content(changed.Error, "text/plain");
            return;
        }
        int streams = 0;
        if (!change.Event.empty()) {
            const json message = {{"status", change.Event}, {"tid", changed.Tid}, {"oid", changed.Oid}, {"modified", changed.Modified}};
            streams = NotifyStreams({{"packet", {{"code", 202}, {"msg", {{change.Kind, message}}}}}});
        }
        response.set_content(json({{"tid", std::to_string(changed.Tid)}, {"oid", std::to_string(changed.Oid)}, {"streams", streams}}).dump(),
                             "application/json");
    });
}

void StartDemoOrders(TSimState& state, int intervalSeconds)
{
    std::thread([&state, intervalSeconds] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::seconds(intervalSeconds));
            TPlaced placed;
            Place(state, TOrderRequest{}, placed);
        }
    }).detach();
}

} // namespace sim
