#pragma once
#include "host/EffectInstance.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kvhost {

// A saved project of one effect instance, as JSON: the plug-in's match name, every parameter value by
// name (an animated one as its list of times and values), the flat form of each arbitrary-data value
// (per keyframe when animated), the flat form of the sequence data, and the file of each layer parameter
// that was given one ("layers": {"base layer": "b.png"}, relative to the project file's folder when the
// file lies inside it). Flat data that is text with one terminating NUL is stored as that text; anything
// else as {"hex": "..."}. Projects without "layers" (older ones) open as before.
//
// Every tool opens projects through loadFile, which holds the checks a project file gets: a regular file
// of at most 64 MiB, JSON nested at most 64 deep, the "curve" value checked as a curve set file is
// (CurveSetText.h), and recorded layer files resolved against the project file's folder.
class Project {
public:
    // Reads the image of a layer file a project records; throws HostError naming the file.
    using LayerReader = std::function<std::shared_ptr<const HostImage>(const std::string& path)>;

    static constexpr int kDeepestNesting = 64;

    // Saving flattens the sequence data and the arbitrary-data values through the plug-in's own
    // callbacks, then sets the sequence data up again so the instance goes on working. `projectPath`
    // (where the project will be written) makes layer files relative to its folder; without it they are
    // recorded as absolute paths.
    static nlohmann::json save(EffectInstance& instance, const std::string& projectPath = std::string());
    // Loads into an instance that went through setup(): parameter values, then the sequence data through
    // sequence resetup, then the recorded layer files through `readLayer` (none are read without one;
    // relative ones are found from the folder of `projectPath`). Throws HostError naming the parameter or
    // the value at fault.
    static void load(EffectInstance& instance, const nlohmann::json& project,
                     const std::string& projectPath = std::string(), const LayerReader& readLayer = nullptr);
    // JSON text as a project holds it; throws HostError "not a project file: ..." for text that is not
    // JSON or nests deeper than kDeepestNesting.
    static nlohmann::json parse(std::string_view text);

    // Written whole or not at all (FileReplacement.h).
    static void saveFile(EffectInstance& instance, const std::string& path);
    // The entry point of every tool that opens a project file. Throws HostError that starts with the path.
    static void loadFile(EffectInstance& instance, const std::string& path,
                         const LayerReader& readLayer = nullptr);
};

} // namespace kvhost
