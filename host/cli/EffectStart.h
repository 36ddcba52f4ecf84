#pragma once
#include "host/EffectInstance.h"
#include "host/PluginFile.h"
#include "host/Project.h"

#include <memory>
#include <string>

namespace kvhost {

// What the render and panel verbs share: an instance set up as the host sets up a new effect, at a time,
// with the processors the host reports, and a saved project applied when one is given.
struct EffectStart {
    std::string projectPath; // empty: none
    double seconds = 0.0;
    int processors = 0; // 0: the machine's
    // Reads the layer files the project records; none are read without it.
    Project::LayerReader readLayer = nullptr;
};

// Host time in ticks of 1/24000 s, frames of 1/24 s, so that a time in seconds keeps its fraction.
constexpr A_u_long kTicksPerSecond = 24000;
constexpr A_long kTicksPerFrame = 1000;

// Throws HostError naming the plug-in, the project or the value at fault.
std::unique_ptr<EffectInstance> startEffect(const PluginFile& plugin, const EffectStart& start);

// The host's current time for the next command, as startEffect sets it: seconds in ticks, the layer at
// least ten seconds long and always longer than the time rendered. Tools that render one instance at
// many times (the frei0r modules) set each frame's time through this, so a frame equals `kvhost render
// --time` at the same time.
void setRenderTime(EffectInstance& instance, double seconds);

// The index of the effect's "curve" parameter (arbitrary data); throws HostError naming `option` and the
// plug-in when it has none.
int curveParameter(const EffectInstance& instance, const std::string& option);

// The "curve" value from a curve set file, through the plug-in's own unflatten; at the current time when
// the value is animated. Then the host tells the plug-in of the change. Throws HostError naming the file.
void applyCurveFile(EffectInstance& instance, const std::string& path);

// The curve value's flat text at the current time, without its NUL.
std::string curveSetTextNow(EffectInstance& instance, int index);

// Sets the curve value at the current time from flat text (a keyframe when the value is animated) and
// tells the plug-in of the change; `what` names the source in errors.
void setCurveSetNow(EffectInstance& instance, int index, const std::string& text, const std::string& what);

// The project of the instance as the text of its file, to be written at `path`.
std::string projectText(EffectInstance& instance, const std::string& path);

} // namespace kvhost
