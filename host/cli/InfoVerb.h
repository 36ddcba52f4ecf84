#pragma once
#include "host/cli/Verb.h"

#include <string>

namespace kvhost {

// kvhost info PLUGIN: the registration record and the about text.
class InfoVerb : public Verb {
public:
    CLI::App* add(CLI::App& app) override;
    int run(std::ostream& out, std::ostream& err) override;

private:
    std::string plugin_;
    bool json_ = false;
};

} // namespace kvhost
