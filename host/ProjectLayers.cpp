#include "host/ProjectLayers.h"

#include "host/HostError.h"
#include "host/Printable.h"

#include <filesystem>

namespace kvhost {

namespace fs = std::filesystem;

namespace {

fs::path folderOf(const std::string& projectPath) {
    return fs::absolute(fs::path(projectPath)).lexically_normal().parent_path();
}

} // namespace

nlohmann::json layerFilesToJson(const EffectInstance& instance, const std::string& projectPath) {
    nlohmann::json layers = nlohmann::json::object();
    for (int i = 1; i < instance.parameterCount(); ++i) {
        const HostParameter& p = instance.parameter(i);
        if (p.type() != PF_Param_LAYER || !p.layer || p.layerFile.empty()) {
            continue;
        }
        const fs::path file = fs::absolute(fs::path(p.layerFile)).lexically_normal();
        std::string recorded = file.string();
        if (!projectPath.empty()) {
            const fs::path relative = file.lexically_relative(folderOf(projectPath));
            if (!relative.empty() && *relative.begin() != "..") {
                recorded = relative.generic_string();
            }
        }
        layers[p.name()] = recorded;
    }
    return layers;
}

std::string resolvedLayerFile(const std::string& recorded, const std::string& projectPath) {
    const fs::path path(recorded);
    if (path.is_absolute() || projectPath.empty()) {
        return recorded;
    }
    return (folderOf(projectPath) / path).lexically_normal().string();
}

void loadLayerFiles(EffectInstance& instance, const nlohmann::json& layers, const std::string& projectPath,
                    const Project::LayerReader& readLayer) {
    if (!layers.is_object()) {
        throw HostError("project: \"layers\" is not an object of layer names and files");
    }
    for (const auto& item : layers.items()) {
        const std::string name = item.key();
        int index = -1;
        for (int i = 1; i < instance.parameterCount() && index < 0; ++i) {
            const HostParameter& p = instance.parameter(i);
            index = p.name() == name && p.type() == PF_Param_LAYER ? i : -1;
        }
        if (index < 0) {
            throw HostError("project: layer \"" + printable(name) +
                            "\" is not a layer parameter of this effect");
        }
        if (!item.value().is_string() || item.value().get<std::string>().empty()) {
            throw HostError("project: the file of layer \"" + printable(name) + "\" is not a file name");
        }
        const std::string file = resolvedLayerFile(item.value().get<std::string>(), projectPath);
        std::shared_ptr<const HostImage> image;
        try {
            image = readLayer(file);
        } catch (const HostError& error) {
            throw HostError("project: layer \"" + printable(name) + "\": " + error.what());
        }
        instance.setLayer(index, image, file);
    }
}

} // namespace kvhost
