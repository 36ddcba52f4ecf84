#pragma once
#include "host/EffectInstance.h"

#include <string>

namespace kvhost {

// One --set NAME=VALUE of the command line.
struct ParameterSetting {
    std::string name;
    std::string value;
};

// Splits "NAME=VALUE" at the first "="; throws HostError quoting the text when there is none.
ParameterSetting parseSetting(const std::string& text, const std::string& option);

// The index of the parameter with this name; throws HostError that names the option, the name and the
// parameters there are.
int findParameter(const EffectInstance& instance, const std::string& name, const std::string& option);

// Sets a parameter by name as a person would in the effect controls: a popup by its 1-based number or its
// item text, a checkbox 0 or 1, a slider or float slider within its valid range, an angle in degrees, a
// colour as r,g,b[,a] in 0..255. Then the host tells the plug-in (user-changed-param, update-params-UI).
// Throws HostError naming the parameter and the value at fault, as `what` quotes them (by default
// --set "NAME=VALUE").
void applySetting(EffectInstance& instance, const ParameterSetting& setting, const std::string& what = std::string());

} // namespace kvhost
