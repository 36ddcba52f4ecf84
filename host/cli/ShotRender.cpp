#include "host/cli/ShotRender.h"

#include "host/FileReplacement.h"
#include "host/HostError.h"
#include "host/ImageFile.h"
#include "host/cli/EffectStart.h"
#include "host/cli/FrameInterrupt.h"
#include "host/cli/TextOutput.h"

#include <filesystem>

namespace kvhost {

namespace {

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

void reportWarnings(FrameProgress& progress, const InputImageFile& file) {
    for (const std::string& warning : file.warnings()) {
        progress.message("kvhost: warning: " + warning);
    }
}

// Renders and writes one frame; throws HostError naming the file at fault.
void renderFrame(EffectInstance& instance, const Shot& shot, long frame, FrameProgress& progress) {
    const std::string outputName = shot.output.name(frame);
    const OutputImageFile output(outputName);
    InputImageFile input(shot.input.name(frame));
    reportWarnings(progress, input);
    for (const LayerSequence& layer : shot.layers) {
        const std::string file = layer.files.name(frame);
        InputImageFile image(file);
        reportWarnings(progress, image);
        instance.setLayer(layer.index, std::make_shared<HostImage>(image.read(shot.depth)), file);
    }
    setRenderTime(instance, double(frame) / shot.framesPerSecond);
    RenderRequest request;
    request.input = std::make_shared<const HostImage>(input.read(shot.depth));
    request.depth = shot.depth;
    const RenderResult rendered = shot.legacy ? instance.renderLegacy(request) : instance.renderSmart(request);
    if (rendered.result != PF_Err_NONE) {
        throw HostError(instance.plugin().path() + ": the render failed with error " +
                        errorText(rendered.result));
    }
    if (rendered.output.empty()) {
        throw HostError(instance.plugin().path() + ": the render produced no pixels");
    }
    FileReplacement file(outputName);
    output.write(rendered.output, file, &input);
    file.commit();
}

} // namespace

ShotResult renderShot(EffectInstance& instance, const Shot& shot, FrameProgress& progress) {
    ShotResult result;
    for (auto next = shot.frames.begin(); next != shot.frames.end(); ++next) {
        const long frame = *next;
        if (FrameInterrupt::requested()) {
            result.interrupted = true;
            result.notRendered.assign(next, shot.frames.end());
            break;
        }
        const std::string outputName = shot.output.name(frame);
        if (shot.skipExisting && exists(outputName)) {
            ++result.skipped;
            progress.skipped(frame, outputName);
            continue;
        }
        try {
            renderFrame(instance, shot, frame, progress);
            ++result.written;
            progress.written(frame, outputName);
        } catch (const HostError& error) {
            result.failed.push_back(frame);
            progress.failed();
            progress.message("kvhost: frame " + std::to_string(frame) + ": " + error.what());
        }
        // What each command left behind is kept as text; the reports themselves would grow with every frame.
        result.problems += instance.problems();
        instance.clearReports();
        if (!result.failed.empty() && !shot.keepGoing) {
            result.notRendered.assign(next + 1, shot.frames.end());
            break;
        }
    }
    return result;
}

std::vector<MissingFrame> missingFrames(const Shot& shot) {
    std::vector<MissingFrame> missing;
    for (const long frame : shot.frames) {
        if (shot.skipExisting && exists(shot.output.name(frame))) {
            continue;
        }
        std::vector<std::string> files = {shot.input.name(frame)};
        for (const LayerSequence& layer : shot.layers) {
            files.push_back(layer.files.name(frame));
        }
        for (const std::string& file : files) {
            if (!exists(file)) {
                missing.push_back({frame, file});
                break;
            }
        }
    }
    return missing;
}

} // namespace kvhost
