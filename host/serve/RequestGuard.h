#pragma once
#include <httplib.h>

#include <string>
#include <vector>

namespace kvhost {

// What every request to the editor must show before it reaches the effect, so that no other page in the
// browser (nor one behind a DNS name rebound to this machine) can drive it: the Host header names the
// address the server listens on, an Origin header (when there is one) is that same address, and the token
// comes as the "token" query parameter or the "X-Kvhost-Token" header.
class RequestGuard {
public:
    RequestGuard(std::string token, std::string listenAddress, int port);

    // Empty when the request may pass; otherwise the reason it is refused (a 403).
    std::string refusal(const httplib::Request& request) const;

    const std::string& token() const { return token_; }
    // "http://127.0.0.1:8123/?token=..."
    std::string editorAddress() const;

    // 128 random bits as 32 hexadecimal digits.
    static std::string newToken();
    // Throws HostError unless the token is at least 16 characters of A-Z, a-z, 0-9, ".", "_", "~", "-".
    static void checkToken(const std::string& token);
    // 127.0.0.0/8, ::1 and "localhost".
    static bool isLoopback(const std::string& address);

private:
    std::string token_;
    std::string hostHeader_;              // as a browser writes it: "127.0.0.1:8123", "[::1]:8123"
    std::vector<std::string> hostHeaders_; // every Host value that names this server
};

} // namespace kvhost
