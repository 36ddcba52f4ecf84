#pragma once
#include "host/cli/Verb.h"

#include <string>
#include <vector>

namespace kvhost {

// kvhost lut PLUGIN OUT: the effect's grade sampled through its float render and written as a LUT file
// for OpenColorIO and grading tools (whole or not at all).
class LutVerb : public Verb {
public:
    CLI::App* add(CLI::App& app) override;
    int run(std::ostream& out, std::ostream& err) override;

private:
    std::string plugin_;
    std::string output_;
    std::string project_;
    std::string curves_;
    std::vector<std::string> points_;
    std::vector<std::string> settings_;
    double seconds_ = 0.0;
    int size_ = 33;
    std::string format_;
    std::string range_;
    bool force3d_ = false;
    int threads_ = 0;
    bool quiet_ = false;
};

} // namespace kvhost
