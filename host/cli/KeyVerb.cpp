#include "host/cli/KeyVerb.h"

#include "host/FileReplacement.h"
#include "host/HostError.h"
#include "host/InputFile.h"
#include "host/PluginFile.h"
#include "host/Project.h"
#include "host/cli/CommonOptions.h"
#include "host/cli/EffectStart.h"
#include "host/cli/ParameterSetting.h"

#include <cmath>
#include <filesystem>
#include <sstream>

namespace kvhost {

namespace {

constexpr const char* kDescription =
    "Add, replace or remove a keyframe in a project file, or list its keyframes.\n"
    "  kvhost key PROJECT --plugin PLUGIN --param NAME --time T --value V      a value at T seconds\n"
    "  kvhost key PROJECT --plugin PLUGIN --param curve --time T --curves FILE a curve set at T\n"
    "  kvhost key PROJECT --plugin PLUGIN --param NAME --time T --delete       the keyframe at T goes\n"
    "  kvhost key PROJECT --list                                               every keyframe\n"
    "The effect checks the value as kvhost render --set checks it (popup: 1-based number or item text;\n"
    "checkbox 0/1; float within its range; colour r,g,b[,a] in 0..255), and a curve set as --curves reads\n"
    "it. A keyframed parameter holds its first keyframe's value before it and its last one's after it and\n"
    "is interpolated between (curve sets by the effect's own interpolation, popups and checkboxes hold the\n"
    "earlier keyframe's value); the value a parameter had before its first keyframe is not kept. Removing\n"
    "the last keyframe leaves its value as the parameter's value. New keyframes sit on the host's time\n"
    "unit, 1/24000 s, so frame times at 24, 25, 30, 48, 50 and 60 frames per second are exact. A missing\n"
    "PROJECT is created (the effect's defaults, then the keyframe); the project is written whole or not at\n"
    "all, and the layer files it records are kept. kvhost render at --time T, or frame N of a shot at\n"
    "N / --fps seconds, renders the value the keyframes give at that time.\n"
    "Exit code: 0 done, 2 an error.";

std::string secondsText(double seconds) {
    std::ostringstream text;
    text << seconds;
    return text.str();
}

// A keyframe's value as one line of the list.
std::string listedValue(const nlohmann::json& value) {
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        std::size_t curves = 0;
        for (std::size_t at = text.find("curve_"); at != std::string::npos; at = text.find("curve_", at + 1)) {
            curves += at == 0 || text[at - 1] == '\n' ? 1 : 0;
        }
        return curves > 0 ? "curve set of " + std::to_string(curves) + " curves, " + std::to_string(text.size()) +
                                " characters"
                          : "text of " + std::to_string(text.size()) + " characters";
    }
    if (value.is_object()) {
        return "data of " + std::to_string(value.value("hex", std::string()).size() / 2) + " bytes";
    }
    return value.dump();
}

bool hasKeyframeAt(const HostParameter& p, double seconds) {
    for (const HostParameter::Keyframe& k : p.keyframes()) {
        if (std::abs(k.seconds - seconds) <= 1e-9) {
            return true;
        }
    }
    return false;
}

} // namespace

CLI::App* KeyVerb::add(CLI::App& app) {
    CLI::App* verb = app.add_subcommand("key", kDescription);
    verb->add_option("PROJECT", project_, "project file (JSON); created when missing")->required();
    verb->add_option("--plugin", plugin_, "plug-in file (.so) the project is for; needed to change keyframes");
    verb->add_option("--param", param_, "the parameter by its name, as kvhost params lists it");
    time_ = verb->add_option("--time", seconds_, "the keyframe's time in seconds (frame N of a shot: N / fps)")
                ->check(timeInSeconds());
    valueOption_ = verb->add_option("--value", value_, "the value, as --set takes it");
    auto* curves = verb->add_option("--curves", curves_,
                                     std::string("a curve set file, as --curves takes it (") + kCurveTextDoc + ")");
    auto* remove = verb->add_flag("--delete", delete_, "remove the keyframe at --time");
    auto* list = verb->add_flag("--list", list_, "print every keyframe: parameter, time, value");
    valueOption_->excludes(curves)->excludes(remove)->excludes(list);
    curves->excludes(remove)->excludes(list);
    remove->excludes(list);
    return verb;
}

int KeyVerb::list(std::ostream& out) const {
    const nlohmann::json project = Project::parse(readInputFile(project_, kLargestTextFile, "a project"));
    const nlohmann::json parameters = project.is_object() ? project.value("parameters", nlohmann::json::object())
                                                          : nlohmann::json();
    if (!parameters.is_object()) {
        throw HostError(project_ + ": not a project file (no \"parameters\")");
    }
    for (const auto& item : parameters.items()) {
        const nlohmann::json& value = item.value();
        if (!value.is_object() || !value.contains("keyframes") || !value["keyframes"].is_array()) {
            continue;
        }
        for (const nlohmann::json& k : value["keyframes"]) {
            if (!k.is_object() || !k.contains("time") || !k["time"].is_number() || !k.contains("value")) {
                throw HostError(project_ + ": a keyframe of \"" + item.key() + "\" has no time or no value");
            }
            out << item.key() << " at " << secondsText(k["time"].get<double>()) << " s: " << listedValue(k["value"])
                << "\n";
        }
    }
    return 0;
}

int KeyVerb::run(std::ostream& out, std::ostream& err) {
    (void)err;
    if (list_) {
        if (!param_.empty() || time_->count() > 0) {
            throw HostError("--list lists every keyframe: it takes no --param or --time");
        }
        return list(out);
    }
    const bool changing = !value_.empty() || valueOption_->count() > 0 || !curves_.empty() || delete_;
    if (!changing) {
        throw HostError("key " + project_ + ": say what to do: --value V, --curves FILE, --delete or --list");
    }
    if (param_.empty()) {
        throw HostError("key " + project_ + ": --param NAME names the parameter to key");
    }
    if (time_->count() == 0) {
        throw HostError("key " + project_ + ": --time T gives the keyframe's time in seconds");
    }
    std::error_code error;
    const bool exists = std::filesystem::exists(project_, error);
    if (plugin_.empty()) {
        throw HostError(project_ + ": --plugin PLUGIN is needed to " + (exists ? "check the keyframe against "
                                                                               : "create the project for ") +
                        "the effect");
    }
    FileReplacement::checkDestination(project_);
    // The layer files the project records are kept as they are, without reading their images.
    nlohmann::json layers;
    if (exists) {
        const nlohmann::json before = Project::parse(readInputFile(project_, kLargestTextFile, "a project"));
        if (before.is_object() && before.contains("layers")) {
            layers = before["layers"];
        }
    }
    PluginFile plugin(plugin_);
    auto instance = startEffect(plugin, EffectStart{exists ? project_ : std::string(), seconds_, 1, nullptr});
    const int index = findParameter(*instance, param_, "--param");
    HostParameter& p = instance->parameter(index);
    // New keyframes sit on the host's time unit, 1/24000 s, where the render and the editor set them; a
    // keyframe is removed at the time the project holds.
    const double seconds = delete_ ? seconds_ : instance->currentSeconds();
    const bool replacing = hasKeyframeAt(p, seconds);
    const std::string at = "\"" + p.name() + "\" at " + secondsText(seconds) + " s";
    std::string done;
    if (delete_) {
        if (!replacing) {
            throw HostError(project_ + ": " + at + " has no keyframe" +
                            (p.animated() ? "" : " (\"" + p.name() + "\" has no keyframes)"));
        }
        instance->removeKeyframe(index, seconds);
        done = "removed";
    } else {
        const bool curveSet = !curves_.empty();
        if (curveSet && index != curveParameter(*instance, "--curves " + curves_)) {
            throw HostError("--curves " + curves_ + ": \"" + p.name() + "\" is no curve set; --param curve takes it");
        }
        if (!curveSet && p.type() == PF_Param_ARBITRARY_DATA) {
            throw HostError("--value \"" + value_ + "\": \"" + p.name() + "\" holds a curve set; give it with --curves");
        }
        if (!p.animated()) {
            try {
                instance->addKeyframe(index, seconds); // the value so far, from now on a keyframe
            } catch (const HostError& fault) {
                throw HostError("--param \"" + p.name() + "\": " + fault.what());
            }
        }
        if (curveSet) {
            applyCurveFile(*instance, curves_);
        } else {
            applySetting(*instance, ParameterSetting{p.name(), value_},
                         "--param \"" + p.name() + "\" --value \"" + value_ + "\"");
        }
        done = replacing ? "replaced" : "added";
    }
    nlohmann::json project = Project::save(*instance, project_);
    if (!layers.is_null()) {
        project["layers"] = layers;
    }
    FileReplacement file(project_);
    file.write(project.dump(2) + "\n");
    file.commit();
    out << project_ << ": keyframe of " << at << " " << done << "\n";
    return 0;
}

} // namespace kvhost
