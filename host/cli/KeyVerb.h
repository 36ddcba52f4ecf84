#pragma once
#include "host/cli/Verb.h"

#include <string>

namespace kvhost {

// kvhost key PROJECT: adds, replaces and removes keyframes of a project file, or lists them. A value is
// set through the effect as `render --set` sets it (the same checks), a curve set as `render --curves`
// reads it; the project is written whole or not at all.
class KeyVerb : public Verb {
public:
    CLI::App* add(CLI::App& app) override;
    int run(std::ostream& out, std::ostream& err) override;

private:
    int list(std::ostream& out) const;

    std::string project_;
    std::string plugin_;
    std::string param_;
    double seconds_ = 0.0;
    std::string value_;
    std::string curves_;
    bool delete_ = false;
    bool list_ = false;
    CLI::Option* time_ = nullptr;
    CLI::Option* valueOption_ = nullptr;
};

} // namespace kvhost
