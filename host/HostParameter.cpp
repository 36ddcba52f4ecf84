#include "host/HostParameter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kvhost {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

double lerp(double a, double b, double t) {
    return a + (b - a) * t;
}
A_long lerpRounded(A_long a, A_long b, double t) {
    return A_long(std::lround(lerp(a, b, t)));
}
A_u_char lerpByte(A_u_char a, A_u_char b, double t) {
    return A_u_char(std::lround(lerp(a, b, t)));
}

// `base` with the value fields of `source`; ranges, precision and texts stay those of `base`.
PF_ParamDefUnion withValue(PF_ParamType type, const PF_ParamDefUnion& base, const PF_ParamDefUnion& source) {
    PF_ParamDefUnion result = base;
    switch (type) {
    case PF_Param_SLIDER:
        result.sd.value = source.sd.value;
        break;
    case PF_Param_FIX_SLIDER:
        result.fd.value = source.fd.value;
        break;
    case PF_Param_ANGLE:
        result.ad.value = source.ad.value;
        break;
    case PF_Param_CHECKBOX:
        result.bd.value = source.bd.value;
        break;
    case PF_Param_COLOR:
        result.cd.value = source.cd.value;
        break;
    case PF_Param_POINT:
        result.td.x_value = source.td.x_value;
        result.td.y_value = source.td.y_value;
        break;
    case PF_Param_POPUP:
        result.pd.value = source.pd.value;
        break;
    case PF_Param_FLOAT_SLIDER:
        result.fs_d.value = source.fs_d.value;
        break;
    default:
        break;
    }
    return result;
}

PF_ParamDefUnion blend(PF_ParamType type, const PF_ParamDefUnion& a, const PF_ParamDefUnion& b, double t) {
    PF_ParamDefUnion result = a;
    switch (type) {
    case PF_Param_SLIDER:
        result.sd.value = lerpRounded(a.sd.value, b.sd.value, t);
        break;
    case PF_Param_FIX_SLIDER:
        result.fd.value = lerpRounded(a.fd.value, b.fd.value, t);
        break;
    case PF_Param_ANGLE:
        result.ad.value = lerpRounded(a.ad.value, b.ad.value, t);
        break;
    case PF_Param_FLOAT_SLIDER:
        result.fs_d.value = lerp(a.fs_d.value, b.fs_d.value, t);
        break;
    case PF_Param_POINT:
        result.td.x_value = lerpRounded(a.td.x_value, b.td.x_value, t);
        result.td.y_value = lerpRounded(a.td.y_value, b.td.y_value, t);
        break;
    case PF_Param_COLOR:
        result.cd.value.alpha = lerpByte(a.cd.value.alpha, b.cd.value.alpha, t);
        result.cd.value.red = lerpByte(a.cd.value.red, b.cd.value.red, t);
        result.cd.value.green = lerpByte(a.cd.value.green, b.cd.value.green, t);
        result.cd.value.blue = lerpByte(a.cd.value.blue, b.cd.value.blue, t);
        break;
    default: // popups, checkboxes: hold
        break;
    }
    return result;
}

} // namespace

HostParameter::HostParameter(int index, const PF_ParamDef& registered)
    : index_(index), registered_(registered) {
    registered_.name[PF_MAX_EFFECT_PARAM_NAME_LEN] = '\0';
    name_ = registered_.name;
    // The plug-in's text may not outlive the registration call: keep copies.
    if (registered_.param_type == PF_Param_POPUP) {
        if (registered_.u.pd.u.namesptr) {
            popupNames_ = registered_.u.pd.u.namesptr;
        }
        registered_.u.pd.u.namesptr = popupNames_.c_str();
        std::size_t start = 0;
        while (true) {
            const std::size_t bar = popupNames_.find('|', start);
            choices_.push_back(trimmed(popupNames_.substr(start, bar - start)));
            if (bar == std::string::npos) {
                break;
            }
            start = bar + 1;
        }
    } else if (registered_.param_type == PF_Param_CHECKBOX) {
        if (registered_.u.bd.u.nameptr) {
            checkboxLabel_ = registered_.u.bd.u.nameptr;
        }
        registered_.u.bd.u.nameptr = checkboxLabel_.c_str();
    }
    current_ = registered_;
    current_.uu.change_flags = PF_ChangeFlag_NONE;
}

std::string HostParameter::choiceText(A_long value) const {
    if (value < 1 || std::size_t(value) > choices_.size()) {
        return std::string();
    }
    return choices_[std::size_t(value - 1)];
}

const char* HostParameter::typeName(PF_ParamType type) {
    switch (type) {
    case PF_Param_LAYER:
        return "layer";
    case PF_Param_SLIDER:
        return "slider";
    case PF_Param_FIX_SLIDER:
        return "fixed slider";
    case PF_Param_ANGLE:
        return "angle";
    case PF_Param_CHECKBOX:
        return "checkbox";
    case PF_Param_COLOR:
        return "colour";
    case PF_Param_POINT:
        return "point";
    case PF_Param_POPUP:
        return "popup";
    case PF_Param_FLOAT_SLIDER:
        return "float slider";
    case PF_Param_ARBITRARY_DATA:
        return "arbitrary data";
    case PF_Param_GROUP_START:
        return "group start";
    case PF_Param_GROUP_END:
        return "group end";
    case PF_Param_BUTTON:
        return "button";
    default:
        return "unknown";
    }
}

PF_Handle HostParameter::setKeyframe(const Keyframe& keyframe) {
    const auto at = std::lower_bound(keyframes_.begin(), keyframes_.end(), keyframe.seconds,
                                     [](const Keyframe& k, double s) { return k.seconds < s; });
    if (at != keyframes_.end() && at->seconds == keyframe.seconds) {
        PF_Handle replaced = at->arbitrary;
        *at = keyframe;
        return replaced == keyframe.arbitrary ? nullptr : replaced;
    }
    keyframes_.insert(at, keyframe);
    return nullptr;
}

PF_ParamDefUnion HostParameter::valueAt(double seconds) const {
    if (keyframes_.empty()) {
        return current_.u;
    }
    if (seconds <= keyframes_.front().seconds) {
        return withValue(type(), current_.u, keyframes_.front().value);
    }
    if (seconds >= keyframes_.back().seconds) {
        return withValue(type(), current_.u, keyframes_.back().value);
    }
    const auto after = std::upper_bound(keyframes_.begin(), keyframes_.end(), seconds,
                                        [](double s, const Keyframe& k) { return s < k.seconds; });
    const Keyframe& left = *(after - 1);
    const Keyframe& right = *after;
    if (registered_.flags & PF_ParamFlag_CANNOT_INTERP) {
        return withValue(type(), current_.u, left.value);
    }
    const double t = (seconds - left.seconds) / (right.seconds - left.seconds);
    return withValue(type(), current_.u, blend(type(), left.value, right.value, t));
}

void HostParameter::storeValue(const PF_ParamDefUnion& value, double seconds) {
    if (keyframes_.empty()) {
        current_.u = withValue(type(), current_.u, value);
        return;
    }
    Keyframe keyframe;
    keyframe.seconds = seconds;
    keyframe.value = value;
    setKeyframe(keyframe);
}

} // namespace kvhost
