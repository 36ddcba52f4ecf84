#include "framework/KorvanePlugin.h"

namespace korvane {

KorvanePlugin::KorvanePlugin(std::string name, std::string maker, std::string description, std::int32_t major,
                             std::int32_t minor, std::int32_t bugfix)
    : name_(std::move(name)), maker_(std::move(maker)), versionMajor_(major), versionMinor_(minor),
      versionBugfix_(bugfix), description_(std::move(description)) {}

void KorvanePlugin::parameterChanged(std::string /*name*/) {}

double KorvanePlugin::frameOfLayer(std::string /*layerName*/) {
    return 0.0;
}

void KorvanePlugin::expandInputRequest(std::string /*layerName*/, IntRect& /*rect*/, IntRect /*grown*/,
                                       double /*pixelAspect*/, double /*downsampleX*/, double /*downsampleY*/,
                                       std::int32_t /*layerWidth*/, std::int32_t /*layerHeight*/) {}

} // namespace korvane
