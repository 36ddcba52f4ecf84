#include "host/frei0r/FrameGrade.h"

#include "host/HostError.h"
#include "host/ImageFile.h"
#include "host/cli/EffectStart.h"
#include "host/cli/TextOutput.h"
#include "host/frei0r/PluginLocation.h"
#include "host/frei0r/RgbaFrame.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace kvhost {

namespace {

// The host library tells the plug-in's callbacks apart by the instance whose command runs, which is one
// per process: commands of different instances (MLT renders on several threads) take turns.
std::mutex& commandLock() {
    static std::mutex lock;
    return lock;
}

} // namespace

FrameGrade::FrameGrade(const ModuleDescription& module, int width, int height, std::string moduleFolder,
                       std::ostream& messages)
    : module_(module), width_(width), height_(height), moduleFolder_(std::move(moduleFolder)),
      messages_(messages) {}

FrameGrade::~FrameGrade() {
    const std::lock_guard<std::mutex> hold(commandLock());
    instance_.reset();
    plugin_.reset();
}

void FrameGrade::setProject(const std::string& path) {
    if (path != project_) {
        project_ = path;
        changed();
    }
}

void FrameGrade::setBaseLayer(const std::string& path) {
    if (path != baseLayer_) {
        baseLayer_ = path;
        changed();
    }
}

void FrameGrade::setFrameRate(double framesPerSecond) {
    frameRate_ = framesPerSecond; // read per frame; the effect instance does not depend on it
}

void FrameGrade::changed() {
    settingsChanged_ = true;
    reported_ = false;
}

void FrameGrade::update(double seconds, const std::uint32_t* in, std::uint32_t* out) {
    const std::lock_guard<std::mutex> hold(commandLock());
    if (settingsChanged_) {
        settingsChanged_ = false;
        setUpFailed_ = false;
        try {
            setUp();
        } catch (const std::exception& error) {
            setUpFailed_ = true;
            report(error.what());
        } catch (...) {
            setUpFailed_ = true;
            report("the effect could not be set up");
        }
    }
    if (setUpFailed_) {
        passThrough(in, out);
        return;
    }
    try {
        render(seconds, in, out);
    } catch (const std::exception& error) {
        passThrough(in, out);
        report(error.what());
    } catch (...) {
        passThrough(in, out);
        report("the render failed");
    }
}

void FrameGrade::setUp() {
    instance_.reset();
    plugin_.reset();
    if (project_.empty()) {
        throw HostError("no \"project\" given");
    }
    const std::string pluginPath =
        findPlugin(module_.pluginFile, pluginFolders(moduleFolder_, std::getenv("KV_PLUGIN_DIR")));
    plugin_ = std::make_unique<PluginFile>(pluginPath);
    instance_ = startEffect(*plugin_, EffectStart{project_, 0.0, 0});
    if (module_.baseLayer && !baseLayer_.empty()) {
        int index = -1;
        for (int i = 1; i < instance_->parameterCount() && index < 0; ++i) {
            const HostParameter& p = instance_->parameter(i);
            index = p.type() == PF_Param_LAYER && p.name() == "base layer" ? i : -1;
        }
        if (index < 0) {
            throw HostError(pluginPath + " has no \"base layer\" parameter");
        }
        InputImageFile file(baseLayer_);
        instance_->setLayer(index, std::make_shared<HostImage>(file.read(8)));
    }
    instance_->clearReports();
}

void FrameGrade::render(double seconds, const std::uint32_t* in, std::uint32_t* out) {
    setRenderTime(*instance_, seconds);
    RenderRequest request;
    request.input = std::make_shared<const HostImage>(hostImageFromRgba(in, width_, height_));
    request.depth = 8;
    const RenderResult rendered = instance_->renderSmart(request);
    instance_->clearReports();
    if (rendered.result != PF_Err_NONE) {
        throw HostError(plugin_->path() + ": the render failed with error " + errorText(rendered.result));
    }
    if (rendered.output.width() != width_ || rendered.output.height() != height_) {
        throw HostError(plugin_->path() + ": the render produced no frame of " + std::to_string(width_) +
                        " x " + std::to_string(height_) + " pixels");
    }
    rgbaFromHostImage(rendered.output, out);
}

void FrameGrade::passThrough(const std::uint32_t* in, std::uint32_t* out) const {
    if (in != out) {
        std::memmove(out, in, std::size_t(width_) * std::size_t(height_) * sizeof(std::uint32_t));
    }
}

void FrameGrade::report(const std::string& problem) {
    if (reported_) {
        return;
    }
    reported_ = true;
    messages_ << module_.name << ": " << problem << "; frames pass through unchanged\n" << std::flush;
}

} // namespace kvhost
