#include "host/serve/JsonReply.h"

namespace kvhost {

namespace {

// Events, settings and keyframes are flat objects; a colour is an array in one.
constexpr int kDeepestRequest = 8;

} // namespace

void replyJson(httplib::Response& response, const nlohmann::json& body, int status) {
    response.status = status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                         "application/json; charset=utf-8");
}

void replyError(httplib::Response& response, int status, const std::string& message) {
    replyJson(response, nlohmann::json{{"error", message}}, status);
}

std::string base64(std::string_view bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = unsigned(static_cast<unsigned char>(bytes[i])) << 16 |
                           unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                           unsigned(static_cast<unsigned char>(bytes[i + 2]));
        text += {digits[v >> 18], digits[(v >> 12) & 63], digits[(v >> 6) & 63], digits[v & 63]};
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const unsigned v = unsigned(static_cast<unsigned char>(bytes[i])) << 16 |
                           (two ? unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8 : 0u);
        text += {digits[v >> 18], digits[(v >> 12) & 63], two ? digits[(v >> 6) & 63] : '=', '='};
    }
    return text;
}

nlohmann::json parseBody(const httplib::Request& request) {
    const nlohmann::json::parser_callback_t depthLimit = [](int depth, nlohmann::json::parse_event_t,
                                                            nlohmann::json&) {
        if (depth > kDeepestRequest) {
            throw RequestFault("the request is nested more than " + std::to_string(kDeepestRequest) +
                               " levels deep");
        }
        return true;
    };
    try {
        return nlohmann::json::parse(request.body, depthLimit);
    } catch (const nlohmann::json::exception& error) {
        throw RequestFault(std::string("the request is not JSON: ") + error.what());
    }
}

} // namespace kvhost
