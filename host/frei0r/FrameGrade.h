#pragma once
#include "host/EffectInstance.h"
#include "host/PluginFile.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

namespace kvhost {

// What one frei0r module is: its file name without ".so" (the name clients know it by), the effect
// file it loads, and whether the effect has a "base layer".
struct ModuleDescription {
    const char* name;       // "kv-curves-absolute"
    const char* title;      // "KV Curves - Absolute"
    const char* pluginFile; // "morrowby.so"
    bool baseLayer;
};

// One instance of a frei0r module: the effect instance of its settings, set up at the first frame after
// a setting changed, and one render per frame at the frame's time.
//
// Nothing fails towards the client: a missing project or effect file, a project of the other effect, an
// unreadable base layer or a failed render gives back the frame unchanged and writes one line on the
// error stream, once for each configuration of the settings (a change of a setting may bring a new one).
class FrameGrade {
public:
    FrameGrade(const ModuleDescription& module, int width, int height, std::string moduleFolder,
               std::ostream& messages);
    ~FrameGrade();
    FrameGrade(const FrameGrade&) = delete;
    FrameGrade& operator=(const FrameGrade&) = delete;

    // Setting a value equal to the current one changes nothing (MLT sets every parameter every frame).
    void setProject(const std::string& path);
    void setBaseLayer(const std::string& path);
    void setFrameRate(double framesPerSecond);
    const std::string& project() const { return project_; }
    const std::string& baseLayer() const { return baseLayer_; }
    double frameRate() const { return frameRate_; }

    // Grades one RGBA8888 frame of the instance's size rendered at `seconds`.
    void update(double seconds, const std::uint32_t* in, std::uint32_t* out);

private:
    void changed();
    void setUp();
    void render(double seconds, const std::uint32_t* in, std::uint32_t* out);
    void passThrough(const std::uint32_t* in, std::uint32_t* out) const;
    void report(const std::string& problem);

    const ModuleDescription& module_;
    int width_;
    int height_;
    std::string moduleFolder_;
    std::ostream& messages_;
    std::string project_;
    std::string baseLayer_;
    double frameRate_ = 0.0;

    // The effect file outlives the instance that runs it.
    std::unique_ptr<PluginFile> plugin_;
    std::unique_ptr<EffectInstance> instance_;
    bool settingsChanged_ = true;
    bool setUpFailed_ = false;
    bool reported_ = false;
};

} // namespace kvhost
