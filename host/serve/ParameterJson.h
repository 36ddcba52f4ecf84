#pragma once
#include "host/HostParameter.h"

#include <nlohmann/json.hpp>

namespace kvhost {

// One parameter as the page builds its control from it: index, name, type, whether it is hidden or
// disabled (the plug-in's update-params-UI), whether it can vary in time and its keyframe times, and the
// value at `seconds` with what its kind of control needs (popup items, slider ranges and precision as the
// plug-in last set them, the checkbox's label). Layer parameters get their choices from the caller.
nlohmann::json describeParameter(const HostParameter& parameter, double seconds);

// The value as text in the form parameters are set in ("--set NAME=VALUE"): a popup's 1-based number, a
// checkbox 0 or 1, a number, a colour r,g,b,a. Empty for kinds that are not set that way.
std::string settingText(const HostParameter& parameter, const nlohmann::json& value);

} // namespace kvhost
