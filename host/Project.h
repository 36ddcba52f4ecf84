#pragma once
#include "host/EffectInstance.h"

#include <nlohmann/json.hpp>

#include <string>

namespace kvhost {

// A saved project of one effect instance, as JSON: the plug-in's match name, every parameter value by
// name (an animated one as its list of times and values), the flat form of each arbitrary-data value
// (per keyframe when animated) and the flat form of the sequence data. Flat data that is text with one
// terminating NUL is stored as that text; anything else as {"hex": "..."}.
class Project {
public:
    // Saving flattens the sequence data and the arbitrary-data values through the plug-in's own
    // callbacks, then sets the sequence data up again so the instance goes on working.
    static nlohmann::json save(EffectInstance& instance);
    // Loads into an instance that went through setup(): parameter values, then the sequence data through
    // sequence resetup. Throws HostError naming the parameter or the value at fault.
    static void load(EffectInstance& instance, const nlohmann::json& project);

    static void saveFile(EffectInstance& instance, const std::string& path);
    static void loadFile(EffectInstance& instance, const std::string& path);
};

} // namespace kvhost
