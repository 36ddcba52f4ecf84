#pragma once
#include "host/cli/Verb.h"

#include <string>
#include <vector>

namespace kvhost {

// kvhost render PLUGIN INPUT OUTPUT: sets the effect up as the host does, applies a project, a curve set
// and parameter values, renders one image and writes it (whole or not at all).
class RenderVerb : public Verb {
public:
    CLI::App* add(CLI::App& app) override;
    int run(std::ostream& out, std::ostream& err) override;

private:
    std::string plugin_;
    std::string input_;
    std::string output_;
    std::string curves_;
    std::vector<std::string> points_;
    std::vector<std::string> settings_;
    std::vector<std::string> layers_;
    int depth_ = 0;
    std::string project_;
    std::string saveProject_;
    double seconds_ = 0.0;
    int threads_ = 0;
    bool legacy_ = false;
    int histogram_ = -1; // -1: as the project or the panel left it
    std::string histogramOut_;
    double largestMegapixels_ = 0.0;
    bool quiet_ = false;
};

} // namespace kvhost
