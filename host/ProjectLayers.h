#pragma once
#include "host/EffectInstance.h"
#include "host/Project.h"

#include <nlohmann/json.hpp>

#include <string>

namespace kvhost {

// The "layers" of a project: the file of each layer parameter that has one, by parameter name. A file in
// the project file's folder or below it is recorded relative to that folder, so that the two move
// together; any other file by its absolute path.
nlohmann::json layerFilesToJson(const EffectInstance& instance, const std::string& projectPath);

// Where a recorded layer file is: relative paths from the folder of `projectPath`.
std::string resolvedLayerFile(const std::string& recorded, const std::string& projectPath);

// Reads each recorded file through `readLayer` into its layer parameter. Throws HostError "project: ..."
// naming the layer and the file when the entry is malformed, names no layer parameter or the file cannot
// be read (a layer file gone missing is an error, never a render without it).
void loadLayerFiles(EffectInstance& instance, const nlohmann::json& layers, const std::string& projectPath,
                    const Project::LayerReader& readLayer);

} // namespace kvhost
