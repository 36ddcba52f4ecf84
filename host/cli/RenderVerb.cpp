#include "host/cli/RenderVerb.h"

#include "host/EffectInstance.h"
#include "host/FileReplacement.h"
#include "host/HostError.h"
#include "host/ImageFile.h"
#include "host/PluginFile.h"
#include "host/cli/CommonOptions.h"
#include "host/cli/CurvePoints.h"
#include "host/cli/EffectStart.h"
#include "host/cli/FrameInterrupt.h"
#include "host/cli/FrameProgress.h"
#include "host/cli/FrameSequence.h"
#include "host/cli/HistogramFile.h"
#include "host/cli/ParameterSetting.h"
#include "host/cli/ProgressLine.h"
#include "host/cli/SequenceText.h"
#include "host/cli/ShotRender.h"
#include "host/cli/TextOutput.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <thread>

namespace kvhost {

namespace {

constexpr int kMostJobs = 64;
constexpr int kMostDefaultJobs = 8;

constexpr const char* kDescription =
    "Render one image, or a shot of numbered frames, with the effect.\n"
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
    "Shots: an INPUT and OUTPUT with a frame number, a run of # (one per digit, zero-padded: in.####.exr)\n"
    "or printf's %d / %04d, are sequences, and --frames chooses the frames: \"1-48\", \"1-10,20,30-40x2\".\n"
    "Frame N renders at N / --fps seconds, so a project's keyframes move the grade over the shot; --layer\n"
    "files may be sequences too (frame for frame). One effect instance renders the whole range (one a job\n"
    "with --jobs), the settings applied at the first frame's time; each frame is written whole or not at\n"
    "all, and at any --jobs the same. Progress: a bar on a terminal, one line per frame otherwise\n"
    "(--quiet: neither). Every frame's input must be there before any is rendered (--keep-going: the\n"
    "missing ones fail and the rest are rendered). SIGINT stops after the frames being rendered (a second\n"
    "one at once); --skip-existing then goes on where it stopped.\n"
    "--chunk I/N renders the I-th of N contiguous, nearly equal slices of the frames, so that a scheduler\n"
    "can split a shot into tasks (scripts/slurm/ for SLURM).\n"
    "Exit code: 0 done, 1 done but the plug-in did not give back everything it was handed, 2 an error\n"
    "(for a shot: a frame failed), 130 a shot stopped by SIGINT.";

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
    verb->add_flag("--quiet", quiet_,
                   "no progress line (it shows only on a terminal); for a shot, no progress bar or lines");
    const std::string shot = "Shots (INPUT and OUTPUT with a frame number)";
    shotOptions_.push_back(verb->add_option("--frames", frames_,
                                            "the frames of a shot: A-B, A-BxSTEP or single frames, separated "
                                            "by commas (\"1-10,20,30-40x2\")")
                               ->group(shot));
    shotOptions_.push_back(verb->add_option("--fps", framesPerSecond_,
                                            "frames per second: frame N renders at N / FPS seconds (default 24)")
                               ->check(CLI::Range(0.001, 1000.0))
                               ->group(shot));
    shotOptions_.push_back(verb->add_option("--chunk", chunk_,
                                            "I/N: only the I-th (from 1) of N contiguous, nearly equal slices of "
                                            "the frames, e.g. one task of a render farm")
                               ->group(shot));
    shotOptions_.push_back(verb->add_option("--jobs", jobs_,
                                            "frames rendered at once, each by an effect instance of its own with "
                                            "its share of the processors (--threads or the machine's); the "
                                            "output is the same. Default: half the processors, at most 8")
                               ->check(CLI::Range(1, kMostJobs))
                               ->group(shot));
    shotOptions_.push_back(verb->add_flag("--keep-going", keepGoing_,
                                          "render the other frames when one fails; the failed frames are "
                                          "listed and the exit code is 2")
                               ->group(shot));
    shotOptions_.push_back(verb->add_flag("--skip-existing", skipExisting_,
                                          "leave frames whose output file is there alone (a stopped run "
                                          "resumes)")
                               ->group(shot));
    timeOption_ = verb->get_option("--time");
    return verb;
}

RenderVerb::Settings RenderVerb::parseSettings() const {
    Settings settings;
    for (const std::string& text : settings_) {
        settings.values.push_back(parseSetting(text, "--set"));
    }
    for (const std::string& text : layers_) {
        settings.layers.push_back(parseSetting(text, "--layer"));
    }
    for (const std::string& text : points_) {
        settings.points.push_back(parseCurvePoints(text));
    }
    return settings;
}

std::unique_ptr<EffectInstance> RenderVerb::prepare(const PluginFile& plugin, const Settings& settings,
                                                    double seconds, int depth, int processors,
                                                    std::ostream& err) const {
    auto instance = startEffect(plugin, EffectStart{project_, seconds, processors, layerReaderAt(depth, err)});
    if (!curves_.empty()) {
        applyCurveFile(*instance, curves_);
    }
    for (const ParameterSetting& setting : settings.values) {
        applySetting(*instance, setting);
    }
    for (const CurvePoints& curve : settings.points) {
        buildCurvePoints(*instance, curve);
    }
    if (histogram_ >= 0) {
        setSequenceText(*instance, withEditorStateValues(sequenceText(*instance), "histogram",
                                                         {std::to_string(histogram_)}));
    }
    return instance;
}

int RenderVerb::run(std::ostream& out, std::ostream& err) {
    (void)out;
    applyLargestImage(largestMegapixels_);
    if (FramePattern(input_, "INPUT").sequence() || FramePattern(output_, "OUTPUT").sequence()) {
        return runShot(err);
    }
    for (const CLI::Option* option : shotOptions_) {
        if (option->count() > 0) {
            throw HostError(option->get_name() + " is for shots: give INPUT and OUTPUT a frame number (" +
                            "in.####.png or in.%04d.png)");
        }
    }
    ProgressLine progress(err, quiet_);
    // Everything that can be checked before the work is checked first.
    // A pipe or device has no extension to choose the format: it gets the input's.
    const OutputImageFile output(
        output_, std::filesystem::path(output_).extension().empty() ? deviceFormatOf(input_) : "");
    for (const std::string* path : {&saveProject_, &histogramOut_}) {
        if (!path->empty()) {
            FileReplacement::checkDestination(*path);
        }
    }
    const Settings settings = parseSettings();
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
    auto instance = prepare(plugin, settings, seconds_, depth, threads_, err);
    for (const ParameterSetting& layer : settings.layers) {
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

namespace kvhost {

namespace {

// Exit code of a shot that SIGINT stopped, as a shell reports a process that SIGINT ended.
constexpr int kInterrupted = 130;
// Missing frames named one by one in a message; the rest are counted.
constexpr std::size_t kNamedFiles = 3;

std::string missingMessage(const std::string& pattern, const std::vector<MissingFrame>& missing,
                           const std::string& frames) {
    std::vector<long> numbers;
    std::string files;
    for (std::size_t i = 0; i < missing.size(); ++i) {
        numbers.push_back(missing[i].frame);
        if (i < kNamedFiles) {
            files += (i == 0 ? "" : ", ") + missing[i].file;
        }
    }
    if (missing.size() > kNamedFiles) {
        files += ", ...";
    }
    return "INPUT \"" + pattern + "\": " + std::to_string(missing.size()) + " of the frames " + frames +
           (missing.size() == 1 ? " is" : " are") + " missing: frame" + (missing.size() == 1 ? " " : "s ") +
           frameListText(numbers) + " (" + files + " not found); nothing was rendered (--keep-going renders "
           "the frames that are there)";
}

// The render depth of a shot: --depth, else the first input frame's whose header reads.
int shotDepth(const Shot& shot, int chosen) {
    if (chosen != 0) {
        return chosen;
    }
    std::string firstError;
    for (const long frame : shot.frames) {
        try {
            return InputImageFile(shot.input.name(frame)).depth();
        } catch (const HostError& error) {
            if (firstError.empty()) {
                firstError = error.what();
            }
        }
    }
    throw HostError("no input frame of the shot can be read: " + firstError);
}

} // namespace

int RenderVerb::runShot(std::ostream& err) {
    Shot shot{FramePattern(input_, "INPUT"), FramePattern(output_, "OUTPUT"), {}, {}};
    if (!shot.input.sequence()) {
        throw HostError("INPUT \"" + input_ + "\" names one file, but OUTPUT \"" + output_ +
                        "\" is a sequence: give INPUT a frame number too (in.####.png)");
    }
    if (!shot.output.sequence()) {
        throw HostError("OUTPUT \"" + output_ + "\" names one file, but INPUT \"" + input_ +
                        "\" is a sequence: give OUTPUT a frame number too (out.####.png)");
    }
    if (shotOptions_.front()->count() == 0) { // --frames
        throw HostError("INPUT \"" + input_ + "\" is a sequence: choose its frames with --frames (e.g. 1-48)");
    }
    if (timeOption_->count() > 0) {
        throw HostError("--time is for one image: frame N of a shot renders at N / --fps seconds");
    }
    for (const auto& [option, value] : {std::pair{"--save-project", &saveProject_},
                                        std::pair{"--histogram-out", &histogramOut_}}) {
        if (!value->empty()) {
            throw HostError(std::string(option) + " is for one image, not for a shot");
        }
    }
    std::vector<long> frames = parseFrameList(frames_);
    const std::string chosen = "--frames " + frames_ + (chunk_.empty() ? "" : " --chunk " + chunk_);
    if (!chunk_.empty()) {
        frames = chunkOf(frames, parseChunk(chunk_));
        if (frames.empty()) {
            if (!quiet_) {
                err << "kvhost: " << chosen << " holds no frames (more slices than frames)\n";
            }
            return 0;
        }
    }
    const double lastSeconds = double(frames.back()) / framesPerSecond_;
    if (lastSeconds > 86400.0) {
        std::ostringstream text;
        text << "frame " << frames.back() << " at --fps " << framesPerSecond_ << " is at " << lastSeconds
             << " seconds, past the longest time, 86400 seconds";
        throw HostError(text.str());
    }
    shot.frames = frames;
    shot.framesPerSecond = framesPerSecond_;
    shot.legacy = legacy_;
    shot.skipExisting = skipExisting_;
    shot.keepGoing = keepGoing_;
    const OutputImageFile output(shot.output.name(frames.front())); // the format and the folder, once
    (void)output;
    const Settings settings = parseSettings();
    std::vector<ParameterSetting> stillLayers;
    for (const ParameterSetting& layer : settings.layers) {
        FramePattern files(layer.value, "--layer \"" + layer.name + "\"");
        if (files.sequence()) {
            shot.layers.push_back(LayerSequence{0, files});
        } else {
            stillLayers.push_back(layer);
        }
    }
    const std::vector<MissingFrame> missing = missingFrames(shot);
    if (!missing.empty() && !keepGoing_) {
        throw HostError(missingMessage(input_, missing, chosen));
    }
    shot.depth = shotDepth(shot, depth_);
    if (legacy_ && shot.depth == 32) {
        throw HostError(std::string("--legacy renders 8 and 16 bits only, and the render depth is float") +
                        (depth_ == 0 ? " (the depth of the first frame); choose --depth 8 or 16" : ""));
    }

    const int processors = threads_ > 0 ? threads_ : std::max(1, int(std::thread::hardware_concurrency()));
    const int jobs = int(std::min<std::size_t>(
        frames.size(), std::size_t(jobs_ > 0 ? jobs_ : std::clamp(processors / 2, 1, kMostDefaultJobs))));
    PluginFile plugin(plugin_);
    std::vector<std::unique_ptr<EffectInstance>> instances;
    for (int j = 0; j < jobs; ++j) {
        instances.push_back(prepare(plugin, settings, double(frames.front()) / framesPerSecond_, shot.depth,
                                    std::max(1, processors / jobs), err));
    }
    auto layerIndex = [&](const ParameterSetting& layer) {
        EffectInstance* instance = instances.front().get();
        const int index = findParameter(*instance, layer.name, "--layer");
        if (instance->parameter(index).type() != PF_Param_LAYER) {
            throw HostError("--layer \"" + layer.name + "=" + layer.value + "\": \"" + layer.name +
                            "\" is not a layer parameter");
        }
        return index;
    };
    for (const ParameterSetting& layer : stillLayers) {
        const int index = layerIndex(layer);
        InputImageFile file(layer.value);
        printWarnings(err, file);
        const auto image = std::make_shared<HostImage>(file.read(shot.depth));
        for (auto& instance : instances) {
            instance->setLayer(index, image, layer.value);
        }
    }
    std::size_t sequenceLayer = 0;
    for (const ParameterSetting& layer : settings.layers) {
        if (FramePattern(layer.value, "--layer").sequence()) {
            shot.layers[sequenceLayer++].index = layerIndex(layer);
        }
    }

    const FrameInterrupt interrupt;
    FrameProgress progress(err, quiet_, ::isatty(2) == 1, long(frames.size()));
    std::vector<EffectInstance*> renderers;
    for (auto& instance : instances) {
        renderers.push_back(instance.get());
    }
    const ShotResult result = renderShot(renderers, shot, progress);
    progress.finish();

    if (result.interrupted) {
        err << "kvhost: interrupted; the frames written are whole, "
            << (result.notRendered.empty() ? std::string("every frame is done")
                                           : "frames " + frameListText(result.notRendered) + " are not rendered")
            << " (the same command with --skip-existing goes on)\n";
        return kInterrupted;
    }
    if (!result.failed.empty()) {
        if (keepGoing_) {
            err << "kvhost: " << result.failed.size() << " of " << frames.size()
                << " frames failed: " << frameListText(result.failed) << " (the others are done)\n";
        } else {
            err << "kvhost: stopped at frame " << result.failed.front()
                << (result.notRendered.empty() ? std::string()
                                               : "; frames " + frameListText(result.notRendered) + " are not rendered")
                << " (--keep-going renders past a failed frame)\n";
        }
        return 2;
    }
    if (!quiet_) {
        err << "kvhost: " << result.written << " frame" << (result.written == 1 ? "" : "s") << " written"
            << (result.skipped > 0 ? ", " + std::to_string(result.skipped) + " there already" : "") << "\n";
    }
    if (!result.problems.empty()) {
        err << result.problems;
        return 1;
    }
    return 0;
}

} // namespace kvhost
