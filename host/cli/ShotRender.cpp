#include "host/cli/ShotRender.h"

#include "host/FileReplacement.h"
#include "host/HostError.h"
#include "host/ImageFile.h"
#include "host/cli/EffectStart.h"
#include "host/cli/FrameInterrupt.h"
#include "host/cli/TextOutput.h"

#include <atomic>
#include <filesystem>
#include <thread>

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

ShotResult renderShot(const std::vector<EffectInstance*>& instances, const Shot& shot, FrameProgress& progress) {
    enum class Outcome { NotRendered, Written, Skipped, Failed };
    std::vector<Outcome> outcomes(shot.frames.size(), Outcome::NotRendered); // each written by one job
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::vector<std::string> problems(instances.size());
    auto job = [&](std::size_t j) {
        EffectInstance& instance = *instances[j];
        while (!stop.load() && !FrameInterrupt::requested()) {
            const std::size_t i = next.fetch_add(1);
            if (i >= shot.frames.size()) {
                break;
            }
            const long frame = shot.frames[i];
            const std::string outputName = shot.output.name(frame);
            if (shot.skipExisting && exists(outputName)) {
                outcomes[i] = Outcome::Skipped;
                progress.skipped(frame, outputName);
                continue;
            }
            try {
                renderFrame(instance, shot, frame, progress);
                outcomes[i] = Outcome::Written;
                progress.written(frame, outputName);
            } catch (const HostError& error) {
                outcomes[i] = Outcome::Failed;
                progress.failed();
                progress.message("kvhost: frame " + std::to_string(frame) + ": " + error.what());
                if (!shot.keepGoing) {
                    stop = true;
                }
            }
            // What each command left behind is kept as text; the reports would grow with every frame.
            problems[j] += instance.problems();
            instance.clearReports();
        }
    };
    if (instances.size() == 1) {
        job(0);
    } else {
        std::vector<std::thread> threads;
        for (std::size_t j = 0; j < instances.size(); ++j) {
            threads.emplace_back(job, j);
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    ShotResult result;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        switch (outcomes[i]) {
        case Outcome::Written:
            ++result.written;
            break;
        case Outcome::Skipped:
            ++result.skipped;
            break;
        case Outcome::Failed:
            result.failed.push_back(shot.frames[i]);
            break;
        case Outcome::NotRendered:
            result.notRendered.push_back(shot.frames[i]);
            break;
        }
    }
    result.interrupted = FrameInterrupt::requested() && !result.notRendered.empty();
    for (const std::string& text : problems) {
        result.problems += text;
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
