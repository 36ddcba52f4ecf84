#include "host/cli/ParameterSetting.h"

#include "host/HostError.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

namespace kvhost {

namespace {

std::optional<double> wholeNumber(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [last, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || last != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<long> integer(std::string_view text) {
    const std::optional<double> value = wholeNumber(text);
    if (!value || *value != std::floor(*value) || std::abs(*value) > 2147483647.0) {
        return std::nullopt;
    }
    return long(*value);
}

std::string lowered(std::string text) {
    for (char& c : text) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// The host's separator item of a popup: shown as a line, never chosen.
constexpr const char* kSeparator = "(-";

// Every digit a range needs: 9999999 is not 1e+07.
std::string number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

std::string itemList(const HostParameter& p) {
    std::string list;
    for (std::size_t i = 0; i < p.choices().size(); ++i) {
        list +=
            (i ? ", " : "") + std::to_string(i + 1) +
            (p.choices()[i] == kSeparator ? std::string(" (a separator)") : " \"" + p.choices()[i] + "\"");
    }
    return list;
}

// The popup value for a number or an item text (exact first, then ignoring case). The host's separator
// items ("(-") cannot be chosen.
A_long popupValue(const HostParameter& p, const std::string& value, const std::string& what) {
    const A_long count = p.registered().u.pd.num_choices;
    auto choosable = [&](A_long item) {
        return item >= 1 && item <= count && p.choiceText(item) != kSeparator;
    };
    if (const std::optional<long> item = integer(value)) {
        if (*item >= 1 && *item <= count && !choosable(A_long(*item))) {
            throw HostError(what + ": item " + value + " of \"" + p.name() +
                            "\" is a separator line, not a choice (items: " + itemList(p) + ")");
        }
        if (!choosable(A_long(*item))) {
            throw HostError(what + ": \"" + p.name() + "\" has no item " + value + " (items: " + itemList(p) +
                            ")");
        }
        return A_long(*item);
    }
    for (const bool exact : {true, false}) {
        for (A_long item = 1; item <= count; ++item) {
            const std::string text = p.choiceText(item);
            if (choosable(item) && (exact ? text == value : lowered(text) == lowered(value))) {
                return item;
            }
        }
    }
    throw HostError(what + ": \"" + value + "\" is not an item of \"" + p.name() +
                    "\" (items: " + itemList(p) + ")");
}

PF_Pixel colourValue(const std::string& value, const std::string& what) {
    std::vector<int> parts;
    std::string part;
    std::istringstream in(value);
    while (std::getline(in, part, ',')) {
        const std::optional<long> component = integer(part);
        if (!component || *component < 0 || *component > 255) {
            throw HostError(what + ": colour component \"" + part + "\" is not a whole number in 0..255");
        }
        parts.push_back(int(*component));
    }
    if ((parts.size() != 3 && parts.size() != 4) || value.empty() || value.back() == ',') {
        throw HostError(what + ": \"" + value + "\" is not a colour r,g,b or r,g,b,a");
    }
    return PF_Pixel{A_u_char(parts.size() == 4 ? parts[3] : 255), A_u_char(parts[0]), A_u_char(parts[1]),
                    A_u_char(parts[2])};
}

double numberValue(const std::string& value, const std::string& what, const HostParameter& p) {
    const std::optional<double> parsed = wholeNumber(value);
    if (!parsed) {
        throw HostError(what + ": \"" + value + "\" is not a number (\"" + p.name() + "\" is a " +
                        HostParameter::typeName(p.type()) + ")");
    }
    return *parsed;
}

void checkRange(double v, double low, double high, const std::string& what, const HostParameter& p,
                const std::string& given) {
    if (v < low || v > high) {
        throw HostError(what + ": " + given + " is outside the range of \"" + p.name() + "\" (" +
                        number(low) + " to " + number(high) + ")");
    }
}

} // namespace

ParameterSetting parseSetting(const std::string& text, const std::string& option) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        throw HostError(option + " \"" + text + "\": expected NAME=VALUE");
    }
    if (equals + 1 == text.size()) {
        throw HostError(option + " \"" + text + "\": nothing after \"=\" (expected NAME=VALUE)");
    }
    return ParameterSetting{text.substr(0, equals), text.substr(equals + 1)};
}

int findParameter(const EffectInstance& instance, const std::string& name, const std::string& option) {
    std::string names;
    for (int i = 1; i < instance.parameterCount(); ++i) {
        const HostParameter& p = instance.parameter(i);
        if (p.name() == name) {
            return i;
        }
        names += (names.empty() ? "\"" : ", \"") + p.name() + "\"";
    }
    throw HostError(option + ": " + instance.plugin().path() + " has no parameter \"" + name + "\"" +
                    (names.empty() ? std::string(" (it has none)") : " (parameters: " + names + ")"));
}

void applySetting(EffectInstance& instance, const ParameterSetting& setting, const std::string& quoted) {
    const std::string what = quoted.empty() ? "--set \"" + setting.name + "=" + setting.value + "\"" : quoted;
    const int index = findParameter(instance, setting.name, "--set");
    const HostParameter& p = instance.parameter(index);
    const std::string& value = setting.value;
    switch (p.type()) {
    case PF_Param_POPUP:
        instance.setNumber(index, popupValue(p, value, what));
        break;
    case PF_Param_CHECKBOX:
        if (value != "0" && value != "1") {
            throw HostError(what + ": \"" + p.name() + "\" is a checkbox: 0 or 1, not \"" + value + "\"");
        }
        instance.setNumber(index, value == "1" ? 1.0 : 0.0);
        break;
    case PF_Param_FLOAT_SLIDER: {
        const double v = numberValue(value, what, p);
        checkRange(v, p.registered().u.fs_d.valid_min, p.registered().u.fs_d.valid_max, what, p, value);
        instance.setNumber(index, v);
        break;
    }
    case PF_Param_SLIDER: {
        const std::optional<long> v = integer(value);
        if (!v) {
            throw HostError(what + ": \"" + value + "\" is not a whole number (\"" + p.name() +
                            "\" is a slider)");
        }
        checkRange(double(*v), p.registered().u.sd.valid_min, p.registered().u.sd.valid_max, what, p, value);
        instance.setNumber(index, double(*v));
        break;
    }
    case PF_Param_ANGLE: {
        const double degrees = numberValue(value, what, p);
        checkRange(degrees, -32767.0, 32767.0, what, p, value); // what 16.16 degrees hold
        instance.setNumber(index, degrees);
        break;
    }
    case PF_Param_COLOR:
        instance.setColour(index, colourValue(value, what));
        break;
    case PF_Param_ARBITRARY_DATA:
        throw HostError(what + ": \"" + p.name() + "\" holds arbitrary data; give a curve set with --curves");
    case PF_Param_LAYER:
        throw HostError(what + ": \"" + p.name() + "\" is a layer; give it with --layer \"" + p.name() +
                        "=FILE\"");
    default:
        throw HostError(what + ": \"" + p.name() + "\" is a " + HostParameter::typeName(p.type()) +
                        ", which cannot be set from the command line");
    }
    const PF_Err result = instance.userChangedParam(index);
    if (result != PF_Err_NONE) {
        throw HostError(what + ": " + instance.plugin().path() + " failed PF_Cmd_USER_CHANGED_PARAM or " +
                        "PF_Cmd_UPDATE_PARAMS_UI with error " + std::to_string(result));
    }
}

} // namespace kvhost
