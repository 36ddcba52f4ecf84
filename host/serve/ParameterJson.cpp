#include "host/serve/ParameterJson.h"

#include "host/HostError.h"

#include <cmath>
#include <sstream>

namespace kvhost {

namespace {

using nlohmann::json;

constexpr double kFixedOne = 65536.0;

bool timeVarying(const HostParameter& p) {
    switch (p.type()) {
    case PF_Param_LAYER:
    case PF_Param_GROUP_START:
    case PF_Param_GROUP_END:
    case PF_Param_BUTTON:
    case PF_Param_NO_DATA:
        return false;
    default:
        return (p.registered().flags & PF_ParamFlag_CANNOT_TIME_VARY) == 0;
    }
}

void describeValue(const HostParameter& p, const PF_ParamDefUnion& value, json& out) {
    const PF_ParamDefUnion& shown = p.current().u; // ranges and precision as the plug-in left them
    switch (p.type()) {
    case PF_Param_POPUP:
        out["value"] = value.pd.value;
        out["choices"] = p.choices();
        break;
    case PF_Param_CHECKBOX:
        out["value"] = value.bd.value != 0;
        out["label"] = p.registered().u.bd.u.nameptr ? p.registered().u.bd.u.nameptr : "";
        break;
    case PF_Param_FLOAT_SLIDER:
        out["value"] = value.fs_d.value;
        out["validMin"] = shown.fs_d.valid_min;
        out["validMax"] = shown.fs_d.valid_max;
        out["sliderMin"] = shown.fs_d.slider_min;
        out["sliderMax"] = shown.fs_d.slider_max;
        out["precision"] = shown.fs_d.precision;
        out["percent"] = (shown.fs_d.display_flags & PF_ValueDisplayFlag_PERCENT) != 0;
        break;
    case PF_Param_SLIDER:
        out["value"] = value.sd.value;
        out["validMin"] = shown.sd.valid_min;
        out["validMax"] = shown.sd.valid_max;
        out["sliderMin"] = shown.sd.slider_min;
        out["sliderMax"] = shown.sd.slider_max;
        out["precision"] = 0;
        break;
    case PF_Param_FIX_SLIDER:
        out["value"] = value.fd.value / kFixedOne;
        out["validMin"] = shown.fd.valid_min / kFixedOne;
        out["validMax"] = shown.fd.valid_max / kFixedOne;
        out["sliderMin"] = shown.fd.slider_min / kFixedOne;
        out["sliderMax"] = shown.fd.slider_max / kFixedOne;
        out["precision"] = shown.fd.precision;
        break;
    case PF_Param_ANGLE:
        out["value"] = value.ad.value / kFixedOne;
        break;
    case PF_Param_COLOR:
        out["value"] = json::array({value.cd.value.red, value.cd.value.green, value.cd.value.blue,
                                    value.cd.value.alpha});
        break;
    case PF_Param_POINT:
        out["value"] = json::array({value.td.x_value / kFixedOne, value.td.y_value / kFixedOne});
        break;
    case PF_Param_ARBITRARY_DATA:
        out["custom"] = p.customUI.has_value();
        break;
    default:
        break;
    }
}

} // namespace

json describeParameter(const HostParameter& p, double seconds) {
    const PF_ParamUIFlags ui = p.current().ui_flags;
    json out{{"index", p.index()},
             {"name", p.name()},
             {"type", HostParameter::typeName(p.type())},
             {"hidden", (ui & (PF_PUI_NO_ECW_UI | PF_PUI_INVISIBLE)) != 0},
             {"disabled", (ui & PF_PUI_DISABLED) != 0},
             {"timeVarying", timeVarying(p)}};
    json keyframes = json::array();
    for (const HostParameter::Keyframe& k : p.keyframes()) {
        keyframes.push_back(k.seconds);
    }
    out["keyframes"] = keyframes;
    describeValue(p, p.valueAt(seconds), out);
    return out;
}

std::string settingText(const HostParameter& p, const json& value) {
    auto number = [&](const json& v) {
        if (!v.is_number()) {
            throw HostError("\"" + p.name() + "\": " + v.dump() + " is not a number");
        }
        std::ostringstream text;
        text.precision(17);
        text << v.get<double>();
        return text.str();
    };
    switch (p.type()) {
    case PF_Param_CHECKBOX:
        if (value.is_boolean()) {
            return value.get<bool>() ? "1" : "0";
        }
        return number(value);
    case PF_Param_COLOR: {
        if (!value.is_array() || (value.size() != 3 && value.size() != 4)) {
            throw HostError("\"" + p.name() + "\": " + value.dump() + " is not a colour [r, g, b] or [r, g, b, a]");
        }
        std::string text;
        for (const json& component : value) {
            text += (text.empty() ? "" : ",") + number(component);
        }
        return text;
    }
    default:
        if (value.is_string()) {
            return value.get<std::string>(); // popup item text
        }
        return number(value);
    }
}

} // namespace kvhost
