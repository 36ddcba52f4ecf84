#pragma once
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <string>
#include <stdexcept>
#include <string_view>

namespace kvhost {

// Replies of the editor's interface: JSON (text that is not UTF-8, such as a plug-in's 8-bit name, is
// replaced rather than refused), errors as {"error": "..."} with their status, pictures in base64.
void replyJson(httplib::Response& response, const nlohmann::json& body, int status = 200);
void replyError(httplib::Response& response, int status, const std::string& message);
std::string base64(std::string_view bytes);

// A request body as JSON: throws RequestFault (400) naming what is wrong, also for a body nested deeper
// than any request of the editor needs.
class RequestFault : public std::runtime_error {
public:
    explicit RequestFault(const std::string& message, int status = 400)
        : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};
nlohmann::json parseBody(const httplib::Request& request);

} // namespace kvhost
