#include "host/cli/ParamsVerb.h"

#include "host/EffectInstance.h"
#include "host/HostError.h"
#include "host/PluginFile.h"
#include "host/cli/TextOutput.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iomanip>
#include <sstream>

namespace kvhost {

namespace {

using nlohmann::json;

// The host's separator item of a popup.
constexpr const char* kSeparator = "(-";

std::string number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

std::string flagsText(const HostParameter& p) {
    std::ostringstream flags;
    flags << "0x" << std::hex << p.registered().flags;
    return flags.str();
}

// The popup's items as a person reads them: "1 brightness, 2 saturation, ..., 8 (separator), ...".
std::string itemsText(const HostParameter& p) {
    std::string list;
    for (std::size_t i = 0; i < p.choices().size(); ++i) {
        const std::string& item = p.choices()[i];
        list += (i ? ", " : "") + std::to_string(i + 1) + " " +
                (item == kSeparator ? std::string("(separator)") : utf8FromWindows1252(item));
    }
    return list;
}

struct Range {
    double validMin, validMax, sliderMin, sliderMax;
    int precision; // -1: whole numbers
};

std::optional<Range> rangeOf(const HostParameter& p) {
    const PF_ParamDefUnion& u = p.registered().u;
    switch (p.type()) {
    case PF_Param_FLOAT_SLIDER:
        return Range{u.fs_d.valid_min, u.fs_d.valid_max, u.fs_d.slider_min, u.fs_d.slider_max,
                     u.fs_d.precision};
    case PF_Param_SLIDER:
        return Range{double(u.sd.valid_min), double(u.sd.valid_max), double(u.sd.slider_min),
                     double(u.sd.slider_max), -1};
    case PF_Param_FIX_SLIDER:
        return Range{u.fd.valid_min / 65536.0, u.fd.valid_max / 65536.0, u.fd.slider_min / 65536.0,
                     u.fd.slider_max / 65536.0, u.fd.precision};
    default:
        return std::nullopt;
    }
}

std::string rangeText(const Range& r) {
    return number(r.validMin) + " to " + number(r.validMax) + " (slider " + number(r.sliderMin) + " to " +
           number(r.sliderMax) + ")" +
           (r.precision >= 0 ? ", " + std::to_string(r.precision) + " decimals" : "");
}

json parameterJson(int index, const HostParameter& p) {
    json entry{{"index", index},
               {"name", utf8FromWindows1252(p.name())},
               {"type", HostParameter::typeName(p.type())},
               {"id", index == 0 ? 0 : p.id()},
               {"flags", p.registered().flags},
               {"default", defaultText(p)}};
    if (p.type() == PF_Param_POPUP) {
        json items = json::array();
        for (std::size_t i = 0; i < p.choices().size(); ++i) {
            const std::string& item = p.choices()[i];
            items.push_back(item == kSeparator ? json{{"value", i + 1}, {"separator", true}}
                                               : json{{"value", i + 1}, {"text", utf8FromWindows1252(item)}});
        }
        entry["items"] = items;
    }
    if (const auto r = rangeOf(p)) {
        entry["validRange"] = {r->validMin, r->validMax};
        entry["sliderRange"] = {r->sliderMin, r->sliderMax};
        if (r->precision >= 0) {
            entry["precision"] = r->precision;
        }
    }
    return entry;
}

} // namespace

CLI::App* ParamsVerb::add(CLI::App& app) {
    CLI::App* verb = app.add_subcommand(
        "params", "Print the registered parameters: index, name, type, id, flags, default; below a popup its "
                  "items (the values --set takes), below a slider its range");
    verb->add_option("PLUGIN", plugin_, "plug-in file (.so)")->required();
    verb->add_flag("--json", json_, "print a JSON array of the parameters instead");
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
    if (json_) {
        json parameters = json::array();
        for (int i = 0; i < instance.parameterCount(); ++i) {
            parameters.push_back(parameterJson(i, instance.parameter(i)));
        }
        out << parameters.dump(2) << "\n";
    } else {
        out << std::left << std::setw(7) << "index" << std::setw(26) << "name" << std::setw(16) << "type"
            << std::setw(6) << "id" << std::setw(8) << "flags"
            << "default\n";
        for (int i = 0; i < instance.parameterCount(); ++i) {
            const HostParameter& p = instance.parameter(i);
            std::ostringstream line;
            line << std::left << std::setw(7) << i << std::setw(26) << utf8FromWindows1252(p.name())
                 << std::setw(16) << HostParameter::typeName(p.type()) << std::setw(6)
                 << (i == 0 ? 0 : p.id()) << std::setw(8) << flagsText(p) << defaultText(p);
            std::string text = line.str();
            text.erase(text.find_last_not_of(' ') + 1); // no trailing blanks when there is no default
            out << text << "\n";
            if (p.type() == PF_Param_POPUP) {
                out << "       items: " << itemsText(p) << "\n";
            }
            if (const auto r = rangeOf(p)) {
                out << "       range: " << rangeText(*r) << "\n";
            }
        }
    }
    const std::string problems = instance.problems();
    if (!problems.empty()) {
        err << problems;
        return 1;
    }
    return 0;
}

} // namespace kvhost
