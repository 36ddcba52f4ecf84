// kvhost project files: Project::load on fuzzed JSON into a fresh instance of the effect the project
// names. A project the host refuses leaves the instance clean; one it takes renders, and saved and
// reopened it gives the same project again.
#include "fuzz/EffectRuns.h"
#include "fuzz/FuzzCheck.h"
#include "host/HostError.h"
#include "host/Project.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string_view>

using namespace korvane;
using namespace korvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nlohmann::json project;
    try {
        // As every tool reads a project file: nesting bounded.
        project = kvhost::Project::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const kvhost::HostError&) {
        return 0;
    }
    Effect effect = Effect::Absolute;
    if (project.is_object() && project.contains("matchName") && project["matchName"].is_string()) {
        effect = effectOfMatchName(project["matchName"].get<std::string>());
    }
    const auto instance = newInstance(effect);
    try {
        kvhost::Project::load(*instance, project);
    } catch (const kvhost::HostError&) {
        requireClean(*instance);
        return 0;
    }
    requireClean(*instance);
    requireGoodRender(*instance, depthOf(std::uint8_t(size)));

    const nlohmann::json saved = kvhost::Project::save(*instance);
    const auto reopened = newInstance(effect);
    try {
        kvhost::Project::load(*reopened, saved);
    } catch (const kvhost::HostError& error) {
        invariantBroken(std::string("a saved project does not load: ") + error.what());
    }
    require(kvhost::Project::save(*reopened) == saved, "a saved project reopens as saved");
    requireClean(*instance);
    requireClean(*reopened);
    return 0;
}
