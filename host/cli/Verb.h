#pragma once
#include <CLI/CLI.hpp>

#include <ostream>

namespace kvhost {

// One verb of the command line ("info", "params", ...): it adds its subcommand with its options, and
// runs when that subcommand was given. A new verb is one more file and one line in main.
class Verb {
public:
    virtual ~Verb() = default;
    virtual CLI::App* add(CLI::App& app) = 0;
    // The exit code: 0 success, 1 the plug-in did not give back everything, 2 a bad file or value.
    virtual int run(std::ostream& out, std::ostream& err) = 0;
};

} // namespace kvhost
