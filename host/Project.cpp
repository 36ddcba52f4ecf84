#include "host/Project.h"

#include "host/CurveSetText.h"
#include "host/FileReplacement.h"
#include "host/HostError.h"
#include "host/InputFile.h"
#include "host/Printable.h"
#include "host/ProjectLayers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>

namespace kvhost {

namespace {

using nlohmann::json;

bool storedAsText(const std::vector<std::uint8_t>& flat) {
    if (flat.empty() || flat.back() != 0) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < flat.size(); ++i) {
        if (flat[i] == 0 || flat[i] >= 0x80) { // 8-bit text is not valid UTF-8 as it stands
            return false;
        }
    }
    return true;
}

json flatToJson(const std::vector<std::uint8_t>& flat) {
    if (storedAsText(flat)) {
        return std::string(flat.begin(), flat.end() - 1);
    }
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t b : flat) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return json{{"hex", hex}};
}

std::vector<std::uint8_t> flatFromJson(const json& value, const std::string& what) {
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        std::vector<std::uint8_t> flat(text.begin(), text.end());
        flat.push_back(0);
        return flat;
    }
    if (value.is_object() && value.contains("hex") && value["hex"].is_string()) {
        const std::string hex = value["hex"].get<std::string>();
        auto nibble = [&](char c) -> int {
            if (c >= '0' && c <= '9') {
                return c - '0';
            }
            if (c >= 'a' && c <= 'f') {
                return c - 'a' + 10;
            }
            throw HostError("project: " + what + " has a bad hex digit");
        };
        if (hex.size() % 2 != 0) {
            throw HostError("project: " + what + " has an odd number of hex digits");
        }
        std::vector<std::uint8_t> flat;
        for (std::size_t i = 0; i < hex.size(); i += 2) {
            flat.push_back(std::uint8_t(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
        }
        return flat;
    }
    throw HostError("project: " + what + " is neither text nor {\"hex\": ...}");
}

// The "curve" value of the effects is curve set text: it gets the checks a curve set file gets, before the
// plug-in reads it and against what it read. Other arbitrary data is the plug-in's own business.
bool holdsCurveSet(const HostParameter& p) {
    return p.type() == PF_Param_ARBITRARY_DATA && p.name() == "curve";
}

std::vector<std::uint8_t> checkedCurveSet(std::vector<std::uint8_t> flat, const std::string& what) {
    std::string text(flat.begin(), flat.end());
    if (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    text = withLineFeeds(text);
    checkCurveSetText("project: " + what, text);
    flat.assign(text.begin(), text.end());
    flat.push_back(0);
    return flat;
}

void checkCurveSetKept(EffectInstance& instance, int index, const std::vector<std::uint8_t>& given,
                       const std::vector<std::uint8_t>& readBack, const std::string& what) {
    auto textOf = [](const std::vector<std::uint8_t>& flat) {
        const std::string_view text(reinterpret_cast<const char*>(flat.data()), flat.size());
        return text.substr(0, text.find('\0'));
    };
    checkCurvesKept("project: " + what, textOf(given), textOf(readBack), curveSetReader(instance, index));
}

bool stored(PF_ParamType type) {
    switch (type) {
    case PF_Param_SLIDER:
    case PF_Param_FIX_SLIDER:
    case PF_Param_ANGLE:
    case PF_Param_CHECKBOX:
    case PF_Param_COLOR:
    case PF_Param_POINT:
    case PF_Param_POPUP:
    case PF_Param_FLOAT_SLIDER:
    case PF_Param_ARBITRARY_DATA:
        return true;
    default:
        return false;
    }
}

json valueToJson(PF_ParamType type, const PF_ParamDefUnion& u) {
    switch (type) {
    case PF_Param_SLIDER:
        return u.sd.value;
    case PF_Param_FIX_SLIDER:
        return u.fd.value / 65536.0;
    case PF_Param_ANGLE:
        return u.ad.value / 65536.0;
    case PF_Param_CHECKBOX:
        return u.bd.value != 0 ? 1 : 0;
    case PF_Param_COLOR:
        return json::array({u.cd.value.red, u.cd.value.green, u.cd.value.blue, u.cd.value.alpha});
    case PF_Param_POINT:
        return json::array({u.td.x_value / 65536.0, u.td.y_value / 65536.0});
    case PF_Param_POPUP:
        return u.pd.value;
    default:
        return u.fs_d.value;
    }
}

PF_ParamDefUnion valueFromJson(const HostParameter& p, PF_ParamDefUnion u, const json& value) {
    const std::string what = "value of \"" + p.name() + "\"";
    auto number = [&](const json& v) {
        if (!v.is_number()) {
            throw HostError("project: " + what + " is not a number: " + v.dump());
        }
        return v.get<double>();
    };
    auto fixed = [&](const json& v) { return PF_Fixed(std::lround(number(v) * 65536.0)); };
    auto byte = [&](const json& v) {
        const double b = number(v);
        if (b < 0 || b > 255) {
            throw HostError("project: " + what + " has a colour component outside 0..255: " + v.dump());
        }
        return A_u_char(std::lround(b));
    };
    // The host never hands a plug-in a slider value outside the range it registered.
    auto inRange = [&](double v, double low, double high) {
        if (!(v >= low && v <= high)) {
            throw HostError("project: " + what + " " + value.dump() + " is outside its range (" +
                            json(low).dump() + " to " + json(high).dump() + ")");
        }
        return v;
    };
    switch (p.type()) {
    case PF_Param_SLIDER:
        u.sd.value = A_long(std::lround(
            inRange(number(value), p.registered().u.sd.valid_min, p.registered().u.sd.valid_max)));
        break;
    case PF_Param_FIX_SLIDER:
        u.fd.value = fixed(value);
        break;
    case PF_Param_ANGLE:
        u.ad.value = fixed(value);
        break;
    case PF_Param_CHECKBOX:
        u.bd.value = number(value) != 0.0;
        break;
    case PF_Param_COLOR:
        if (!value.is_array() || (value.size() != 3 && value.size() != 4)) {
            throw HostError("project: " + what + " is not [r, g, b] or [r, g, b, a]: " + value.dump());
        }
        u.cd.value = PF_Pixel{value.size() == 4 ? byte(value[3]) : A_u_char(255), byte(value[0]),
                              byte(value[1]), byte(value[2])};
        break;
    case PF_Param_POINT:
        if (!value.is_array() || value.size() != 2) {
            throw HostError("project: " + what + " is not [x, y]: " + value.dump());
        }
        u.td.x_value = fixed(value[0]);
        u.td.y_value = fixed(value[1]);
        break;
    case PF_Param_POPUP: {
        const double item = number(value);
        if (item < 1 || item > p.registered().u.pd.num_choices || item != std::floor(item)) {
            throw HostError("project: " + what + " has no item " + value.dump());
        }
        u.pd.value = A_long(item);
        break;
    }
    default:
        u.fs_d.value =
            inRange(number(value), p.registered().u.fs_d.valid_min, p.registered().u.fs_d.valid_max);
        break;
    }
    return u;
}

// Parameter names as project keys; a repeated name gets its index.
std::vector<std::pair<std::string, int>> keysOf(EffectInstance& instance) {
    std::vector<std::pair<std::string, int>> keys;
    std::set<std::string> used;
    for (int i = 1; i < instance.parameterCount(); ++i) {
        const HostParameter& p = instance.parameter(i);
        if (!stored(p.type()) || p.name().empty()) {
            continue;
        }
        std::string key = p.name();
        if (!used.insert(key).second) {
            key += " #" + std::to_string(i);
            used.insert(key);
        }
        keys.emplace_back(key, i);
    }
    return keys;
}

} // namespace

json Project::save(EffectInstance& instance, const std::string& projectPath) {
    json parameters = json::object();
    for (const auto& [key, index] : keysOf(instance)) {
        const HostParameter& p = instance.parameter(index);
        if (!p.animated()) {
            parameters[key] = p.type() == PF_Param_ARBITRARY_DATA ? flatToJson(instance.arbitraryFlat(index))
                                                                  : valueToJson(p.type(), p.current().u);
            continue;
        }
        json keyframes = json::array();
        for (const HostParameter::Keyframe& k : p.keyframes()) {
            keyframes.push_back({{"time", k.seconds},
                                 {"value", p.type() == PF_Param_ARBITRARY_DATA
                                               ? flatToJson(instance.arbitraryFlatAt(index, k.seconds))
                                               : valueToJson(p.type(), k.value)}});
        }
        parameters[key] = json{{"keyframes", keyframes}};
    }
    json project{{"matchName", instance.plugin().record().matchName}, {"parameters", parameters}};
    const json layers = layerFilesToJson(instance, projectPath);
    if (!layers.empty()) {
        project["layers"] = layers;
    }
    if (instance.sequenceData()) {
        // Flat data is never flattened twice: the host sets it up first, as it does before any use.
        if (instance.sequenceIsFlat() && instance.resetupSequence() != PF_Err_NONE) {
            throw HostError(instance.plugin().path() + ": PF_Cmd_SEQUENCE_RESETUP before saving failed");
        }
        PF_Err result = PF_Err_NONE;
        const std::vector<std::uint8_t> flat = instance.flattenSequence(&result);
        if (result != PF_Err_NONE) {
            throw HostError(instance.plugin().path() + ": PF_Cmd_SEQUENCE_FLATTEN failed with error " +
                            std::to_string(result));
        }
        project["sequenceData"] = flatToJson(flat);
        if (instance.resetupSequence() != PF_Err_NONE) {
            throw HostError(instance.plugin().path() + ": PF_Cmd_SEQUENCE_RESETUP after saving failed");
        }
    }
    return project;
}

void Project::load(EffectInstance& instance, const json& project, const std::string& projectPath,
                   const LayerReader& readLayer) {
    if (!project.is_object() || !project.contains("matchName") || !project["matchName"].is_string()) {
        throw HostError("project: no match name");
    }
    const std::string matchName = project["matchName"].get<std::string>();
    if (matchName != instance.plugin().record().matchName) {
        throw HostError("project: made for \"" + matchName + "\", not for \"" +
                        instance.plugin().record().matchName + "\"");
    }
    const auto keys = keysOf(instance);
    const json parameters = project.value("parameters", json::object());
    if (!parameters.is_object()) {
        throw HostError("project: \"parameters\" is not an object");
    }
    for (const auto& item : parameters.items()) {
        const std::string key = item.key();
        const json& value = item.value();
        const auto found =
            std::find_if(keys.begin(), keys.end(), [&](const auto& k) { return k.first == key; });
        if (found == keys.end()) {
            throw HostError("project: no parameter \"" + printable(key) + "\"");
        }
        const int index = found->second;
        HostParameter& p = instance.parameter(index);
        const bool arbitrary = p.type() == PF_Param_ARBITRARY_DATA;
        if (!(value.is_object() && value.contains("keyframes"))) {
            if (arbitrary) {
                const std::string what = "value of \"" + key + "\"";
                std::vector<std::uint8_t> flat = flatFromJson(value, what);
                if (holdsCurveSet(p)) {
                    flat = checkedCurveSet(std::move(flat), what);
                }
                instance.setArbitraryFlat(index, flat);
                if (holdsCurveSet(p)) {
                    checkCurveSetKept(instance, index, flat, instance.arbitraryFlat(index), what);
                }
            } else {
                p.storeValue(valueFromJson(p, p.current().u, value), instance.currentSeconds());
            }
            continue;
        }
        const json& keyframes = value["keyframes"];
        if (!keyframes.is_array() || keyframes.empty()) {
            throw HostError("project: keyframes of \"" + key + "\" are not a list of time and value");
        }
        for (const json& k : keyframes) {
            if (!k.is_object() || !k.contains("time") || !k["time"].is_number() || !k.contains("value")) {
                throw HostError("project: a keyframe of \"" + key + "\" has no time or no value");
            }
            const double seconds = k["time"].get<double>();
            if (!std::isfinite(seconds)) {
                throw HostError("project: a keyframe of \"" + key +
                                "\" has a time that is not a finite number");
            }
            if (arbitrary) {
                std::ostringstream what;
                what << "keyframe at " << seconds << " s of \"" << key << "\"";
                std::vector<std::uint8_t> flat = flatFromJson(k["value"], what.str());
                if (holdsCurveSet(p)) {
                    flat = checkedCurveSet(std::move(flat), what.str());
                }
                instance.setArbitraryKeyframe(index, seconds, flat);
                if (holdsCurveSet(p)) {
                    checkCurveSetKept(instance, index, flat, instance.arbitraryFlatAt(index, seconds),
                                      what.str());
                }
            } else {
                HostParameter::Keyframe keyframe;
                keyframe.seconds = seconds;
                keyframe.value = valueFromJson(p, p.current().u, k["value"]);
                p.setKeyframe(keyframe);
            }
        }
    }
    if (project.contains("sequenceData")) {
        const PF_Err result =
            instance.resetupSequence(flatFromJson(project["sequenceData"], "sequence data"));
        if (result != PF_Err_NONE) {
            throw HostError(instance.plugin().path() + ": PF_Cmd_SEQUENCE_RESETUP failed with error " +
                            std::to_string(result));
        }
    }

    if (project.contains("layers") && readLayer) {
        loadLayerFiles(instance, project["layers"], projectPath, readLayer);
    }
}

json Project::parse(std::string_view text) {
    // The JSON reader builds nested values without recursion, but copying or printing them recurses: a
    // value nested a hundred thousand deep would overflow the stack there. Projects nest a few levels.
    const json::parser_callback_t bound = [](int depth, json::parse_event_t event, json&) {
        if (depth >= kDeepestNesting && // depth counts from 0 at the outermost value
            (event == json::parse_event_t::object_start || event == json::parse_event_t::array_start)) {
            throw HostError("not a project file: its JSON nests deeper than " +
                            std::to_string(kDeepestNesting) + " levels");
        }
        return true;
    };
    try {
        return json::parse(text, bound);
    } catch (const json::exception& error) {
        throw HostError(std::string("not a project file: ") + error.what());
    }
}

void Project::saveFile(EffectInstance& instance, const std::string& path) {
    FileReplacement file(path);
    file.write(save(instance, path).dump(2) + "\n");
    file.commit();
}

void Project::loadFile(EffectInstance& instance, const std::string& path, const LayerReader& readLayer) {
    const std::string text = readInputFile(path, kLargestTextFile, "a project");
    try {
        load(instance, parse(text), path, readLayer);
    } catch (const HostError& error) {
        throw HostError(path + ": " + error.what());
    }
}

} // namespace kvhost
