#pragma once
#include "host/EffectInstance.h"
#include "host/PluginFile.h"
#include "host/cli/CurvePoints.h"
#include "host/cli/ParameterSetting.h"
#include "host/cli/Verb.h"

#include <memory>
#include <string>
#include <vector>

namespace kvhost {

// kvhost render PLUGIN INPUT OUTPUT: sets the effect up as the host does, applies a project, a curve set
// and parameter values, renders one image and writes it (whole or not at all). With a frame number in
// INPUT and OUTPUT ("in.####.png") and --frames, it renders a shot, frame by frame (ShotRender.h).
class RenderVerb : public Verb {
public:
    CLI::App* add(CLI::App& app) override;
    int run(std::ostream& out, std::ostream& err) override;

private:
    // The settings of the command line as they are applied after the project, parsed before any work.
    struct Settings {
        std::vector<ParameterSetting> values;
        std::vector<ParameterSetting> layers;
        std::vector<CurvePoints> points;
    };
    Settings parseSettings() const;
    // An instance at `seconds` with the project, --curves, --set, --points and --histogram applied.
    std::unique_ptr<EffectInstance> prepare(const PluginFile& plugin, const Settings& settings, double seconds,
                                            int depth, int processors, std::ostream& err) const;
    int runShot(std::ostream& err);

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
    std::string frames_;
    double framesPerSecond_ = 24.0;
    std::string chunk_;
    bool keepGoing_ = false;
    bool skipExisting_ = false;
    int jobs_ = 0; // 0: chosen from the processor count
    CLI::Option* timeOption_ = nullptr;
    std::vector<CLI::Option*> shotOptions_;
};

} // namespace kvhost
