#include "host/cli/ParamsVerb.h"

#include "host/EffectInstance.h"
#include "host/HostError.h"
#include "host/PluginFile.h"
#include "host/cli/TextOutput.h"

#include <iomanip>
#include <sstream>

namespace kvhost {

CLI::App* ParamsVerb::add(CLI::App& app) {
    CLI::App* verb = app.add_subcommand("params", "Print the registered parameters: index, name, type, id, "
                                                  "flags, default");
    verb->add_option("PLUGIN", plugin_, "plug-in file (.so)")->required();
    return verb;
}

int ParamsVerb::run(std::ostream& out, std::ostream& err) {
    PluginFile plugin(plugin_);
    EffectInstance instance(plugin);
    for (const PF_Err result : {instance.globalSetup(), instance.paramsSetup()}) {
        if (result != PF_Err_NONE) {
            throw HostError(plugin.path() + ": " + instance.lastReport().command + " failed with error " +
                            std::to_string(result));
        }
    }
    out << std::left << std::setw(7) << "index" << std::setw(26) << "name" << std::setw(16) << "type"
        << std::setw(6) << "id" << std::setw(8) << "flags"
        << "default\n";
    for (int i = 0; i < instance.parameterCount(); ++i) {
        const HostParameter& p = instance.parameter(i);
        std::ostringstream flags;
        flags << "0x" << std::hex << p.registered().flags;
        std::ostringstream line;
        line << std::left << std::setw(7) << i << std::setw(26) << utf8FromWindows1252(p.name())
             << std::setw(16) << HostParameter::typeName(p.type()) << std::setw(6) << (i == 0 ? 0 : p.id())
             << std::setw(8) << flags.str() << defaultText(p);
        std::string text = line.str();
        text.erase(text.find_last_not_of(' ') + 1); // no trailing blanks when there is no default
        out << text << "\n";
    }
    const std::string problems = instance.problems();
    if (!problems.empty()) {
        err << problems;
        return 1;
    }
    return 0;
}

} // namespace kvhost
