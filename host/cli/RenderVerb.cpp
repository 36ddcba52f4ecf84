#include "host/cli/RenderVerb.h"

#include "host/EffectInstance.h"
#include "host/FileReplacement.h"
#include "host/HostError.h"
#include "host/ImageFile.h"
#include "host/PluginFile.h"
#include "host/cli/EffectStart.h"
#include "host/cli/HistogramFile.h"
#include "host/cli/ParameterSetting.h"
#include "host/cli/ProgressLine.h"
#include "host/cli/TextOutput.h"

#include <optional>

namespace kvhost {

namespace {

constexpr const char* kDescription =
    "Render one image with the effect.\n"
    "Image files: 8-bit values as they are; 16-bit values onto the host's range, whose white is 32768\n"
    "(host = floor(file x 32768 / 65535 + 0.5), back file = min(65535, floor(host x 65535 / 32768 + 0.5)));\n"
    "float as it is. A file without alpha reads opaque, a grey file as red = green = blue.\n"
    "The output is written at the render depth where its format allows: PNG 8 or 16 bits (a float render\n"
    "as 16 bits), TIFF 8, 16 bits or float, OpenEXR half for an 8-bit render and float for 16-bit and float\n"
    "renders, JPEG and other 8-bit formats at 8 bits; with alpha where the format has it. It is written\n"
    "whole or not at all.\n"
    "Exit code: 0 done, 1 done but the plug-in did not give back everything it was handed, 2 an error.";

} // namespace

CLI::App* RenderVerb::add(CLI::App& app) {
    CLI::App* verb = app.add_subcommand("render", kDescription);
    verb->add_option("PLUGIN", plugin_, "plug-in file (.so)")->required();
    verb->add_option("INPUT", input_, "input image file")->required();
    verb->add_option("OUTPUT", output_, "output image file; its extension chooses the format")->required();
    verb->add_option("--curves", curves_, "curve set in its flat text form, as the \"curve\" value");
    verb->add_option("--set", settings_,
                     "NAME=VALUE: a parameter by its name (popup: 1-based number or item text; checkbox "
                     "0/1; float; colour r,g,b[,a] in 0..255); repeatable, applied in order")
        ->allow_extra_args(false);
    verb->add_option("--layer", layers_,
                     "NAME=FILE: an image for a layer parameter, e.g. \"base layer=b.png\"")
        ->allow_extra_args(false);
    verb->add_option("--depth", depth_, "render depth 8, 16 or 32 (float); default: the input file's")
        ->check(CLI::IsMember({8, 16, 32}));
    verb->add_option("--project", project_, "start from a saved project");
    verb->add_option("--save-project", saveProject_, "write a project after the settings");
    verb->add_option("--time", seconds_, "render time in seconds (keyframes are interpolated)")
        ->check(CLI::Range(0.0, 86400.0));
    verb->add_option("--threads", threads_, "processor count the host reports; default: the machine's")
        ->check(CLI::Range(1, 1024));
    verb->add_flag("--legacy", legacy_, "render with PF_Cmd_RENDER (8 and 16 bits only)");
    verb->add_option("--histogram-out", histogramOut_,
                     "write the histograms the render left in the sequence data as JSON");
    verb->add_flag("--quiet", quiet_, "no progress line (it shows only on a terminal)");
    return verb;
}

int RenderVerb::run(std::ostream& out, std::ostream& err) {
    (void)out;
    ProgressLine progress(err, quiet_);
    // Everything that can be checked before the work is checked first.
    const OutputImageFile output(output_);
    for (const std::string* path : {&saveProject_, &histogramOut_}) {
        if (!path->empty()) {
            FileReplacement::checkFolder(*path);
        }
    }
    std::vector<ParameterSetting> settings;
    for (const std::string& text : settings_) {
        settings.push_back(parseSetting(text, "--set"));
    }
    std::vector<ParameterSetting> layers;
    for (const std::string& text : layers_) {
        layers.push_back(parseSetting(text, "--layer"));
    }
    progress.stage("reading " + input_);
    InputImageFile input(input_);
    const int depth = depth_ != 0 ? depth_ : input.depth();
    if (legacy_ && depth == 32) {
        throw HostError(std::string("--legacy renders 8 and 16 bits only, and the render depth is float") +
                        (depth_ == 0 ? " (the depth of " + input_ + "); choose --depth 8 or 16" : ""));
    }

    progress.stage("setting up " + plugin_);
    PluginFile plugin(plugin_);
    auto instance = startEffect(plugin, EffectStart{project_, seconds_, threads_});
    if (!curves_.empty()) {
        applyCurveFile(*instance, curves_);
    }
    for (const ParameterSetting& setting : settings) {
        applySetting(*instance, setting);
    }
    for (const ParameterSetting& layer : layers) {
        const int index = findParameter(*instance, layer.name, "--layer");
        if (instance->parameter(index).type() != PF_Param_LAYER) {
            throw HostError("--layer \"" + layer.name + "=" + layer.value + "\": \"" + layer.name +
                            "\" is not a layer parameter");
        }
        progress.stage("reading " + layer.value);
        InputImageFile file(layer.value);
        instance->setLayer(index, std::make_shared<HostImage>(file.read(depth)));
    }
    progress.stage("reading " + input_);
    RenderRequest request;
    request.input = std::make_shared<const HostImage>(input.read(depth));
    request.depth = depth;

    progress.stage("rendering");
    instance->setProgressObserver(
        [&progress](A_long current, A_long total) { progress.fraction(current, total); });
    const RenderResult rendered = legacy_ ? instance->renderLegacy(request) : instance->renderSmart(request);
    instance->setProgressObserver(nullptr);
    if (rendered.result != PF_Err_NONE) {
        throw HostError(plugin.path() + ": the render failed with error " + errorText(rendered.result));
    }
    if (rendered.output.empty()) {
        throw HostError(plugin.path() + ": the render produced no pixels");
    }

    // All files go to temporary files first and are renamed only when every one of them is complete.
    std::optional<FileReplacement> histogramFile;
    if (!histogramOut_.empty()) {
        if (!instance->sequenceData()) {
            throw HostError("--histogram-out: " + plugin.path() + " keeps no sequence data");
        }
        const SequenceHistograms histograms =
            SequenceHistograms::read(instance->memory().bytes(instance->sequenceData()), plugin.path());
        histogramFile.emplace(histogramOut_);
        histogramFile->write(histograms.toJson().dump() + "\n");
    }
    std::optional<FileReplacement> projectFile;
    if (!saveProject_.empty()) {
        projectFile.emplace(saveProject_);
        projectFile->write(projectText(*instance));
    }
    progress.stage("writing " + output_);
    FileReplacement outputFile(output_);
    output.write(rendered.output, outputFile);
    outputFile.commit();
    for (auto* file : {&histogramFile, &projectFile}) {
        if (*file) {
            (*file)->commit();
        }
    }
    progress.done();

    const std::string problems = instance->problems();
    if (!problems.empty()) {
        err << problems;
        return 1;
    }
    return 0;
}

} // namespace kvhost
