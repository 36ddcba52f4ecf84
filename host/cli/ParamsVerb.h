#pragma once
#include "host/cli/Verb.h"

#include <string>

namespace kvhost {

// kvhost params PLUGIN: the parameters the plug-in registers, with the input layer as index 0.
class ParamsVerb : public Verb {
public:
    CLI::App* add(CLI::App& app) override;
    int run(std::ostream& out, std::ostream& err) override;

private:
    std::string plugin_;
    bool json_ = false;
};

} // namespace kvhost
