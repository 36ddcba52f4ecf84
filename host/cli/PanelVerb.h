#pragma once
#include "host/cli/Verb.h"

#include <string>
#include <vector>

namespace kvhost {

// kvhost panel PLUGIN OUTPUT.png: replays mouse events on the effect's custom control, then draws it
// and writes the panel as the host shows it.
class PanelVerb : public Verb {
public:
    CLI::App* add(CLI::App& app) override;
    int run(std::ostream& out, std::ostream& err) override;

private:
    std::string plugin_;
    std::string output_;
    std::string project_;
    std::string saveProject_;
    std::string curves_;
    std::vector<std::string> points_;
    double largestMegapixels_ = 0.0;
    int width_ = 600;
    int height_ = 0;
    std::string events_;
    std::string render_;
    bool verbose_ = false;
};

} // namespace kvhost
