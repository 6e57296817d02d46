// The pages a seller opens in the browser, and the container that turns an
// authorization code into a session.

#include "Sim.h"

namespace sim {

namespace {

std::string Escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Html(const std::string& title, const std::string& body)
{
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + Escaped(title) + "</title></head><body><h1>" +
           Escaped(title) + "</h1>" + body + "</body></html>";
}

} // namespace

void RegisterPages(httplib::Server& server, TSimState& state)
{
    server.Get("/", [&state](const httplib::Request&, httplib::Response& response) {
        Count(state, "home");
        response.set_content(Html("卖家中心 (platform stand-in)", "<p>This is the local stand-in for the marketplace platform.</p>"),
                             "text/html;charset=UTF-8");
    });

    // The page shows the code that the seller copies into the session dialog.
    server.Get("/auth/authorize.htm", [&state](const httplib::Request& request, httplib::Response& response) {
        Count(state, "authorize");
        const std::string appKey = request.has_param("appkey") ? request.get_param_value("appkey") : std::string();
        const std::lock_guard lock(state.Lock);
        const json* shop = ShopByAppKey(state.Catalogue, appKey);
        if (!shop) {
            response.status = 400;
            response.set_content(Html("授权失败", "<p>Unknown application key.</p>"), "text/html;charset=UTF-8");
            return;
        }
        response.set_content(Html("授权码", "<p>" + Escaped(TextOf(*shop, "nick")) + "</p><p id=\"authcode\">" +
                                                 Escaped(TextOf(*shop, "authcode")) + "</p>"),
                             "text/html;charset=UTF-8");
    });

    // name=value pairs joined by "&"; the session under "kiv_session".
    server.Get("/container", [&state](const httplib::Request& request, httplib::Response& response) {
        Count(state, "container");
        const std::string code = request.has_param("authcode") ? request.get_param_value("authcode") : std::string();
        const std::lock_guard lock(state.Lock);
        if (!code.empty() && state.Catalogue.contains("shops") && state.Catalogue["shops"].is_array()) {
            for (const json& shop : state.Catalogue["shops"]) {
                if (!shop.is_object() || TextOf(shop, "authcode") != code)
                    continue;
                const std::string session = TextOf(shop, "session");
                const std::string appKey = TextOf(shop, "app_key");
                const std::string nick = TextOf(shop, "nick");
                const std::string parameters = "expires_in=86400&visitor_nick=" + nick;
                const std::string sign = Md5Hex(appKey + parameters + session + TextOf(shop, "app_secret"));
                response.set_content("top_appkey=" + EncodeValue(appKey) + "&top_parameters=" + EncodeValue(parameters) +
                                         "&top_session=" + EncodeValue(session) + "&top_sign=" + sign +
                                         "&kiv_session=" + EncodeValue(session),
                                     "text/plain;charset=UTF-8");
                return;
            }
        }
        response.set_content("error=invalid_authcode&error_description=" + EncodeValue("authorization code not valid"),
                             "text/plain;charset=UTF-8");
    });
}

} // namespace sim
