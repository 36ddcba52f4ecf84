#include "host/cli/LutScope.h"

#include "host/HostError.h"

#include <array>
#include <charconv>
#include <optional>
#include <sstream>
#include <string_view>

namespace kvhost {

namespace {

constexpr const char* kAbsoluteMatchName = "TQKV Absolute Curves";
constexpr const char* kRelativeMatchName = "TQKV Relative Curves";

// Relative curve names in the curve set text, in property order.
constexpr std::array<const char*, 8> kRelativeCurves{"brightness", "saturation", "hue",   "red",
                                                     "green",      "blue",       "alpha", "postblur"};
// Relative: "based on" values up to this name a pixel property; from kFirstCurveLink on, a curve.
// Property names as the "change" popup shows them.
constexpr std::array<const char*, 8> kPropertyNames{"brightness", "saturation", "hue",   "red",
                                                    "green",      "blue",       "alpha", "post blur"};
constexpr int kLastPixelProperty = 6;
constexpr int kFirstCurveLink = 8;
constexpr int kPostBlur = 7;
constexpr int kAlphaProperty = 6;

std::string textOf(const std::vector<std::uint8_t>& flat) {
    const std::string_view text(reinterpret_cast<const char*>(flat.data()), flat.size());
    return std::string(text.substr(0, text.find('\0')));
}

std::vector<std::uint8_t> flatOf(const std::string& text) {
    std::vector<std::uint8_t> flat(text.begin(), text.end());
    flat.push_back(0);
    return flat;
}

// The block "curve_NAME LENGTH\n" and its LENGTH bytes, where a line starts with that key.
std::optional<std::pair<std::size_t, std::size_t>> curveBlock(const std::string& text,
                                                              const std::string& name) {
    const std::string key = "curve_" + name + " ";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        const std::size_t lineEnd = end == std::string::npos ? text.size() : end;
        if (text.compare(at, key.size(), key) == 0) {
            std::size_t length = 0;
            const char* first = text.data() + at + key.size();
            const auto [last, error] = std::from_chars(first, text.data() + lineEnd, length);
            if (error != std::errc() || last != text.data() + lineEnd || end == std::string::npos) {
                return std::nullopt;
            }
            const std::size_t bodyEnd = std::min(text.size(), lineEnd + 1 + length);
            return std::make_pair(at, bodyEnd - at);
        }
        at = lineEnd + 1;
    }
    return std::nullopt;
}

// "curve_values_NAME BASED_ON CHANGE_BY FACTOR" of the Relative curve set.
struct PropertyValues {
    int basedOn = 0;
    double changeFactor = 0.0;
};

std::optional<PropertyValues> propertyValues(const std::string& text, const std::string& name) {
    const std::string key = "curve_values_" + name + " ";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        const std::size_t lineEnd = end == std::string::npos ? text.size() : end;
        if (text.compare(at, key.size(), key) == 0) {
            std::istringstream line(text.substr(at + key.size(), lineEnd - at - key.size()));
            PropertyValues values;
            int changeBy = 0;
            if (line >> values.basedOn >> changeBy >> values.changeFactor) {
                return values;
            }
            return std::nullopt;
        }
        at = lineEnd + 1;
    }
    return std::nullopt;
}

int curveParameter(const EffectInstance& instance) {
    for (int i = 1; i < instance.parameterCount(); ++i) {
        const HostParameter& p = instance.parameter(i);
        if (p.type() == PF_Param_ARBITRARY_DATA && p.name() == "curve") {
            return i;
        }
    }
    throw HostError(instance.plugin().path() + " has no \"curve\" parameter");
}

const HostParameter* parameterNamed(const EffectInstance& instance, const std::string& name) {
    for (int i = 1; i < instance.parameterCount(); ++i) {
        if (instance.parameter(i).name() == name) {
            return &instance.parameter(i);
        }
    }
    return nullptr;
}

std::string numberText(double seconds) {
    std::ostringstream text;
    text << seconds;
    return text.str();
}

// The curve set at the current time beside the effect's default set, and which curves differ.
class CurveComparison {
public:
    explicit CurveComparison(EffectInstance& instance)
        : instance_(instance), index_(curveParameter(instance)),
          current_(textOf(instance.arbitraryFlatAt(index_, instance.currentSeconds()))) {
        // A new instance of the same file holds the default value, made by the effect's own callback.
        EffectInstance fresh(instance.plugin());
        fresh.setup();
        default_ = textOf(fresh.arbitraryFlat(curveParameter(fresh)));
    }

    const std::string& current() const { return current_; }
    const std::string& defaults() const { return default_; }

    bool isDefault(const std::string& name) {
        const auto changed = curveBlock(current_, name);
        const auto original = curveBlock(default_, name);
        if (!changed) {
            return true; // the reader keeps the default of a curve the text does not name
        }
        if (!original) {
            throw HostError(instance_.plugin().path() + ": the default curve set has no curve \"" + name +
                            "\"");
        }
        std::string probe = default_;
        probe.replace(original->first, original->second, current_.substr(changed->first, changed->second));
        return instance_.arbitraryEqual(index_, flatOf(probe), flatOf(default_));
    }

private:
    EffectInstance& instance_;
    int index_;
    std::string current_;
    std::string default_;
};

LutScope absoluteScope(EffectInstance& instance) {
    CurveComparison curves(instance);
    LutScope scope;
    if (!curves.isDefault("alpha")) {
        scope.warnings.push_back("the \"alpha\" curve is not the default: alpha is no part of a LUT and "
                                 "is left out");
    }
    const HostParameter* invert = parameterNamed(instance, "invert all");
    const bool inverted = invert && invert->valueAt(instance.currentSeconds()).bd.value != 0;
    // Inverted, even a default curve is applied as its inverse; brightness, saturation and hue mix the
    // channels.
    scope.perChannel = !inverted && curves.isDefault("brightness") && curves.isDefault("saturation") &&
                       curves.isDefault("hue");
    return scope;
}

LutScope relativeScope(EffectInstance& instance) {
    const double seconds = instance.currentSeconds();
    const std::string at = " at " + numberText(seconds) + " s";
    const HostParameter* baseLayer = parameterNamed(instance, "base layer");
    if (baseLayer && baseLayer->layer) {
        throw HostError("\"base layer\" is set: the grade reads another layer, so it is no function of a "
                        "pixel's own colour and has no LUT; leave \"base layer\" empty");
    }
    const HostParameter* preBlur = parameterNamed(instance, "pre blur");
    if (preBlur && preBlur->type() == PF_Param_FLOAT_SLIDER) {
        const double radius = preBlur->valueAt(seconds).fs_d.value;
        if (radius > 0.0) {
            throw HostError("\"pre blur\" is " + numberText(radius) + at +
                            ": the grade reads neighbouring pixels, so it is no function of a pixel's own "
                            "colour and has no LUT; set \"pre blur\" to 0");
        }
    }
    const HostParameter* show = parameterNamed(instance, "show");
    if (show && show->type() == PF_Param_POPUP) {
        const A_long view = show->valueAt(seconds).pd.value;
        if (view != 1) {
            throw HostError("\"show\" is \"" + show->choiceText(view) + "\"" + at +
                            ": that view is a diagnostic, not a grade; set \"show\" to \"normal\"");
        }
    }

    CurveComparison curves(instance);
    std::array<PropertyValues, 8> values{};
    std::array<bool, 8> changedCurve{};
    for (std::size_t k = 0; k < kRelativeCurves.size(); ++k) {
        const auto given = propertyValues(curves.current(), kRelativeCurves[k]);
        const auto fallback = propertyValues(curves.defaults(), kRelativeCurves[k]);
        values[k] = given ? *given : fallback.value_or(PropertyValues{});
        changedCurve[k] = !curves.isDefault(kRelativeCurves[k]);
    }
    // A property changes when the curve it uses differs from the default; a link to a curve that is
    // itself a link changes nothing.
    auto active = [&](std::size_t k) {
        const int basedOn = values[k].basedOn;
        if (basedOn >= 0 && basedOn <= kLastPixelProperty) {
            return changedCurve[k];
        }
        const int linked = basedOn - kFirstCurveLink;
        if (linked < 0 || linked >= int(values.size())) {
            return false;
        }
        const int linkedBasedOn = values[std::size_t(linked)].basedOn;
        return linkedBasedOn >= 0 && linkedBasedOn <= kLastPixelProperty && changedCurve[std::size_t(linked)];
    };
    if (values[kPostBlur].changeFactor != 0.0 && active(kPostBlur)) {
        throw HostError("the \"post blur\" property is changed (change factor " +
                        numberText(values[kPostBlur].changeFactor) + at +
                        "): the post blur mixes neighbouring pixels, so the grade is no function of a "
                        "pixel's own colour and has no LUT; set its change factor to 0 or its curve to the "
                        "default");
    }
    LutScope scope;
    if (active(kAlphaProperty)) {
        scope.warnings.push_back(
            "the \"alpha\" property is changed: alpha is no part of a LUT and is left out");
    }
    // A property driven by alpha depends on more than the colour; the LUT holds it for opaque pixels.
    for (std::size_t k = 0; k < values.size(); ++k) {
        const int basedOn = values[k].basedOn;
        const int linked = basedOn - kFirstCurveLink;
        const int source =
            linked >= 0 && linked < int(values.size()) ? values[std::size_t(linked)].basedOn : basedOn;
        if (k != kAlphaProperty && source == kAlphaProperty && active(k)) {
            scope.warnings.push_back("the \"" + std::string(kPropertyNames[k]) +
                                     "\" property is based on alpha: the LUT holds it for opaque pixels");
        }
    }
    return scope;
}

LutScope otherScope(EffectInstance& instance) {
    for (int i = 1; i < instance.parameterCount(); ++i) {
        const HostParameter& p = instance.parameter(i);
        if (p.type() == PF_Param_LAYER && p.layer) {
            throw HostError("\"" + p.name() +
                            "\" is set: the grade reads another layer, so it is no "
                            "function of a pixel's own colour and has no LUT");
        }
    }
    return LutScope{};
}

} // namespace

LutScope lutScopeOf(EffectInstance& instance) {
    const std::string& matchName = instance.plugin().record().matchName;
    if (matchName == kAbsoluteMatchName) {
        return absoluteScope(instance);
    }
    if (matchName == kRelativeMatchName) {
        return relativeScope(instance);
    }
    return otherScope(instance);
}

} // namespace kvhost
