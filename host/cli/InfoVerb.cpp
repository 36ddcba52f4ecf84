#include "host/cli/InfoVerb.h"

#include "host/EffectInstance.h"
#include "host/PluginFile.h"
#include "host/cli/TextOutput.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iomanip>
#include <sstream>

namespace kvhost {

CLI::App* InfoVerb::add(CLI::App& app) {
    CLI::App* verb = app.add_subcommand("info", "Print the registration record fields and the about text");
    verb->add_option("PLUGIN", plugin_, "plug-in file (.so)")->required();
    verb->add_flag("--json", json_, "print a JSON object of the same fields instead");
    return verb;
}

namespace {

void printFields(std::ostream& out, const std::string& path, const PluginRecord& r,
                 const std::string& about) {
    auto field = [&out](const char* name) -> std::ostream& {
        return out << std::left << std::setw(24) << (std::string(name) + ":");
    };
    field("file") << path << "\n";
    field("kind") << fourCharText(r.kind) << "\n";
    field("name") << utf8FromWindows1252(r.name) << "\n";
    field("category") << utf8FromWindows1252(r.category) << "\n";
    field("entry point") << r.entryPointName << "\n";
    field("property-list version") << r.propertyListMajor << "." << r.propertyListMinor << "\n";
    field("specification version") << r.specMajor << "." << r.specMinor << "\n";
    field("effect version") << hex8(r.effectVersion) << " (" << r.versionText() << ")\n";
    field("out flags") << hex8(r.outFlags) << "\n";
    field("out flags 2") << hex8(r.outFlags2) << "\n";
    field("match name") << utf8FromWindows1252(r.matchName) << "\n";
    out << "about:\n";
    std::istringstream lines(utf8FromWindows1252(about));
    for (std::string line; std::getline(lines, line);) {
        out << "    " << line << "\n";
    }
}

} // namespace

int InfoVerb::run(std::ostream& out, std::ostream& err) {
    PluginFile plugin(plugin_);
    const PluginRecord& r = plugin.record();
    EffectInstance instance(plugin);
    std::string about = instance.about();
    // The host shows \r as a line break.
    std::replace(about.begin(), about.end(), '\r', '\n');

    if (json_) {
        const nlohmann::json info{
            {"file", plugin.path()},
            {"kind", fourCharText(r.kind)},
            {"name", utf8FromWindows1252(r.name)},
            {"category", utf8FromWindows1252(r.category)},
            {"entryPoint", r.entryPointName},
            {"propertyListVersion",
             std::to_string(r.propertyListMajor) + "." + std::to_string(r.propertyListMinor)},
            {"specificationVersion", std::to_string(r.specMajor) + "." + std::to_string(r.specMinor)},
            {"effectVersion", r.versionText()},
            {"effectVersionCode", hex8(r.effectVersion)},
            {"outFlags", hex8(r.outFlags)},
            {"outFlags2", hex8(r.outFlags2)},
            {"matchName", utf8FromWindows1252(r.matchName)},
            {"about", utf8FromWindows1252(about)}};
        out << info.dump(2) << "\n";
    } else {
        printFields(out, plugin.path(), r, about);
    }
    const std::string problems = instance.problems();
    if (!problems.empty()) {
        err << problems;
        return 1;
    }
    return 0;
}

} // namespace kvhost
