#include "curves/CurveText.h"

#include "curves/EffectTraits.h"
#include "curves/NumberText.h"
#include "curves/TextReader.h"

#include <array>
#include <cmath>
#include <initializer_list>
#include <type_traits>

namespace korvane {

namespace {

constexpr std::int32_t kTextVersion = 0;
constexpr int kPointValues = 9;

HandleMode handleModeOf(std::int32_t value) {
    return value >= 0 && value <= 2 ? static_cast<HandleMode>(value) : HandleMode::Manual;
}

void appendFlag(std::string& out, std::uint8_t flag) {
    appendNumber(out, std::int32_t(flag != 0 ? 1 : 0));
}

template <class Traits>
std::string writeCurveSetOf(const typename Traits::CurveSetType& set) {
    std::string out = "version ";
    appendNumber(out, kTextVersion);
    out += '\n';
    if constexpr (std::is_same_v<typename Traits::CurveSetType, RelativeCurveSet>) {
        for (int k = 0; k < kCurveCount; ++k) {
            out += "curve_values_";
            out += Traits::kCurveNames[k];
            out += ' ';
            appendNumber(out, set.basedOn[k]);
            out += ' ';
            appendNumber(out, set.changeBy[k]);
            out += ' ';
            appendNumber(out, set.changeFactor[k]);
            out += '\n';
        }
    }
    for (int k = 0; k < kCurveCount; ++k) {
        const std::string curveText = writeCurve(set.curves[k]);
        out += "curve_";
        out += Traits::kCurveNames[k];
        out += ' ';
        appendNumber(out, std::int32_t(curveText.size()));
        out += '\n';
        out += curveText;
    }
    return out;
}

template <class Traits>
void readCurveSetOf(std::string_view text, typename Traits::CurveSetType& set) {
    constexpr bool kRelative = std::is_same_v<typename Traits::CurveSetType, RelativeCurveSet>;
    resetCurveSet(set);
    std::array<std::string, kCurveCount> curveKeys;
    std::array<std::string, kCurveCount> valueKeys;
    for (int k = 0; k < kCurveCount; ++k) {
        curveKeys[k] = "curve_" + std::string(Traits::kCurveNames[k]);
        valueKeys[k] = "curve_values_" + std::string(Traits::kCurveNames[k]);
    }

    TextReader reader(text);
    std::string_view token;
    std::string_view value;
    while (reader.next(token)) {
        if (token == "version") {
            if (!reader.next(value)) {
                return;
            }
            continue;
        }
        for (int k = 0; k < kCurveCount; ++k) {
            if (token == curveKeys[k]) {
                if (!reader.next(value)) {
                    return;
                }
                readCurve(reader.block(parseInt(value)), set.curves[k], Traits::kNeutralSlope);
                break;
            }
            if constexpr (kRelative) {
                if (token == valueKeys[k]) {
                    // Each value is stored as it is read; a missing one ends reading there.
                    if (!reader.next(value)) {
                        return;
                    }
                    set.basedOn[k] = parseInt(value);
                    if (!reader.next(value)) {
                        return;
                    }
                    set.changeBy[k] = parseInt(value);
                    if (!reader.next(value)) {
                        return;
                    }
                    const double factor = parseDouble(value);
                    if (std::isfinite(factor)) {
                        set.changeFactor[k] = factor;
                    }
                    break;
                }
            }
        }
    }
}

} // namespace

std::string writeCurve(const Curve& curve) {
    std::string out = "version ";
    appendNumber(out, kTextVersion);
    out += "\nloop ";
    appendFlag(out, curve.loop);
    out += '\n';
    for (const CurveNode& node : curve.nodes) {
        if (node.active == 0) {
            continue;
        }
        out += "point";
        for (const double v : {node.x, node.y, node.leftDx, node.leftDy, node.rightDx, node.rightDy}) {
            out += ' ';
            appendNumber(out, v);
        }
        out += ' ';
        appendFlag(out, node.linked);
        out += ' ';
        appendNumber(out, static_cast<std::int32_t>(node.leftMode));
        out += ' ';
        appendNumber(out, static_cast<std::int32_t>(node.rightMode));
        out += '\n';
    }
    return out;
}

void readCurve(std::string_view text, Curve& curve, double neutralSlope) {
    resetCurve(curve, neutralSlope);
    curve.nodes[0].active = 0;
    curve.nodes[1].active = 0;
    curve.loop = 0;

    TextReader reader(text);
    std::string_view token;
    std::string_view value;
    int points = 0;
    while (reader.next(token)) {
        if (token == "version") {
            if (!reader.next(value)) {
                return;
            }
        } else if (token == "loop") {
            if (!reader.next(value)) {
                return;
            }
            curve.loop = parseInt(value) != 0 ? 1 : 0;
        } else if (token == "point" && points < kCurveSlots) {
            // Past 40 points "point" is an unknown key and its values are skipped one by one.
            std::array<std::string_view, kPointValues> values;
            for (std::string_view& v : values) {
                if (!reader.next(v)) {
                    return;
                }
            }
            std::array<double, 6> numbers{};
            bool usable = true;
            for (std::size_t i = 0; i < numbers.size(); ++i) {
                numbers[i] = parseDouble(values[i]);
                usable = usable && isUsableCoordinate(numbers[i]);
            }
            if (!usable) {
                continue;
            }
            CurveNode& node = curve.nodes[points];
            node.x = numbers[0];
            node.y = numbers[1];
            node.leftDx = numbers[2];
            node.leftDy = numbers[3];
            node.rightDx = numbers[4];
            node.rightDy = numbers[5];
            node.linked = parseInt(values[6]) != 0 ? 1 : 0;
            node.leftMode = handleModeOf(parseInt(values[7]));
            node.rightMode = handleModeOf(parseInt(values[8]));
            node.active = 1;
            ++points;
        }
    }
}

std::string writeCurveSet(const RelativeCurveSet& set) {
    return writeCurveSetOf<RelativeTraits>(set);
}
std::string writeCurveSet(const AbsoluteCurveSet& set) {
    return writeCurveSetOf<AbsoluteTraits>(set);
}
void readCurveSet(std::string_view text, RelativeCurveSet& set) {
    readCurveSetOf<RelativeTraits>(text, set);
}
void readCurveSet(std::string_view text, AbsoluteCurveSet& set) {
    readCurveSetOf<AbsoluteTraits>(text, set);
}

} // namespace korvane
