#include "host/serve/RequestGuard.h"

#include "host/HostError.h"

#include <arpa/inet.h>

#include <cstdint>
#include <random>

namespace kvhost {

namespace {

constexpr std::size_t kShortestToken = 16;

bool sameSecret(const std::string& given, const std::string& expected) {
    if (given.size() != expected.size() || expected.empty()) {
        return false;
    }
    // Every character is compared, so the time taken does not tell how much of a guess was right.
    unsigned difference = 0;
    for (std::size_t i = 0; i < given.size(); ++i) {
        difference |= unsigned(static_cast<unsigned char>(given[i]) ^ static_cast<unsigned char>(expected[i]));
    }
    return difference == 0;
}

std::string lowered(std::string text) {
    for (char& c : text) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

} // namespace

RequestGuard::RequestGuard(std::string token, std::string listenAddress, int port) : token_(std::move(token)) {
    const std::string suffix = ":" + std::to_string(port);
    in6_addr address6{};
    const bool ipv6 = inet_pton(AF_INET6, listenAddress.c_str(), &address6) == 1;
    hostHeader_ = (ipv6 ? "[" + listenAddress + "]" : listenAddress) + suffix;
    hostHeaders_.push_back(lowered(hostHeader_));
    if (isLoopback(listenAddress)) {
        for (const char* alias : {"localhost", "127.0.0.1", "[::1]"}) {
            hostHeaders_.push_back(alias + suffix);
        }
    }
}

std::string RequestGuard::refusal(const httplib::Request& request) const {
    const std::string host = lowered(request.get_header_value("Host"));
    bool hostKnown = false;
    for (const std::string& known : hostHeaders_) {
        hostKnown = hostKnown || host == known;
    }
    if (!hostKnown) {
        return "the Host header \"" + request.get_header_value("Host") + "\" does not name this editor (" +
               hostHeader_ + ")";
    }
    if (request.has_header("Origin")) {
        const std::string origin = lowered(request.get_header_value("Origin"));
        bool sameOrigin = false;
        for (const std::string& known : hostHeaders_) {
            sameOrigin = sameOrigin || origin == "http://" + known;
        }
        if (!sameOrigin) {
            return "requests from the page at \"" + request.get_header_value("Origin") + "\" are refused";
        }
    }
    const std::string site = request.get_header_value("Sec-Fetch-Site");
    if (site == "cross-site" || site == "same-site") {
        return "requests from another site are refused";
    }
    const std::string given = request.has_param("token") ? request.get_param_value("token")
                                                          : request.get_header_value("X-Kvhost-Token");
    if (given.empty()) {
        return "no token: open the address kvhost printed, with its ?token=...";
    }
    if (!sameSecret(given, token_)) {
        return "the token is not this editor's";
    }
    return std::string();
}

std::string RequestGuard::editorAddress() const {
    return "http://" + hostHeader_ + "/?token=" + token_;
}

std::string RequestGuard::newToken() {
    std::random_device random;
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t word = random();
        for (int shift = 28; shift >= 0; shift -= 4) {
            token += digits[(word >> shift) & 15];
        }
    }
    return token;
}

void RequestGuard::checkToken(const std::string& token) {
    for (const char c : token) {
        const bool allowed = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '~' ||
                             c == '-';
        if (!allowed) {
            throw HostError("--token: \"" + std::string(1, c) +
                            "\" cannot stand in a token (A-Z, a-z, 0-9, \".\", \"_\", \"~\", \"-\")");
        }
    }
    if (token.size() < kShortestToken) {
        throw HostError("--token: a token of " + std::to_string(token.size()) + " characters is too easy to guess (" +
                        std::to_string(kShortestToken) + " at least)");
    }
}

bool RequestGuard::isLoopback(const std::string& address) {
    if (lowered(address) == "localhost") {
        return true;
    }
    in_addr address4{};
    if (inet_pton(AF_INET, address.c_str(), &address4) == 1) {
        return (ntohl(address4.s_addr) >> 24) == 127;
    }
    in6_addr address6{};
    return inet_pton(AF_INET6, address.c_str(), &address6) == 1 && IN6_IS_ADDR_LOOPBACK(&address6);
}

} // namespace kvhost
