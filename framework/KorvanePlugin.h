#pragma once
#include "framework/IntRect.h"
#include "framework/xParameterList.h"

#include <cstdint>
#include <string>

namespace korvane {

// What the plug-in is: names, version and its declared controls. Knows nothing of any host.
class KorvanePlugin {
public:
    KorvanePlugin(std::string name, std::string maker, std::string description, std::int32_t major,
                  std::int32_t minor, std::int32_t bugfix);
    virtual ~KorvanePlugin() = default;
    KorvanePlugin(const KorvanePlugin&) = delete;
    KorvanePlugin& operator=(const KorvanePlugin&) = delete;

    virtual xParameterList& parameters() { return parameters_; }
    virtual void updateParameterUI() {}
    virtual void parameterChanged(std::string name);
    // Frame of the named layer to render from; the current frame unless an effect shifts time.
    virtual double frameOfLayer(std::string layerName);
    // Lets the effect ask for more input than the output needs (rect in: asked for, out: needed), or
    // report output beyond its input. grown is the asked rectangle grown by 100 pixels on every side.
    virtual void expandInputRequest(std::string layerName, IntRect& rect, IntRect grown, double pixelAspect,
                                    double downsampleX, double downsampleY, std::int32_t layerWidth,
                                    std::int32_t layerHeight);

    const std::string& name() const { return name_; }
    const std::string& maker() const { return maker_; }
    const std::string& subtitle() const { return subtitle_; }
    const std::string& description() const { return description_; }
    std::int32_t versionMajor() const { return versionMajor_; }
    std::int32_t versionMinor() const { return versionMinor_; }
    std::int32_t versionBugfix() const { return versionBugfix_; }

protected:
    std::string name_;
    std::string maker_;
    std::string subtitle_;
    std::int32_t versionMajor_;
    std::int32_t versionMinor_;
    std::int32_t versionBugfix_;
    std::string description_;
    xParameterList parameters_;
};

} // namespace korvane
