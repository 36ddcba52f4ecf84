#pragma once
#include "host/cli/Verb.h"

#include <string>
#include <vector>

namespace kvhost {

// kvhost serve PLUGIN INPUT: the live curve editor in the browser. Prints the address to open as the first
// line of its standard output, serves until SIGINT or SIGTERM, then sets the effect down and reports what
// the plug-in did not give back.
class ServeVerb : public Verb {
public:
    CLI::App* add(CLI::App& app) override;
    int run(std::ostream& out, std::ostream& err) override;

    // The warning for a listening address other than loopback; empty for loopback.
    static std::string listenWarning(const std::string& address);

private:
    std::string plugin_;
    std::string input_;
    std::vector<std::string> layers_;
    std::string project_;
    std::string saveProject_;
    int depth_ = 0;
    std::string listen_ = "127.0.0.1";
    int port_ = 0;
    std::string token_;
    int threads_ = 0;
};

} // namespace kvhost
