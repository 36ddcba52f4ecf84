#include "host/cli/RenderVerb.h"

#include "host/EffectInstance.h"
#include "host/FileReplacement.h"
#include "host/HostError.h"
#include "host/ImageFile.h"
#include "host/PluginFile.h"
#include "host/cli/CommonOptions.h"
#include "host/cli/CurvePoints.h"
#include "host/cli/EffectStart.h"
#include "host/cli/HistogramFile.h"
#include "host/cli/ParameterSetting.h"
#include "host/cli/ProgressLine.h"
#include "host/cli/SequenceText.h"
#include "host/cli/TextOutput.h"

#include <filesystem>
#include <optional>

namespace kvhost {

namespace {

constexpr const char* kDescription =
    "Render one image with the effect.\n"
    "Image files: 8-bit values as they are; 16-bit values onto the host's range, whose white is 32768\n"
    "(host = floor(file x 32768 / 65535 + 0.5), back file = min(65535, floor(host x 65535 / 32768 + 0.5)));\n"
    "float, half and 32-bit integer files as float. A file without alpha reads opaque, a grey file as\n"
    "red = green = blue; channels are found by their names R, G, B, A (others are left out, with a "
    "warning).\n"
    "The output is written at the render depth where its format allows: PNG 8 or 16 bits (a float render\n"
    "as 16 bits), TIFF 8, 16 bits or float, OpenEXR half for an 8-bit render and float for 16-bit and float\n"
    "renders, JPEG and other 8-bit formats at 8 bits. It keeps the input's metadata (attributes, colour\n"
    "space, data window; compression within the same format) and has alpha when the input has alpha or the\n"
    "render made some pixels less than opaque. It is written whole or not at all: beside the output under a\n"
    "hidden temporary name, renamed over it when complete (a symbolic link is followed; a pipe or character\n"
    "device such as /dev/stdout is written straight through).\n"
    "Curves: --curves FILE takes the stored curve set text (docs/curve-text.md); --points CURVE=x,y ...\n"
    "builds a curve through the effect's own editor, e.g. --points \"rgb=0,0 0.3,0.22 0.7,0.8 1,1\".\n"
    "Order: --project, --curves, --set (in order), --points (in order), --histogram, --layer.\n"
    "Exit code: 0 done, 1 done but the plug-in did not give back everything it was handed, 2 an error.";

// The input's format for an output without an extension; empty when the input cannot tell it yet (its
// own error comes when it is read).
std::string deviceFormatOf(const std::string& input) {
    try {
        return formatOf(InputImageFile(input));
    } catch (const HostError&) {
        return std::string();
    }
}

} // namespace

CLI::App* RenderVerb::add(CLI::App& app) {
    CLI::App* verb = app.add_subcommand("render", kDescription);
    verb->add_option("PLUGIN", plugin_, "plug-in file (.so)")->required();
    verb->add_option("INPUT", input_, "input image file")->required();
    verb->add_option("OUTPUT", output_, "output image file; its extension chooses the format")->required();
    verb->add_option("--curves", curves_,
                     std::string("curve set in its stored text form, as the \"curve\" value (") +
                         kCurveTextDoc + ")");
    verb->add_option("--points", points_, kPointsHelp)->allow_extra_args(false);
    verb->add_option("--set", settings_,
                     "NAME=VALUE: a parameter by its name (popup: 1-based number or item text; checkbox "
                     "0/1; float; colour r,g,b[,a] in 0..255); repeatable, applied in order")
        ->allow_extra_args(false);
    verb->add_option("--layer", layers_,
                     "NAME=FILE: an image for a layer parameter, e.g. \"base layer=b.png\"; a saved project "
                     "records the file (relative to the project's folder when inside it) and reopens it")
        ->allow_extra_args(false);
    verb->add_option("--depth", depth_, "render depth 8, 16 or 32 (float); default: the input file's")
        ->check(CLI::IsMember({8, 16, 32}));
    verb->add_option("--project", project_, "start from a saved project (with its layer files)");
    verb->add_option("--save-project", saveProject_, "write a project after the settings");
    verb->add_option("--time", seconds_, "render time in seconds (keyframes are interpolated)")
        ->check(timeInSeconds());
    verb->add_option("--threads", threads_, "processor count the host reports; default: the machine's")
        ->check(CLI::Range(1, 1024));
    verb->add_flag("--legacy", legacy_, "render with PF_Cmd_RENDER (8 and 16 bits only)");
    verb->add_option("--histogram", histogram_,
                     "the editor's histogram display, set in every curve's editor state as the panel's "
                     "histogram button leaves it: 0 off, 1 the shown curve's input and output, 2 red, green "
                     "and blue; the render counts the histograms only when it is not 0")
        ->check(CLI::IsMember({0, 1, 2}));
    verb->add_option("--histogram-out", histogramOut_,
                     "write the histograms the render left in the sequence data as JSON (they are zeros "
                     "unless the histogram is shown: --histogram 1 or 2)");
    addLargestImageOption(*verb, largestMegapixels_);
    verb->add_flag("--quiet", quiet_, "no progress line (it shows only on a terminal)");
    return verb;
}

int RenderVerb::run(std::ostream& out, std::ostream& err) {
    (void)out;
    ProgressLine progress(err, quiet_);
    applyLargestImage(largestMegapixels_);
    // Everything that can be checked before the work is checked first.
    // A pipe or device has no extension to choose the format: it gets the input's.
    const OutputImageFile output(
        output_, std::filesystem::path(output_).extension().empty() ? deviceFormatOf(input_) : "");
    for (const std::string* path : {&saveProject_, &histogramOut_}) {
        if (!path->empty()) {
            FileReplacement::checkDestination(*path);
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
    std::vector<CurvePoints> points;
    for (const std::string& text : points_) {
        points.push_back(parseCurvePoints(text));
    }
    progress.stage("reading " + input_);
    InputImageFile input(input_);
    printWarnings(err, input);
    const int depth = depth_ != 0 ? depth_ : input.depth();
    if (legacy_ && depth == 32) {
        throw HostError(std::string("--legacy renders 8 and 16 bits only, and the render depth is float") +
                        (depth_ == 0 ? " (the depth of " + input_ + "); choose --depth 8 or 16" : ""));
    }

    progress.stage("setting up " + plugin_);
    PluginFile plugin(plugin_);
    auto instance = startEffect(plugin, EffectStart{project_, seconds_, threads_, layerReaderAt(depth, err)});
    if (!curves_.empty()) {
        applyCurveFile(*instance, curves_);
    }
    for (const ParameterSetting& setting : settings) {
        applySetting(*instance, setting);
    }
    for (const CurvePoints& curve : points) {
        buildCurvePoints(*instance, curve);
    }
    if (histogram_ >= 0) {
        setSequenceText(*instance, withEditorStateValues(sequenceText(*instance), "histogram",
                                                         {std::to_string(histogram_)}));
    }
    for (const ParameterSetting& layer : layers) {
        const int index = findParameter(*instance, layer.name, "--layer");
        if (instance->parameter(index).type() != PF_Param_LAYER) {
            throw HostError("--layer \"" + layer.name + "=" + layer.value + "\": \"" + layer.name +
                            "\" is not a layer parameter");
        }
        progress.stage("reading " + layer.value);
        InputImageFile file(layer.value);
        printWarnings(err, file);
        instance->setLayer(index, std::make_shared<HostImage>(file.read(depth)), layer.value);
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
    progress.complete(); // the effect reports the rows of its own band only

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
        projectFile->write(projectText(*instance, saveProject_));
    }
    progress.stage("writing " + output_);
    FileReplacement outputFile(output_);
    output.write(rendered.output, outputFile, &input);
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
